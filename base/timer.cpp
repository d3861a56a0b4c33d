#include "base/timer.h"

#include <thread>

namespace tavix {

void SleepUntil(double deadline) {
  using namespace std::chrono;
  const steady_clock::time_point until{
      duration_cast<steady_clock::duration>(duration<double>(deadline))};
  // sleep_until may return a little early on some systems; loop until the
  // clock has really reached the deadline.
  while (Timer() < deadline) std::this_thread::sleep_until(until);
}

}  // namespace tavix
