// Small owning holders of GDI objects, icons, menus and image lists: each is freed once, when
// its holder lets go of it or is given another.
#pragma once

#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <utility>

namespace pim::win {

template <class Handle, void (*Free)(Handle)>
class Held {
 public:
  Held() = default;
  explicit Held(Handle handle) : handle_(handle) {}
  ~Held() { reset(); }
  Held(Held&& other) noexcept : handle_(other.release()) {}
  Held& operator=(Held&& other) noexcept {
    reset(other.release());
    return *this;
  }
  Held(const Held&) = delete;
  Held& operator=(const Held&) = delete;

  Handle get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  void reset(Handle handle = nullptr) {
    if (handle_ && handle_ != handle) Free(handle_);
    handle_ = handle;
  }
  Handle release() { return std::exchange(handle_, nullptr); }

 private:
  Handle handle_ = nullptr;
};

inline void FreeBitmap(HBITMAP bitmap) { DeleteObject(bitmap); }
inline void FreeBrush(HBRUSH brush) { DeleteObject(brush); }
inline void FreeIcon(HICON icon) { DestroyIcon(icon); }
inline void FreeMenu(HMENU menu) { DestroyMenu(menu); }
inline void FreeImageList(HIMAGELIST list) { ImageList_Destroy(list); }

using HeldBitmap = Held<HBITMAP, FreeBitmap>;
using HeldBrush = Held<HBRUSH, FreeBrush>;
using HeldIcon = Held<HICON, FreeIcon>;
using HeldMenu = Held<HMENU, FreeMenu>;
using HeldImageList = Held<HIMAGELIST, FreeImageList>;

// Shows `picture` in a static picture control of `dialog`. The first time, the picture it
// replaces is the one the dialog template loaded, and is freed here; ours stay with their holders.
void SetPicture(HWND dialog, int control, HBITMAP picture, bool first);

}  // namespace pim::win
