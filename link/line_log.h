// The line log: every frame sent and every answer received with a time
// stamp and its bytes in hexadecimal, failures and their causes, settle
// waits and port changes. Each entry goes to the logging category
// "tavix.line" (off unless Qt's logging rules switch on its info level, e.g.
// QT_LOGGING_RULES="tavix.line.info=true" for standard error) and, once a
// file is opened, to that file. The file is bounded: at `maxBytes` it is
// renamed to "<file>.1" (an older one is dropped) and a new one is begun.
#pragma once

#include <cstdint>
#include <memory>

#include <QLoggingCategory>
#include <QString>

class QFile;

namespace tavix::link {

Q_DECLARE_LOGGING_CATEGORY(lcLine)

class LineLog {
 public:
  static constexpr qint64 kDefaultMaxBytes = 4 * 1024 * 1024;

  LineLog();
  ~LineLog();
  LineLog(const LineLog&) = delete;
  LineLog& operator=(const LineLog&) = delete;

  // Appends to `path` from now on; false (and `error` says why) when it
  // cannot be opened.
  bool Open(const QString& path, QString* error, qint64 maxBytes = kDefaultMaxBytes);
  QString Path() const { return path_; }

  // Whether an entry goes anywhere: a file is open or the category is on.
  // Callers skip formatting entries when it is false.
  bool Active() const;
  void Note(const QString& entry);
  // "sent 36: 00 55 00 07 ..." and the like.
  void Bytes(const char* what, const char* bytes, int count);

 private:
  void Rotate();

  QString path_;
  qint64 maxBytes_ = kDefaultMaxBytes;
  std::unique_ptr<QFile> file_;
};

}  // namespace tavix::link
