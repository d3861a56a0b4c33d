// Growth of the circle tolerances of the active teach-table rows: all grow
// together, one unit per step up to 200, and a row stops as soon as its
// circle touches that of another active row whose intensity window it shares.
#pragma once

#include <cstdint>

#include "protocol/params.h"

namespace tavix::logic {

inline constexpr int kMaxGrownCto = 200;

// Grows word 2 (CTO) of rows 0..maxcolno-1 of `ctt` in place, from the
// values they hold (the adjustment sets them to 1 first). Other words and
// rows beyond maxcolno (at most 31 rows are taken) are left as they are.
void GrowTolerances(protocol::TeachTable& ctt, int maxcolno);

}  // namespace tavix::logic
