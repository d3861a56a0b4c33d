// A port that passes every operation on to another one and writes what goes
// over the line into a line log: opens and closes (port changes), the bytes
// of every write and every read, and a lost port's reason.
#pragma once

#include "link/forwarding_port.h"
#include "link/line_log.h"

namespace tavix::link {

class LoggedPort final : public ForwardingPort {
 public:
  LoggedPort(Port& port, LineLog& log) : ForwardingPort(port), log_(log) {}

  int OpenComConfig(int com, const QString& deviceName, int baud, int parity, int dataBits,
                    int stopBits, int inQueueSize, int outQueueSize) override;
  int ComWrt(const char* buffer, int count) override;
  int ComRd(char* buffer, int count) override;
  int CloseCom() override;
  QString TakeLostReason() override;

 private:
  LineLog& log_;
};

}  // namespace tavix::link
