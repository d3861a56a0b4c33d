// The gloss axis of the live cycle (the history and the limit lines are
// proven end to end).
#include <gtest/gtest.h>

#include "logic/limits.h"

namespace tavix::logic {
namespace {

// The fixed axis (0..1000), and the empty frames of an early history that
// keep the minimum at 0, are proven end to end.
TEST(GlossAxis, AutomaticScalingAddsMarginsWhereThereIsRoom) {
  struct Case {
    double lo, hi;
    double min, max;
  };
  const Case cases[] = {{500, 500, 475, 525}, {10, 990, 10, 990},      {30, 970, 5, 995},
                        {25, 975, 25, 975},   {1500, 1500, 975, 1500}, {0, 0, 0, 25}};
  for (const Case& c : cases) {
    GlossHistory values{};  // 300 of them, running evenly from lo to hi
    for (std::size_t k = 0; k < 300; ++k) values[k] = c.lo + (c.hi - c.lo) * k / 299.0;
    double min = -1, max = -1;
    GlossAxisRange(values, true, &min, &max);
    EXPECT_EQ(std::pair(min, max), std::pair(c.min, c.max)) << c.lo << ".." << c.hi;
  }
}

}  // namespace
}  // namespace tavix::logic
