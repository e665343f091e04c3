// The bar's pictures at the scale of its screen: the background (and the brush the bar and its
// controls paint with), each button's normal and pressed picture, and the window's icons. The
// buttons are owner-drawn buttons, so they carry their names and take the keyboard focus.
#pragma once

#include <windows.h>

#include "base/scale.h"
#include "win/gdi.h"

namespace pim {

class BarPictures {
 public:
  // Loads what the bar shows for `scale`, sizes `bar` to its background and places and shows
  // the buttons; what was shown until now goes once the new pictures are in place.
  void Apply(HWND bar, const Scale& scale);
  // The rest at the scale last applied: the pressed pictures and the window's icons. Apart,
  // so a starting bar is shown first; until then a pressed button shows its normal picture.
  void ApplyRest(HWND bar);
  // Shows a button pressed, or normal again, at once; nothing for a control without a
  // pressed picture.
  void ShowButton(HWND bar, int control, bool pressed);
  // WM_DRAWITEM of a button: its picture, pressed while held down or shown pressed, and a
  // focus mark once the keyboard is in use. False for a control that is not a bar button.
  bool Draw(const DRAWITEMSTRUCT& item) const;
  HBRUSH brush() const { return brush_.get(); }
  HICON icon() const { return icon_.get(); }
  HICON smallIcon() const { return smallIcon_.get(); }

 private:
  static constexpr size_t kSlots = 16;  // by resource id - IDB_BAR

  Scale scale_;
  win::HeldIcon icon_, smallIcon_;
  win::HeldBitmap background_;
  win::HeldBrush brush_;
  win::HeldBitmap buttons_[kSlots];
  int pressed_ = 0;  // the control shown pressed by ShowButton
};

}  // namespace pim
