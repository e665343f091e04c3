// The tool box: an empty, coloured panel in this version.
#pragma once

#include "app/panel.h"
#include "resource.h"

namespace pim {

class CToolBox final : public CPanel {
 public:
  explicit CToolBox(CMainDlg& bar) : CPanel(IDD_TOOLBOX, bar) {}
};

}  // namespace pim
