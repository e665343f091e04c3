// The settings sheet "Pimbrel 设置" with its one page, "系统设置".
#pragma once

#include <windows.h>
// After windows.h, which it needs.
#include <prsht.h>

#include <functional>

#include "settings/sys_settings.h"

namespace pim {

// Changes the data folder at once, owned by the window given; the page then shows the folder.
using DataFolderChanger = std::function<void(HWND owner)>;

class CSysSet {
 public:
  CSysSet(Prompter& prompter, HotkeyRegistrar& barHotkeys, CaptureKeys& captureKeys,
          Registry& registry, DataFolderChanger changeDataFolder)
      : model_(prompter, barHotkeys, registry, &captureKeys),
        captureKeys_(captureKeys),
        changeDataFolder_(std::move(changeDataFolder)) {}

  // The page as the sheet takes it.
  PROPSHEETPAGEW Page();

 private:
  static INT_PTR CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wp, LPARAM lp);
  INT_PTR Handle(UINT message, WPARAM wp, LPARAM lp);
  void FillControls();
  // Whether the capture key is registered, beside its box.
  void ShowCaptureState();
  bool ApplyControls();
  void BrowseFolder();
  void MarkModified();

  SysSetModel model_;
  CaptureKeys& captureKeys_;
  DataFolderChanger changeDataFolder_;
  HWND hwnd_ = nullptr;
  bool filling_ = false;
};

class CSet {
 public:
  CSet(Prompter& prompter, HotkeyRegistrar& barHotkeys, CaptureKeys& captureKeys,
       Registry& registry, DataFolderChanger changeDataFolder)
      : page_(prompter, barHotkeys, captureKeys, registry, std::move(changeDataFolder)) {}
  // Runs the sheet modally over `parent`, on its first page.
  INT_PTR DoModal(HWND parent);

 private:
  CSysSet page_;
};

}  // namespace pim
