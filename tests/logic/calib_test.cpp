// The calibration program's factor computation and the means it starts from.
#include <gtest/gtest.h>

#include "logic/calib_factors.h"

namespace tavix::logic {
namespace {

constexpr std::uint16_t STAT = 0;
constexpr std::uint16_t DYN = 1;

struct Case {
  const char* what;
  ChannelMeans means;
  FactorInputs in;  // pmod, setvalue, maxdelta, maxpow, power
  FactorResult result;
  link::CalibFactors factors;  // with kOk
};

TEST(ComputeFactors, StatAndDynFactorsAndTheirLimitsInTheirOrder) {
  using R = FactorResult;
  const Case cases[] = {
      {"STAT to the set value",
       {2000, 1600, 2500, 0},
       {STAT, 2000, 100, 0, 0},
       R::kOk,
       {1000, 1250, 800}},
      {"DYN to the common mean: 20DEG gives 1500",
       {1000, 1500, 2000, 0},
       {DYN, 0, 100, 900, 500},
       R::kOutOfRange,
       {}},
      {"DYN within range",
       {1400, 1500, 1600, 0},
       {DYN, 0, 1000, 900, 500},
       R::kOk,
       {1071, 1000, 937}},
      {"DYN common mean truncates",
       {1000, 1000, 1001, 0},
       {DYN, 0, 100, 900, 0},
       R::kOk,
       {1000, 1000, 999}},
      // The range ends are inclusive.
      {"750 and 1250 accepted",
       {2000, 1200, 1500, 0},
       {STAT, 1500, 0, 0, 0},
       R::kOk,
       {750, 1250, 1000}},
      {"749 refused", {2001, 1500, 1500, 0}, {STAT, 1500, 0, 0, 0}, R::kOutOfRange, {}},
      {"1251 refused", {1500, 1500, 1199, 0}, {STAT, 1500, 0, 0, 0}, R::kOutOfRange, {}},
      // Spread: equal to the limit passes, one above fails before anything else.
      {"spread at the limit",
       {2000, 2000, 2000, 300},
       {STAT, 2000, 300, 0, 0},
       R::kOk,
       {1000, 1000, 1000}},
      {"spread one above", {2000, 2000, 2000, 301}, {STAT, 2000, 300, 0, 0}, R::kSpreadTooHigh, {}},
      {"spread before power and range",
       {1, 2000, 2000, 301},
       {DYN, 0, 300, 10, 900},
       R::kSpreadTooHigh,
       {}},
      // DYN power: equal passes, one above fails, and before the range.
      {"DYN power at the limit",
       {2000, 2000, 2000, 0},
       {DYN, 0, 0, 800, 800},
       R::kOk,
       {1000, 1000, 1000}},
      {"DYN power one above", {2000, 2000, 2000, 0}, {DYN, 0, 0, 800, 801}, R::kPowerTooHigh, {}},
      {"DYN power before the range",
       {1000, 1500, 2000, 0},
       {DYN, 0, 0, 800, 801},
       R::kPowerTooHigh,
       {}},
      {"STAT ignores the power",
       {2000, 2000, 2000, 0},
       {STAT, 2000, 0, 800, 1000},
       R::kOk,
       {1000, 1000, 1000}},
      // A quotient too wide for 16 bits counts as above the range.
      {"quotient beyond 16 bits", {1, 1000, 1000, 0}, {STAT, 1000, 0, 0, 0}, R::kOutOfRange, {}},
      {"largest set value on mean 1",
       {65535, 65535, 1, 0},
       {STAT, 65535, 65535, 0, 0},
       R::kOutOfRange,
       {}},
      // A dark channel has no quotient: out of range, also in DYN and STAT 0.
      {"STAT dark 60DEG", {2000, 0, 2000, 0}, {STAT, 2000, 65535, 0, 0}, R::kOutOfRange, {}},
      {"DYN dark 80DEG", {2000, 2000, 0, 0}, {DYN, 0, 65535, 1000, 0}, R::kOutOfRange, {}},
      {"all dark, set value 0", {0, 0, 0, 0}, {STAT, 0, 0, 0, 0}, R::kOutOfRange, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Factors f = ComputeFactors(c.means, c.in);
    EXPECT_EQ(f.result, c.result);
    if (c.result == R::kOk) {
      EXPECT_EQ(f.factors.cfrot, c.factors.cfrot);
      EXPECT_EQ(f.factors.cfgruen, c.factors.cfgruen);
      EXPECT_EQ(f.factors.cfblau, c.factors.cfblau);
    }
  }
}

TEST(Means, SumsOfAHundredFramesTruncateAndCarryTheSpread) {
  MeasureSums sums;
  for (int i = 0; i < kCalibFrames; ++i) {
    // 20DEG alternates 1999/2000, 60DEG is the darkest, 80DEG at the top of
    // the word: the 32-bit sums hold 100 x 65535.
    AddFrame(sums, static_cast<std::uint16_t>(1999 + i % 2), 10, 65535);
  }
  EXPECT_EQ(sums.r, 199950u);
  EXPECT_EQ(sums.d, 100u * 65525u);
  const ChannelMeans m = Means(sums);
  EXPECT_EQ(m.meanR, 1999);  // 1999.5 truncated
  EXPECT_EQ(m.meanG, 10);
  EXPECT_EQ(m.meanB, 65535);
  EXPECT_EQ(m.meanD, 65525);
  EXPECT_EQ(Spread(7, 7, 7), 0);
  EXPECT_EQ(Spread(3, 9, 1), 8);
}

}  // namespace
}  // namespace tavix::logic
