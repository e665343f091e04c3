#include "win/panel.h"

#include "win/display_scale.h"

namespace pim {

namespace {
// Places the pixel figures once the dialog manager has rescaled the template.
constexpr UINT kPlaceFigures = WM_APP + 22;
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

void CPanel::ScaleTo(int dpi) {
  if (dpi == scale_.dpi()) return;
  scale_ = Scale(dpi);
  PlaceFixedFigures();
}

bool CPanel::OnInitDialog() {
  scale_ = Scale(win::WindowDpi(hwnd()));
  brush_ = CreateSolidBrush(kPanelColour);
  return true;
}

bool PaintPanelColours(UINT message, WPARAM wp, HBRUSH brush, INT_PTR& result) {
  switch (message) {
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
      SetBkColor(reinterpret_cast<HDC>(wp), kTextBackground);
      result = reinterpret_cast<INT_PTR>(brush);
      return true;
    default:
      return false;
  }
}

bool CPanel::OnMessage(UINT message, WPARAM wp, LPARAM, INT_PTR& result) {
  if (PaintPanelColours(message, wp, brush_, result)) return true;
  switch (message) {
    case WM_DPICHANGED:
      // Moved to a screen of another scale: the dialog manager rescales the template's font
      // and controls first (default processing), then the panel places its pixel figures.
      PostMessageW(hwnd(), kPlaceFigures, LOWORD(wp), 0);
      return false;
    case kPlaceFigures:
      scale_ = Scale(static_cast<int>(wp));
      PlaceFixedFigures();
      if (window().IsVisible()) {
        const RECT bar = host_.BarRect();
        window().MoveTo(bar.left, bar.bottom);
      }
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
