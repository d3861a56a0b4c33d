// The lines of `tavix live`: csv with a header, JSON lines with the same
// names, or the recorder's record-file lines, and where they go.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include "cli/command_line.h"
#include "protocol/params.h"

namespace tavix::cli {

// The csv header line ("\n" included); empty for the other formats.
QByteArray LiveHeader(LiveFormat format, bool portColumn);

// One reading's line, "\n" included. `time` is when the reading came.
QByteArray LiveLine(LiveFormat format, bool portColumn, const QString& device,
                    const QDateTime& time, const protocol::DataVars& data);

// Standard output or a file, shared by the sensors that write into it.
// Each line goes out with one write(2); into a file it is also handed to
// the disk (fdatasync) before Write returns, so an interrupt, a kill or a
// power loss leaves only whole lines.
class Console;

class LineSink {
 public:
  // Standard output, through `console` (which keeps its progress line apart).
  explicit LineSink(Console& console) : console_(console) {}
  LineSink(const LineSink&) = delete;
  LineSink& operator=(const LineSink&) = delete;
  ~LineSink();

  // Creates or empties `path`; false with `error` when it cannot.
  bool OpenFile(const QString& path, QString* error);
  // Writes `header` the first time only (one stream, one header), before
  // any other sensor's line can come.
  bool WriteHeader(const QByteArray& header);
  bool Write(const QByteArray& line);
  const QString& Path() const { return path_; }  // empty for standard output

 private:
  bool WriteLocked(const QByteArray& line);

  Console& console_;
  std::mutex mu_;
  int fd_ = -1;
  QString path_;
  bool headerDone_ = false;
};

// The request to stop, from an interrupt: live ends after its current
// reading. Waits for it block without spinning.
class StopSignal {
 public:
  void Request();
  bool Requested() const { return stop_.load(); }
  // Sleeps until the Timer() reading `deadline` or a stop, whichever comes first.
  void WaitUntil(double deadline) const;

 private:
  std::atomic<bool> stop_{false};
  mutable std::mutex mu_;
  mutable std::condition_variable cv_;
};

}  // namespace tavix::cli
