// Helpers shared by the link suites.
#pragma once

#include <sys/resource.h>

#include <QString>
#include <string>
#include <vector>

#include "link/link.h"

namespace tavix::link {

// Counts failure reports and keeps every lost-link reason.
class CountingReporter : public FailureReporter {
 public:
  void ReportFailure() override {
    ++failures;
    calls += 'F';
  }
  void ReportLinkLost(const QString& reason) override {
    lost.push_back(reason);
    calls += 'L';
  }
  int failures = 0;
  std::vector<QString> lost;
  std::string calls;  // 'F' per failure, 'L' per lost link, in order
};

// CPU time the calling thread has used, in seconds (the simulator runs on a
// thread of its own in the same process).
inline double ThreadCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_THREAD, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

}  // namespace tavix::link
