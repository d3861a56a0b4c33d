// The 60-degree gloss calibration without the panel: its three calibration
// words, the two reference workflows over a measuring step, and the copy
// and compare steps for parameter words 0 to 11.
#pragma once

#include <cstdint>

#include "logic/power_search.h"
#include "protocol/params.h"

namespace tavix::logic {

inline constexpr int kGfpow1Word = 9;
inline constexpr int kGfpow2Word = 10;
inline constexpr int kGf60degWord = 11;
inline constexpr int kCalibWords = 12;  // words 0 to 11 travel and are compared

// The calibration words, 0 at program start.
struct GlossWords {
  std::uint16_t gfpow1 = 0;   // power at which reference 1 reads near 3750
  std::uint16_t gfpow2 = 0;   // power at which reference 2 reads ten times its value at gfpow1
  std::uint16_t gf60deg = 0;  // reference 1's raw value at gfpow1, set only when accepted
};

enum class RefOutcome {
  kPassed,
  kOutsideWindow,  // the search ended, its result was refused
  kStepFailed,     // a step failed (already reported); the search ended there
  kNoReference1,   // reference 2 without an accepted reference 1: nothing measured
};

// Reference 1: searches gfpow1 towards raw 3750. gfpow1 keeps what the
// search reached; gf60deg takes the last value only when it is accepted.
RefOutcome CalibrateRef1(GlossWords& words, const MeasureAt& measure);

// Reference 2: needs gf60deg in 3501..3999. Measures once at gfpow1 for the
// target, then searches gfpow2, which keeps what the search reached.
RefOutcome CalibrateRef2(GlossWords& words, const MeasureAt& measure);

// The calibration parameter set: words 0 to 8 from `vars`, 9 to 11 the
// calibration words; 12 to 170 stay as they are.
void CopyCalibVarsToPP(const protocol::NamedParams& vars, const GlossWords& words,
                       protocol::ParamBlock& block);

// 0 when words 0 to 11 of `block` are what CopyCalibVarsToPP would write, 1 otherwise.
int CalibParaComp(const protocol::ParamBlock& block, const protocol::NamedParams& vars,
                  const GlossWords& words);

}  // namespace tavix::logic
