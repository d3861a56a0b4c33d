// The serial-port operations the sensor link needs, as an interface.
// The real port (serial_port.h) sits on QSerialPort; nothing else in the
// programs touches the serial line except through the transactions of link.h.
#pragma once

#include <functional>

#include <QString>

#include "base/timer.h"

namespace tavix::link {

// Fixed line settings of the sensor line.
inline constexpr int kBaud = 19200;
inline constexpr int kParityNone = 0;
inline constexpr int kDataBits = 8;
inline constexpr int kStopBits = 1;
inline constexpr int kQueueSize = 1024;
inline constexpr double kTimeoutSeconds = 2.0;
// One byte on the line: 8N1 carries 10 bits a byte.
inline constexpr double kByteSeconds = 10.0 / kBaud;

// Results of a failed open, as the programs show them (OpenErrorMessage).
enum OpenError : int {
  kUnknownSystemError = -1,
  kInvalidPortNumber = -2,
  kPortNotOpen = -3,
  kUnknownIoError = -4,
  kNoSerialPortFound = -6,
  kCannotOpenPort = -7,
  kTimeoutError = -99,
};

// The exact status text for a negative open result; "RS-232 error!" for any
// code without a text of its own.
QString OpenErrorMessage(int code);

class Port {
 public:
  virtual ~Port() = default;

  // Opens port number `com` (device chosen as DeviceForPort says when
  // `deviceName` is empty) with the given settings. 0 or positive on success,
  // a negative OpenError on failure; OpenDetail() then says why.
  virtual int OpenComConfig(int com, const QString& deviceName, int baud, int parity, int dataBits,
                            int stopBits, int inQueueSize, int outQueueSize) = 0;
  virtual int SetComTime(double seconds) = 0;
  virtual int SetCTSMode(int mode) = 0;
  virtual int FlushInQ() = 0;
  virtual int FlushOutQ() = 0;
  // Queues `count` bytes for sending; the count written or a negative code.
  virtual int ComWrt(const char* buffer, int count) = 0;
  // Received bytes waiting in the input queue; returns at once.
  virtual int GetInQLen() = 0;
  // Reads up to `count` bytes; the count read.
  virtual int ComRd(char* buffer, int count) = 0;
  virtual int CloseCom() = 0;

  // Blocks until more input has arrived or `seconds` have passed, without
  // spinning a core and without running user events. On a port that is not
  // open it sleeps the whole time.
  virtual void WaitInQ(double seconds) = 0;

  // The clock the link's waits read and sleep on: the steady clock for a
  // real line; a port without one (in tests) may run a clock of its own.
  virtual double Now() const { return Timer(); }
  virtual void SleepUntil(double deadline) { tavix::SleepUntil(deadline); }

  virtual bool IsOpen() const = 0;
  // The device the last successful open used ("/dev/ttyUSB0"), or empty.
  virtual QString DevicePath() const = 0;
  // Why the last open failed ("permission denied ..."), or why the open
  // port was lost ("... hung up"); empty when there is nothing to tell.
  virtual QString OpenDetail() const = 0;
  // After the open port was lost (hang-up): the reason, once; empty after
  // that and whenever nothing was lost. The port is closed by then.
  virtual QString TakeLostReason() = 0;

  // `onLost` runs from the event loop when the open port is lost while no
  // operation uses it (peer hang-up, device removed, read error): the port
  // is closed by then and TakeLostReason gives the reason. Losses an
  // operation meets are that operation's to report, never this watch's. A
  // port that cannot notice a loss by itself ignores the watch.
  virtual void WatchLoss(std::function<void()> onLost) { static_cast<void>(onLost); }
};

}  // namespace tavix::link
