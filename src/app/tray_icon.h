// The icon in the notification area, and its menu.
#pragma once

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <string>

namespace pim {

class CTrayIcon {
 public:
  CTrayIcon() = default;
  ~CTrayIcon() { Remove(); }
  CTrayIcon(const CTrayIcon&) = delete;
  CTrayIcon& operator=(const CTrayIcon&) = delete;

  // Adds the icon; `id` is also the identifier of the icon's menu resource.
  bool Create(HWND owner, UINT message, const std::wstring& tip, HICON icon, UINT id);
  // Takes the icon away; harmless when it is not there.
  bool Remove();
  // A mouse message of the icon: the menu on a left press or a right release, the menu's
  // first command on a double click. False when `id` is not this icon's.
  bool OnNotify(WPARAM id, LPARAM mouseMessage);
  // A balloon from the icon; it never takes the focus. False when it could not be shown.
  bool ShowBalloon(const std::wstring& title, const std::wstring& text);
  // The text shown when the pointer rests on the icon (cut to what the shell holds).
  bool SetTip(const std::wstring& tip);
  bool active() const { return active_; }
  std::wstring tip() const { return data_.szTip; }

 private:
  bool active_ = false;
  NOTIFYICONDATAW data_{};
};

}  // namespace pim
