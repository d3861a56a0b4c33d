// Helpers shared by the link suites: a reporter that keeps every report, and
// a Port without a line for the Link's own rules: each frame written is
// answered from a script, on a clock that moves only when the Link waits or
// sleeps, so that a 2 s time-out takes no real time.
#pragma once

#include <algorithm>
#include <cmath>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "link/link.h"

namespace tavix::link {

// Every report in order ('F' failure, 'L' lost link) and each lost-link reason.
struct CountingReporter : FailureReporter {
  void ReportFailure() override { calls += 'F'; }
  void ReportLinkLost(const QString& reason) override {
    lost.push_back(reason);
    calls += 'L';
  }
  std::string calls;
  std::vector<QString> lost;
};

using Bytes = std::vector<std::uint8_t>;

enum class HangUp { kNever, kOnWrite, kOnRead };  // kOnRead: once the answer is read

// What the far end does with one frame. Times are seconds after the write.
struct Reply {
  Reply& Send(double at, std::optional<Bytes> bytes) {
    pieces.emplace_back(at, std::move(bytes));
    return *this;
  }
  Reply& HangUpAt(double at) { return Send(at, std::nullopt); }
  std::vector<std::pair<double, std::optional<Bytes>>> pieces{};  // none: silence
  std::optional<int> writeResult{};  // what ComWrt returns instead of the count
  HangUp hangUp = HangUp::kNever;
};

// `n` bytes that differ from those of another seed.
inline Bytes Pattern(int n, std::uint8_t seed) {
  Bytes bytes(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) bytes[i] = static_cast<std::uint8_t>(seed + 7 * i);
  return bytes;
}

class ScriptedPort final : public Port {
 public:
  double now = 1024.0;
  std::deque<Reply> script;   // one taken per frame written on the open port; then silence
  std::vector<Bytes> writes;  // every frame written on the open port
  std::vector<int> reads;     // the count of each ComRd
  int inputFlushes = 0, waits = 0;
  std::function<void()> onWait;  // runs at the end of each WaitInQ

  int OpenComConfig(int, const QString&, int, int, int, int, int, int) override {
    open_ = true;
    return 0;
  }
  int SetComTime(double) override { return Ok(); }
  int SetCTSMode(int) override { return Ok(); }
  int FlushOutQ() override { return Ok(); }
  int FlushInQ() override {
    ++inputFlushes;
    Deliver();
    queue_.clear();
    return Ok();
  }
  int ComWrt(const char* buffer, int count) override {
    if (!open_) return kPortNotOpen;
    writes.emplace_back(buffer, buffer + count);
    const Reply reply = script.empty() ? Reply() : script.front();
    if (!script.empty()) script.pop_front();
    if (reply.hangUp == HangUp::kOnWrite) return Lose();
    for (const auto& [at, bytes] : reply.pieces) events_.emplace(now + at, bytes);
    hangUpOnRead_ = reply.hangUp == HangUp::kOnRead;
    return reply.writeResult.value_or(count);
  }
  int GetInQLen() override {
    Deliver();
    return static_cast<int>(queue_.size());
  }
  int ComRd(char* buffer, int count) override {
    reads.push_back(count);
    if (count <= 0) return 0;
    if (!open_) return kPortNotOpen;
    Deliver();
    const int n = std::min(count, static_cast<int>(queue_.size()));
    std::copy_n(queue_.begin(), n, buffer);
    queue_.erase(queue_.begin(), queue_.begin() + n);
    if (hangUpOnRead_) Lose();
    return n;
  }
  int CloseCom() override { return std::exchange(open_, false) ? 0 : kPortNotOpen; }
  // Moves the clock to the next arrival within `seconds`, or by `seconds`.
  void WaitInQ(double seconds) override {
    ++waits;
    const double deadline = now + std::max(seconds, 0.0);
    const bool arrives = open_ && !events_.empty() && events_.begin()->first <= deadline;
    now = arrives ? std::max(now, events_.begin()->first) : deadline;
    Deliver();
    if (onWait) onWait();
  }
  double Now() const override { return now; }
  // Time moves on while one sleeps, if only by a tick, as on the steady clock.
  void SleepUntil(double deadline) override {
    now = std::max(deadline, std::nextafter(now, deadline + 1.0));
  }
  bool IsOpen() const override { return open_; }
  QString DevicePath() const override { return QStringLiteral("/dev/scripted"); }
  QString OpenDetail() const override { return {}; }
  QString TakeLostReason() override { return std::exchange(lostReason_, QString()); }

 private:
  int Ok() const { return open_ ? 0 : kPortNotOpen; }
  // Queues what has arrived by now; an arrival without bytes is a hang-up.
  void Deliver() {
    while (open_ && !events_.empty() && events_.begin()->first <= now) {
      const std::optional<Bytes> bytes = std::move(events_.begin()->second);
      events_.erase(events_.begin());
      if (!bytes) Lose();
      if (bytes) queue_.insert(queue_.end(), bytes->begin(), bytes->end());
    }
  }
  // Ends the line; returns what a write then gives.
  int Lose() {
    open_ = hangUpOnRead_ = false;
    queue_.clear();
    events_.clear();
    lostReason_ = QStringLiteral("the device /dev/scripted hung up");
    return kUnknownIoError;
  }

  bool open_ = false, hangUpOnRead_ = false;
  std::multimap<double, std::optional<Bytes>> events_;  // by arrival time
  std::deque<std::uint8_t> queue_;
  QString lostReason_;
};

}  // namespace tavix::link
