#include "logic/record_store.h"

#include <algorithm>

#include "protocol/param_file.h"

#include <QFileInfo>
#include <QSaveFile>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tavix::logic {

Record RecordOf(const protocol::DataVars& d) {
  return {d.dataR, d.dataG, d.dataB, d.dataX, d.dataY, d.dataINT, d.dataGF};
}

void FormatRecordLine(const Record& record, char* line) {
  for (int f = 0; f < kRecordWords; ++f) {
    char* field = line + f * kRecordFieldChars;
    unsigned value = record[static_cast<std::size_t>(f)];
    int i = kRecordFieldChars;
    do {
      field[--i] = static_cast<char>('0' + value % 10);
      value /= 10;
    } while (value != 0);
    while (i > 0) field[--i] = ' ';
  }
  line[kRecordLineChars - 1] = '\n';
}

QByteArray FormatRecordFile(const Record* records, int count) {
  QByteArray out(static_cast<qsizetype>(count) * kRecordLineChars, Qt::Uninitialized);
  for (int i = 0; i < count; ++i) {
    FormatRecordLine(records[i], out.data() + static_cast<qsizetype>(i) * kRecordLineChars);
  }
  return out;
}

bool WriteRecordFile(const QString& path, const Record* records, int count, QString* error) {
  return protocol::WriteFileWhole(path, FormatRecordFile(records, count), error);
}

bool RecoveryFile::Create(const QString& recordFile) {
  Close();
  failed_ = false;
  written_ = 0;
  error_.clear();
  const QString base = recordFile + QStringLiteral(".recovery");
  for (int n = 1; n <= 99; ++n) {
    path_ = n == 1 ? base : QStringLiteral("%1-%2").arg(base).arg(n);
    file_.setFileName(path_);
    if (file_.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered)) return true;
    if (!file_.exists()) break;  // not a name clash: the directory refuses
  }
  error_ = file_.errorString();
  path_.clear();
  return false;
}

bool RecoveryFile::Append(const Record& record) {
  if (!file_.isOpen() || failed_) return false;
  FormatRecordLine(record, line_.data());
  const qint64 written = file_.write(line_.data(), kRecordLineChars);
  if (written != kRecordLineChars) {
    failed_ = true;
    error_ = written < 0 ? file_.errorString() : QStringLiteral("the disk is full");
    // A part of a line would spoil the file for a reader: cut it off (a
    // write that failed after a part reports no count).
    file_.resize(static_cast<qint64>(written_) * kRecordLineChars);
    return false;
  }
#ifdef Q_OS_UNIX
  // Into the page cache is enough for a crash or a kill; a power loss needs the disk.
  ::fdatasync(file_.handle());
  // Writes to a file whose directory entry is gone succeed, and reach nobody.
  struct stat st {};
  if (::fstat(file_.handle(), &st) == 0 && st.st_nlink == 0) {
    failed_ = true;
    written_ = 0;
    error_ = QStringLiteral("the file has been removed");
    return false;
  }
#endif
  ++written_;
  return true;
}

int RecoveryFile::Held() const {
  if (path_.isEmpty()) return 0;
  const QFileInfo info(path_);
  if (!info.isFile()) return 0;
  return static_cast<int>(std::min<qint64>(written_, info.size() / kRecordLineChars));
}

void RecoveryFile::Close() {
  if (file_.isOpen()) file_.close();
}

void RecoveryFile::Remove() {
  Close();
  if (!path_.isEmpty()) QFile::remove(path_);
  path_.clear();
}

}  // namespace tavix::logic
