#include "base/scale.h"

#include <iterator>

namespace pim {

int Scale::Edge(int x) const {
  // Halves up on both sides of zero: floor((x * dpi + 48) / 96).
  const long long scaled = static_cast<long long>(x) * dpi_ + kStandardDpi / 2;
  const long long edge =
      scaled >= 0 ? scaled / kStandardDpi : -((-scaled + kStandardDpi - 1) / kStandardDpi);
  return static_cast<int>(edge);
}

PixelBox Scale::Box(int x, int y, int width, int height) const {
  return {Edge(x), Edge(y), Edge(x + width), Edge(y + height)};
}

int PictureSetFor(int dpi) {
  for (int set : kPictureSets)
    if (dpi <= set) return set;
  return kPictureSets[std::size(kPictureSets) - 1];
}

}  // namespace pim
