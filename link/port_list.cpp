#include "link/port_list.h"

#include <algorithm>
#include <map>

#include <QDir>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QSerialPortInfo>
#include <QStringList>

namespace tavix::link {

namespace {

constexpr int kMaxPort = 255;

QList<QSerialPortInfo> SystemPorts() {
  QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
  std::sort(ports.begin(), ports.end(), [](const QSerialPortInfo& a, const QSerialPortInfo& b) {
    return a.systemLocation() < b.systemLocation();
  });
  return ports;
}

// Port numbers named in the environment, with their devices.
std::map<int, QString> EnvironmentPorts() {
  static const QRegularExpression name(QStringLiteral("^TAVIX_COM([1-9][0-9]{0,2})$"));
  std::map<int, QString> named;
  const QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const QString& key : env.keys()) {
    const QRegularExpressionMatch m = name.match(key);
    if (!m.hasMatch()) continue;
    const int n = m.captured(1).toInt();
    const QString device = env.value(key);
    if (n <= kMaxPort && !device.isEmpty()) named[n] = device;
  }
  return named;
}

// The /dev/serial/by-id link that leads to `device`, if any.
QString StableName(const QString& device) {
  const QString target = QFileInfo(device).canonicalFilePath();
  if (target.isEmpty()) return QString();
  const QDir byId(QStringLiteral("/dev/serial/by-id"));
  for (const QFileInfo& link :
       byId.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
    if (link.canonicalFilePath() == target) return link.absoluteFilePath();
  }
  return QString();
}

}  // namespace

QString DeviceForPort(int com, QString* why) {
  const QByteArray fromEnv = qgetenv(QStringLiteral("TAVIX_COM%1").arg(com).toLatin1().constData());
  if (!fromEnv.isEmpty()) return QString::fromLocal8Bit(fromEnv);
  if (com < 1) {
    if (why != nullptr) *why = QStringLiteral("port number %1 is out of range (1 to 255)").arg(com);
    return QString();
  }
#ifdef Q_OS_WIN
  return QStringLiteral("COM%1").arg(com);
#else
  const QList<QSerialPortInfo> ports = SystemPorts();
  if (com > ports.size()) {
    if (why != nullptr) {
      *why = QStringLiteral(
                 "no serial port number %1 on this machine (%2 found); set TAVIX_COM%1 to a "
                 "device path")
                 .arg(com)
                 .arg(ports.size());
    }
    return QString();
  }
  return ports[com - 1].systemLocation();
#endif
}

std::vector<PortInfo> ListPorts() {
  const QList<QSerialPortInfo> system = SystemPorts();
  const std::map<int, QString> named = EnvironmentPorts();
  int last = static_cast<int>(std::min<qsizetype>(system.size(), kMaxPort));
  if (!named.empty()) last = std::max(last, named.rbegin()->first);
  std::vector<PortInfo> ports;
  for (int n = 1; n <= last; ++n) {
    PortInfo p;
    p.number = n;
    if (const auto it = named.find(n); it != named.end()) {
      p.device = it->second;
      p.fromEnvironment = true;
    } else if (n <= system.size()) {
      p.device = system[n - 1].systemLocation();
    } else {
      continue;  // a gap below a number the environment names
    }
    // What the system knows of the device, however it got its number.
    const QString canonical = QFileInfo(p.device).canonicalFilePath();
    for (const QSerialPortInfo& info : system) {
      if (info.systemLocation() == p.device ||
          (!canonical.isEmpty() &&
           QFileInfo(info.systemLocation()).canonicalFilePath() == canonical)) {
        p.description = info.description();
        p.manufacturer = info.manufacturer();
        p.serialNumber = info.serialNumber();
        break;
      }
    }
    p.stableName = StableName(p.device);
    ports.push_back(p);
  }
  return ports;
}

QString Describe(const PortInfo& port) {
  QString line = QStringLiteral("%1  %2").arg(port.number).arg(port.device);
  QStringList known;
  if (!port.manufacturer.isEmpty()) known << port.manufacturer;
  if (!port.serialNumber.isEmpty()) known << QStringLiteral("serial %1").arg(port.serialNumber);
  if (!port.description.isEmpty() || !known.isEmpty()) {
    line += QStringLiteral("  ") + port.description;
    if (!known.isEmpty()) line += QStringLiteral(" (%1)").arg(known.join(QStringLiteral(", ")));
  }
  if (port.fromEnvironment) line += QStringLiteral("  [TAVIX_COM%1]").arg(port.number);
  if (!port.stableName.isEmpty()) line += QStringLiteral("  ") + port.stableName;
  return line.trimmed();
}

}  // namespace tavix::link
