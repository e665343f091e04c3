// The notes panel below the bar. Its content comes with its own subsystem.
#pragma once

#include "app/panel.h"
#include "resource.h"

namespace pim {

class CNoteDlg final : public CPanel {
 public:
  explicit CNoteDlg(CMainDlg& bar) : CPanel(IDD_NOTE, bar) {}
};

}  // namespace pim
