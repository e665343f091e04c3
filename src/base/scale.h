// The display scale: the program's pixel figures are drawn for 96 dots per inch (100%) and
// multiplied by the window's scale. Arithmetic only, so it is tested without a window.
#pragma once

namespace pim {

// A rectangle in pixels: left, top, right and bottom edges (right and bottom exclusive).
struct PixelBox {
  int left = 0, top = 0, right = 0, bottom = 0;
  int width() const { return right - left; }
  int height() const { return bottom - top; }
  bool operator==(const PixelBox&) const = default;
};

class Scale {
 public:
  static constexpr int kStandardDpi = 96;

  explicit constexpr Scale(int dpi = kStandardDpi) : dpi_(dpi > 0 ? dpi : kStandardDpi) {}
  int dpi() const { return dpi_; }
  bool standard() const { return dpi_ == kStandardDpi; }

  // A 100% edge or coordinate at this scale, to the nearest pixel, halves up. Scaling edges
  // rather than sizes keeps neighbours that touch at 100% touching at every scale.
  int Edge(int x) const;
  // A 100% length on its own (a picture's or a window's size).
  int Length(int length) const { return Edge(length); }
  // A 100% box given by its corner and size.
  PixelBox Box(int x, int y, int width, int height) const;
  // A 100% box given by its edges.
  PixelBox Scaled(const PixelBox& box) const {
    return {Edge(box.left), Edge(box.top), Edge(box.right), Edge(box.bottom)};
  }

 private:
  int dpi_;
};

// The drawn picture sets, in dots per inch: 100%, 125%, 150% and 200%.
inline constexpr int kPictureSets[] = {96, 120, 144, 192};
// The set that serves `dpi`: the smallest at or above it, or the largest above them all.
int PictureSetFor(int dpi);

}  // namespace pim
