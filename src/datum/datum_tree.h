// The datum browser: categories and trimmed cards as one tree, beside the chosen card. It
// takes the editor panel's place below the bar while it is open.
#pragma once

#include <windows.h>
// The common controls need the types of windows.h first.
#include <commctrl.h>

#include <string>
#include <utility>
#include <vector>

#include "datum/browser.h"
#include "resource.h"
#include "win/panel.h"

namespace pim {

class CDatumDlg;

class CDatumTree final : public CPanel {
 public:
  // `folder` is the datum folder ("datum"); the editor is told when the browser closes.
  CDatumTree(PanelHost& host, CDatumDlg& editor, std::string folder)
      : CPanel(IDD_DATUMTREE, host), editor_(editor), folder_(folder), browser_(folder_) {}

  // "×": the window goes, and the editor gets its place back.
  void OnExit() override;
  // Selects and shows the trimmed card at `url`; a tree built before it was trimmed is built
  // again. False when the trimmed index does not hold it.
  bool ShowCard(const std::string& url);
  // After a restore: the tree read again, on the card shown before where it is still there.
  void ReloadData() override;

 protected:
  bool OnInitDialog() override;
  bool OnCommand(int id, int code) override;
  bool OnMessage(UINT message, WPARAM wp, LPARAM lp, INT_PTR& result) override;

 private:
  void BuildTree();
  void FillTree();  // the tree control from the model's items
  void ShowSelected();
  void Select(int item);
  void PlaceControls();
  void PlaceFixedFigures() override;
  void ToggleHeader();
  void CopyText();

  CDatumDlg& editor_;
  std::string folder_;
  DatumBrowser browser_;
  std::vector<HTREEITEM> treeItems_;  // by the model's item number
  bool treeWide_ = true;
  bool headerShown_ = true;
  bool closed_ = false;
};

}  // namespace pim
