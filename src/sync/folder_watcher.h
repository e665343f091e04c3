// Watches folders on threads of its own and posts a message to a window when one changes.
// Each folder is watched on its own: under Wine a recursive watch reports nothing for the
// subfolders that existed before it started.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace pim {

class FolderWatcher {
 public:
  // Posts `message` to `window` with the changed folder's index in wParam and the set's
  // generation in lParam.
  FolderWatcher(HWND window, UINT message);
  ~FolderWatcher();
  FolderWatcher(const FolderWatcher&) = delete;
  FolderWatcher& operator=(const FolderWatcher&) = delete;

  // Watches these data paths from now on, in place of the ones before.
  void Watch(const std::vector<std::string>& folders);
  void Stop();
  // The folder of a posted message, or "" for one of a set watched no more.
  std::string FolderOf(WPARAM index, LPARAM generation) const;

 private:
  struct Group;  // up to 63 folders and the stop signal, waited for by one thread

  HWND window_;
  UINT message_;
  LPARAM generation_ = 0;
  std::vector<std::string> folders_;
  std::vector<std::unique_ptr<Group>> groups_;
};

}  // namespace pim
