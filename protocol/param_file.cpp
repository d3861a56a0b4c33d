#include "protocol/param_file.h"

#include <algorithm>

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace tavix::protocol {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

// Decimal digits only: no sign, no base prefix, and nothing after the number
// (a NUL byte would end a C parser's number early).
bool IsDecimal(const QByteArray& token) {
  return std::all_of(token.begin(), token.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

QByteArray FormatParamFile(const ParamWords& words) {
  QByteArray out;
  out.reserve(words.size() * 6);
  for (std::uint16_t w : words) {
    out += QByteArray::number(w).rightJustified(5, ' ');
    out += '\n';
  }
  return out;
}

bool ParseParamFile(const QByteArray& content, ParamWords* words, QString* error) {
  ParamWords parsed{};
  int count = 0;
  int line = 1;
  int i = 0;
  const int n = static_cast<int>(content.size());
  while (i < n) {
    if (IsBlank(content[i])) {
      if (content[i] == '\n') ++line;
      ++i;
      continue;
    }
    int end = i;
    while (end < n && !IsBlank(content[end])) ++end;
    const QByteArray token = content.mid(i, end - i);
    bool ok = false;
    const qulonglong value = token.toULongLong(&ok);
    if (!ok || !IsDecimal(token)) {
      *error = QStringLiteral("line %1: \"%2\" is not a number.")
                   .arg(line)
                   .arg(QString::fromLatin1(token.left(20)));
      return false;
    }
    if (value > 65535) {
      *error = QStringLiteral("line %1: %2 is outside 0 to 65535.").arg(line).arg(value);
      return false;
    }
    if (count == anzpara) {
      *error = QStringLiteral("it holds more than %1 numbers (line %2).").arg(anzpara).arg(line);
      return false;
    }
    parsed[count++] = static_cast<std::uint16_t>(value);
    i = end;
  }
  if (count < anzpara) {
    *error =
        QStringLiteral("it holds %1 numbers; a parameter file holds %2.").arg(count).arg(anzpara);
    return false;
  }
  *words = parsed;
  return true;
}

bool ReadParamFile(const QString& path, ParamWords* words, QString* error) {
  // Opening a FIFO would wait for a writer, a device may never end: only a
  // regular file is read.
  if (const QFileInfo info(path); info.exists() && !info.isFile()) {
    *error = QStringLiteral("it is not a regular file.");
    return false;
  }
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    *error = QStringLiteral("it cannot be read: %1.").arg(file.errorString());
    return false;
  }
  // A parameter file is about 1 kB; anything far larger is not one.
  const QByteArray content = file.read(1 << 20);
  if (!file.atEnd()) {
    *error = QStringLiteral("it is far too large for a parameter file.");
    return false;
  }
  return ParseParamFile(content, words, error);
}

bool WriteFileWhole(const QString& path, const QByteArray& content, QString* error) {
  QSaveFile file(path);
  // Unbuffered, so that a short write (disk full, size limit) is seen here:
  // a buffered QSaveFile would commit the truncated file.
  if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
    *error = file.errorString();
    return false;
  }
  const qint64 written = file.write(content);
  if (written != content.size()) {
    *error = written < 0
                 ? file.errorString()
                 : QStringLiteral("only %1 of %2 bytes could be written (is the disk full?)")
                       .arg(written)
                       .arg(content.size());
    file.cancelWriting();
    return false;
  }
  if (!file.commit()) {
    *error = file.errorString();
    return false;
  }
  return true;
}

bool WriteParamFile(const QString& path, const ParamWords& words, QString* error) {
  return WriteFileWhole(path, FormatParamFile(words), error);
}

}  // namespace tavix::protocol
