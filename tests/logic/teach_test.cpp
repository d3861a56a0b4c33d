// The scope's computations on live values and the teach table: teach-in of
// live values mode by mode, the zoom graph's view box and rescaling, the
// circles, the growth of the circle tolerances of the active rows, and the
// gloss chart's axis (the history and the limit lines are proven end to end).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <tuple>
#include <vector>

#include "logic/growth.h"
#include "logic/limits.h"
#include "logic/teach_in.h"
#include "logic/zoom_scale.h"

namespace tavix::logic {
namespace {

// A table whose cells all differ from 1 and from each other.
protocol::TeachTable Filled() {
  protocol::TeachTable t{};
  for (int r = 0; r < protocol::kTeachRows; ++r) {
    for (int c = 0; c < protocol::kTeachCols; ++c)
      t[r][c] = static_cast<std::uint16_t>(1000 + 10 * r + c);
  }
  return t;
}

constexpr int kKept = -1;  // the cell keeps what it held

TEST(TeachIn, EachModeWritesItsRowsAndMovesTheNoField) {
  struct Case {
    std::uint16_t mode, n;
    int inc;
    std::array<std::uint16_t, 4> live;  // dataR, dataG, dataB, dataGF
    bool reset;
    int firstRow;
    std::vector<std::array<int, 5>> rows;  // written from firstRow on
    std::uint16_t no;
  };
  const std::array<int, 5> xy = {1366, 1241, 150, 1890, 150};
  const std::array<uint16_t, 4> live = {2100, 1900, 1700, 640};
  const std::vector<std::array<int, 5>> rgb = {
      {4095, 3795, 1, 1, 1}, {300, 0, 1, 1, 1}, {2150, 1850, 1, 1, 1}};
  const Case cases[] = {
      // Colour modes (0, 2 and any other value): X, Y, 150, INT, 150; mode 0
      // with auto increment is proven end to end.
      {65535, 4, 0, live, false, 4, {xy}, 4},  // auto increment off
      {0, 30, 1, live, false, 30, {xy}, 30},   // the last row: the field stays
      // X/Y mode: radius 50, the intensity columns kept.
      {1, 7, 1, live, false, 7, {{1366, 1241, 50, kKept, kKept}}, 8},
      // Channel windows: v +- 150 within 0..4095 in row 0 of a reset table.
      {3, 12, 1, {4000, 1900, 1700, 640}, true, 0, {{4095, 3795, 1, 1, 1}}, 0},
      {4, 12, 1, {2100, 2000, 1700, 640}, true, 0, {{2150, 1850, 1, 1, 1}}, 0},
      {5, 0, 1, {2100, 1900, 20, 640}, true, 0, {{300, 0, 1, 1, 1}}, 0},
      {6, 9, 1, {4000, 20, 2000, 640}, true, 0, rgb, 0},
      // Gloss: GF +- 25 within 0..1000 in the selected row.
      {7, 6, 1, {2100, 1900, 1700, 990}, false, 6, {{1000, 950, kKept, kKept, kKept}}, 7},
      {7, 6, 1, {2100, 1900, 1700, 10}, false, 6, {{50, 0, kKept, kKept, kKept}}, 7},
      // A field beyond the last row writes nothing.
      {7, 31, 1, live, false, 0, {}, 31},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "mode " << c.mode << " No. " << c.n << " inc " << c.inc);
    protocol::DataVars d{.dataX = 1366, .dataY = 1241, .dataINT = 1890, .dataCOL = 3};
    std::tie(d.dataR, d.dataG, d.dataB, d.dataGF) = std::tuple_cat(c.live);
    const TeachInPlan plan = PlanTeachIn(c.mode, c.n, c.inc, d);
    EXPECT_EQ(plan.resetFirst, c.reset);
    EXPECT_EQ(plan.no, c.no);
    protocol::TeachTable expected = c.reset ? EmptyTeachTable() : Filled();
    for (std::size_t k = 0; k < c.rows.size(); ++k) {
      for (int col = 0; col < 5; ++col) {
        if (c.rows[k][col] != kKept) expected[c.firstRow + k][col] = c.rows[k][col];
      }
    }
    EXPECT_EQ(ApplyTeachIn(plan, Filled()), expected);
  }
}

protocol::TeachTable WithRow(int r, std::array<std::uint16_t, 5> row) {
  protocol::TeachTable t = EmptyTeachTable();
  t[r] = row;
  return t;
}

std::vector<int> Box(const ZoomBox& b) {
  return {b.minX, b.maxX, b.minY, b.maxY};
}
std::vector<int> Axes(const ZoomView& v) {
  return {v.xmin, v.xmax, v.ymin, v.ymax};
}

TEST(ZoomScale, TheBoxOfTheRowsAboveTenWidensTowardsThePointWithMargins) {
  EXPECT_EQ(Box(ViewBox(EmptyTeachTable())), (std::vector<int>{0, 4096, 0, 4096}));
  EXPECT_EQ(Axes(RescaleZoom(ViewBox(EmptyTeachTable()), 1365, 1365)),
            (std::vector<int>{-25, 4121, -25, 4121}));
  protocol::TeachTable t = WithRow(0, {2000, 1500, 150, 1, 1});
  t[1] = {5, 8, 100, 1, 1};  // X and Y at most 10: left out
  const ZoomBox box = ViewBox(t);
  EXPECT_EQ(Box(box), (std::vector<int>{1850, 2150, 1350, 1650}));
  t[1] = {5, 11, 100, 1, 1};
  EXPECT_EQ(Box(ViewBox(t)), (std::vector<int>{-95, 2150, -89, 1650}));

  // Inside the box, right of it, and below and left of it: the span grows towards the point.
  for (const auto& [x, y, axes] : {std::tuple{2100, 1550, std::vector<int>{1825, 2175, 1325, 1675}},
                                   {2500, 1500, {1825, 2525, 1150, 1850}},
                                   {1500, 1000, {1475, 2175, 975, 1675}}}) {
    EXPECT_EQ(Axes(RescaleZoom(box, x, y)), axes) << x << "/" << y;
  }
  // An odd common span still gives equal axes of 350 units.
  const ZoomView odd = RescaleZoom(ViewBox(WithRow(0, {2000, 2000, 150, 1, 1})), 2151, 2000);
  EXPECT_EQ(odd.S, 301);
  EXPECT_EQ(Axes(odd), (std::vector<int>{1825, 2175, 1825, 2175}));
}

TEST(Circles, ThreeOutlinesPerRowAroundItsCentre) {
  protocol::TeachTable t = WithRow(0, {100, 2000, 150, 1, 1});
  t[15] = {3000, 20, 30, 1, 1};
  const auto arcs = CircleArcs(t);
  auto off = [&](int k, std::array<double, 4> c) {  // largest distance from the corners c
    return std::max({std::abs(arcs[k].x1 - c[0]), std::abs(arcs[k].y1 - c[1]),
                     std::abs(arcs[k].x2 - c[2]), std::abs(arcs[k].y2 - c[3])});
  };
  EXPECT_LT(off(0, {-50, 1850, 250, 2150}), 1e-9);
  for (int k : {1, 2}) EXPECT_LT(off(k, {-50, 1850, 250, 2150}), 0.1);  // drawn close beside it
  EXPECT_LT(off(45, {2970, -10, 3030, 50}), 1e-9);  // row 15: 20 - 30 below zero
}

using Row = std::array<std::uint16_t, 5>;  // X, Y, CTO, INT, ITO

// A row at (x, y) with the intensity window inT +- ito, as the adjustment
// leaves active rows before growing (CTO 1).
Row P(int x, int y, int inT = 2000, int ito = 100, int cto = 1) {
  return {std::uint16_t(x), std::uint16_t(y), std::uint16_t(cto), std::uint16_t(inT),
          std::uint16_t(ito)};
}

TEST(Growth, CirclesGrowUntilTheyMeetARowWhoseIntensityWindowMeetsTheirs) {
  const Row a = P(1000, 1000), w = P(1000, 1000, 2000, 150);
  // MAXVEC-No., the CTO of rows 0..2 afterwards, and rows 0.. of a table
  // whose other rows are empty.
  const std::tuple<int, std::array<int, 3>, std::vector<Row>> cases[] = {
      {3, {50, 50, 200}, {w, P(1100, 1000, 2050, 150), P(1050, 1100, 3000, 150)}},
      {2, {5, 5, 1}, {a, P(1010, 1000)}},                        // 10 apart
      {2, {6, 5, 1}, {a, P(1011, 1000)}},                        // 11: the lower row gets 1 more
      {2, {5, 4, 1}, {a, P(993, 1007)}},                         // 9.9 apart, truncated to 9
      {2, {1, 1, 1}, {a, a}},                                    // same centre
      {2, {1, 1, 1}, {a, P(1000, 1002)}},                        // 2 apart: 1 and 1 touch
      {2, {200, 200, 1}, {a, P(1400, 1000)}},                    // 400 apart
      {2, {200, 199, 1}, {a, P(1000, 1399)}},                    // 399 apart
      {2, {5, 5, 1}, {a, P(1010, 1000, 2200)}},                  // windows touch at 2100
      {2, {200, 200, 1}, {a, P(1010, 1000, 2201)}},              // separate windows
      {2, {200, 200, 1}, {P(1000, 1000, 2201), a}},              // the same, other order
      {2, {5, 5, 1}, {P(1000, 1000, 10), P(1010, 1000, 0, 0)}},  // below zero meets 0..0
      // MAXVEC-No. 0 and 1: inactive rows neither grow nor block.
      {0, {1, 77, 150}, {a, P(1000, 1000, 2000, 100, 77), P(1005, 1000, 2000, 100, 150)}},
      {1, {200, 77, 150}, {a, P(1000, 1000, 2000, 100, 77), P(1005, 1000, 2000, 100, 150)}},
      {2, {5, 5, 1}, {P(1, 11, 3, 1), P(1, 1, 1, 1)}},  // reset row: circle at (1, 1), 0..2
      {2, {150, 1, 1}, {P(1000, 1000, 2000, 100, 150), P(1100, 1000)}},  // conflict at once: kept
      {1, {200, 1, 1}, {P(1000, 1000, 2000, 100, 150)}},  // no conflict: the old radius replaced
  };
  for (std::size_t k = 0; k < std::size(cases); ++k) {
    SCOPED_TRACE(testing::Message() << "case " << k);
    const auto& [maxcolno, cto, rows] = cases[k];
    protocol::TeachTable t = EmptyTeachTable();
    std::copy(rows.begin(), rows.end(), t.begin());
    protocol::TeachTable expected = t;
    for (int r = 0; r < 3; ++r) expected[r][2] = static_cast<std::uint16_t>(cto[r]);
    GrowTolerances(t, maxcolno);
    EXPECT_EQ(t, expected);  // nothing but the CTO of rows 0..2 changed
  }
}

// The fixed axis (0..1000), and the empty frames of an early history that
// keep the minimum at 0, are proven end to end.
TEST(GlossAxis, AutomaticScalingAddsMarginsWhereThereIsRoom) {
  // The history's lo..hi, and the axis it gives.
  const std::array<double, 4> cases[] = {{500, 500, 475, 525},    {10, 990, 10, 990},
                                         {30, 970, 5, 995},       {25, 975, 25, 975},
                                         {1500, 1500, 975, 1500}, {0, 0, 0, 25}};
  for (const auto& [lo, hi, axisMin, axisMax] : cases) {
    GlossHistory values{};  // 300 of them, running evenly from lo to hi
    for (std::size_t k = 0; k < 300; ++k) values[k] = lo + (hi - lo) * k / 299.0;
    double min = -1, max = -1;
    GlossAxisRange(values, true, &min, &max);
    EXPECT_EQ(std::pair(min, max), std::pair(axisMin, axisMax)) << lo << ".." << hi;
  }
}

}  // namespace
}  // namespace tavix::logic
