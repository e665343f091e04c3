// The datum panel below the bar. Its content comes with its own subsystem.
#pragma once

#include "app/panel.h"
#include "resource.h"

namespace pim {

class CDatumDlg final : public CPanel {
 public:
  explicit CDatumDlg(CMainDlg& bar) : CPanel(IDD_DATUM, bar) {}
};

}  // namespace pim
