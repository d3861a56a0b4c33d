// Monotonic time in seconds, the clock every wait of the link compares with.
#pragma once

#include <chrono>

namespace tavix::link {

inline double Timer() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// Sleeps until Timer() has reached `deadline` (returns at once if it has).
void SleepUntil(double deadline);

}  // namespace tavix::link
