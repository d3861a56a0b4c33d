// The live history's array routines, the limit lines and the gloss axis.
#include <gtest/gtest.h>

#include <array>
#include <numeric>
#include <vector>

#include "scope/live/arrays.h"
#include "scope/live/limits.h"

namespace tavix::scope {
namespace {

std::vector<double> Ramp(int n) {
  std::vector<double> v(static_cast<std::size_t>(n));
  std::iota(v.begin(), v.end(), 1.0);
  return v;
}

TEST(Shift, NegativeShiftMovesTowardsTheStartAndZeroesTheEnd) {
  std::vector<double> v = Ramp(10);
  ASSERT_EQ(Shift(v.data(), 10, -3, v.data()), 0);  // in place
  EXPECT_EQ(v, (std::vector<double>{4, 5, 6, 7, 8, 9, 10, 0, 0, 0}));

  const std::vector<double> in = Ramp(5);
  std::vector<double> out(6, -1.0);
  ASSERT_EQ(Shift(in.data(), 5, -1, out.data()), 0);
  EXPECT_EQ(out, (std::vector<double>{2, 3, 4, 5, 0, -1}));  // element 5 is not touched
  EXPECT_EQ(in, Ramp(5));
}

TEST(Shift, PositiveShiftMovesTowardsTheEndAndZeroesTheStart) {
  std::vector<double> v = Ramp(10);
  ASSERT_EQ(Shift(v.data(), 10, 4, v.data()), 0);  // in place
  EXPECT_EQ(v, (std::vector<double>{0, 0, 0, 0, 1, 2, 3, 4, 5, 6}));

  const std::vector<double> in = Ramp(5);
  std::vector<double> out(5, -1.0);
  ASSERT_EQ(Shift(in.data(), 5, 4, out.data()), 0);
  EXPECT_EQ(out, (std::vector<double>{0, 0, 0, 0, 1}));
}

TEST(Shift, ZeroShiftCopies) {
  const std::vector<double> in = Ramp(4);
  std::vector<double> out(4, 0.0);
  ASSERT_EQ(Shift(in.data(), 4, 0, out.data()), 0);
  EXPECT_EQ(out, in);
  ASSERT_EQ(Shift(out.data(), 4, 0, out.data()), 0);
  EXPECT_EQ(out, in);
}

TEST(Shift, RefusesBadCountsAndShiftsWithoutTouchingTheOutput) {
  const std::vector<double> in = Ramp(5);
  std::vector<double> out(5, -1.0);
  EXPECT_EQ(Shift(in.data(), 0, 0, out.data()), kErrCountTooSmall);
  EXPECT_EQ(Shift(in.data(), -5, 1, out.data()), kErrCountTooSmall);
  EXPECT_EQ(Shift(in.data(), 5, 5, out.data()), kErrShiftTooLarge);
  EXPECT_EQ(Shift(in.data(), 5, -5, out.data()), kErrShiftTooLarge);
  EXPECT_EQ(Shift(in.data(), 5, -400, out.data()), kErrShiftTooLarge);
  EXPECT_EQ(kErrCountTooSmall, -20003);
  EXPECT_EQ(kErrShiftTooLarge, -20102);
  EXPECT_EQ(out, std::vector<double>(5, -1.0));
  EXPECT_EQ(Shift(in.data(), 5, 4, out.data()), 0);  // the largest shift allowed
}

TEST(Shift, HistoryStepDropsTheOldestFrame) {
  // The cycle's step on the channel history: 100 frames of 7 values.
  std::vector<double> all(700);
  for (int k = 0; k < 700; ++k) all[static_cast<std::size_t>(k)] = k / 7;  // frame number
  ASSERT_EQ(Shift(all.data(), 700, -7, all.data()), 0);
  for (int k = 0; k < 693; ++k) ASSERT_EQ(all[static_cast<std::size_t>(k)], k / 7 + 1) << k;
  for (int k = 693; k < 700; ++k) EXPECT_EQ(all[static_cast<std::size_t>(k)], 0.0);
}

TEST(Copy1D, CopiesExactlyNElements) {
  const std::vector<double> in = Ramp(6);
  std::vector<double> out(6, -1.0);
  ASSERT_EQ(Copy1D(in.data(), 4, out.data()), 0);
  EXPECT_EQ(out, (std::vector<double>{1, 2, 3, 4, -1, -1}));
  EXPECT_EQ(Copy1D(in.data(), 0, out.data()), kErrCountTooSmall);
  EXPECT_EQ(Copy1D(in.data(), -1, out.data()), kErrCountTooSmall);
  EXPECT_EQ(out, (std::vector<double>{1, 2, 3, 4, -1, -1}));
}

// Teach-table row cells 1..5: X/UL, Y/LL, CTO, INT, ITO.
using Row = std::array<int, 5>;

TEST(LimitLines, IntSourceDrawsIntPlusMinusItoWithinTheChannelRange) {
  LimitLines l = LimitLinesFromRow(kSourceInt, Row{1, 2, 3, 2000, 150});
  EXPECT_EQ(l.upper, 2150);
  EXPECT_EQ(l.lower, 1850);

  l = LimitLinesFromRow(kSourceInt, Row{0, 0, 0, 4000, 200});  // INT + ITO above 4095
  EXPECT_EQ(l.upper, 4095);
  EXPECT_EQ(l.lower, 3800);

  l = LimitLinesFromRow(kSourceInt, Row{0, 0, 0, 100, 300});  // ITO larger than INT
  EXPECT_EQ(l.upper, 400);
  EXPECT_EQ(l.lower, 0);

  // A window far beyond the intensity must not wrap round to a positive line.
  l = LimitLinesFromRow(kSourceInt, Row{0, 0, 0, 100, 40000});
  EXPECT_EQ(l.upper, 4095);
  EXPECT_EQ(l.lower, 0);
}

TEST(LimitLines, OtherSourcesTakeColumnsOneAndTwoUnchanged) {
  for (std::uint16_t source : {0, 1, 2, 3, 4, 6}) {
    const LimitLines l = LimitLinesFromRow(source, Row{5000, 4999, 7, 2000, 100});
    EXPECT_EQ(l.upper, 5000) << source;
    EXPECT_EQ(l.lower, 4999) << source;
  }
  // Lines below one another are drawn as they stand.
  const LimitLines l = LimitLinesFromRow(3, Row{100, 900, 0, 0, 0});
  EXPECT_EQ(l.upper, 100);
  EXPECT_EQ(l.lower, 900);
}

std::array<double, 300> Filled(double value) {
  std::array<double, 300> buf{};
  buf.fill(value);
  return buf;
}

// 100 frames whose values run evenly from `lo` to `hi`.
std::array<double, 300> Spread(double lo, double hi) {
  std::array<double, 300> buf{};
  for (int k = 0; k < 300; ++k) buf[static_cast<std::size_t>(k)] = lo + (hi - lo) * k / 299.0;
  return buf;
}

struct Range {
  double min = -1;
  double max = -1;
};

Range Axis(const std::array<double, 300>& buf, bool automatic) {
  Range r;
  GlossAxisRange(buf, automatic, &r.min, &r.max);
  return r;
}

TEST(GlossAxis, AutomaticScalingAddsMarginsWhereThereIsRoom) {
  Range r = Axis(Filled(500), true);
  EXPECT_EQ(r.min, 475);
  EXPECT_EQ(r.max, 525);

  r = Axis(Spread(10, 990), true);  // 10 is not above 25, 990 not below 975
  EXPECT_EQ(r.min, 10);
  EXPECT_EQ(r.max, 990);

  r = Axis(Spread(30, 970), true);
  EXPECT_EQ(r.min, 5);
  EXPECT_EQ(r.max, 995);

  r = Axis(Spread(25, 975), true);  // the margins need more than 25 of room
  EXPECT_EQ(r.min, 25);
  EXPECT_EQ(r.max, 975);
}

TEST(GlossAxis, AutomaticScalingIsBoundedByZeroAndAThousand) {
  Range r = Axis(Filled(1500), true);  // the minimum starts at 1000
  EXPECT_EQ(r.min, 975);
  EXPECT_EQ(r.max, 1500);

  r = Axis(Filled(0), true);  // the maximum starts at 0
  EXPECT_EQ(r.min, 0);
  EXPECT_EQ(r.max, 25);
}

TEST(GlossAxis, FirstHundredPassesKeepTheMinimumAtZero) {
  // After 60 passes the 40 oldest frames are still zero.
  std::array<double, 300> buf{};
  for (int k = 120; k < 300; ++k) buf[static_cast<std::size_t>(k)] = 500 + k % 3;
  Range r = Axis(buf, true);
  EXPECT_EQ(r.min, 0);
  EXPECT_EQ(r.max, 527);
  // The limits of every frame count as much as the gloss value.
  buf[299] = 900;
  r = Axis(buf, true);
  EXPECT_EQ(r.max, 925);
}

TEST(GlossAxis, FixedScalingIsZeroToAThousandWhateverTheData) {
  for (const auto& buf : {Filled(500), Spread(30, 970), Filled(5000)}) {
    const Range r = Axis(buf, false);
    EXPECT_EQ(r.min, 0);
    EXPECT_EQ(r.max, 1000);
  }
}

}  // namespace
}  // namespace tavix::scope
