// The one clock of both programs: monotonic seconds, as every wait and
// every elapsed time compares them, and a sleep to a deadline on it.
#pragma once

#include <chrono>

namespace tavix {

inline double Timer() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// Sleeps until Timer() has reached `deadline` (returns at once if it has).
void SleepUntil(double deadline);

}  // namespace tavix
