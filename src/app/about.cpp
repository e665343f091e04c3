#include "app/about.h"

#include "resource.h"

namespace pim {

CAbout::CAbout() : Dialog(IDD_ABOUT) {}

CAbout::~CAbout() {
  if (brush_) DeleteObject(brush_);
  if (picture_) DeleteObject(picture_);
}

bool CAbout::OnInitDialog() {
  picture_ = static_cast<HBITMAP>(
      LoadImageW(Instance(), MAKEINTRESOURCEW(IDB_ABOUT), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
  if (picture_) brush_ = CreatePatternBrush(picture_);
  return true;
}

bool CAbout::OnMessage(UINT message, WPARAM wp, LPARAM, INT_PTR& result) {
  switch (message) {
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
      SetBkColor(reinterpret_cast<HDC>(wp), RGB(124, 178, 202));
      SetTextColor(reinterpret_cast<HDC>(wp), RGB(255, 255, 255));
      result = reinterpret_cast<INT_PTR>(brush_ ? brush_ : GetStockObject(WHITE_BRUSH));
      return true;
    case WM_LBUTTONDOWN:
      CloseWithCurtain();
      return true;
    default:
      return false;
  }
}

void CAbout::CloseWithCurtain() {
  // 130 steps of 5 ms narrow the visible part from both sides to nothing.
  for (int k = 0; k < 130; ++k) {
    SetWindowRgn(hwnd(), CreateRectRgn(1 + k, 0, 259 - k, 184), TRUE);
    UpdateWindow(hwnd());
    Sleep(5);
  }
  EndDialog(IDOK);
}

}  // namespace pim
