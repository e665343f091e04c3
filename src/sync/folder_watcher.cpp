#include "sync/folder_watcher.h"

#include <process.h>

#include <algorithm>

#include "base/path.h"

namespace pim {

struct FolderWatcher::Group {
  HWND window;
  UINT message;
  LPARAM generation;
  size_t first;                 // the index of its first folder
  std::vector<HANDLE> handles;  // the stop event, then one change notification a folder
  std::vector<bool> events;     // by handle: an event (closed so), not a change notification
  HANDLE thread = nullptr;

  static unsigned __stdcall Run(void* self) {
    auto& g = *static_cast<Group*>(self);
    for (;;) {
      const DWORD woke = WaitForMultipleObjects(static_cast<DWORD>(g.handles.size()),
                                                g.handles.data(), FALSE, INFINITE);
      if (woke == WAIT_OBJECT_0 || woke == WAIT_FAILED) return 0;
      const size_t i = woke - WAIT_OBJECT_0;
      if (i >= g.handles.size()) return 0;
      PostMessageW(g.window, g.message, g.first + i - 1, g.generation);
      // Watched again at once; what changes meanwhile is seen by the rescan the message leads to.
      FindNextChangeNotification(g.handles[i]);
    }
  }
};

FolderWatcher::FolderWatcher(HWND window, UINT message) : window_(window), message_(message) {}

FolderWatcher::~FolderWatcher() { Stop(); }

void FolderWatcher::Stop() {
  for (auto& group : groups_) {
    SetEvent(group->handles[0]);
    if (group->thread) {
      WaitForSingleObject(group->thread, INFINITE);
      CloseHandle(group->thread);
    }
    for (size_t i = 0; i < group->handles.size(); ++i)
      group->events[i] ? CloseHandle(group->handles[i])
                       : FindCloseChangeNotification(group->handles[i]);
  }
  groups_.clear();
  folders_.clear();
  ++generation_;
}

void FolderWatcher::Watch(const std::vector<std::string>& folders) {
  Stop();
  folders_ = folders;
  constexpr size_t kPerThread = MAXIMUM_WAIT_OBJECTS - 1;
  for (size_t first = 0; first < folders_.size(); first += kPerThread) {
    auto group = std::make_unique<Group>();
    *group = {window_, message_, generation_, first, {CreateEventW(nullptr, TRUE, FALSE, nullptr)},
              {true}};
    const size_t end = std::min(folders_.size(), first + kPerThread);
    for (size_t i = first; i < end; ++i) {
      // A folder that cannot be watched (gone meanwhile) keeps its place with a signal that
      // never comes, so the indexes stay aligned.
      HANDLE h = FindFirstChangeNotificationW(
          ToNativePath(folders_[i]).c_str(), FALSE,
          FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME | FILE_NOTIFY_CHANGE_SIZE |
              FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_ATTRIBUTES);
      const bool watched = h != INVALID_HANDLE_VALUE;
      group->handles.push_back(watched ? h : CreateEventW(nullptr, TRUE, FALSE, nullptr));
      group->events.push_back(!watched);
    }
    group->thread =
        reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &Group::Run, group.get(), 0, nullptr));
    groups_.push_back(std::move(group));
  }
}

std::string FolderWatcher::FolderOf(WPARAM index, LPARAM generation) const {
  return generation == generation_ && index < folders_.size() ? folders_[index] : std::string();
}

}  // namespace pim
