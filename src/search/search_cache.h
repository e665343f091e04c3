// The records and the search entries kept on disk between runs, so that search answers at
// once after a start; the folders are then listed and what differs is read again. The file
// lives in the program folder, which is this computer's own, and names the data folder it
// was made of: a cache of another folder, of another version, cut or damaged is not used.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "records/record_events.h"

namespace pim {

class RecordStore;
class Searcher;

inline constexpr std::string_view kSearchCachePath = "search.cache";
// A file rewritten with the same size and time cannot be told from a listing: every file is
// read again once this long after the last full reading.
inline constexpr int64_t kFullReadSeconds = 24 * 60 * 60;

class SearchCache final : public RecordListener {
 public:
  explicit SearchCache(std::string path) : path_(std::move(path)) {}

  // Fills an empty store and its searcher from the file, once; false (both left empty) when
  // there is none or it cannot be used.
  bool Load(RecordStore& store, Searcher& searcher);
  // Whether every file should be read again, not only those whose listing differs.
  bool FullReadDue(int64_t now) const;
  // A reading of every file ended at `now`.
  void FullReadDone(int64_t now) { readAllAt_ = now; }
  // Writes the file when the records changed since it was read (or there was none); a
  // failure leaves the old one. Only at exit: a large store takes a while.
  bool Save(const RecordStore& store, Searcher& searcher);

  // A replaced data folder (a restore) makes the file worthless: it goes at once.
  void OnRecordChange(const RecordChange& change) override;

 private:
  // The data folder in use, as the file names it.
  static std::string Key();

  std::string path_;
  bool tried_ = false;        // loaded or found unusable: never loaded twice
  bool loaded_ = false;       // the store holds what the file held
  int64_t readAllAt_ = 0;     // seconds since 1970 of the last full reading; 0: none
  int64_t savedReadAt_ = -1;  // as in the file
  size_t savedChanges_ = 0;   // the store's changes that the file holds
};

// The file's bytes and their reading, for tests and the bench: Save and Load go through them.
bool WriteSearchCache(std::string_view path, std::string_view key, int64_t readAllAt,
                      const RecordStore& store, Searcher& searcher);
bool ReadSearchCache(std::string_view path, std::string_view key, int64_t& readAllAt,
                     RecordStore& store, Searcher& searcher);

}  // namespace pim
