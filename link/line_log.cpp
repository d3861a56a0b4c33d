#include "link/line_log.h"

#include <QDateTime>
#include <QFile>

namespace tavix::link {

Q_LOGGING_CATEGORY(lcLine, "tavix.line", QtWarningMsg)

LineLog::LineLog() = default;
LineLog::~LineLog() = default;

bool LineLog::Open(const QString& path, QString* error, qint64 maxBytes) {
  auto file = std::make_unique<QFile>(path);
  if (!file->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
    if (error != nullptr) *error = file->errorString();
    return false;
  }
  path_ = path;
  maxBytes_ = maxBytes;
  file_ = std::move(file);
  return true;
}

bool LineLog::Active() const {
  return file_ != nullptr || lcLine().isInfoEnabled();
}

void LineLog::Note(const QString& entry) {
  qCInfo(lcLine).noquote() << entry;
  if (file_ == nullptr) return;
  const QByteArray line = QDateTime::currentDateTime().toString(Qt::ISODateWithMs).toUtf8() + ' ' +
                          entry.toUtf8() + '\n';
  if (file_->size() + line.size() > maxBytes_ && file_->size() > 0) Rotate();
  if (file_ == nullptr) return;
  file_->write(line);
  file_->flush();  // a program that crashes keeps what led there
}

void LineLog::Bytes(const char* what, const char* bytes, int count) {
  if (!Active()) return;
  const QByteArray hex = QByteArray(bytes, count > 0 ? count : 0).toHex(' ').toUpper();
  Note(QStringLiteral("%1 %2: %3").arg(QLatin1String(what)).arg(count).arg(QLatin1String(hex)));
}

void LineLog::Rotate() {
  file_->close();
  const QString older = path_ + QStringLiteral(".1");
  QFile::remove(older);
  QFile::rename(path_, older);
  auto file = std::make_unique<QFile>(path_);
  if (file->open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
    file_ = std::move(file);
  } else {
    qCWarning(lcLine).noquote() << "line log" << path_
                                << "could not be reopened:" << file->errorString();
    file_.reset();
  }
}

}  // namespace tavix::link
