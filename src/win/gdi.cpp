#include "win/gdi.h"

namespace pim::win {

void SetPicture(HWND dialog, int control, HBITMAP picture, bool first) {
  const auto previous = reinterpret_cast<HBITMAP>(SendDlgItemMessageW(
      dialog, control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture)));
  if (first && previous && previous != picture) DeleteObject(previous);
}

}  // namespace pim::win
