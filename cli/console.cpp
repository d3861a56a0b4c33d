#include "cli/console.h"

#include <unistd.h>

#include <cerrno>

#include <QStringList>

namespace tavix::cli {

bool WriteAll(int fd, const QByteArray& data) {
  const char* p = data.constData();
  qsizetype left = data.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, p, static_cast<std::size_t>(left));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    left -= n;
  }
  return true;
}

Console::Console(bool progress) : progress_(progress) {}

void Console::Out(const QString& line) {
  std::lock_guard lock(mu_);
  ClearLine();
  WriteAll(STDOUT_FILENO, (line + QLatin1Char('\n')).toLocal8Bit());
  DrawLine();
}

void Console::Err(const QString& line) {
  std::lock_guard lock(mu_);
  ClearLine();
  WriteAll(STDERR_FILENO, (line + QLatin1Char('\n')).toLocal8Bit());
  DrawLine();
}

bool Console::OutRaw(const QByteArray& data) {
  std::lock_guard lock(mu_);
  ClearLine();
  const bool ok = WriteAll(STDOUT_FILENO, data);
  DrawLine();
  return ok;
}

void Console::Progress(const QString& device, const QString& text) {
  if (!progress_) return;
  std::lock_guard lock(mu_);
  shown_[device] = text;
  ClearLine();
  DrawLine();
}

void Console::EndProgress(const QString& device) {
  if (!progress_) return;
  std::lock_guard lock(mu_);
  ClearLine();
  shown_.erase(device);
  DrawLine();
}

void Console::ClearLine() {
  if (!lineDrawn_) return;
  WriteAll(STDERR_FILENO, QByteArrayLiteral("\r\033[K"));
  lineDrawn_ = false;
}

void Console::DrawLine() {
  if (!progress_ || shown_.empty()) return;
  QStringList parts;
  if (shown_.size() == 1) {
    parts << shown_.begin()->second;
  } else {
    for (const auto& [device, text] : shown_) parts << device + QStringLiteral(": ") + text;
  }
  WriteAll(STDERR_FILENO, parts.join(QStringLiteral("  |  ")).toLocal8Bit());
  lineDrawn_ = true;
}

}  // namespace tavix::cli
