// The properties of one quick-launch program: name, command, icon, hotkey, working folder
// and description, applied to the panel's record by "修  改".
#pragma once

#include <string>

#include "resource.h"
#include "win/dialog.h"

namespace pim {

class CRunWnd;

class CRunInfo final : public win::Dialog {
 public:
  CRunInfo(int list, int item, CRunWnd& panel)
      : Dialog(IDD_RUNINFO), list_(list), item_(item), panel_(panel) {}
  ~CRunInfo() override;

  bool iconChanged() const { return iconChanged_; }

 protected:
  bool OnInitDialog() override;
  bool OnCommand(int id, int code) override;

 private:
  void ShowIcon();
  void ClipField(int id);
  void ChangeIcon();
  void BrowseFolder();
  void Apply();

  int list_;
  int item_;
  CRunWnd& panel_;
  std::string iconFile_;
  int iconIndex_ = 0;
  bool iconChanged_ = false;
  HICON shown_ = nullptr;
};

}  // namespace pim
