// Growth of the circle tolerances of the active rows.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>

#include "scope/teach/growth.h"
#include "scope/teach/teach_in.h"

namespace tavix::scope {
namespace {

using Row = std::array<std::uint16_t, 5>;

// Active rows at CTO 1 (as the adjustment leaves them before growing),
// inactive rows empty.
link::TeachTable Table(std::initializer_list<Row> rows) {
  link::TeachTable t = EmptyTeachTable();
  int r = 0;
  for (const Row& row : rows) t[r++] = row;
  return t;
}

std::array<int, 3> Grown(link::TeachTable t, int maxcolno) {
  GrowTolerances(t, maxcolno);
  return {t[0][2], t[1][2], t[2][2]};
}

TEST(Growth, WorkedExampleSharesTheGapAndSkipsSeparatedWindows) {
  link::TeachTable t =
      Table({{1000, 1000, 1, 2000, 150}, {1100, 1000, 1, 2050, 150}, {1050, 1100, 1, 3000, 150}});
  const link::TeachTable before = t;
  GrowTolerances(t, 3);
  EXPECT_EQ(t[0][2], 50);
  EXPECT_EQ(t[1][2], 50);
  EXPECT_EQ(t[2][2], 200);
  for (int r = 0; r < 31; ++r) {
    for (int c : {0, 1, 3, 4}) EXPECT_EQ(t[r][c], before[r][c]);
  }
}

TEST(Growth, TwoCompetingRowsEndTouching) {
  // 10 apart: 5 and 5; 11 apart: the lower row gets the odd unit.
  EXPECT_EQ(Grown(Table({{1000, 1000, 1, 2000, 100}, {1010, 1000, 1, 2000, 100}}), 2),
            (std::array<int, 3>{5, 5, 1}));
  EXPECT_EQ(Grown(Table({{1000, 1000, 1, 2000, 100}, {1011, 1000, 1, 2000, 100}}), 2),
            (std::array<int, 3>{6, 5, 1}));
  // Differences 7 and 7: 9.9 truncated to 9.
  EXPECT_EQ(Grown(Table({{1000, 1000, 1, 2000, 100}, {993, 1007, 1, 2000, 100}}), 2),
            (std::array<int, 3>{5, 4, 1}));
  // Same centre: both keep 1. One apart: the same.
  EXPECT_EQ(Grown(Table({{1000, 1000, 1, 2000, 100}, {1000, 1000, 1, 2000, 100}}), 2),
            (std::array<int, 3>{1, 1, 1}));
  EXPECT_EQ(Grown(Table({{1000, 1000, 1, 2000, 100}, {1000, 1001, 1, 2000, 100}}), 2),
            (std::array<int, 3>{1, 1, 1}));
  // Two apart: 1 and 1 already touch.
  EXPECT_EQ(Grown(Table({{1000, 1000, 1, 2000, 100}, {1000, 1002, 1, 2000, 100}}), 2),
            (std::array<int, 3>{1, 1, 1}));
  // 400 apart: 200 each; 401 apart as well, without touching.
  EXPECT_EQ(Grown(Table({{1000, 1000, 1, 2000, 100}, {1400, 1000, 1, 2000, 100}}), 2),
            (std::array<int, 3>{200, 200, 1}));
  EXPECT_EQ(Grown(Table({{1000, 1000, 1, 2000, 100}, {1000, 1399, 1, 2000, 100}}), 2),
            (std::array<int, 3>{200, 199, 1}));
}

TEST(Growth, IntensityWindowsThatTouchCountAsOverlapping) {
  // 1900..2100 and 2100..2300 share 2100.
  EXPECT_EQ(Grown(Table({{1000, 1000, 1, 2000, 100}, {1010, 1000, 1, 2200, 100}}), 2),
            (std::array<int, 3>{5, 5, 1}));
  // 1900..2100 and 2101..2301 do not: both grow fully, at any distance.
  EXPECT_EQ(Grown(Table({{1000, 1000, 1, 2000, 100}, {1010, 1000, 1, 2201, 100}}), 2),
            (std::array<int, 3>{200, 200, 1}));
  EXPECT_EQ(Grown(Table({{1000, 1000, 1, 2201, 100}, {1000, 1000, 1, 2000, 100}}), 2),
            (std::array<int, 3>{200, 200, 1}));
  // One window inside the other.
  EXPECT_EQ(Grown(Table({{1000, 1000, 1, 2000, 500}, {1010, 1000, 1, 2000, 10}}), 2),
            (std::array<int, 3>{5, 5, 1}));
  // A window reaching below zero is not wrapped around: -90..110 meets 0..0.
  EXPECT_EQ(Grown(Table({{1000, 1000, 1, 10, 100}, {1010, 1000, 1, 0, 0}}), 2),
            (std::array<int, 3>{5, 5, 1}));
}

TEST(Growth, ThreeRowsInALineAllEndAt50) {
  EXPECT_EQ(Grown(Table({{1000, 1000, 1, 2000, 100},
                         {1100, 1000, 1, 2000, 100},
                         {1200, 1000, 1, 2000, 100}}),
                  3),
            (std::array<int, 3>{50, 50, 50}));
}

TEST(Growth, OnlyActiveRowsGrowOrBlock) {
  const link::TeachTable base = Table(
      {{1000, 1000, 1, 2000, 100}, {1000, 1000, 77, 2000, 100}, {1005, 1000, 150, 2000, 100}});
  EXPECT_EQ(Grown(base, 0), (std::array<int, 3>{1, 77, 150}));
  EXPECT_EQ(Grown(base, 1), (std::array<int, 3>{200, 77, 150}));
  link::TeachTable t = base;
  GrowTolerances(t, 1);
  for (int r = 1; r < 31; ++r) EXPECT_EQ(t[r], base[r]) << r;
}

TEST(Growth, ARowAtTheResetStateTakesPartAsACircleAtOneOne) {
  // Row 1 is all 1: a circle at (1, 1) with the window 0..2.
  EXPECT_EQ(Grown(Table({{1, 11, 1, 3, 1}, {1, 1, 1, 1, 1}}), 2), (std::array<int, 3>{5, 5, 1}));
  EXPECT_EQ(Grown(Table({{1, 11, 1, 4, 1}, {1, 1, 1, 1, 1}}), 2),
            (std::array<int, 3>{200, 200, 1}));
}

TEST(Growth, ARowInConflictFromTheStartKeepsItsRadius) {
  // Row 0 starts at 150 and meets row 1 at once: it is never touched.
  EXPECT_EQ(Grown(Table({{1000, 1000, 150, 2000, 100}, {1100, 1000, 1, 2000, 100}}), 2),
            (std::array<int, 3>{150, 1, 1}));
  // Without a conflict in the first step the old value is replaced.
  EXPECT_EQ(Grown(Table({{1000, 1000, 150, 2000, 100}}), 1), (std::array<int, 3>{200, 1, 1}));
}

// ---------------------------------------------------------------------------
// Reference: the adjustment written out plainly, step by step.
void ReferenceGrowth(std::uint16_t table[31][5], int maxcolno) {
  for (int j = 2; j <= 200; j++) {
    for (int k = 0; k < maxcolno; k++) {
      int flag = 0;
      int ck = table[k][2];
      for (int p = 0; p < maxcolno; p++) {
        if (p == k) continue;
        double ax = std::fabs(double(table[k][0]) - double(table[p][0]));
        double ay = std::fabs(double(table[k][1]) - double(table[p][1]));
        int d = int(std::sqrt(ax * ax + ay * ay));
        if (d <= ck + table[p][2]) {
          int kl = int(table[k][3]) - int(table[k][4]);
          int kh = int(table[k][3]) + int(table[k][4]);
          int pl = int(table[p][3]) - int(table[p][4]);
          int ph = int(table[p][3]) + int(table[p][4]);
          if (double(pl) >= double(kl) && double(pl) <= double(kh)) flag = 1;
          if (double(kl) >= double(pl) && double(kl) <= double(ph)) flag = 1;
        }
        if (flag) break;
      }
      if (!flag) table[k][2] = static_cast<std::uint16_t>(j);
    }
  }
}

TEST(Growth, AgreesWithAPlainReferenceOnRandomTables) {
  std::mt19937 rng(20240611);
  auto uniform = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  int touching = 0, full = 0;
  for (int trial = 0; trial < 300; ++trial) {
    SCOPED_TRACE(trial);
    const int maxcolno = uniform(0, 31);
    // Crowded tables so that circles meet: a small square, a few intensity levels.
    const int spread = uniform(20, 1500);
    const int x0 = uniform(0, 4095 - spread), y0 = uniform(0, 4095 - spread);
    link::TeachTable t{};
    std::uint16_t ref[31][5];
    for (int r = 0; r < 31; ++r) {
      const bool reset = uniform(0, 15) == 0;
      Row row;
      row[0] = static_cast<std::uint16_t>(reset ? 1 : x0 + uniform(0, spread));
      row[1] = static_cast<std::uint16_t>(reset ? 1 : y0 + uniform(0, spread));
      row[2] = static_cast<std::uint16_t>(r < maxcolno ? 1 : uniform(1, 400));
      row[3] = static_cast<std::uint16_t>(reset ? 1 : uniform(0, 8) * 500);
      row[4] = static_cast<std::uint16_t>(reset ? 1 : uniform(0, 400));
      t[r] = row;
      for (int c = 0; c < 5; ++c) ref[r][c] = row[c];
    }
    const link::TeachTable before = t;
    GrowTolerances(t, maxcolno);
    ReferenceGrowth(ref, maxcolno);
    for (int r = 0; r < 31; ++r) {
      for (int c = 0; c < 5; ++c) ASSERT_EQ(t[r][c], ref[r][c]) << "row " << r << " col " << c;
    }

    // Circles of active rows with meeting windows at most touch.
    for (int a = 0; a < maxcolno; ++a) {
      if (t[a][2] == 200) ++full;
      for (int b = a + 1; b < maxcolno; ++b) {
        const int loA = before[a][3] - before[a][4], hiA = before[a][3] + before[a][4];
        const int loB = before[b][3] - before[b][4], hiB = before[b][3] + before[b][4];
        if (hiA < loB || hiB < loA) continue;
        const int d =
            static_cast<int>(std::hypot(double(t[a][0]) - t[b][0], double(t[a][1]) - t[b][1]));
        EXPECT_LE(t[a][2] + t[b][2], std::max(d, 2)) << a << "/" << b;
        if (t[a][2] + t[b][2] == d) ++touching;
      }
    }
  }
  // The tables exercised both outcomes.
  EXPECT_GT(touching, 100);
  EXPECT_GT(full, 100);
}

}  // namespace
}  // namespace tavix::scope
