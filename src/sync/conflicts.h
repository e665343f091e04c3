// The copies a sync service leaves beside records and lists of the data folder when two
// computers changed the same file, and the documents users drop there. Each is found and dealt
// with, never ignored: a copy byte for byte like its record is removed, a list's copy merged
// into it, and every record that differs is left for the user to decide, once. The decision
// is the file operation itself: a computer that finds the copy gone has nothing left to do.
#pragma once

#include <string>
#include <vector>

#include "records/record_events.h"
#include "records/record_names.h"

namespace pim {

class Prompter;

struct Conflict {
  RecordFolder folder = RecordFolder::Notes;
  std::string original;  // the record's data path; "" for a stray document with no record
  std::string copy;      // the data path of the copy or the stray
  bool list = false;     // a list whose copy could not be merged (it would pass 100 names)

  bool operator==(const Conflict&) const = default;
};

struct ConflictScan {
  std::vector<Conflict> open;  // left for the user, in folder and name order
  int removed = 0;             // copies like their record, removed
  int merged = 0;              // copies of lists merged into them and removed
};

// Looks through note\, communication\, datum\ and its category folders. Lists changed by a
// merge are told to `events` (ListsChanged).
ConflictScan FindConflicts(RecordEvents* events);

enum class ConflictChoice {
  KeepBoth,  // 保留两份: the copy becomes a record of its own, with a new number (the default)
  KeepOriginal,  // 用这个版本: the copy goes
  KeepCopy,      // 用另一个版本: the copy takes the record's place
};
enum class Decided {
  Done,
  Gone,    // nothing left to do: the copy is gone, decided elsewhere
  Failed,  // a file could not be written or removed; nothing was lost
};
// Carries out the user's choice. A stray document has no record: keeping it (either way) makes
// it one. The numbers are taken as a panel takes them, above every record file there; a card
// kept joins the untrimmed index. Every record written or removed is told to `events`.
Decided Decide(const Conflict& conflict, ConflictChoice choice, Prompter& prompter,
               RecordEvents* events);

// The document of a record as the folder's reader sees it: whether `path` reads as one.
bool ReadsAsRecord(RecordFolder folder, const std::string& path);

}  // namespace pim
