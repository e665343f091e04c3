#include "app/about.h"

#include <algorithm>

#include "resource.h"
#include "win/display_scale.h"

namespace pim {

namespace {
// The About picture at 100%: the window is exactly its size.
constexpr PixelBox kPicture{0, 0, 260, 184};
}  // namespace

CAbout::CAbout() : Dialog(IDD_ABOUT) {}

bool CAbout::OnInitDialog() {
  OnScaleChanged();
  return true;
}

void CAbout::OnScaleChanged() {
  brush_.reset();
  picture_.reset(win::LoadPicture(IDB_ABOUT, scale_, kPicture));
  if (picture_) brush_.reset(CreatePatternBrush(picture_.get()));
  // The dialog's font would size the box; the curtain's figures belong to the picture's.
  const PixelBox box = scale_.Scaled(kPicture);
  SetWindowPos(hwnd(), nullptr, 0, 0, box.width(), box.height(),
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  InvalidateRect(hwnd(), nullptr, TRUE);
}

bool CAbout::OnMessage(UINT message, WPARAM wp, LPARAM lp, INT_PTR& result) {
  switch (message) {
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
      SetBkColor(reinterpret_cast<HDC>(wp), RGB(124, 178, 202));
      SetTextColor(reinterpret_cast<HDC>(wp), RGB(255, 255, 255));
      result = reinterpret_cast<INT_PTR>(brush_ ? brush_.get() : GetStockObject(WHITE_BRUSH));
      return true;
    case WM_LBUTTONDOWN:
      CloseWithCurtain();
      return true;
    case WM_DPICHANGED: {
      const RECT& suggested = *reinterpret_cast<const RECT*>(lp);
      SetWindowPos(hwnd(), nullptr, suggested.left, suggested.top, 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      ScaleTo(LOWORD(wp));
      return true;
    }
    default:
      return false;
  }
}

void CAbout::CloseWithCurtain() {
  // 130 steps of 5 ms narrow the visible part from both sides to nothing; each step's edges
  // are the 100% ones scaled, the right one mirroring the left.
  const PixelBox box = scale_.Scaled(kPicture);
  for (int k = 0; k < 130; ++k) {
    const int left = scale_.Edge(1 + k);
    SetWindowRgn(hwnd(), CreateRectRgn(left, 0, std::max(left, box.right - left), box.bottom),
                 TRUE);
    UpdateWindow(hwnd());
    Sleep(5);
  }
  EndDialog(IDOK);
}

}  // namespace pim
