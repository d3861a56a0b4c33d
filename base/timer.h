// The one clock of both programs: monotonic seconds, as every wait and
// every elapsed time compares them, and a sleep to a deadline on it.
#pragma once

#include <chrono>

namespace tavix {

namespace detail {
// The hand-run time while SetManualClock has one in force; null otherwise.
extern double* manualNow;
}  // namespace detail

inline double Timer() {
  if (detail::manualNow != nullptr) return *detail::manualNow;
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// Sleeps until Timer() has reached `deadline` (returns at once if it has).
void SleepUntil(double deadline);

// For tests: while `now` is set, Timer() returns *now and SleepUntil moves
// *now to the deadline instead of sleeping, so waits cost no real time.
// nullptr brings back the steady clock. Only while no other thread uses the
// clock.
void SetManualClock(double* now);

}  // namespace tavix
