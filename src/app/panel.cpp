#include "app/panel.h"

#include "app/main_dlg.h"

namespace pim {

namespace {
constexpr COLORREF kPanelColour = RGB(194, 245, 66);
constexpr COLORREF kTextBackground = RGB(180, 230, 50);
}  // namespace

void CPanel::ShowBelowParent(int command) {
  const RECT bar = bar_.window().ScreenRect();
  window().MoveTo(bar.left, bar.bottom);
  window().Show(command);
}

void CPanel::CollapsePanel() {
  window().Show(SW_HIDE);
  bar_.ClearCurrentPanel(this);
}

bool CPanel::OnInitDialog() {
  brush_ = CreateSolidBrush(kPanelColour);
  return true;
}

bool CPanel::OnMessage(UINT message, WPARAM wp, LPARAM, INT_PTR& result) {
  switch (message) {
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
      SetBkColor(reinterpret_cast<HDC>(wp), kTextBackground);
      result = reinterpret_cast<INT_PTR>(brush_);
      return true;
    case WM_CLOSE:
      OnExit();  // the close handling, then the default processing
      return false;
    case WM_NCDESTROY:
      if (brush_) DeleteObject(brush_);
      brush_ = nullptr;
      return false;
    default:
      return false;
  }
}

bool CPanel::OnCommand(int id, int) { return id == IDOK || id == IDCANCEL; }

}  // namespace pim
