#include "app/sync_watch.h"

#include <utility>

#include "sync/conflicts.h"

namespace pim {

SyncWatch::SyncWatch(HWND bar, RecordEvents& events, std::function<void(int)> conflictsCame)
    : bar_(bar),
      events_(events),
      conflictsCame_(std::move(conflictsCame)),
      watch_(events),
      watcher_(bar, kChanged) {}

void SyncWatch::Start() {
  watch_.Reset();
  watcher_.Watch(watch_.folders());
  changed_.clear();
  running_ = true;
  // What arrived while the program was not running; the caller tells it.
  Recount();
}

void SyncWatch::Recount() { open_ = static_cast<int>(FindConflicts(&events_).open.size()); }

void SyncWatch::Stop() {
  running_ = false;
  KillTimer(bar_, kSettleTimer);
  watcher_.Stop();
  changed_.clear();
}

bool SyncWatch::OnMessage(UINT message, WPARAM wp, LPARAM lp, bool idle) {
  if (message == kChanged) {
    if (const std::string folder = watcher_.FolderOf(wp, lp); running_ && !folder.empty()) {
      changed_.insert(folder);
      SetTimer(bar_, kSettleTimer, kSettleMs, nullptr);  // again: once it has been quiet
    }
    return true;
  }
  if (message != WM_TIMER || wp != kSettleTimer) return false;
  if (!idle) return true;  // the timer comes again
  KillTimer(bar_, kSettleTimer);
  if (running_) Settle();
  return true;
}

void SyncWatch::Settle() {
  bool copies = false, folders = false;
  for (const std::string& folder : std::exchange(changed_, {})) {
    const RecordWatch::Found found = watch_.Rescan(folder);
    copies |= found.copies;
    folders |= found.folders;
  }
  if (folders) watcher_.Watch(watch_.folders());
  if (!copies) return;
  Recount();
  if (open_ > 0 && conflictsCame_) conflictsCame_(open_);
}

}  // namespace pim
