// The display-scale arithmetic: rounding, neighbours and the choice of a picture set.
#include "base/scale.h"

#include <gtest/gtest.h>

#include <cmath>

namespace pim {
namespace {

TEST(Scale, EdgesRoundToTheNearestPixelHalvesUpAndPicturesAreTheNearestLargerSet) {
  const struct {
    int dpi, x, edge;
  } cases[] = {
      {96, 51, 51},    {96, 317, 317},                  // 100%: every figure as it is
      {120, 51, 64},   {120, 2, 3},     {120, 53, 66},  // 125%: 63.75, 2.5, 66.25
      {120, -2, -2},   {144, -3, -4},                   // left of the origin: -2.5, -4.5
      {144, 1, 2},     {144, 330, 495}, {144, 26, 39},  // 150%: 1.5
      {168, 2, 4},     {168, 51, 89},   {168, 53, 93},  // 175%: 3.5, 89.25, 92.75
      {192, 330, 660}, {0, 51, 51},                     // a dpi of 0 is taken as 96
  };
  for (const auto& c : cases) EXPECT_EQ(Scale(c.dpi).Edge(c.x), c.edge) << c.dpi << " " << c.x;
  EXPECT_EQ(Scale(120).Box(2, 2, 51, 22), (PixelBox{3, 3, 66, 30}));
  // The picture set is the nearest larger one.
  const std::pair<int, int> sets[] = {{72, 96},   {96, 96},   {97, 120},  {120, 120}, {121, 144},
                                      {144, 144}, {168, 192}, {192, 192}, {288, 192}};
  for (const auto& [dpi, set] : sets) EXPECT_EQ(PictureSetFor(dpi), set) << dpi;
}

// Boxes side by side at 100% stay side by side, never more than a pixel from their true size,
// and never vanish, at any scale from 100% up.
TEST(Scale, NeighboursNeverLeaveAGapAndKeepTheirSize) {
  for (int dpi = 96; dpi <= 288; ++dpi)
    for (int width : {1, 11, 22, 51})
      for (int x = -40; x < 400; x += 7) {
        const PixelBox box = Scale(dpi).Box(x, 0, width, width);
        const PixelBox next = Scale(dpi).Box(x + width, 0, width, width);
        ASSERT_EQ(box.right, next.left) << dpi << " " << x;
        ASSERT_LT(std::abs(box.width() - width * dpi / 96.0), 1.0) << dpi << " " << x;
      }
}

}  // namespace
}  // namespace pim
