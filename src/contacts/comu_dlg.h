// The contacts panel below the bar. Its content comes with its own subsystem.
#pragma once

#include "app/panel.h"
#include "resource.h"

namespace pim {

class CComuDlg final : public CPanel {
 public:
  explicit CComuDlg(CMainDlg& bar) : CPanel(IDD_COMU, bar) {}
};

}  // namespace pim
