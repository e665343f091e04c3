// Every note, contact and card of the data folder, read into memory once and kept current
// by the record events, for search and for the notes panel's filtered stepping.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/file.h"
#include "records/record_events.h"
#include "records/record_ref.h"

namespace pim {

// The fields of each kind, in Record::fields, as text.
enum NoteField { kNoteType, kNoteText, kNoteFields };
enum ContactField {
  kContactName,
  kContactClass,
  kContactSex,
  kContactBirthday,  // "year-month-day", month and day counted from 1; "" when none was set
  kContactTelOffice,
  kContactTelHome,
  kContactHandset,
  kContactBP,
  kContactEmail,
  kContactEmail2,
  kContactOicq,
  kContactIcq,
  kContactCompanyWeb,
  kContactHomepage,
  kContactAddress,
  kContactPostnumber,
  kContactNote,
  kContactFields
};
enum CardField { kCardTitle, kCardClass, kCardSource, kCardKeyword, kCardContent, kCardFields };

// Where each kind keeps what every kind has.
struct FieldLayout {
  int title;  // a note's title is the first line of this field
  int category;
  int content;                  // the lines shown when nothing in particular matched
  std::span<const int> labels;  // besides the title, the fields that also match by pinyin
};
const FieldLayout& LayoutOf(RecordKind kind);

struct Record {
  RecordKind kind = RecordKind::Note;
  bool live = false;      // false once its file is gone; the slot is kept
  int number = -1;        // a note's or contact's number; -1 for a card
  int type = -1;          // a note's type, a contact's category index
  bool trimmed = false;   // a card of the trimmed index
  bool bookmark = false;  // a card of the bookmark list
  bool indexed = false;   // a card of the index list
  std::string path;       // the data path of its file
  FileStamp stamp;        // of the file as read
  std::string date;       // as shown: a note's modify time, a card's modified date
  int64_t recency = 0;    // larger is newer
  std::vector<std::string> fields;

  // A note's first line, a contact's name, a card's title.
  std::string_view Title() const;
  // A note's type, a contact's category, a card's category, as text.
  std::string_view Category() const;
};

// Reads one record file as the store does (number, lists and `live` left to the caller);
// false when it cannot be read or is damaged. Safe on several threads at once.
bool ReadRecordFile(RecordKind kind, const std::string& path, Record& record);

struct CardLists;
struct ScanWork;
struct ScanListing;
struct ScanResult;
using CardMembers = std::unordered_map<std::string, CardLists>;

class RecordStore final : public RecordListener, public NoteTypeSource {
 public:
  RecordStore();
  // Stops a scan's threads and waits for them.
  ~RecordStore();
  RecordStore(const RecordStore&) = delete;
  RecordStore& operator=(const RecordStore&) = delete;

  // Starts a scan and returns at once: threads of its own list the folders and read the files,
  // and ScanStep takes in what they read. The first reads every record file, later ones re-read
  // the files that changed on disk since (with `everything`, every file) and drop those that
  // are gone.
  void BeginScan(bool everything = false);
  // Takes in what the threads read, for about `budget`; true while the scan has more to do.
  bool ScanStep(std::chrono::milliseconds budget);
  // Runs a whole scan at once.
  void ScanAll();
  bool scanning() const { return scan_ != nullptr; }
  // A scan has completed: the records are known.
  bool known() const { return known_; }
  // Files taken in and files to take in; both 0 until the folders are listed.
  int scanDone() const { return done_; }
  int scanTotal() const { return total_; }
  // Files of the last scan that could not be read or were damaged; they are left out.
  int unreadable() const { return static_cast<int>(damaged_.size()); }
  // Everything is read again at the next scan; a scan under way stops, and nothing it read is
  // taken in.
  void Forget();
  // Where each record is, by its number or its path.
  struct Slots {
    std::unordered_map<int, int> notes;
    std::unordered_map<int, int> contacts;
    std::unordered_map<std::string, int> cards;
    // The slot of the record of this kind, number and path: `slot` when it was not there,
    // and then it is.
    int Place(RecordKind kind, int number, const std::string& path, int slot);
    // Adds the record in `slot`; false when its number or path is taken.
    bool Add(const Record& record, int slot);
  };
  // Takes records kept from an earlier run (live, in slot order) into an empty store as
  // known, without telling them as changes; a later scan checks them against the folders.
  // `parts` hold their slots, made apart (on several threads). False, and nothing taken, when
  // two share a number or a path.
  bool Adopt(std::vector<Record> records, std::vector<Slots> parts);

  // Slots never move; a gone record keeps its slot with `live` false.
  const std::vector<Record>& records() const { return records_; }
  // Every slot changed, in order of change, from the start; a reader keeps its position.
  const std::vector<uint32_t>& changes() const { return changes_; }
  int FindNote(int number) const;
  int FindContact(int number) const;
  int FindCard(std::string_view path) const;

  // A record written or removed is read again or dropped at once, once the records are
  // known; a change of the lists re-reads them; a replaced data folder is forgotten.
  void OnRecordChange(const RecordChange& change) override;
  std::optional<int> KnownNoteType(int number) const override;

 private:
  struct Scan;  // a scan under way: its threads, and what record events told since it began

  // What of a listing is to be read; drops the records whose files are gone.
  void Plan(ScanListing& listing);
  bool Wanted(const ScanWork& work) const;
  // The lists of the cards held; changed ones are reported.
  void ApplyLists(const CardMembers& members);
  // Takes in a file the scan read, unless a record event told of it since the scan began.
  void Merge(ScanResult& result);
  // Puts a record read into its slot; one that could not be read is counted and left out.
  void Store(const ScanWork& work, Record record, bool read);
  void FinishScan();
  void ReadNewCards(const CardMembers& members);
  void ReadNow(RecordKind kind, int number, std::string path);
  void ListsChanged();
  int Slot(RecordKind kind, int number, const std::string& path);
  void Remove(int slot);
  void Changed(int slot) { changes_.push_back(static_cast<uint32_t>(slot)); }
  bool Watching() const { return known_ || scanning(); }

  std::vector<Record> records_;
  std::vector<uint32_t> changes_;
  Slots slots_;
  std::unordered_map<std::string, FileStamp> damaged_;  // by path: could not be read
  std::unique_ptr<Scan> scan_;
  int done_ = 0, total_ = 0;
  bool known_ = false;
};

}  // namespace pim
