// Records changed by another computer through a synced data folder: the record folders are
// watched, a burst of changes is read once it has settled, and every change is told as a
// record change, so the panels, search and the reminders follow it. The copies a sync service
// leaves are looked through then: a copy like its record goes, a list's copy is joined into it;
// the others wait for the user, and search finds both versions meanwhile.
#pragma once

#include <windows.h>

#include <functional>
#include <set>
#include <string>

#include "records/record_events.h"
#include "sync/folder_watcher.h"
#include "sync/record_watch.h"

namespace pim {

class SyncWatch {
 public:
  // `conflictsCame` hears of copies that arrived while running and wait for the user.
  SyncWatch(HWND bar, RecordEvents& events, std::function<void(int open)> conflictsCame);

  // Takes what the folders hold now and watches them (at start, after a restore).
  void Start();
  void Stop();
  // The bar's message or timer of ours: true when it was one. While not `idle` (a dialog
  // waits for the user) the changes wait too.
  bool OnMessage(UINT message, WPARAM wp, LPARAM lp, bool idle);
  // Conflicts left for the user at the last look; Recount looks again.
  int open() const { return open_; }
  void Recount();

 private:
  static constexpr UINT kChanged = WM_APP + 7;
  static constexpr UINT_PTR kSettleTimer = 5;  // one of the bar's
  static constexpr UINT kSettleMs = 300;       // a sync service writes a file in steps

  void Settle();

  HWND bar_;
  RecordEvents& events_;
  std::function<void(int)> conflictsCame_;
  RecordWatch watch_;
  FolderWatcher watcher_;
  std::set<std::string> changed_;
  bool running_ = false;
  int open_ = 0;
};

}  // namespace pim
