// The live history's array routines, the limit lines and the gloss axis.
#include <gtest/gtest.h>

#include <array>
#include <numeric>
#include <vector>

#include "logic/history.h"
#include "logic/limits.h"

namespace tavix::logic {
namespace {

using Values = std::vector<double>;

Values Ramp(int n) {
  Values v(static_cast<std::size_t>(n));
  std::iota(v.begin(), v.end(), 1.0);
  return v;
}

TEST(Shift, MovesEitherWayInPlaceOrIntoAnotherArrayAndRefusesBadArguments) {
  struct Case {
    int n, shift;
    std::int32_t result;
    Values out;  // of an output array of 6, filled with -1 before
  };
  const Case cases[] = {
      {5, -1, 0, {2, 3, 4, 5, 0, -1}},  // element 5 is not touched
      {5, 4, 0, {0, 0, 0, 0, 1, -1}},   // the largest shift allowed
      {5, 0, 0, {1, 2, 3, 4, 5, -1}},
      {0, 0, -20003, Values(6, -1)},  // count too small: output untouched
      {-5, 1, -20003, Values(6, -1)},
      {5, 5, -20102, Values(6, -1)},  // shift too large
      {5, -5, -20102, Values(6, -1)},
      {5, -400, -20102, Values(6, -1)},
  };
  const Values in = Ramp(5);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "n " << c.n << " shift " << c.shift);
    Values out(6, -1.0);
    EXPECT_EQ(Shift(in.data(), c.n, c.shift, out.data()), c.result);
    EXPECT_EQ(out, c.out);
    // In place, as the live cycle shifts its histories.
    Values inPlace = Ramp(6);
    inPlace[5] = -1;
    EXPECT_EQ(Shift(inPlace.data(), c.n, c.shift, inPlace.data()), c.result);
    EXPECT_EQ(inPlace, c.result == 0 ? c.out : (Values{1, 2, 3, 4, 5, -1}));
  }
  EXPECT_EQ(in, Ramp(5));
}

TEST(Copy1D, CopiesExactlyNElements) {
  const Values in = Ramp(6);
  Values out(6, -1.0);
  EXPECT_EQ(Copy1D(in.data(), 4, out.data()), 0);
  EXPECT_EQ(out, (Values{1, 2, 3, 4, -1, -1}));
  EXPECT_EQ(Copy1D(in.data(), 0, out.data()), -20003);
  EXPECT_EQ(Copy1D(in.data(), -1, out.data()), -20003);
  EXPECT_EQ(out, (Values{1, 2, 3, 4, -1, -1}));
}

TEST(LimitLines, IntIsIntPlusMinusItoWithinTheChannelRangeOtherSourcesColumnsOneAndTwo) {
  struct Case {
    std::uint16_t source;
    std::array<int, 5> row;  // X/UL, Y/LL, CTO, INT, ITO
    double upper, lower;
  };
  const Case cases[] = {
      {kSourceInt, {1, 2, 3, 2000, 150}, 2150, 1850},
      {kSourceInt, {0, 0, 0, 4000, 200}, 4095, 3800},  // INT + ITO above 4095
      {kSourceInt, {0, 0, 0, 100, 300}, 400, 0},       // ITO larger than INT
      {kSourceInt, {0, 0, 0, 100, 40000}, 4095, 0},    // no wrap round to a positive line
      {0, {5000, 4999, 7, 2000, 100}, 5000, 4999},
      {1, {5000, 4999, 7, 2000, 100}, 5000, 4999},
      {2, {5000, 4999, 7, 2000, 100}, 5000, 4999},
      {4, {5000, 4999, 7, 2000, 100}, 5000, 4999},
      {kSourceGloss, {5000, 4999, 7, 2000, 100}, 5000, 4999},
      {3, {100, 900, 0, 0, 0}, 100, 900},  // lines below one another as they stand
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "source " << c.source << " INT " << c.row[3]);
    const LimitLines l = LimitLinesFromRow(c.source, c.row);
    EXPECT_EQ(l.upper, c.upper);
    EXPECT_EQ(l.lower, c.lower);
  }
}

using GlossBuf = GlossHistory;

// 100 frames whose values run evenly from `lo` to `hi`.
GlossBuf Spread(double lo, double hi) {
  GlossBuf buf{};
  for (int k = 0; k < 300; ++k) buf[static_cast<std::size_t>(k)] = lo + (hi - lo) * k / 299.0;
  return buf;
}

TEST(GlossAxis, AutomaticScalingAddsMarginsWhereThereIsRoomFixedIsZeroToAThousand) {
  // After 60 passes the 40 oldest frames are still zero; the limits of every
  // frame count as much as the gloss value.
  GlossBuf early{};
  for (int k = 120; k < 300; ++k) early[static_cast<std::size_t>(k)] = 500 + k % 3;
  GlossBuf earlyHigh = early;
  earlyHigh[299] = 900;
  struct Case {
    const char* what;
    GlossBuf buf;
    bool automatic;
    double min, max;
  };
  const Case cases[] = {
      {"500", Spread(500, 500), true, 475, 525},
      {"10..990", Spread(10, 990), true, 10, 990},  // 10 is not above 25, 990 not below 975
      {"30..970", Spread(30, 970), true, 5, 995},
      {"25..975", Spread(25, 975), true, 25, 975},    // the margins need more than 25 of room
      {"1500", Spread(1500, 1500), true, 975, 1500},  // the minimum starts at 1000
      {"0", Spread(0, 0), true, 0, 25},               // the maximum starts at 0
      {"first passes", early, true, 0, 527},
      {"first passes, 900", earlyHigh, true, 0, 925},
      {"fixed 500", Spread(500, 500), false, 0, 1000},
      {"fixed 5000", Spread(5000, 5000), false, 0, 1000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    double min = -1, max = -1;
    GlossAxisRange(c.buf, c.automatic, &min, &max);
    EXPECT_EQ(min, c.min);
    EXPECT_EQ(max, c.max);
  }
}

}  // namespace
}  // namespace tavix::logic
