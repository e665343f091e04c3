#include "win/gui_count.h"

#include "win/gdi.h"

namespace pim::win {
namespace {

// Wine's GetGuiResources answers 0; there the handle slots are tried one by one, as Wine
// takes a handle whose high word is 0 for whatever object holds its slot now.
constexpr ULONG_PTR kSlots = 0x10000;

HANDLE Slot(ULONG_PTR i) { return reinterpret_cast<HANDLE>(i); }

LRESULT ProbeGdi() {
  LRESULT n = 0;
  for (ULONG_PTR i = 1; i < kSlots; ++i)
    if (GetObjectType(Slot(i))) ++n;
  return n;
}

BOOL CALLBACK CountChild(HWND, LPARAM n) {
  ++*reinterpret_cast<LRESULT*>(n);
  return TRUE;
}
BOOL CALLBACK CountTop(HWND w, LPARAM n) {
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  if (pid != GetCurrentProcessId()) return TRUE;
  ++*reinterpret_cast<LRESULT*>(n);
  EnumChildWindows(w, CountChild, n);  // all descendants
  return TRUE;
}

// Windows by enumeration; icons, cursors and menus by their slots. A menu may answer
// through two slots, which keeps the count steady all the same.
LRESULT ProbeUser() {
  LRESULT n = 0;
  EnumWindows(CountTop, reinterpret_cast<LPARAM>(&n));
  for (ULONG_PTR i = 1; i < kSlots; ++i) {
    if (IsMenu(static_cast<HMENU>(Slot(i)))) {
      ++n;
      continue;
    }
    ICONINFO info{};
    if (!GetIconInfo(static_cast<HICON>(Slot(i)), &info)) continue;
    ++n;
    const HeldBitmap colour(info.hbmColor), mask(info.hbmMask);  // the copies it hands out
  }
  return n;
}

}  // namespace

UINT GuiCountMessage() {
  static const UINT message = RegisterWindowMessageW(L"Pimbrel.GuiObjects");
  return message;
}

LRESULT CountGuiObjects(WPARAM kind) {
  const DWORD counted =
      GetGuiResources(GetCurrentProcess(), kind == 0 ? GR_GDIOBJECTS : GR_USEROBJECTS);
  if (counted) return counted;
  return kind == 0 ? ProbeGdi() : ProbeUser();
}

}  // namespace pim::win
