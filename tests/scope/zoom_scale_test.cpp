// The zoom graph's view box, its rescaling per live frame, and the circles.
#include <gtest/gtest.h>

#include "scope/teach/teach_in.h"
#include "scope/teach/zoom_scale.h"
#include "ui/toolkit.h"

namespace tavix::scope {
namespace {

link::TeachTable WithRow(int r, std::uint16_t x, std::uint16_t y, std::uint16_t cto) {
  link::TeachTable t = EmptyTeachTable();
  t[r][0] = x;
  t[r][1] = y;
  t[r][2] = cto;
  return t;
}

void ExpectAxes(const ZoomView& v, int xmin, int xmax, int ymin, int ymax) {
  EXPECT_EQ(v.xmin, xmin);
  EXPECT_EQ(v.xmax, xmax);
  EXPECT_EQ(v.ymin, ymin);
  EXPECT_EQ(v.ymax, ymax);
}

TEST(ZoomScale, EmptyTableShowsTheWholePlaneWithMargins) {
  const ZoomBox box = ViewBox(EmptyTeachTable());
  EXPECT_EQ(box.minX, 0);
  EXPECT_EQ(box.maxX, 4096);
  EXPECT_EQ(box.minY, 0);
  EXPECT_EQ(box.maxY, 4096);
  ExpectAxes(RescaleZoom(box, 1365, 1365), -25, 4121, -25, 4121);
}

TEST(ZoomScale, ViewFollowsThePointOutsideTheBox) {
  const ZoomBox box = ViewBox(WithRow(0, 2000, 1500, 150));
  EXPECT_EQ(box.minX, 1850);
  EXPECT_EQ(box.maxX, 2150);
  EXPECT_EQ(box.minY, 1350);
  EXPECT_EQ(box.maxY, 1650);

  ExpectAxes(RescaleZoom(box, 2100, 1550), 1825, 2175, 1325, 1675);

  const ZoomView right = RescaleZoom(box, 2500, 1500);
  EXPECT_EQ(right.spanX, 650);
  EXPECT_EQ(right.cX, 2175);
  EXPECT_EQ(right.spanY, 300);
  EXPECT_EQ(right.cY, 1500);
  EXPECT_EQ(right.S, 650);
  ExpectAxes(right, 1825, 2525, 1150, 1850);

  // Below and left of the box: the span grows towards the point.
  const ZoomView low = RescaleZoom(box, 1500, 1000);
  EXPECT_EQ(low.spanX, 650);
  EXPECT_EQ(low.cX, 1825);
  EXPECT_EQ(low.spanY, 650);
  EXPECT_EQ(low.cY, 1325);
  ExpectAxes(low, 1475, 2175, 975, 1675);

  // Back inside: the view narrows again.
  ExpectAxes(RescaleZoom(box, 2000, 1500), 1825, 2175, 1325, 1675);
}

TEST(ZoomScale, OddCommonSpanGivesEqualAxesOf350Units) {
  const ZoomBox box = ViewBox(WithRow(0, 2000, 2000, 150));
  const ZoomView v = RescaleZoom(box, 2151, 2000);
  EXPECT_EQ(v.S, 301);
  EXPECT_EQ(v.xmax - v.xmin, 350);
  EXPECT_EQ(v.ymax - v.ymin, 350);
  ExpectAxes(v, 1825, 2175, 1825, 2175);
}

TEST(ZoomScale, OnlyRowsAboveTenInXOrYEnterTheBox) {
  link::TeachTable t = WithRow(0, 2000, 1500, 150);
  t[1] = {5, 8, 100, 1, 1};
  ZoomBox box = ViewBox(t);
  EXPECT_EQ(box.minX, 1850);
  EXPECT_EQ(box.minY, 1350);

  t[1] = {5, 11, 100, 1, 1};
  box = ViewBox(t);
  EXPECT_EQ(box.minX, -95);
  EXPECT_EQ(box.maxX, 2150);
  EXPECT_EQ(box.minY, -89);
  EXPECT_EQ(box.maxY, 1650);
}

TEST(ZoomScale, BoxMayReachBelowZero) {
  const ZoomBox box = ViewBox(WithRow(3, 100, 500, 150));
  EXPECT_EQ(box.minX, -50);
  EXPECT_EQ(box.maxX, 250);
  EXPECT_EQ(box.minY, 350);
}

TEST(ZoomScale, CursorIsGreenForAMatchAndRedForNone) {
  EXPECT_EQ(ZoomCursorColour(0), ui::kGreen);
  EXPECT_EQ(ZoomCursorColour(254), ui::kGreen);
  EXPECT_EQ(ZoomCursorColour(255), ui::kRed);
  EXPECT_EQ(ZoomCursorColour(0xFFFF), ui::kRed);
}

TEST(Circles, ThreeOutlinesPerRowInTheRowsColour) {
  link::TeachTable t = WithRow(0, 100, 2000, 150);
  t[15] = {3000, 20, 30, 1, 1};
  const auto arcs = CircleArcs(t);
  ASSERT_EQ(arcs.size(), 93u);

  const CircleArc* r0 = &arcs[0];
  EXPECT_DOUBLE_EQ(r0[0].x1, -50);
  EXPECT_DOUBLE_EQ(r0[0].y1, 1850);
  EXPECT_DOUBLE_EQ(r0[0].x2, 250);
  EXPECT_DOUBLE_EQ(r0[0].y2, 2150);
  EXPECT_DOUBLE_EQ(r0[1].x1, -49.975);
  EXPECT_DOUBLE_EQ(r0[1].y2, 2150.025);
  EXPECT_DOUBLE_EQ(r0[2].x1, -49.95);
  EXPECT_DOUBLE_EQ(r0[2].y1, 1850.05);
  EXPECT_DOUBLE_EQ(r0[2].x2, 250.005);
  EXPECT_DOUBLE_EQ(r0[2].y2, 2150.005);

  const CircleArc* r15 = &arcs[45];
  EXPECT_DOUBLE_EQ(r15[0].y1, -10);  // 20 - 30
  EXPECT_DOUBLE_EQ(r15[0].x2, 3030);

  // Colours cycle through the first 15; white is never used.
  const std::uint32_t expected[15] = {0xFF0000, 0x80FF00, 0x0000FF, 0x000000, 0xFF80C0,
                                      0xFFFF00, 0x808000, 0x800080, 0x80FFFF, 0xFF0080,
                                      0x400080, 0xFF00FF, 0x008000, 0x408080, 0x800000};
  for (int r = 0; r < 31; ++r) {
    for (int k = 0; k < 3; ++k) EXPECT_EQ(arcs[3 * r + k].rgb, expected[r % 15]) << r;
  }
  EXPECT_EQ(arcs[0].rgb, arcs[45].rgb);
  EXPECT_EQ(arcs[0].rgb, arcs[90].rgb);  // row 30 starts the cycle again
}

}  // namespace
}  // namespace tavix::scope
