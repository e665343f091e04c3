// The quick-launch panel below the bar. Its content comes with its own subsystem.
#pragma once

#include "app/panel.h"
#include "resource.h"

namespace pim {

class CRunWnd final : public CPanel {
 public:
  explicit CRunWnd(CMainDlg& bar) : CPanel(IDD_RUNWND, bar) {}
};

}  // namespace pim
