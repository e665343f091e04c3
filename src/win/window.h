// A non-owning handle to a window, with the few operations the program's windows use.
#pragma once

#include <windows.h>

#include <string>

namespace pim::win {

class Window {
 public:
  Window(HWND hwnd = nullptr) : hwnd_(hwnd) {}
  HWND hwnd() const { return hwnd_; }
  explicit operator bool() const { return hwnd_ != nullptr && IsWindow(hwnd_); }

  Window Item(int id) const { return GetDlgItem(hwnd_, id); }
  void Show(int command) const { ShowWindow(hwnd_, command); }
  bool IsVisible() const { return IsWindowVisible(hwnd_) != FALSE; }
  RECT ScreenRect() const {
    RECT r{};
    GetWindowRect(hwnd_, &r);
    return r;
  }
  // Moves the top-left corner without resizing and raises the window to the top.
  void MoveTo(int x, int y, HWND after = HWND_TOP) const {
    SetWindowPos(hwnd_, after, x, y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
  }
  void SetText(const std::string& gbk) const;
  std::string Text() const;
  bool IsChecked() const { return SendMessageW(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED; }
  void SetChecked(bool on) const {
    SendMessageW(hwnd_, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
  }

 private:
  HWND hwnd_;
};

}  // namespace pim::win
