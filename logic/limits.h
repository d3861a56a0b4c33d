// The two values the live cycle derives itself: the limit lines drawn with
// the signal, and the range of the gloss chart's axis.
#pragma once

#include <array>
#include <cstdint>

#include "logic/history.h"
#include "protocol/codes.h"

namespace tavix::logic {

struct LimitLines {
  double upper = 0.0;
  double lower = 0.0;
};

// From the five cells of the teach-table row named in "No.:". With SOURCE
// INT the lines are INT + ITO (at most 4095) and INT - ITO (at least 0);
// with any other SOURCE columns 1 and 2 as they stand.
LimitLines LimitLinesFromRow(std::uint16_t source, const std::array<int, 5>& row);

// The gloss chart's axis: fixed 0..1000, or with `automatic` the smallest
// and largest of all values of the gloss history (bounded by 1000 and 0) with a margin of 25
// where there is room for it.
void GlossAxisRange(const GlossHistory& gfbuf, bool automatic, double* min, double* max);

}  // namespace tavix::logic
