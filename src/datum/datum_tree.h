// The datum browser: categories and trimmed cards as one tree, beside the chosen card. It
// takes the editor panel's place below the bar while it is open.
#pragma once

#include <string>
#include <utility>

#include "app/panel.h"
#include "resource.h"

namespace pim {

class CDatumDlg;

class CDatumTree final : public CPanel {
 public:
  // `folder` is the datum folder ("datum"); the editor is told when the browser closes.
  CDatumTree(CMainDlg& bar, CDatumDlg& editor, std::string folder)
      : CPanel(IDD_DATUMTREE, bar), editor_(editor), folder_(std::move(folder)) {}

 private:
  CDatumDlg& editor_;
  std::string folder_;
};

}  // namespace pim
