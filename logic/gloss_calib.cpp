#include "logic/gloss_calib.h"

#include <algorithm>
#include <array>

namespace tavix::logic {

namespace {

std::array<std::uint16_t, kCalibWords> CalibSet(const protocol::NamedParams& v,
                                                const GlossWords& w) {
  return {v.power,    v.pmod,    v.average, v.evalmode, v.hold,   v.intlim,
          v.maxcolno, v.outmode, v.trigger, w.gfpow1,   w.gfpow2, w.gf60deg};
}

}  // namespace

RefOutcome CalibrateRef1(GlossWords& words, const MeasureAt& measure) {
  const SearchResult r = PowerSearch(kRef1Target, measure);
  words.gfpow1 = r.power;
  if (!r.complete) return RefOutcome::kStepFailed;
  if (!Ref1Accepted(r.raw)) return RefOutcome::kOutsideWindow;
  words.gf60deg = r.raw;
  return RefOutcome::kPassed;
}

RefOutcome CalibrateRef2(GlossWords& words, const MeasureAt& measure) {
  if (!Ref1Accepted(words.gf60deg)) return RefOutcome::kNoReference1;
  const std::optional<std::uint16_t> atPow1 = measure(words.gfpow1);
  if (!atPow1) return RefOutcome::kStepFailed;
  const std::uint16_t target = Ref2Target(*atPow1);
  const SearchResult r = PowerSearch(target, measure);
  words.gfpow2 = r.power;
  if (!r.complete) return RefOutcome::kStepFailed;
  return Ref2Accepted(r.raw, target, r.power) ? RefOutcome::kPassed : RefOutcome::kOutsideWindow;
}

void CopyCalibVarsToPP(const protocol::NamedParams& vars, const GlossWords& words,
                       protocol::ParamBlock& block) {
  const auto set = CalibSet(vars, words);
  std::copy(set.begin(), set.end(), block.pp.begin());
}

int CalibParaComp(const protocol::ParamBlock& block, const protocol::NamedParams& vars,
                  const GlossWords& words) {
  const auto set = CalibSet(vars, words);
  return std::equal(set.begin(), set.end(), block.pp.begin()) ? 0 : 1;
}

}  // namespace tavix::logic
