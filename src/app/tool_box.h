// The tool box: an empty, coloured panel in this version.
#pragma once

#include "resource.h"
#include "win/panel.h"

namespace pim {

class CToolBox final : public CPanel {
 public:
  explicit CToolBox(PanelHost& host) : CPanel(IDD_TOOLBOX, host) {}
};

}  // namespace pim
