// A port that passes every operation on to another one and writes what goes
// over the line into a line log: opens and closes (port changes), the bytes
// of every write and every read, and a lost port's reason.
#pragma once

#include <functional>
#include <utility>

#include "link/line_log.h"
#include "link/port.h"

namespace tavix::link {

class LoggedPort final : public Port {
 public:
  LoggedPort(Port& port, LineLog& log) : port_(port), log_(log) {}

  int OpenComConfig(int com, const QString& deviceName, int baud, int parity, int dataBits,
                    int stopBits, int inQueueSize, int outQueueSize) override;
  int SetComTime(double seconds) override { return port_.SetComTime(seconds); }
  int SetCTSMode(int mode) override { return port_.SetCTSMode(mode); }
  int FlushInQ() override { return port_.FlushInQ(); }
  int FlushOutQ() override { return port_.FlushOutQ(); }
  int ComWrt(const char* buffer, int count) override;
  int GetInQLen() override { return port_.GetInQLen(); }
  int ComRd(char* buffer, int count) override;
  int CloseCom() override;
  void WaitInQ(double seconds) override { port_.WaitInQ(seconds); }
  double Now() const override { return port_.Now(); }
  void SleepUntil(double deadline) override { port_.SleepUntil(deadline); }
  bool IsOpen() const override { return port_.IsOpen(); }
  QString DevicePath() const override { return port_.DevicePath(); }
  QString OpenDetail() const override { return port_.OpenDetail(); }
  QString TakeLostReason() override;
  void WatchLoss(std::function<void()> onLost) override { port_.WatchLoss(std::move(onLost)); }

 private:
  Port& port_;
  LineLog& log_;
};

}  // namespace tavix::link
