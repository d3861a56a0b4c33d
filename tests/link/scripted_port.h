// A Port without a line for tests of the Link: each frame written on it is
// answered from a script, on a clock the test runs by hand, so that a
// transaction with a 2 s time-out takes no real time.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "link/port.h"

namespace tavix::link {

using Bytes = std::vector<std::uint8_t>;

// The port's clock: moves only when a wait or a sleep moves it.
struct ManualClock {
  double now = 1024.0;
};

enum class HangUp { kNever, kOnWrite, kAt, kOnRead };

// What the far end does with one frame. Times are seconds after the write.
struct Reply {
  struct Piece {
    double at;
    Bytes bytes;
  };
  Reply& Send(double at, Bytes bytes) {
    pieces.push_back({at, std::move(bytes)});
    return *this;
  }
  Reply& WriteReturns(int result) {
    writeResult = result;
    return *this;
  }
  Reply& Hang(HangUp when, double at = 0.0) {
    hangUp = when;
    hangUpAt = at;
    return *this;
  }

  std::vector<Piece> pieces;       // what it sends back; none: silence
  std::optional<int> writeResult;  // what ComWrt returns instead of the count
  HangUp hangUp = HangUp::kNever;  // kOnRead: once the answer is read
  double hangUpAt = 0.0;
};

// `n` bytes that differ from those of another seed.
inline Bytes Pattern(int n, std::uint8_t seed) {
  Bytes bytes(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) bytes[i] = static_cast<std::uint8_t>(seed + 7 * i);
  return bytes;
}

class ScriptedPort final : public Port {
 public:
  explicit ScriptedPort(ManualClock& clock) : clock_(clock) {}

  std::deque<Reply> script;   // one taken per frame written on the open port; then silence
  std::vector<Bytes> writes;  // every frame written on the open port
  std::vector<int> reads;     // the count of each ComRd
  int inputFlushes = 0;
  int waits = 0;                 // WaitInQ calls
  std::function<void()> onWait;  // runs at the end of each WaitInQ

  int OpenComConfig(int, const QString&, int, int, int, int, int, int) override {
    open_ = true;
    return 0;
  }
  int SetComTime(double) override { return open_ ? 0 : kPortNotOpen; }
  int SetCTSMode(int) override { return open_ ? 0 : kPortNotOpen; }
  int FlushOutQ() override { return open_ ? 0 : kPortNotOpen; }
  int FlushInQ() override {
    ++inputFlushes;
    if (!open_) return kPortNotOpen;
    Deliver();
    queue_.clear();
    return 0;
  }
  int ComWrt(const char* buffer, int count) override {
    if (!open_) return kPortNotOpen;
    writes.emplace_back(buffer, buffer + std::max(count, 0));
    Reply reply;
    if (!script.empty()) {
      reply = std::move(script.front());
      script.pop_front();
    }
    if (reply.hangUp == HangUp::kOnWrite) {
      Lose();
      return kUnknownIoError;
    }
    for (Reply::Piece& piece : reply.pieces) Schedule(piece.at, std::move(piece.bytes), false);
    if (reply.hangUp == HangUp::kAt) Schedule(reply.hangUpAt, {}, true);
    hangUpOnRead_ = reply.hangUp == HangUp::kOnRead;
    return reply.writeResult.value_or(count);
  }
  int GetInQLen() override {
    Deliver();
    return open_ ? static_cast<int>(queue_.size()) : 0;
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
  int CloseCom() override {
    if (!open_) return kPortNotOpen;
    open_ = false;
    return 0;
  }
  // Moves the clock to the next arrival within `seconds`, or by `seconds`.
  void WaitInQ(double seconds) override {
    ++waits;
    const double deadline = clock_.now + std::max(seconds, 0.0);
    const bool arrives = open_ && !events_.empty() && events_.begin()->first <= deadline;
    clock_.now = arrives ? std::max(clock_.now, events_.begin()->first) : deadline;
    Deliver();
    if (onWait) onWait();
  }
  double Now() const override { return clock_.now; }
  // Time moves on while one sleeps, if only by a tick, as the steady clock
  // does: a caller that sleeps again to a deadline rounding left just ahead
  // of it is not stuck.
  void SleepUntil(double deadline) override {
    clock_.now = std::max(deadline, std::nextafter(clock_.now, deadline + 1.0));
  }
  bool IsOpen() const override { return open_; }
  QString DevicePath() const override { return QStringLiteral("/dev/scripted"); }
  QString OpenDetail() const override { return detail_; }
  QString TakeLostReason() override {
    QString reason;
    reason.swap(lostReason_);
    return reason;
  }

 private:
  struct Event {
    Bytes bytes;
    bool hangUp;
  };

  void Schedule(double after, Bytes bytes, bool hangUp) {
    events_.emplace(clock_.now + after, Event{std::move(bytes), hangUp});
  }
  // Queues what has arrived by now; a hang-up ends the line.
  void Deliver() {
    while (open_ && !events_.empty() && events_.begin()->first <= clock_.now) {
      const Event event = std::move(events_.begin()->second);
      events_.erase(events_.begin());
      if (event.hangUp) {
        Lose();
      } else {
        queue_.insert(queue_.end(), event.bytes.begin(), event.bytes.end());
      }
    }
  }
  void Lose() {
    open_ = false;
    queue_.clear();
    events_.clear();
    hangUpOnRead_ = false;
    lostReason_ = detail_ = QStringLiteral("the device /dev/scripted hung up");
  }

  ManualClock& clock_;
  bool open_ = false;
  bool hangUpOnRead_ = false;
  std::multimap<double, Event> events_;  // by arrival time
  std::deque<std::uint8_t> queue_;
  QString detail_;
  QString lostReason_;
};

}  // namespace tavix::link
