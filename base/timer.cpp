#include "base/timer.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <thread>

namespace tavix {

namespace detail {
double* manualNow = nullptr;
}  // namespace detail

void SleepUntil(double deadline) {
  if (detail::manualNow != nullptr) {
    // Time moves on while one sleeps, if only by a tick, as the steady clock
    // does: a caller that sleeps again to a deadline that rounding left just
    // ahead of it is not stuck.
    double& now = *detail::manualNow;
    now = std::max(deadline, std::nextafter(now, std::numeric_limits<double>::infinity()));
    return;
  }
  using namespace std::chrono;
  const steady_clock::time_point until{
      duration_cast<steady_clock::duration>(duration<double>(deadline))};
  // sleep_until may return a little early on some systems; loop until the
  // clock has really reached the deadline.
  while (Timer() < deadline) std::this_thread::sleep_until(until);
}

void SetManualClock(double* now) {
  detail::manualNow = now;
}

}  // namespace tavix
