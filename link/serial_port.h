// The real serial port, on QSerialPort.
#pragma once

#include <memory>

#include "link/port.h"

class QSerialPort;

namespace tavix::link {

class SerialPort final : public Port {
 public:
  SerialPort();
  ~SerialPort() override;

  int OpenComConfig(int com, const QString& deviceName, int baud, int parity, int dataBits,
                    int stopBits, int inQueueSize, int outQueueSize) override;
  int SetComTime(double seconds) override;
  int SetCTSMode(int mode) override;
  int FlushInQ() override;
  int FlushOutQ() override;
  int ComWrt(const char* buffer, int count) override;
  int GetInQLen() override;
  int ComRd(char* buffer, int count) override;
  int CloseCom() override;
  void WaitInQ(double seconds) override;
  bool IsOpen() const override;
  QString DevicePath() const override;
  QString OpenDetail() const override;
  QString TakeLostReason() override;
  void WatchLoss(std::function<void()> onLost) override;

 private:
  // Marks the span of one of the operations above: errors the port raises
  // meanwhile are that operation's.
  class InUse;

  // After a failed wait or read: true (and the port closed, the reason kept)
  // when the error shows that the device hung up or went away.
  bool CheckLost();
  void MarkLost();
  // An error the port raised: one outside every operation comes from the
  // event loop's read notification, which Qt repeats as long as the device
  // stays hung up; a loss is taken there once.
  void OnError(int error);
  void TakeIdleLoss(int open);

  std::unique_ptr<QSerialPort> serial_;
  std::function<void()> onLost_;
  int inUse_ = 0;                     // operations running (nested)
  int opens_ = 0;                     // successful opens so far: which open a queued loss is of
  bool lossQueued_ = false;           // an idle loss waits to be taken
  double timeout_ = kTimeoutSeconds;  // of writes and reads (SetComTime)
  QString devicePath_;
  QString detail_;
  QString lostReason_;
};

}  // namespace tavix::link
