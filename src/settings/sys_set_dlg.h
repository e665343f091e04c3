// The settings sheet "Pimbrel 设置" with its one page, "系统设置".
#pragma once

#include <windows.h>
// After windows.h, which it needs.
#include <prsht.h>

#include "settings/sys_settings.h"

namespace pim {

class CSysSet {
 public:
  CSysSet(Prompter& prompter, HotkeyRegistrar& barHotkeys, Registry& registry)
      : model_(prompter, barHotkeys, registry) {}

  // The page as the sheet takes it.
  PROPSHEETPAGEW Page();

 private:
  static INT_PTR CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wp, LPARAM lp);
  INT_PTR Handle(UINT message, WPARAM wp, LPARAM lp);
  void FillControls();
  bool ApplyControls();
  void BrowseFolder();
  void MarkModified();

  SysSetModel model_;
  HWND hwnd_ = nullptr;
  bool filling_ = false;
};

class CSet {
 public:
  CSet(Prompter& prompter, HotkeyRegistrar& barHotkeys, Registry& registry)
      : page_(prompter, barHotkeys, registry) {}
  // Runs the sheet modally over `parent`, on its first page.
  INT_PTR DoModal(HWND parent);

 private:
  CSysSet page_;
};

}  // namespace pim
