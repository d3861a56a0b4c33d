// A port that passes every operation on to another one: the base of ports
// that watch or change a few operations of a real port (the line log, the
// benchmarks' timing) and leave the rest as they are.
#pragma once

#include <functional>
#include <utility>

#include "link/port.h"

namespace tavix::link {

class ForwardingPort : public Port {
 public:
  explicit ForwardingPort(Port& port) : port_(port) {}

  int OpenComConfig(int com, const QString& deviceName, int baud, int parity, int dataBits,
                    int stopBits, int inQueueSize, int outQueueSize) override {
    return port_.OpenComConfig(com, deviceName, baud, parity, dataBits, stopBits, inQueueSize,
                               outQueueSize);
  }
  int SetComTime(double seconds) override { return port_.SetComTime(seconds); }
  int SetCTSMode(int mode) override { return port_.SetCTSMode(mode); }
  int FlushInQ() override { return port_.FlushInQ(); }
  int FlushOutQ() override { return port_.FlushOutQ(); }
  int ComWrt(const char* buffer, int count) override { return port_.ComWrt(buffer, count); }
  int GetInQLen() override { return port_.GetInQLen(); }
  int ComRd(char* buffer, int count) override { return port_.ComRd(buffer, count); }
  int CloseCom() override { return port_.CloseCom(); }
  void WaitInQ(double seconds) override { port_.WaitInQ(seconds); }
  double Now() const override { return port_.Now(); }
  void SleepUntil(double deadline) override { port_.SleepUntil(deadline); }
  bool IsOpen() const override { return port_.IsOpen(); }
  QString DevicePath() const override { return port_.DevicePath(); }
  QString OpenDetail() const override { return port_.OpenDetail(); }
  QString TakeLostReason() override { return port_.TakeLostReason(); }
  void WatchLoss(std::function<void()> onLost) override { port_.WatchLoss(std::move(onLost)); }

 protected:
  Port& port_;
};

}  // namespace tavix::link
