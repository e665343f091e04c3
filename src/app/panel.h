// What every panel below the bar has in common.
#pragma once

#include "win/dialog.h"
#include "win/win_system.h"

namespace pim {

class CMainDlg;

class CPanel : public win::Dialog {
 public:
  CPanel(int templateId, CMainDlg& bar) : Dialog(templateId), bar_(bar) {}

  // Moves the panel's top-left corner to the bar's bottom-left corner, raises it, and shows
  // or hides it with `command`.
  void ShowBelowParent(int command);
  // The "∧" button: hides the panel, which is then no longer the bar's current panel.
  void CollapsePanel();
  // The panel's own show operation; the datum panel may show another window in its place.
  virtual void ShowPanel() { ShowBelowParent(SW_SHOW); }
  // The closing work the bar's exit procedure runs before it deletes the panel; closing
  // the window runs it too.
  virtual void OnExit() {}

 protected:
  bool OnInitDialog() override;
  bool OnMessage(UINT message, WPARAM wp, LPARAM lp, INT_PTR& result) override;
  // Enter and Escape never close a panel.
  bool OnCommand(int id, int code) override;

  CMainDlg& bar_;
  // The panel's messages are its own message boxes.
  win::DialogPrompter prompter_{*this};

 private:
  HBRUSH brush_ = nullptr;
};

}  // namespace pim
