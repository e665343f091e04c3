#include "app/tray_icon.h"

#include <shellapi.h>

#include "win/dialog.h"
#include "win/gdi.h"

namespace pim {

bool CTrayIcon::Create(HWND owner, UINT message, const std::wstring& tip, HICON icon, UINT id) {
  if (!owner || !IsWindow(owner)) return active_ = false;
  data_ = {};
  data_.cbSize = sizeof data_;
  data_.hWnd = owner;
  data_.uID = id;
  data_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data_.uCallbackMessage = message;
  data_.hIcon = icon;
  lstrcpynW(data_.szTip, tip.c_str(), static_cast<int>(std::size(data_.szTip)));
  active_ = Shell_NotifyIconW(NIM_ADD, &data_) != FALSE;
  return active_;
}

bool CTrayIcon::ShowBalloon(const std::wstring& title, const std::wstring& text) {
  if (!active_) return false;
  NOTIFYICONDATAW balloon = data_;
  balloon.uFlags = NIF_INFO;
  balloon.dwInfoFlags = NIIF_INFO | NIIF_NOSOUND;
  lstrcpynW(balloon.szInfoTitle, title.c_str(), static_cast<int>(std::size(balloon.szInfoTitle)));
  lstrcpynW(balloon.szInfo, text.c_str(), static_cast<int>(std::size(balloon.szInfo)));
  return Shell_NotifyIconW(NIM_MODIFY, &balloon) != FALSE;
}

bool CTrayIcon::SetTip(const std::wstring& tip) {
  lstrcpynW(data_.szTip, tip.c_str(), static_cast<int>(std::size(data_.szTip)));
  if (!active_) return false;
  NOTIFYICONDATAW change = data_;
  change.uFlags = NIF_TIP;
  return Shell_NotifyIconW(NIM_MODIFY, &change) != FALSE;
}

bool CTrayIcon::Remove() {
  if (!active_) return false;
  data_.uFlags = 0;
  const bool removed = Shell_NotifyIconW(NIM_DELETE, &data_) != FALSE;
  active_ = false;
  return removed;
}

bool CTrayIcon::OnNotify(WPARAM id, LPARAM mouseMessage) {
  if (id != data_.uID) return false;
  const UINT mouse = LOWORD(mouseMessage);
  if (mouse != WM_LBUTTONDOWN && mouse != WM_RBUTTONUP && mouse != WM_LBUTTONDBLCLK) return true;
  const win::HeldMenu menu(LoadMenuW(win::Dialog::Instance(), MAKEINTRESOURCEW(data_.uID)));
  if (!menu) return true;
  HMENU popup = GetSubMenu(menu.get(), 0);
  SetForegroundWindow(data_.hWnd);
  if (mouse == WM_LBUTTONDBLCLK) {
    SendMessageW(data_.hWnd, WM_COMMAND, GetMenuItemID(popup, 0), 0);
  } else {
    SetMenuDefaultItem(popup, 0, TRUE);
    POINT at;
    GetCursorPos(&at);
    TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_LEFTBUTTON, at.x, at.y, 0, data_.hWnd, nullptr);
    // Lets the menu close when the user clicks elsewhere.
    PostMessageW(data_.hWnd, WM_NULL, 0, 0);
  }
  return true;
}

}  // namespace pim
