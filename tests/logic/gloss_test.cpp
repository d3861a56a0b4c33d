// The gloss calibration without a sensor: the trial powers of the search,
// the windows of both references, what a failed step leaves, and the
// calibration words in the parameter block.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "logic/gloss_calib.h"
#include "logic/power_search.h"

namespace tavix::logic {
namespace {

using Powers = std::vector<int>;

// A measuring step that answers from `value` (call index, trial power) and
// keeps the trial powers; it fails from call `failAt` on.
struct Probe {
  explicit Probe(std::function<int(int call, int power)> v, int fail = 1000)
      : value(std::move(v)), failAt(fail) {}

  std::function<int(int call, int power)> value;
  int failAt;
  Powers powers;

  MeasureAt Step() {
    return [this](std::uint16_t power) -> std::optional<std::uint16_t> {
      const int call = static_cast<int>(powers.size());
      powers.push_back(power);
      if (call >= failAt) return std::nullopt;
      return static_cast<std::uint16_t>(value(call, power));
    };
  }
};

TEST(PowerSearch, TrialPowersHalveTheirStepTowardsTheTarget) {
  struct Case {
    const char* name;
    std::function<int(int, int)> value;
    Powers powers;
    int power, raw;
  };
  const Case cases[] = {
      {"above at every power",
       [](int, int) { return 3751; },
       {512, 256, 128, 64, 32, 16, 8, 4, 2, 1},
       1,
       3751},
      {"at the target at every power",
       [](int, int) { return 3750; },
       {512, 768, 896, 960, 992, 1000, 1000, 1000, 1000, 1000},
       1000,
       3750},
      {"50 counts per unit of power, up to 4095",
       [](int, int p) { return std::min(4095, 50 * p); },
       {512, 256, 128, 64, 96, 80, 72, 76, 74, 75},
       75,
       3750},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Probe probe{c.value};
    const SearchResult r = PowerSearch(kRef1Target, probe.Step());
    EXPECT_EQ(probe.powers, c.powers);
    EXPECT_TRUE(r.complete);
    EXPECT_EQ(r.power, c.power);
    EXPECT_EQ(r.raw, c.raw);
  }
}

TEST(CalibrateRef1, AcceptsOnlyLastValuesStrictlyBetween3500And4000) {
  struct Case {
    int raw;
    RefOutcome outcome;
    int gfpow1, gf60deg;
  };
  // Values at or below 3750 drive the power up to 1000, values above down to 1.
  const Case cases[] = {
      {3500, RefOutcome::kOutsideWindow, 1000, 3600},
      {3501, RefOutcome::kPassed, 1000, 3501},
      {3999, RefOutcome::kPassed, 1, 3999},
      {4000, RefOutcome::kOutsideWindow, 1, 3600},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.raw);
    GlossWords words{0, 0, 3600};  // from an earlier success
    Probe probe{[&](int, int) { return c.raw; }};
    EXPECT_EQ(CalibrateRef1(words, probe.Step()), c.outcome);
    EXPECT_EQ(probe.powers.size(), 10u);
    EXPECT_EQ(words.gfpow1, c.gfpow1);
    EXPECT_EQ(words.gf60deg, c.gf60deg);
  }
}

TEST(CalibrateRef1, FailedStepKeepsTheEarlierGf60degAndStopsMeasuring) {
  GlossWords words{75, 750, 3750};
  Probe probe{[](int, int) { return 3700; }, /*fail=*/1};
  EXPECT_EQ(CalibrateRef1(words, probe.Step()), RefOutcome::kStepFailed);
  EXPECT_EQ(probe.powers, (Powers{512, 768}));
  EXPECT_EQ(words.gfpow1, 768);
  EXPECT_EQ(words.gf60deg, 3750);
  EXPECT_EQ(words.gfpow2, 750);
}

TEST(CalibrateRef2, WindowOfPlusMinus199AroundTenTimesTheValueAtGfpow1) {
  constexpr int kTarget = 3000;  // ten times the 300 measured at gfpow1
  struct Case {
    const char* name;
    std::function<int(int call, int power)> value;
    RefOutcome outcome;
    int gfpow2;
  };
  // Above the target until the last step drives the power down to 1; the
  // last step's value is the one judged.
  auto endingAt = [](int last) {
    return [last](int call, int) { return call == 0 ? 300 : call == 10 ? last : 5000; };
  };
  const Case cases[] = {
      {"target - 200", endingAt(kTarget - 200), RefOutcome::kOutsideWindow, 1},
      {"target - 199", endingAt(kTarget - 199), RefOutcome::kPassed, 1},
      {"target + 199", endingAt(kTarget + 199), RefOutcome::kPassed, 1},
      {"target + 200", endingAt(kTarget + 200), RefOutcome::kOutsideWindow, 1},
      {"power capped at 1000, value on target",
       [](int call, int) { return call == 0 ? 300 : kTarget; }, RefOutcome::kOutsideWindow, 1000},
      {"value 4000 and more, even on target",
       [](int call, int) { return call == 0    ? 401
                                  : call == 10 ? 4010
                                               : 5000; },
       RefOutcome::kOutsideWindow, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GlossWords words{75, 0, 3750};
    Probe probe{c.value};
    EXPECT_EQ(CalibrateRef2(words, probe.Step()), c.outcome);
    ASSERT_EQ(probe.powers.size(), 11u);
    EXPECT_EQ(probe.powers.front(), 75);  // the target is measured at gfpow1
    EXPECT_EQ(words.gfpow2, c.gfpow2);
    EXPECT_EQ(words.gf60deg, 3750);
  }
}

TEST(CalibrateRef2, WithoutAnAcceptedReference1NothingIsMeasured) {
  for (const int gf60deg : {0, 3500, 4000}) {
    SCOPED_TRACE(gf60deg);
    GlossWords words{75, 321, static_cast<std::uint16_t>(gf60deg)};
    Probe probe{[](int, int) { return 3000; }};
    EXPECT_EQ(CalibrateRef2(words, probe.Step()), RefOutcome::kNoReference1);
    EXPECT_TRUE(probe.powers.empty());
    EXPECT_EQ(words.gfpow2, 321);
  }
}

TEST(CalibrateRef2, FailedStepEndsItAndLeavesGfpow2AtThatStep) {
  struct Case {
    int failAt;
    int gfpow2;
  };
  for (const Case c : {Case{0, 321}, Case{2, 768}}) {
    SCOPED_TRACE(c.failAt);
    GlossWords words{75, 321, 3750};
    Probe probe{[](int call, int) { return call == 0 ? 300 : 100; }, c.failAt};
    EXPECT_EQ(CalibrateRef2(words, probe.Step()), RefOutcome::kStepFailed);
    EXPECT_EQ(probe.powers.size(), static_cast<std::size_t>(c.failAt + 1));
    EXPECT_EQ(words.gfpow2, c.gfpow2);
  }
}

TEST(CalibParaComp, ComparesWordsZeroToElevenOnly) {
  link::NamedParams vars;
  vars.power = 750;
  vars.average = 1024;
  vars.evalmode = 6;
  vars.hold = 10;
  vars.intlim = 50;
  vars.maxcolno = 3;
  vars.outmode = 1;
  const GlossWords words{75, 751, 3750};
  link::ParamBlock block;
  block.pp.fill(7);
  CopyCalibVarsToPP(vars, words, block);
  const std::vector<std::uint16_t> first(block.pp.begin(), block.pp.begin() + 16);
  EXPECT_EQ(first, (std::vector<std::uint16_t>{750, 0, 1024, 6, 10, 50, 3, 1, 0, 75, 751, 3750, 7,
                                               7, 7, 7}));
  EXPECT_EQ(block.pp[170], 7);
  EXPECT_EQ(CalibParaComp(block, vars, words), 0);
  for (int word = 0; word < 16; ++word) {
    SCOPED_TRACE(word);
    link::ParamBlock echoed = block;
    echoed.pp[word] ^= 1;
    EXPECT_EQ(CalibParaComp(echoed, vars, words), word < 12 ? 1 : 0);
  }
}

}  // namespace
}  // namespace tavix::logic
