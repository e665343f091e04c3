#include "win/display_scale.h"

#include "resource.h"
#include "win/gdi.h"

namespace pim::win {

namespace {

template <class Function>
Function* User32(const char* name) {
  return reinterpret_cast<Function*>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

int SetOffset(int set) {
  switch (set) {
    case 120:
      return IDB_SET_125;
    case 144:
      return IDB_SET_150;
    case 192:
      return IDB_SET_200;
    default:
      return 0;
  }
}

}  // namespace

int WindowDpi(HWND window) {
  using GetDpi = UINT WINAPI(HWND);
  static GetDpi* const getDpi = User32<GetDpi>("GetDpiForWindow");
  if (getDpi)
    if (const UINT dpi = getDpi(window)) return static_cast<int>(dpi);
  const HDC screen = GetDC(window);
  const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : Scale::kStandardDpi;
  if (screen) ReleaseDC(window, screen);
  return dpi > 0 ? dpi : Scale::kStandardDpi;
}

int MetricForDpi(int index, int dpi) {
  using GetMetric = int WINAPI(int, UINT);
  static GetMetric* const getMetric = User32<GetMetric>("GetSystemMetricsForDpi");
  return getMetric ? getMetric(index, static_cast<UINT>(dpi)) : GetSystemMetrics(index);
}

void KeepOwnLayout(HWND dialog) {
  // DDC_DISABLE_ALL, from Windows 10 1703 on.
  using SetBehavior = BOOL WINAPI(HWND, int, int);
  static SetBehavior* const set = User32<SetBehavior>("SetDialogDpiChangeBehavior");
  if (set) set(dialog, 1, 1);
}

HBITMAP LoadPicture(int id, const Scale& scale, const PixelBox& box) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  HeldBitmap picture(static_cast<HBITMAP>(
      LoadImageW(instance, MAKEINTRESOURCEW(id + SetOffset(PictureSetFor(scale.dpi()))),
                 IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR)));
  BITMAP drawn{};
  if (!picture || !GetObjectW(picture.get(), sizeof drawn, &drawn)) return picture.release();
  const PixelBox place = scale.Scaled(box);
  const int width = place.width(), height = place.height();
  if (drawn.bmWidth == width && drawn.bmHeight == height) return picture.release();
  const HDC screen = GetDC(nullptr);
  const HDC from = CreateCompatibleDC(screen), to = CreateCompatibleDC(screen);
  const HBITMAP fitted = CreateCompatibleBitmap(screen, width, height);
  ReleaseDC(nullptr, screen);
  if (from && to && fitted) {
    const HGDIOBJ oldFrom = SelectObject(from, picture.get()), oldTo = SelectObject(to, fitted);
    SetStretchBltMode(to, HALFTONE);
    SetBrushOrgEx(to, 0, 0, nullptr);  // as HALFTONE requires
    StretchBlt(to, 0, 0, width, height, from, 0, 0, drawn.bmWidth, drawn.bmHeight, SRCCOPY);
    SelectObject(from, oldFrom);
    SelectObject(to, oldTo);
  }
  if (from) DeleteDC(from);
  if (to) DeleteDC(to);
  return fitted ? fitted : picture.release();
}

HICON LoadScaledIcon(int id, int dpi, bool small) {
  const int width = MetricForDpi(small ? SM_CXSMICON : SM_CXICON, dpi);
  const int height = MetricForDpi(small ? SM_CYSMICON : SM_CYICON, dpi);
  return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON,
                                       width, height, LR_DEFAULTCOLOR));
}

void PlaceAt(HWND control, const Scale& scale, const PixelBox& box) {
  const PixelBox at = scale.Scaled(box);
  SetWindowPos(control, nullptr, at.left, at.top, at.width(), at.height(),
               SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace pim::win
