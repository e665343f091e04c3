// The About picture. A click anywhere closes it behind a curtain drawn in from both sides.
#pragma once

#include "base/scale.h"
#include "win/dialog.h"

namespace pim {

class CAbout final : public win::Dialog {
 public:
  CAbout();
  ~CAbout() override;

 protected:
  bool OnInitDialog() override;
  bool OnMessage(UINT message, WPARAM wp, LPARAM lp, INT_PTR& result) override;

 private:
  void CloseWithCurtain();
  // The picture, and the box sized to it, for the scale of the box's screen.
  void ApplyScale(int dpi);

  Scale scale_;
  HBITMAP picture_ = nullptr;
  HBRUSH brush_ = nullptr;
};

}  // namespace pim
