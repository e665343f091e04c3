// The properties of one quick-launch program: name, command, icon, hotkey, working folder
// and description, applied to the panel's record by "修  改".
#pragma once

#include <string>

#include "resource.h"
#include "win/dialog.h"
#include "win/gdi.h"

namespace pim {

class CRunWnd;

class CRunInfo final : public win::Dialog {
 public:
  CRunInfo(int list, int item, CRunWnd& panel)
      : Dialog(IDD_RUNINFO), list_(list), item_(item), panel_(panel) {}

  bool iconChanged() const { return iconChanged_; }

 protected:
  bool OnInitDialog() override;
  bool OnCommand(int id, int code) override;

 private:
  void ShowIcon();
  // The text a field was opened with; stored text may be longer than typing allows.
  const std::string& Stored(int id) const;
  // Typing stops at the field's byte limit, or at the stored text's length if longer.
  size_t Limit(int id) const;
  // The field's text, or the stored bytes themselves while the user has not changed it.
  std::string FieldText(int id) const;
  void ClipField(int id);
  void ChangeIcon();
  void BrowseFolder();
  void Apply();

  int list_;
  int item_;
  CRunWnd& panel_;
  std::string name_, path_, workdir_;  // as stored
  bool filling_ = false;
  std::string iconFile_;
  int iconIndex_ = 0;
  bool iconChanged_ = false;
  win::HeldIcon shown_;
};

}  // namespace pim
