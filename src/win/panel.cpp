#include "win/panel.h"

namespace pim {

namespace {
constexpr COLORREF kPanelColour = RGB(194, 245, 66);
constexpr COLORREF kTextBackground = RGB(180, 230, 50);
}  // namespace

MsgResult PanelPrompter::ShowMessage(const std::string& text, const std::string& caption,
                                     MsgButtons buttons, MsgIcon icon) {
  ModalScope modal(host_);
  return owned().ShowMessage(text, caption, buttons, icon);
}

std::string PanelPrompter::PickFolder(const std::string& title) {
  ModalScope modal(host_);
  return owned().PickFolder(title);
}

std::string PanelPrompter::PickFile(bool open, const std::string& defaultExtension,
                                    const std::string& filter) {
  ModalScope modal(host_);
  return owned().PickFile(open, defaultExtension, filter);
}

void CPanel::ShowBelowParent(int command) {
  const RECT bar = host_.BarRect();
  window().MoveTo(bar.left, bar.bottom);
  window().Show(command);
}

void CPanel::CollapsePanel() {
  window().Show(SW_HIDE);
  host_.Collapsed(*this);
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
