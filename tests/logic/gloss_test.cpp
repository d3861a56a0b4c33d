// The gloss calibration without a sensor: the trial powers of the search,
// the windows of both references, what a failed step leaves, and the
// calibration words compared after sending.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "logic/gloss_calib.h"
#include "logic/power_search.h"

namespace tavix::logic {
namespace {

using Powers = std::vector<int>;
using Value = std::function<int(int call, int power)>;

// A measuring step that answers from `value` and keeps the trial powers in
// `powers`; it fails from call `failAt` on.
MeasureAt Probe(Value value, Powers& powers, int failAt = 1000) {
  return [=, &powers](std::uint16_t power) -> std::optional<std::uint16_t> {
    const int call = static_cast<int>(powers.size());
    powers.push_back(power);
    if (call >= failAt) return std::nullopt;
    return static_cast<std::uint16_t>(value(call, power));
  };
}

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
    Powers tried;
    const MeasureAt probe = Probe(c.value, tried, c.failAt);
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
