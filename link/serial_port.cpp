#include "link/serial_port.h"

#include <algorithm>
#include <cmath>

#include <QSerialPort>
#include <QtGlobal>

#include "base/timer.h"
#include "link/port_list.h"

#ifdef Q_OS_UNIX
#include <grp.h>
#include <poll.h>
#ifdef Q_OS_LINUX
#include <sys/prctl.h>
#endif
#include <sys/stat.h>
#include <unistd.h>

#include <QFileInfo>
#endif

namespace tavix::link {

namespace {

// Slice a wait sleeps when the port returns early without data or error, so
// that no caller can turn the wait into a busy loop.
constexpr double kIdleSlice = 0.005;

int ToMilliseconds(double seconds) {
  if (!(seconds > 0.0)) return 0;
  return static_cast<int>(std::min(std::ceil(seconds * 1000.0), 86400000.0));
}

bool IsLossError(QSerialPort::SerialPortError error) {
  // A peer hang-up or a removed device shows as a read or resource error
  // (with a misleading text); a plain time-out is not one.
  return error == QSerialPort::ResourceError || error == QSerialPort::ReadError;
}

#ifdef Q_OS_UNIX
QString PermissionText(const QString& device) {
  const QByteArray path = device.toLocal8Bit();
  struct stat info {};
  if (::stat(path.constData(), &info) == 0 && info.st_gid != 0 &&
      (info.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP)) {
    QString group = QString::number(info.st_gid);
    if (const struct group* entry = ::getgrgid(info.st_gid); entry != nullptr) {
      group = QString::fromLocal8Bit(entry->gr_name);
    }
    return QStringLiteral(
               "permission denied on %1: the user is not in the '%2' group "
               "(sudo usermod -aG %2 $USER, then log in again)")
        .arg(device, group);
  }
  return QStringLiteral("permission denied on %1: this user may not read and write it").arg(device);
}
#endif

}  // namespace

class SerialPort::InUse {
 public:
  explicit InUse(SerialPort& port) : port_(port) { ++port_.inUse_; }
  ~InUse() { --port_.inUse_; }
  InUse(const InUse&) = delete;
  InUse& operator=(const InUse&) = delete;

 private:
  SerialPort& port_;
};

SerialPort::SerialPort() : serial_(std::make_unique<QSerialPort>()) {
  QObject::connect(serial_.get(), &QSerialPort::errorOccurred, serial_.get(),
                   [this](QSerialPort::SerialPortError error) { OnError(error); });
}

SerialPort::~SerialPort() {
  if (serial_->isOpen()) serial_->close();
}

int SerialPort::OpenComConfig(int com, const QString& deviceName, int baud, int parity,
                              int dataBits, int stopBits, int inQueueSize, int outQueueSize) {
  const InUse inUse(*this);
  // The queue sizes bound nothing here: the port buffers without limit and
  // the link never reads more than its receive buffer holds.
  Q_UNUSED(inQueueSize);
  Q_UNUSED(outQueueSize);
  if (serial_->isOpen()) serial_->close();
  detail_.clear();
  lostReason_.clear();
  if (com < 1 || com > 255) {
    detail_ = QStringLiteral("port number %1 is out of range (1 to 255)").arg(com);
    return kInvalidPortNumber;
  }
  QString device = deviceName;
  if (device.isEmpty()) {
    device = DeviceForPort(com, &detail_);
    if (device.isEmpty()) return kNoSerialPortFound;
  }

  static constexpr QSerialPort::Parity kParities[] = {
      QSerialPort::NoParity, QSerialPort::OddParity, QSerialPort::EvenParity,
      QSerialPort::MarkParity, QSerialPort::SpaceParity};
  if (baud <= 0 || parity < 0 || parity > 4 || dataBits < 5 || dataBits > 8 || stopBits < 1 ||
      stopBits > 2) {
    detail_ =
        QStringLiteral("unsupported line settings (%1 baud, parity %2, %3 data bits, %4 stop bits)")
            .arg(baud)
            .arg(parity)
            .arg(dataBits)
            .arg(stopBits);
    return kCannotOpenPort;
  }

#ifdef Q_OS_UNIX
  if (!QFileInfo::exists(device)) {
    detail_ = QStringLiteral("the device %1 does not exist").arg(device);
    return kCannotOpenPort;
  }
  if (::access(device.toLocal8Bit().constData(), R_OK | W_OK) != 0) {
    detail_ = PermissionText(device);
    return kCannotOpenPort;
  }
#endif

  serial_->setPortName(device);
  serial_->setBaudRate(baud);
  serial_->setDataBits(static_cast<QSerialPort::DataBits>(dataBits));
  serial_->setParity(kParities[parity]);
  serial_->setStopBits(stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop);
  serial_->setFlowControl(QSerialPort::NoFlowControl);
  serial_->setReadBufferSize(0);
  // The modem lines (DTR, RTS) are left alone: setting them fails on a
  // pseudo-terminal, and the sensor does not use them.
  if (!serial_->open(QIODevice::ReadWrite)) {
    switch (serial_->error()) {
      case QSerialPort::DeviceNotFoundError:
        detail_ = QStringLiteral("the device %1 does not exist").arg(device);
        break;
      case QSerialPort::PermissionError:
      case QSerialPort::OpenError:
        // Readable and writable by this user, yet refused: another program
        // (or another port of this one) has it open or locked.
        detail_ = QStringLiteral("the device %1 is busy: another program has it open or locked")
                      .arg(device);
        break;
      default:
        detail_ = QStringLiteral("cannot open %1: %2").arg(device, serial_->errorString());
        break;
    }
    serial_->clearError();
    return kCannotOpenPort;
  }
  devicePath_ = device;
  ++opens_;
#ifdef Q_OS_LINUX
  // The waits of the link are timed to a byte on the line (half a
  // millisecond); the default timer slack would add a tenth to each.
  ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
#endif
  return 0;
}

int SerialPort::SetComTime(double seconds) {
  timeout_ = seconds;
  return 0;
}

int SerialPort::SetCTSMode(int mode) {
  const InUse inUse(*this);
  if (!serial_->isOpen()) return kPortNotOpen;
  const bool ok = serial_->setFlowControl(mode != 0 ? QSerialPort::HardwareControl
                                                    : QSerialPort::NoFlowControl);
  serial_->clearError();
  return ok ? 0 : kUnknownIoError;
}

int SerialPort::FlushInQ() {
  const InUse inUse(*this);
  if (!serial_->isOpen()) return kPortNotOpen;
  serial_->clearError();
  // Also drops what the system holds but Qt has not read yet.
  const bool ok = serial_->clear(QSerialPort::Input);
  serial_->clearError();
  return ok ? 0 : kUnknownIoError;
}

int SerialPort::FlushOutQ() {
  const InUse inUse(*this);
  if (!serial_->isOpen()) return kPortNotOpen;
  serial_->clearError();
  const bool ok = serial_->clear(QSerialPort::Output);
  serial_->clearError();
  return ok ? 0 : kUnknownIoError;
}

int SerialPort::ComWrt(const char* buffer, int count) {
  const InUse inUse(*this);
  if (!serial_->isOpen()) return kPortNotOpen;
  if (count <= 0) return 0;
  serial_->clearError();
  const qint64 queued = serial_->write(buffer, count);
  if (queued < 0) {
    if (CheckLost()) return kUnknownIoError;
    serial_->clearError();
    return kUnknownIoError;
  }
  if (!serial_->waitForBytesWritten(ToMilliseconds(timeout_))) {
    if (CheckLost()) return kUnknownIoError;
    serial_->clearError();
  }
  // What the system has taken; bytes still pending after the time-out do not
  // count (the next output flush drops them).
  return static_cast<int>(queued - serial_->bytesToWrite());
}

int SerialPort::GetInQLen() {
  const InUse inUse(*this);
  if (!serial_->isOpen()) return 0;
  serial_->clearError();
  // Gather what the system already holds, without waiting.
  if (!serial_->waitForReadyRead(0) && CheckLost()) return 0;
  serial_->clearError();
  return static_cast<int>(std::min<qint64>(serial_->bytesAvailable(), 0x7FFFFFFF));
}

int SerialPort::ComRd(char* buffer, int count) {
  const InUse inUse(*this);
  if (count <= 0) return 0;
  if (!serial_->isOpen()) return kPortNotOpen;
  const double deadline = Timer() + timeout_;
  qint64 got = 0;
  for (;;) {
    const qint64 n = serial_->read(buffer + got, count - got);
    if (n > 0) got += n;
    if (got >= count) break;
    const double remaining = deadline - Timer();
    if (remaining <= 0.0) break;
    WaitInQ(remaining);
    if (!serial_->isOpen()) break;
  }
  return static_cast<int>(got);
}

int SerialPort::CloseCom() {
  const InUse inUse(*this);
  if (!serial_->isOpen()) return kPortNotOpen;
  serial_->close();
  return 0;
}

void SerialPort::WaitInQ(double seconds) {
  const InUse inUse(*this);
  const double start = Timer();
  const double deadline = start + std::max(seconds, 0.0);
  if (!serial_->isOpen()) {
    SleepUntil(deadline);
    return;
  }
  serial_->clearError();
  const qint64 before = serial_->bytesAvailable();
#ifdef Q_OS_UNIX
  // Qt's own wait counts whole milliseconds; the answer guard is a fraction
  // of one. Poll the device to the microsecond, then let Qt take the bytes.
  pollfd device{static_cast<int>(serial_->handle()), POLLIN, 0};
  const double wait = std::max(seconds, 0.0);
  timespec limit{static_cast<time_t>(wait), static_cast<long>((wait - std::floor(wait)) * 1e9)};
  const bool got = ::ppoll(&device, 1, &limit, nullptr) > 0 && serial_->waitForReadyRead(0);
#else
  const bool got = serial_->waitForReadyRead(std::max(ToMilliseconds(seconds), 1));
#endif
  if (!got && CheckLost()) return;  // the caller learns it from TakeLostReason
  serial_->clearError();
  if (serial_->bytesAvailable() == before && Timer() < deadline) {
    // Back early with nothing new: rest a little rather than let the caller
    // come straight back.
    SleepUntil(std::min(deadline, Timer() + kIdleSlice));
  }
}

bool SerialPort::IsOpen() const {
  return serial_->isOpen();
}

QString SerialPort::DevicePath() const {
  return devicePath_;
}

QString SerialPort::OpenDetail() const {
  return detail_;
}

QString SerialPort::TakeLostReason() {
  QString reason;
  reason.swap(lostReason_);
  return reason;
}

bool SerialPort::CheckLost() {
  if (!serial_->isOpen() || !IsLossError(serial_->error())) return false;
  MarkLost();
  return true;
}

void SerialPort::MarkLost() {
  bool hungUp = serial_->error() == QSerialPort::ResourceError;
#ifdef Q_OS_UNIX
  // A peer that hung up (or a device that is gone) shows in poll; a read
  // error on a line that is still there does not.
  pollfd device{static_cast<int>(serial_->handle()), POLLIN, 0};
  hungUp = hungUp || (::poll(&device, 1, 0) > 0 && (device.revents & (POLLHUP | POLLNVAL)) != 0);
#else
  hungUp = true;
#endif
  lostReason_ = hungUp ? QStringLiteral("the device %1 hung up or was removed; the port is closed")
                             .arg(devicePath_)
                       : QStringLiteral("reading the device %1 failed (%2); the port is closed")
                             .arg(devicePath_, serial_->errorString());
  detail_ = lostReason_;
  serial_->clearError();
  serial_->close();
}

void SerialPort::WatchLoss(std::function<void()> onLost) {
  onLost_ = std::move(onLost);
}

void SerialPort::OnError(int error) {
  if (inUse_ > 0 || lossQueued_ || !serial_->isOpen() ||
      !IsLossError(static_cast<QSerialPort::SerialPortError>(error))) {
    return;
  }
  // Qt raises this inside its read notification, which goes on using the
  // port after the signal: the port is closed once that has returned.
  lossQueued_ = true;
  QMetaObject::invokeMethod(
      serial_.get(), [this, open = opens_] { TakeIdleLoss(open); }, Qt::QueuedConnection);
}

void SerialPort::TakeIdleLoss(int open) {
  lossQueued_ = false;
  // Closed, reopened, or met (or found well) by an operation meanwhile:
  // nothing left to take.
  if (open != opens_ || !serial_->isOpen() || !IsLossError(serial_->error())) return;
  MarkLost();
  if (onLost_) onLost_();
}

}  // namespace tavix::link
