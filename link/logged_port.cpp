#include "link/logged_port.h"

namespace tavix::link {

int LoggedPort::OpenComConfig(int com, const QString& deviceName, int baud, int parity,
                              int dataBits, int stopBits, int inQueueSize, int outQueueSize) {
  const int ret = port_.OpenComConfig(com, deviceName, baud, parity, dataBits, stopBits,
                                      inQueueSize, outQueueSize);
  if (!log_.Active()) return ret;
  if (ret < 0) {
    log_.Note(QStringLiteral("open COM%1 failed (%2 %3): %4")
                  .arg(com)
                  .arg(ret)
                  .arg(OpenErrorMessage(ret), port_.OpenDetail()));
  } else {
    log_.Note(QStringLiteral("open COM%1 %2").arg(com).arg(port_.DevicePath()));
  }
  return ret;
}

int LoggedPort::ComWrt(const char* buffer, int count) {
  const int written = port_.ComWrt(buffer, count);
  if (log_.Active()) {
    log_.Bytes("sent", buffer, written > 0 ? written : 0);
    if (written != count)
      log_.Note(QStringLiteral("write of %1 bytes gave %2").arg(count).arg(written));
  }
  return written;
}

int LoggedPort::ComRd(char* buffer, int count) {
  const int got = port_.ComRd(buffer, count);
  log_.Bytes("received", buffer, got);
  return got;
}

int LoggedPort::CloseCom() {
  const bool wasOpen = port_.IsOpen();
  const QString device = port_.DevicePath();
  const int ret = port_.CloseCom();
  if (wasOpen && log_.Active()) log_.Note(QStringLiteral("close ") + device);
  return ret;
}

QString LoggedPort::TakeLostReason() {
  const QString reason = port_.TakeLostReason();
  if (!reason.isEmpty() && log_.Active()) log_.Note(QStringLiteral("port lost: ") + reason);
  return reason;
}

}  // namespace tavix::link
