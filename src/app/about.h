// The About picture. A click anywhere closes it behind a curtain drawn in from both sides.
#pragma once

#include "win/dialog.h"
#include "win/gdi.h"

namespace pim {

class CAbout final : public win::Dialog {
 public:
  CAbout();

 protected:
  bool OnInitDialog() override;
  bool OnMessage(UINT message, WPARAM wp, LPARAM lp, INT_PTR& result) override;

 private:
  void CloseWithCurtain();
  // The picture, and the box sized to it, for the scale of the box's screen.
  void OnScaleChanged() override;

  win::HeldBitmap picture_;
  win::HeldBrush brush_;
};

}  // namespace pim
