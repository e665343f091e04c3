// The next free number of the numbered records of one section of "set\sets.conf" ("maxid"
// of "NOTE" or "COMU"): this computer's floor. A number is never handed out twice: a number
// taken by a save is written at once, and each new record takes its number above every record
// file there at that moment, so neither a crash nor a record that arrived from another
// computer through a synced folder can make a later save overwrite a record.
#pragma once

#include <limits>
#include <string>
#include <vector>

namespace pim {

class Prompter;

class RecordCounter {
 public:
  // `folder` holds the records, named `prefix` + number + ".xml".
  RecordCounter(std::string section, std::string folder, std::string prefix);

  // Reads "maxid" (0 when missing or not a number) and moves it past the existing files.
  void Load();
  int maxid() const { return maxid_; }
  // "maxid" as it was when the panel opened.
  int saved() const { return saved_; }
  // The data path of a record.
  std::string PathOf(int number) const;
  // The numbers of the record files there now, ascending. Stepping goes through these
  // rather than trying every number, so a huge "maxid" in a damaged file cannot stall it.
  std::vector<int> Existing() const;
  // A save took the number `maxid`: raises it and writes it at once. False when the
  // settings file could not be written (the number stays taken in memory), or at the top.
  bool Take();
  // Before record `number` is saved: a new one (number == maxid) takes its number, moved past
  // every record file there now, and `number` becomes it; it is written at once (a failed
  // write still keeps it taken in memory). At the top of the range no number is left: never
  // wrapped nor reused, the save is refused with a message (false).
  bool TakeFor(int& number, Prompter& prompter);
  // `count` new records at once (an import): their numbers, from `first` on, past every
  // record file there now, taken in one write. False when the range runs out or the write
  // fails; nothing is taken then.
  bool Reserve(int count, int& first);
  // A record arrived (another computer, a conflict kept): the floor moves past it in memory,
  // so stepping reaches it; the close handling writes it.
  void Follow(int number) {
    if (number >= maxid_ && number < std::numeric_limits<int>::max()) maxid_ = number + 1;
  }
  // The close handling: writes "maxid" when it has grown since it was saved.
  bool Persist();

 private:
  bool Write();
  // Moves past every record file there now.
  void MovePastFiles();

  std::string section_;
  std::string folder_;
  std::string prefix_;
  int maxid_ = 0;
  int saved_ = 0;
  int written_ = 0;
};

}  // namespace pim
