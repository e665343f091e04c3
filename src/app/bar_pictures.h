// The bar's pictures at the scale of its screen: the background (and the brush the bar and its
// controls paint with), each button's normal and pressed picture, and the window's icons.
#pragma once

#include <windows.h>

#include "base/scale.h"
#include "win/gdi.h"

namespace pim {

class BarPictures {
 public:
  // Loads everything for `scale`, sizes `bar` to its background and places and shows the
  // buttons; what was shown until now goes once the new pictures are in place.
  void Apply(HWND bar, const Scale& scale);
  // A button's pressed or normal picture; nothing for a control without one.
  void ShowButton(HWND bar, int control, bool pressed) const;
  HBRUSH brush() const { return brush_.get(); }
  HICON icon() const { return icon_.get(); }
  HICON smallIcon() const { return smallIcon_.get(); }

 private:
  static constexpr size_t kSlots = 16;  // by resource id - IDB_BAR

  win::HeldIcon icon_, smallIcon_;
  win::HeldBitmap background_;
  win::HeldBrush brush_;
  win::HeldBitmap buttons_[kSlots];
};

}  // namespace pim
