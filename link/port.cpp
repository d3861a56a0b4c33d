#include "link/port.h"

namespace tavix::link {

QString OpenErrorMessage(int code) {
  switch (code) {
    case kUnknownSystemError:
      return QStringLiteral("Unknown system error");
    case kInvalidPortNumber:
      return QStringLiteral("Invalid port number");
    case kPortNotOpen:
      return QStringLiteral("Port is not open");
    case kUnknownIoError:
      return QStringLiteral("Unknown I/0 error");
    case kNoSerialPortFound:
      return QStringLiteral("No serial port found");
    case kCannotOpenPort:
      return QStringLiteral("Cannot open port");
    case kTimeoutError:
      return QStringLiteral("Timeout");
    default:
      return QStringLiteral("RS-232 error!");
  }
}

}  // namespace tavix::link
