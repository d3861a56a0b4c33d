// The serial ports by the programs' numbering: port n is the device named
// by TAVIX_COM<n> when that is set, otherwise COM<n> on Windows and the n-th
// serial port the system lists on Linux (sorted by device path).
#pragma once

#include <vector>

#include <QString>

namespace tavix::link {

// The device that port number `com` (1 = first) stands for. Empty when there
// is none; `why` then says so.
QString DeviceForPort(int com, QString* why = nullptr);

struct PortInfo {
  int number = 0;       // in the COM field
  QString device;       // /dev/ttyUSB0, a pseudo-terminal, COM3
  QString stableName;   // a /dev/serial/by-id/... link to it, or empty
  QString description;  // as the system knows them, or empty
  QString manufacturer;
  QString serialNumber;
  bool fromEnvironment = false;  // named by TAVIX_COM<n>
};

// Every port number that stands for a device: the system's ports in their
// numbering, with the numbers TAVIX_COM<n> names in their place. In number
// order.
std::vector<PortInfo> ListPorts();

// One line for people: "3  /dev/ttyUSB0  FT232R USB UART (FTDI, serial A1B2)".
QString Describe(const PortInfo& port);

}  // namespace tavix::link
