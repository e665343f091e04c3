// What the record folders hold, file by file, and what changed there since: records written
// or removed by another computer through a synced folder, lists changed, copies a sync service
// made. Each change is told through the record events, so search, the panels, the reminders
// and the counters know of it; our own writes, told there already, are only taken note of.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "base/file.h"
#include "records/record_events.h"

namespace pim {

class RecordWatch final : public RecordListener {
 public:
  explicit RecordWatch(RecordEvents& events);
  ~RecordWatch();
  RecordWatch(const RecordWatch&) = delete;
  RecordWatch& operator=(const RecordWatch&) = delete;

  // The folders to watch: note, communication, datum and every folder below it.
  const std::vector<std::string>& folders() const { return folders_; }
  // Takes what every folder holds now, telling nothing (at start, after a restore or a change
  // of data folder).
  void Reset();

  struct Found {
    bool copies = false;   // a copy or a document of no record came or changed: look for conflicts
    bool folders = false;  // a folder came or went: folders() changed
  };
  // `folder` changed on disk: what differs is told.
  Found Rescan(const std::string& folder);
  void OnRecordChange(const RecordChange& change) override;

 private:
  using Listing = std::map<std::string, FileStamp>;  // file name -> stamp
  Listing List(const std::string& folder) const;
  void FindFolders();
  void Note(const std::string& path);

  RecordEvents& events_;
  std::vector<std::string> folders_;
  std::map<std::string, Listing> listings_;  // by folder
};

}  // namespace pim
