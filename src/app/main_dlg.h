// The bar: a borderless, always-on-top strip of picture buttons that owns every panel and
// shows at most one of them, the current panel, directly below itself.
#pragma once

#include <memory>

#include "app/panel.h"
#include "app/tray_icon.h"
#include "win/dialog.h"
#include "win/win_system.h"

namespace pim {

class CMainDlg final : public win::Dialog {
 public:
  explicit CMainDlg(bool startVisible);
  ~CMainDlg() override;

  // The datum panel hands its place to its browser and back.
  void SetCurrentPanel(CPanel* panel) { current_ = panel; }
  // A panel that collapses itself is no longer current.
  void ClearCurrentPanel(const CPanel* panel) {
    if (current_ == panel) current_ = nullptr;
  }
  // Hides or shows the bar together with the current panel; the datum panel does so
  // around its trimming dialog.
  void ToggleVisibility();

 protected:
  bool OnInitDialog() override;
  bool OnCommand(int id, int code) override;
  bool OnMessage(UINT message, WPARAM wp, LPARAM lp, INT_PTR& result) override;

 private:
  enum PanelIndex { kRun, kDatum, kComu, kNote, kTool, kPanelCount };
  struct Button {
    int control;
    int normal;
    int pressed;
  };

  void CreatePanels();
  void SwitchTo(PanelIndex index, const Button& button);
  void OpenMainMenu();
  void OpenSettings();
  void ShowAbout();
  void ExitProcedure();
  void SetButtonImage(int control, int bitmap);
  void FollowBar();

  bool visible_;
  HICON icon_ = nullptr;
  HMENU menu_ = nullptr;
  HBITMAP background_ = nullptr;
  HBRUSH brush_ = nullptr;
  HBITMAP pictures_[16] = {};  // the button images, by resource id - 139
  CTrayIcon tray_;
  win::Win32Prompter prompter_;
  std::unique_ptr<win::Win32Hotkeys> hotkeys_;
  std::unique_ptr<CPanel> panels_[kPanelCount];
  CPanel* current_ = nullptr;
  bool exited_ = false;
};

}  // namespace pim
