#include "logic/limits.h"

namespace tavix::logic {

LimitLines LimitLinesFromRow(std::uint16_t source, const std::array<int, 5>& row) {
  LimitLines lines;
  if (source == protocol::Source::kInt) {
    const int intensity = row[3];
    const int window = row[4];
    // Signed and wide enough for any two cells: a window larger than the
    // intensity never wraps round to a positive lower line.
    int upper = intensity + window;
    if (upper > 4095) upper = 4095;
    int lower = intensity - window;
    if (lower < 0) lower = 0;
    lines.upper = upper;
    lines.lower = lower;
  } else {
    lines.upper = row[0];
    lines.lower = row[1];
  }
  return lines;
}

void GlossAxisRange(const GlossHistory& gfbuf, bool automatic, double* min, double* max) {
  if (!automatic) {
    *min = 0.0;
    *max = 1000.0;
    return;
  }
  double lo = 1000.0;
  double hi = 0.0;
  for (double v : gfbuf) {
    if (v < lo) lo = v;
    if (v > hi) hi = v;
  }
  if (lo > 25) lo -= 25;
  if (hi < 975) hi += 25;
  *min = lo;
  *max = hi;
}

}  // namespace tavix::logic
