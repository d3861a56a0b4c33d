// The calibrations without a sensor. The calibration program's: the means of
// its frames, the factors and their limits in their order. The gloss
// calibration's: the trial powers of the search, the windows of both
// references, what a failed step leaves, and the calibration words compared
// after sending.
#include <gtest/gtest.h>

#include <functional>
#include <tuple>
#include <vector>

#include "logic/calib_factors.h"
#include "logic/gloss_calib.h"
#include "logic/power_search.h"

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

  // The means (R, G, B, spread), the inputs (pmod, setvalue, maxdelta, maxpow,
  // power), the result and with kOk the factors ({}: 1000 each).
  const std::tuple<const char*, ChannelMeans, FactorInputs, R, protocol::CalibFactors> cases[] = {
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
  for (const auto& [what, means, in, result, factors] : cases) {
    SCOPED_TRACE(what);
    const Factors f = ComputeFactors(means, in);
    EXPECT_EQ(f.result, result);
    if (result == R::kOk) {
      EXPECT_EQ(std::tuple(f.factors.cfrot, f.factors.cfgruen, f.factors.cfblau),
                std::tuple(factors.cfrot, factors.cfgruen, factors.cfblau));
    }
  }
}

using Value = std::function<int(int call, int power)>;

// Answers `first` to the first call, `last` (if given) to the eleventh, `rest` otherwise.
Value Then(int first, int rest, int last = -1) {
  return [=](int call, int) { return call == 0 ? first : call == 10 && last >= 0 ? last : rest; };
}

// Reference 1: the last value strictly between 3500 and 4000; its search
// halves its step from 512 down to a power of 1 or up to 1000, and goes up
// on a value equal to the target 3750. Reference 2: 300 at gfpow1 gives the
// target 3000, the last value within +-199 of it. A failed reference 1, a
// reference 2 before any reference 1 and a search to a reachable target are
// proven end to end.
TEST(Calibrate, WindowsOfBothReferencesAndWhatAFailedStepLeaves) {
  auto ending = [](int last) { return Then(300, 5000, last); };  // power down to 1
  using O = RefOutcome;
  struct Case {
    const char* name;
    int ref, gf60deg;  // before; 3600 and 3750 from an earlier success
    Value value;
    int failAt;
    O outcome;
    std::size_t steps;
    int gfpow, gf60degAfter;  // gfpow: the reference's own, gfpow1 or gfpow2
  };
  const Case cases[] = {
      {"ref1 3500", 1, 3600, Then(3500, 3500), 1000, O::kOutsideWindow, 10, 1000, 3600},
      {"ref1 3750", 1, 3600, Then(3750, 3750), 1000, O::kPassed, 10, 1000, 3750},
      {"ref1 3501", 1, 3600, Then(3501, 3501), 1000, O::kPassed, 10, 1000, 3501},
      {"ref1 3999", 1, 3600, Then(3999, 3999), 1000, O::kPassed, 10, 1, 3999},
      {"ref1 4000", 1, 3600, Then(4000, 4000), 1000, O::kOutsideWindow, 10, 1, 3600},
      {"ref2 -200", 2, 3750, ending(2800), 1000, O::kOutsideWindow, 11, 1, 3750},
      {"ref2 -199", 2, 3750, ending(2801), 1000, O::kPassed, 11, 1, 3750},
      {"ref2 +199", 2, 3750, ending(3199), 1000, O::kPassed, 11, 1, 3750},
      {"ref2 +200", 2, 3750, ending(3200), 1000, O::kOutsideWindow, 11, 1, 3750},
      {"ref2 power 1000", 2, 3750, Then(300, 3000), 1000, O::kOutsideWindow, 11, 1000, 3750},
      {"ref2 4010 on target", 2, 3750, Then(401, 5000, 4010), 1000, O::kOutsideWindow, 11, 1, 3750},
      {"ref2 fails at gfpow1", 2, 3750, ending(3000), 0, O::kStepFailed, 1, 321, 3750},
      {"ref2 fails later", 2, 3750, Then(300, 100), 2, O::kStepFailed, 3, 768, 3750},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GlossWords words{75, 321, static_cast<std::uint16_t>(c.gf60deg)};
    // A measuring step that answers from c.value and keeps the trial powers;
    // it fails from call c.failAt on.
    std::vector<int> tried;
    const MeasureAt probe = [&](std::uint16_t power) -> std::optional<std::uint16_t> {
      const int call = static_cast<int>(tried.size());
      tried.push_back(power);
      if (call >= c.failAt) return std::nullopt;
      return static_cast<std::uint16_t>(c.value(call, power));
    };
    const bool one = c.ref == 1;
    EXPECT_EQ(one ? CalibrateRef1(words, probe) : CalibrateRef2(words, probe), c.outcome);
    ASSERT_EQ(tried.size(), c.steps);
    // Reference 1 starts its search at 512, reference 2 measures its target at gfpow1.
    EXPECT_EQ(tried.empty() ? 0 : tried.front(), c.steps == 0 ? 0 : one ? 512 : 75);
    EXPECT_EQ(std::tuple(one ? words.gfpow1 : words.gfpow2, words.gf60deg),
              std::tuple(c.gfpow, c.gf60degAfter));
    EXPECT_EQ(one ? words.gfpow2 : words.gfpow1, one ? 321 : 75);  // the other stays
  }
}

TEST(CalibParaComp, ComparesWordsZeroToElevenOnly) {
  protocol::NamedParams vars;
  vars.power = 750, vars.average = 1024, vars.evalmode = 6, vars.hold = 10, vars.intlim = 50;
  const GlossWords words{75, 751, 3750};
  protocol::ParamBlock block;
  block.pp.fill(7);
  CopyCalibVarsToPP(vars, words, block);
  for (int word = -1; word < 16; ++word) {
    protocol::ParamBlock echoed = block;
    if (word >= 0) echoed.pp[word] ^= 1;
    EXPECT_EQ(CalibParaComp(echoed, vars, words), word >= 0 && word < 12 ? 1 : 0) << word;
  }
}

}  // namespace
}  // namespace tavix::logic
