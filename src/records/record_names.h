// What a file in a record folder is, by its name: one of the program's records or lists, a
// temporary file (ours or a sync service's), or a copy that a sync service made of one of
// them when two computers changed it at once — Syncthing's "NAME.sync-conflict-…", Dropbox's
// "NAME (… conflicted copy …)" and its Chinese form, OneDrive's "NAME-COMPUTER", Google
// Drive's "NAME (1)" — or anything else a user may have dropped there.
#pragma once

#include <string>
#include <string_view>

namespace pim {

enum class RecordFolder {
  Notes,       // note\: "n.N.xml"
  Contacts,    // communication\: "com.N.xml"
  DatumLists,  // datum\: the card counter, the category and source lists, the line indexes
  Category,    // a category folder below datum\: cards "TITLE.datum.N.xml"
};

enum class NameKind {
  Record,     // a name the program writes
  List,       // one of the lists of datum\ (only there)
  Temporary,  // being written by us or by a sync service: left alone
  Copy,       // a copy of `original` (which may be gone)
  Other,      // anything else: a stray document if it reads as a record of the folder
};

struct NameInfo {
  NameKind kind = NameKind::Other;
  std::string original;  // of a Copy: the record's or list's name it stands beside
};

NameInfo ClassifyName(RecordFolder folder, std::string_view name);

// The number of a note's or contact's file name ("n.7.xml" is 7, letters case-blind as on
// Windows), or -1 when it is no name the program writes.
int RecordNumberOf(std::string_view name, std::string_view prefix);

// Whether the name is one of the lists of datum\ (case-blind).
bool IsDatumList(std::string_view name);

}  // namespace pim
