#include "win/panel.h"

namespace pim {

MsgResult PanelPrompter::ShowMessage(const std::string& text, const std::string& caption,
                                     MsgButtons buttons, MsgIcon icon) {
  ModalScope modal(host_);
  return owned().ShowMessage(text, caption, buttons, icon);
}

std::string PanelPrompter::PickFolder(const std::string& title) {
  ModalScope modal(host_);
  return owned().PickFolder(title);
}

int PanelPrompter::Choose(const std::string& text, const std::string& caption,
                          const std::vector<std::string>& buttons) {
  ModalScope modal(host_);
  return owned().Choose(text, caption, buttons);
}

std::string PanelPrompter::PickFile(const FileChoice& choice) {
  ModalScope modal(host_);
  return owned().PickFile(choice);
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

CPanel::~CPanel() {
  if (heard_) heard_->Unsubscribe(*this);
}

void CPanel::OnScaleChanged() {
  PlaceFixedFigures();
  if (window().IsVisible()) {
    const RECT bar = host_.BarRect();
    window().MoveTo(bar.left, bar.bottom);
  }
}

void CPanel::OnRecordChange(const RecordChange& change) {
  if (change.what == RecordChange::What::Replaced && hwnd()) ReloadData();
}

bool CPanel::OnInitDialog() {
  brush_.reset(CreateSolidBrush(kPanelColour));
  heard_ = &host_.Records();
  heard_->Subscribe(*this);
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
  if (PaintPanelColours(message, wp, brush_.get(), result)) return true;
  switch (message) {
    case WM_CLOSE:
      OnExit();  // the close handling, then the default processing
      return false;
    case WM_NCDESTROY:
      if (heard_) heard_->Unsubscribe(*this);
      heard_ = nullptr;
      brush_.reset();
      return false;
    default:
      return false;
  }
}

bool CPanel::OnCommand(int id, int) { return id == IDOK || id == IDCANCEL; }

}  // namespace pim
