// The means of the calibration frames, the factors and their limits in their order.
#include <gtest/gtest.h>

#include <tuple>

#include "logic/calib_factors.h"

namespace tavix::logic {
namespace {

constexpr std::uint16_t STAT = 0, DYN = 1;
using R = FactorResult;

TEST(ComputeFactors, MeansOfAHundredFramesThenStatAndDynFactorsAndTheirLimitsInTheirOrder) {
  MeasureSums sums;  // 32 bits: 100 x 65535 fits
  for (int i = 0; i < kCalibFrames; ++i) {
    AddFrame(sums, static_cast<std::uint16_t>(1999 + i % 2), 10, 65535);
  }
  const ChannelMeans m = Means(sums);
  EXPECT_EQ(std::tuple(m.meanR, m.meanG, m.meanB, m.meanD),
            std::tuple(1999, 10, 65535, 65525));  // 1999.5 truncated

  struct Case {
    const char* what;
    ChannelMeans means;  // R, G, B, spread
    FactorInputs in;     // pmod, setvalue, maxdelta, maxpow, power
    R result;
    protocol::CalibFactors factors;  // with kOk; {}: 1000 each
  };
  const Case cases[] = {
      {"DYN, 20DEG out", {1000, 1500, 2000, 0}, {DYN, 0, 100, 900, 500}, R::kOutOfRange, {}},
      {"DYN", {1400, 1500, 1600, 0}, {DYN, 0, 1000, 900, 500}, R::kOk, {1071, 1000, 937}},
      {"750, 1250", {2000, 1200, 1500, 0}, {STAT, 1500, 0, 0, 0}, R::kOk, {750, 1250, 1000}},
      {"749", {2001, 1500, 1500, 0}, {STAT, 1500, 0, 0, 0}, R::kOutOfRange, {}},
      {"1251", {1500, 1500, 1199, 0}, {STAT, 1500, 0, 0, 0}, R::kOutOfRange, {}},
      {"spread = limit", {2000, 2000, 2000, 300}, {STAT, 2000, 300, 0, 0}, R::kOk, {}},
      {"spread > limit", {2000, 2000, 2000, 301}, {STAT, 2000, 300, 0, 0}, R::kSpreadTooHigh, {}},
      {"spread first", {1, 2000, 2000, 301}, {DYN, 0, 300, 10, 900}, R::kSpreadTooHigh, {}},
      {"power = limit", {2000, 2000, 2000, 0}, {DYN, 0, 0, 800, 800}, R::kOk, {}},
      {"power > limit", {2000, 2000, 2000, 0}, {DYN, 0, 0, 800, 801}, R::kPowerTooHigh, {}},
      {"power before range", {1000, 1500, 2000, 0}, {DYN, 0, 0, 800, 801}, R::kPowerTooHigh, {}},
      {"STAT: no power", {2000, 2000, 2000, 0}, {STAT, 2000, 0, 800, 1000}, R::kOk, {}},
      {"66536, 1000 in 16 bits", {125, 125, 125, 0}, {STAT, 8317, 0, 0, 0}, R::kOutOfRange, {}},
      {"a mean of 0", {2000, 0, 2000, 0}, {STAT, 2000, 65535, 0, 0}, R::kOutOfRange, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Factors f = ComputeFactors(c.means, c.in);
    EXPECT_EQ(f.result, c.result);
    if (c.result == R::kOk) {
      EXPECT_EQ(std::tuple(f.factors.cfrot, f.factors.cfgruen, f.factors.cfblau),
                std::tuple(c.factors.cfrot, c.factors.cfgruen, c.factors.cfblau));
    }
  }
}

}  // namespace
}  // namespace tavix::logic
