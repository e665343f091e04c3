// The reading half of the records' scan, on threads of its own: one lists the record folders
// and reads the card indexes, one a core reads the record files. Nothing here touches the
// records in memory: the store plans from each listing what to read, and takes the files read
// back in the order it gave them, on its own thread.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <vector>

#include "records/record_store.h"

namespace pim {

// Which lists a card is in.
struct CardLists {
  bool untrimmed = false, trimmed = false, bookmark = false, indexed = false;
};
// The four line indexes, by card path.
CardMembers ReadCardLists();

// The data path of note or contact `number`.
std::string NumberedPath(RecordKind kind, int number);

// One file to read.
struct ScanWork {
  RecordKind kind = RecordKind::Note;
  int number = -1;  // -1 for a card and for a sync service's copy of a note or contact
  std::string path;
  FileStamp stamp;  // as listed; none when the scan takes the stamps as it reads
  CardLists lists;
};

// What was listed of one kind. Notes and contacts: the copies a sync service left beside them,
// by path, then the numbered files ascending. Cards: those of the untrimmed and the trimmed
// index, by path, with the four indexes in `members`.
struct ScanListing {
  RecordKind kind = RecordKind::Note;
  std::vector<ScanWork> files;
  CardMembers members;
};

struct ScanResult {
  ScanWork work;
  Record record;
  bool read = false;  // false: it could not be read or is damaged
};

class RecordScan {
 public:
  // Starts listing at once; with `stamps` the listing takes each file's stamp.
  explicit RecordScan(bool stamps);
  // Stops the threads and waits for them: nothing is listed or read once it returns.
  ~RecordScan();
  RecordScan(const RecordScan&) = delete;
  RecordScan& operator=(const RecordScan&) = delete;

  // The next kind listed, notes, contacts, then cards, once it is there.
  std::optional<ScanListing> TakeListing();
  // Files to read; they come back in the order given.
  void Read(std::vector<ScanWork> works);
  // Appends the files read, in order, as many as are ready (whole batches, about `most`).
  void Take(std::vector<ScanResult>& out, size_t most);
  // Every kind listed and taken, and every file given read and taken back.
  bool Done();
  // Until a listing or a file read can be taken, or all is done.
  void Wait();

 private:
  void List(bool stamps);
  void Publish(ScanListing listing);
  void ReadFiles();
  // Moves the next files to read into `batch`; under the lock. Their first index.
  size_t Claim(std::vector<ScanWork>& batch);
  std::vector<ScanResult> ReadBatch(std::vector<ScanWork>& batch) const;
  bool ReadyLocked() const;

  std::atomic<bool> stop_ = false;
  std::mutex mutex_;
  std::condition_variable work_, ready_;
  // Under the lock.
  std::deque<ScanListing> listings_;
  int listed_ = 0;  // kinds listed
  std::deque<ScanWork> pending_;
  size_t claimed_ = 0, taken_ = 0;                  // files given out to read, taken back
  std::map<size_t, std::vector<ScanResult>> done_;  // batches read, by their first file
  std::thread lister_;
  std::vector<std::thread> readers_;
};

}  // namespace pim
