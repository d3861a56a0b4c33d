#include "cli/live_stream.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "base/timer.h"
#include "cli/console.h"
#include "logic/record_store.h"

namespace tavix::cli {

namespace {

constexpr const char* kNames[] = {"20DEG", "60DEG",    "80DEG",    "X",        "Y", "INT",
                                  "V-No",  "RAW20DEG", "RAW60DEG", "RAW80DEG", "GF"};

// GF in %, one decimal, from the sensor's tenths (853 -> "85.3").
QByteArray Percent(std::uint16_t tenths) {
  return QByteArray::number(tenths / 10) + '.' + QByteArray::number(tenths % 10);
}

QByteArray CsvField(const QString& text) {
  if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"'))) return text.toUtf8();
  QString quoted = text;
  quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
  return '"' + quoted.toUtf8() + '"';
}

QByteArray JsonString(const QString& text) {
  QByteArray out = "\"";
  for (const char c : text.toUtf8()) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      out +=
          QByteArray("\\u00") + QByteArray::number(static_cast<int>(c), 16).rightJustified(2, '0');
    } else {
      out += c;
    }
  }
  return out + '"';
}

}  // namespace

QByteArray LiveHeader(LiveFormat format, bool portColumn) {
  if (format != LiveFormat::kCsv) return QByteArray();
  QByteArray line = portColumn ? "port,time" : "time";
  for (const char* name : kNames) line += QByteArray(",") + name;
  return line + '\n';
}

QByteArray LiveLine(LiveFormat format, bool portColumn, const QString& device,
                    const QDateTime& time, const protocol::DataVars& d) {
  if (format == LiveFormat::kRecord) {
    QByteArray line(logic::kRecordLineChars, Qt::Uninitialized);
    logic::FormatRecordLine(logic::RecordOf(d), line.data());
    return line;
  }
  const std::uint16_t words[] = {d.dataR,   d.dataG,   d.dataB,    d.dataX,    d.dataY,
                                 d.dataINT, d.dataCOL, d.dataRawR, d.dataRawG, d.dataRawB};
  const QByteArray stamp = time.toString(Qt::ISODateWithMs).toLatin1();
  QByteArray line;
  line.reserve(160);
  if (format == LiveFormat::kCsv) {
    if (portColumn) line += CsvField(device) + ',';
    line += stamp;
    for (std::uint16_t w : words) line += ',' + QByteArray::number(w);
    line += ',' + Percent(d.dataGF);
  } else {
    line += '{';
    if (portColumn) line += "\"port\":" + JsonString(device) + ',';
    line += "\"time\":\"" + stamp + '"';
    for (std::size_t i = 0; i < std::size(words); ++i) {
      line += QByteArray(",\"") + kNames[i] + "\":" + QByteArray::number(words[i]);
    }
    line += ",\"GF\":" + Percent(d.dataGF) + '}';
  }
  return line + '\n';
}

LineSink::~LineSink() {
  if (!path_.isEmpty()) ::close(fd_);
}

bool LineSink::OpenFile(const QString& path, QString* error) {
  const int fd =
      ::open(path.toLocal8Bit().constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) {
    *error = QString::fromLocal8Bit(std::strerror(errno));
    return false;
  }
  fd_ = fd;
  path_ = path;
  return true;
}

bool LineSink::WriteHeader(const QByteArray& header) {
  std::lock_guard lock(mu_);
  if (headerDone_ || header.isEmpty()) return true;
  headerDone_ = true;
  return WriteLocked(header);
}

bool LineSink::Write(const QByteArray& line) {
  std::lock_guard lock(mu_);
  return WriteLocked(line);
}

bool LineSink::WriteLocked(const QByteArray& line) {
  if (path_.isEmpty()) return console_.OutRaw(line);
  if (!WriteAll(fd_, line)) return false;
  // A file gets each line onto the disk before the next reading is asked for.
  if (!path_.isEmpty()) return ::fdatasync(fd_) == 0;
  return true;
}

void StopSignal::Request() {
  {
    std::lock_guard lock(mu_);
    stop_.store(true);
  }
  cv_.notify_all();
}

void StopSignal::WaitUntil(double deadline) const {
  using namespace std::chrono;
  const auto until =
      steady_clock::time_point(duration_cast<steady_clock::duration>(duration<double>(deadline)));
  std::unique_lock lock(mu_);
  cv_.wait_until(lock, until, [this] { return stop_.load(); });
}

}  // namespace tavix::cli
