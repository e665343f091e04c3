// The address book without its window: numbered contact documents, "communication\com.%d.xml",
// one shown at a time, stepped through backwards and forwards, saved, deleted and begun anew.
#pragma once

#include <optional>
#include <string>
#include <utility>

#include "base/clock.h"
#include "base/prompter.h"
#include "records/record_counter.h"
#include "records/record_events.h"
#include "xmldoc/xml.h"

namespace pim {

// The data path of contact `number`.
std::string ContactPath(int number);

// A contact's name and the text between its birthday tags, read through the document reader
// without a word to the user; false when the document cannot be read that far.
struct ContactDates {
  std::string name;
  std::string birthday;
};
bool ReadContactDates(int number, ContactDates& dates);

class AddressBook {
 public:
  explicit AddressBook(Prompter& prompter, RecordEvents* events = nullptr);

  // What a step did to the entry shown.
  enum class Step {
    Unchanged,  // nothing to show: the entry, its number and the label stay
    Loaded,     // `shown` holds the contact of the new current number
    Emptied,    // past the last contact: a new entry begins (see New)
  };

  // Reads maxid, moved past any contact saved by a run that never wrote it back.
  void Initialise();
  // After a restore: as Initialise, but a contact that was shown from its file (not a new
  // entry) is loaded again when it still exists.
  Step Reopen(ComuRecord& shown);
  // Contact `number` arrived (another computer): stepping reaches it, and a new contact
  // begun here takes a number above it. True when the label changed.
  bool Arrived(int number);
  int current() const { return current_; }
  int maxid() const { return counter_.maxid(); }
  // "id:" until a contact is shown or begun, then its number and a colon.
  const std::string& label() const { return label_; }

  // A new entry under the next free number; the window empties its fields.
  void New();
  // Writes the entry under the current number; a new number is taken (and kept) first.
  // False when the document could not be written; the old file then stays as it was. When
  // the file changed on disk since it was shown, the user chooses: saved as a new contact,
  // written over it, or not saved and the contact as it is now shown instead (false, and
  // TookDiskVersion then gives it once).
  bool Save(const ComuRecord& entry);
  std::optional<ComuRecord> TookDiskVersion() { return std::exchange(tookDisk_, std::nullopt); }
  // The contact shown changed on disk (another computer): unedited, it is read again
  // (Loaded), or a new entry begun when its file is gone (Emptied).
  Step Refresh(const ComuRecord& fields, ComuRecord& shown);
  // The nearest contact below, or above, the current number; missing files are skipped.
  Step Previous(ComuRecord& shown);
  Step Next(ComuRecord& shown);
  // Shows contact `number`; false when its file cannot be read (nothing changes then).
  bool Open(int number, ComuRecord& shown);
  // Deletes the current contact's file after asking; the entry stays shown and Save
  // writes it again under the same number.
  void Delete();
  // The close handling: keeps a maxid that could not be written when it was taken.
  void Close();

  // Whether the panel's fields differ from the contact as last shown, saved or begun.
  bool Changed(const ComuRecord& fields) const { return AsShown(fields) != shown_; }
  // Before another contact takes the panel: a changed one is saved if the user wants. False
  // when the user cancels or the save fails; the fields then stay as they are.
  bool Leave(const ComuRecord& fields);

 private:
  bool Load(int number, ComuRecord& shown);
  void SetLabel();
  // A record as the panel's fields give it back once shown: a choice the lists lack is
  // none, and the sex is one of the two buttons.
  static ComuRecord AsShown(ComuRecord entry);
  // The fields of a new entry: all empty, nothing chosen.
  static ComuRecord Blank();

  Prompter& prompter_;
  RecordEvents* events_;
  SystemClock clock_;  // the XML object wants one; contact documents carry no time
  RecordCounter counter_;
  int current_ = 0;
  std::string label_ = "id:";
  ComuRecord shown_ = Blank();
  FileStamp shownStamp_;  // of the contact's file as read or last saved; none for a new one
  std::optional<ComuRecord> tookDisk_;
};

}  // namespace pim
