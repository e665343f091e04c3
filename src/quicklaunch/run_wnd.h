// The quick-launch panel below the bar: four tabs of programs, each started by one click or
// by its own system hotkey. The panel owns the lists, their images and the hotkeys.
#pragma once

#include <windows.h>
// commctrl.h wants windows.h first.
#include <commctrl.h>

#include <memory>

#include "quicklaunch/run_lists.h"
#include "resource.h"
#include "win/gdi.h"
#include "win/panel.h"

namespace pim {

class CRunWnd final : public CPanel, private IconImages {
 public:
  explicit CRunWnd(PanelHost& host);

  // Frees the hotkeys and saves the changed lists; the bar runs it before destroying us.
  void OnExit() override;
  // After a restore: the four lists read again and their hotkeys registered again.
  void ReloadData() override;

  LaunchLists& lists() { return *lists_; }
  int currentList() const { return current_; }

 protected:
  bool OnInitDialog() override;
  bool OnCommand(int id, int code) override;
  bool OnMessage(UINT message, WPARAM wp, LPARAM lp, INT_PTR& result) override;

 private:
  void Reset(int list) override;
  void Append(int list, const std::string& file, int index) override;
  void Replace(int list, int image, const std::string& file, int index) override;
  void Remove(int list, int image) override;
  // The icon, or a copy of the placeholder (image 0) so the images stay aligned.
  win::HeldIcon IconOrPlaceholder(int list, const std::string& file, int index);

  HWND ListView() const { return Item(IDC_RUN_LIST).hwnd(); }
  void FillList();
  void SelectTab(int tab);
  void LaunchMarked();
  void ShowContextMenu(int clicked);
  void AddProgram();
  void ShowProperties();
  void SetView(DWORD view);
  void PlaceFixedFigures() override;

  win::Win32Shell shell_;
  std::unique_ptr<win::Win32Hotkeys> hotkeys_;
  std::unique_ptr<LaunchLists> lists_;
  win::HeldImageList images_[LaunchLists::kListCount];
  win::HeldBitmap tabs_[LaunchLists::kListCount][2];  // normal, selected
  win::HeldBitmap strip_[3];                          // the fillers and the close picture
  HCURSOR hand_ = nullptr;
  int current_ = 0;
  int selected_ = -1;
  bool closed_ = false;
};

}  // namespace pim
