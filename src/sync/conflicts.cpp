#include "sync/conflicts.h"

#include <algorithm>

#include "base/atomic_file.h"
#include "base/clock.h"
#include "base/file.h"
#include "base/gbk.h"
#include "base/line_reader.h"
#include "base/path.h"
#include "base/prompter.h"
#include "datum/datum_store.h"
#include "records/record_counter.h"
#include "sync/list_merge.h"
#include "xmldoc/xml.h"

namespace pim {

namespace {

// The lists in the order they are merged: the untrimmed index last, once the trimmed index
// it is held against is whole.
constexpr std::string_view kListOrder[] = {"datum.conf",           "class.list",    "source.list",
                                           "lineindex.list",       "bookmark.list", "index.list",
                                           "lineindex.untrim.list"};

std::string Join(std::string_view folder, std::string_view name) {
  return std::string(folder) + "\\" + std::string(name);
}

bool SameBytes(const std::string& a, const std::string& b) {
  std::string x, y;
  return ReadWholeFile(a, x) && ReadWholeFile(b, y) && x == y;
}

// The category folders below datum\, at any depth, as data paths.
void CategoryFolders(const std::string& folder, std::vector<std::string>& found) {
  for (const FolderEntry& entry : ListFolderEntries(folder))
    if (entry.folder) {
      found.push_back(Join(folder, entry.name));
      CategoryFolders(found.back(), found);
    }
}

// One folder: copies of records and strays, and the lists' copies by list.
void ScanFolder(RecordFolder kind, const std::string& folder, ConflictScan& scan,
                std::vector<std::pair<std::string, std::string>>& lists) {
  std::vector<FolderEntry> entries = ListFolderEntries(folder);
  std::ranges::sort(entries, {}, &FolderEntry::name);
  for (const FolderEntry& entry : entries) {
    if (entry.folder) continue;
    const NameInfo name = ClassifyName(kind, entry.name);
    const std::string path = Join(folder, entry.name);
    if (name.kind == NameKind::Copy) {
      const std::string original = Join(folder, name.original);
      if (kind == RecordFolder::DatumLists) {
        lists.emplace_back(name.original, path);
      } else if (FileExists(original) && SameBytes(original, path)) {
        if (RemoveFile(path)) ++scan.removed;
      } else if (ReadsAsRecord(kind, path)) {
        scan.open.push_back({kind, FileExists(original) ? original : "", path, false});
      }
    } else if (name.kind == NameKind::Other && kind != RecordFolder::DatumLists &&
               ReadsAsRecord(kind, path)) {
      scan.open.push_back({kind, "", path, false});
    }
  }
}

int TitleEnd(std::string_view name) {  // where ".datum.N.xml" begins, or the extension
  const size_t datum = name.rfind(".datum.");
  if (datum != std::string_view::npos) return static_cast<int>(datum);
  const size_t dot = name.rfind('.');
  return static_cast<int>(dot == std::string_view::npos ? name.size() : dot);
}

// The copy as a record of its own, under a new number; its data path, or "".
std::string Adopt(const Conflict& c, Prompter& prompter, RecordEvents* events) {
  std::string bytes;
  if (!ReadWholeFile(c.copy, bytes)) return {};
  if (c.folder == RecordFolder::Category) {
    const std::string folder(DataPathFolder(c.copy));
    const std::string copyName = c.copy.substr(folder.size());
    const std::string title = copyName.substr(
        0, static_cast<size_t>(
               TitleEnd(c.original.empty() ? copyName : c.original.substr(folder.size()))));
    return StoreCardCopy(folder, title, bytes, events);
  }
  const bool notes = c.folder == RecordFolder::Notes;
  RecordCounter counter(notes ? "NOTE" : "COMU", notes ? "note" : "communication",
                        notes ? "n." : "com.");
  counter.Load();
  for (int tries = 0; tries < 100; ++tries) {
    int number = counter.maxid();
    if (!counter.TakeFor(number, prompter)) return {};
    const std::string path = counter.PathOf(number);
    // Renamed, not written anew: a kill can never leave both the copy and its new record.
    const Placed placed = PlaceFile(c.copy, path, false);
    if (placed == Placed::Exists) continue;
    if (placed != Placed::Done) return {};
    if (events) events->Written(notes ? RecordKind::Note : RecordKind::Contact, number);
    return path;
  }
  return {};
}

// The change to the record at `path` (a note's or contact's number, a card's path).
void TellWritten(RecordFolder folder, const std::string& path, RecordEvents* events) {
  if (!events) return;
  const std::string name = path.substr(DataPathFolder(path).size());
  if (folder == RecordFolder::Category)
    events->CardWritten(path);
  else if (folder == RecordFolder::Notes)
    events->Written(RecordKind::Note, RecordNumberOf(name, "n."));
  else
    events->Written(RecordKind::Contact, RecordNumberOf(name, "com."));
}

}  // namespace

bool ReadsAsRecord(RecordFolder folder, const std::string& path) {
  File file;
  if (!file.Open(path, File::Mode::Read)) return false;
  LineReader reader(file);
  SilentPrompter silent;
  const SystemClock clock;
  XML xml(silent, clock);
  switch (folder) {
    case RecordFolder::Notes:
      return xml.ReadNoteType(reader) >= 0 || (xml.ReadNote(reader) && !reader.failed());
    case RecordFolder::Contacts:
      xml.ReadComu(reader);
      return xml.comuBirthday.has_value() && !reader.failed();
    case RecordFolder::Category:
      return xml.ReadDatumHead(reader) && !reader.failed();
    case RecordFolder::DatumLists:
      return false;
  }
  return false;
}

ConflictScan FindConflicts(RecordEvents* events) {
  ConflictScan scan;
  std::vector<std::pair<std::string, std::string>> lists;  // list name, copy's data path
  ScanFolder(RecordFolder::Notes, "note", scan, lists);
  ScanFolder(RecordFolder::Contacts, "communication", scan, lists);
  ScanFolder(RecordFolder::DatumLists, "datum", scan, lists);
  std::vector<std::string> categories;
  CategoryFolders("datum", categories);
  std::ranges::sort(categories);
  for (const std::string& folder : categories)
    ScanFolder(RecordFolder::Category, folder, scan, lists);

  bool merged = false;
  for (std::string_view list : kListOrder) {
    for (const auto& [name, copy] : lists) {
      if (name.size() != list.size() || !IsDatumList(name) ||
          !std::equal(name.begin(), name.end(), list.begin(),
                      [](char a, char b) { return (a | 0x20) == (b | 0x20); }))
        continue;
      const std::string original = Join("datum", name);
      const ListMerge result =
          FileExists(original) ? MergeList(list, original, copy) : ListMerge::Unreadable;
      if (result == ListMerge::Merged && RemoveFile(copy)) {
        ++scan.merged;
        merged = true;
      } else if (result != ListMerge::Merged) {
        scan.open.push_back({RecordFolder::DatumLists, original, copy, true});
      }
    }
  }
  if (merged && events) events->ListsChanged();
  return scan;
}

Decided Decide(const Conflict& c, ConflictChoice choice, Prompter& prompter, RecordEvents* events) {
  if (!FileExists(c.copy)) return Decided::Gone;
  if (c.original.empty() && choice == ConflictChoice::KeepCopy) choice = ConflictChoice::KeepBoth;
  switch (choice) {
    case ConflictChoice::KeepBoth:
      if (c.list) return Decided::Failed;  // a list has one place only
      if (Adopt(c, prompter, events).empty()) return Decided::Failed;
      return !FileExists(c.copy) || RemoveFile(c.copy) ? Decided::Done : Decided::Failed;
    case ConflictChoice::KeepOriginal:
      return RemoveFile(c.copy) ? Decided::Done : Decided::Failed;
    case ConflictChoice::KeepCopy:
      if (PlaceFile(c.copy, c.original, true) != Placed::Done) return Decided::Failed;
      if (c.list) {
        if (events) events->ListsChanged();
      } else {
        TellWritten(c.folder, c.original, events);
      }
      return Decided::Done;
  }
  return Decided::Failed;
}

}  // namespace pim
