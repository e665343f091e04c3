#include "app/bar_pictures.h"

#include <algorithm>
#include <iterator>

#include "resource.h"
#include "win/display_scale.h"

namespace pim {

namespace {

// The bar's pictures at 100%, in client pixels: the background covers the whole bar, the
// buttons sit side by side, the triangles one above the other.
constexpr PixelBox kBarBox{0, 0, 330, 26};
constexpr struct Picture {
  int control;
  int bitmaps[2];  // normal, pressed
  PixelBox box;
} kPictures[] = {
    {IDC_BTN_NOTE, {IDB_NOTE, IDB_NOTE_DOWN}, {2, 2, 53, 24}},
    {IDC_BTN_DATUM, {IDB_DATUM, IDB_DATUM_DOWN}, {53, 2, 104, 24}},
    {IDC_BTN_COMU, {IDB_COMU, IDB_COMU_DOWN}, {104, 2, 155, 24}},
    {IDC_BTN_RUN, {IDB_RUN, IDB_RUN_DOWN}, {162, 2, 213, 24}},
    {IDC_BTN_TOOLBOX, {IDB_TOOLBOX, IDB_TOOLBOX_DOWN}, {213, 2, 264, 24}},
    {IDC_BTN_MENU, {IDB_MENU, IDB_MENU_DOWN}, {264, 2, 315, 24}},
    {IDC_BTN_TOGGLE, {IDB_TRI_DOWN, 0}, {317, 2, 328, 11}},
    {IDC_BTN_MORE, {IDB_TRI_LEFT, 0}, {317, 13, 328, 22}},
};

}  // namespace

void BarPictures::Apply(HWND bar, const Scale& scale) {
  scale_ = scale;
  // The bar is exactly its background picture, whatever size its font gives the dialog.
  const PixelBox size = scale.Scaled(kBarBox);
  SetWindowPos(bar, nullptr, 0, 0, size.width(), size.height(),
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  background_.reset(win::LoadPicture(IDB_BAR, scale, kBarBox));
  brush_.reset(background_ ? CreatePatternBrush(background_.get()) : nullptr);
  // Each button's pictures fit its own place, so neighbours meet without a gap.
  for (const Picture& picture : kPictures) {
    buttons_[picture.bitmaps[0] - IDB_BAR].reset(
        win::LoadPicture(picture.bitmaps[0], scale, picture.box));
    if (picture.bitmaps[1]) buttons_[picture.bitmaps[1] - IDB_BAR].reset();
    win::PlaceAt(GetDlgItem(bar, picture.control), scale, picture.box);
  }
  RedrawWindow(bar, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void BarPictures::ApplyRest(HWND bar) {
  for (const Picture& picture : kPictures)
    if (picture.bitmaps[1])
      buttons_[picture.bitmaps[1] - IDB_BAR].reset(
          win::LoadPicture(picture.bitmaps[1], scale_, picture.box));
  // Under Wine each icon given to a window took 2 ms, as long as all the buttons' pictures.
  icon_.reset(win::LoadScaledIcon(IDI_PIMBREL, scale_.dpi(), false));
  smallIcon_.reset(win::LoadScaledIcon(IDI_PIMBREL, scale_.dpi(), true));
  SendMessageW(bar, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_.get()));
  SendMessageW(bar, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));
}

void BarPictures::ShowButton(HWND bar, int control, bool pressed) {
  const auto picture = std::ranges::find(kPictures, control, &Picture::control);
  if (picture == std::end(kPictures) || !picture->bitmaps[1]) return;
  pressed_ = pressed ? control : 0;
  RedrawWindow(GetDlgItem(bar, control), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

bool BarPictures::Draw(const DRAWITEMSTRUCT& item) const {
  const auto picture =
      std::ranges::find(kPictures, static_cast<int>(item.CtlID), &Picture::control);
  if (item.CtlType != ODT_BUTTON || picture == std::end(kPictures)) return false;
  const bool pressed = (item.itemState & ODS_SELECTED) || pressed_ == picture->control;
  const int second = picture->bitmaps[1];
  const int bitmap = pressed && second && buttons_[second - IDB_BAR] ? second : picture->bitmaps[0];
  const RECT& place = item.rcItem;
  if (const HBITMAP shown = buttons_[bitmap - IDB_BAR].get()) {
    const HDC source = CreateCompatibleDC(item.hDC);
    const HGDIOBJ old = SelectObject(source, shown);
    BitBlt(item.hDC, place.left, place.top, place.right - place.left, place.bottom - place.top,
           source, 0, 0, SRCCOPY);
    SelectObject(source, old);
    DeleteDC(source);
  } else if (brush_) {
    FillRect(item.hDC, &place, brush_.get());
  }
  // Windows hides focus marks until the keyboard is used (ODS_NOFOCUSRECT).
  if ((item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT)) {
    RECT mark = place;
    const int inset = place.bottom - place.top > 12 ? 2 : 1;  // the triangles are small
    InflateRect(&mark, -inset, -inset);
    DrawFocusRect(item.hDC, &mark);
  }
  return true;
}

}  // namespace pim
