// What tavix writes: result lines on standard output, messages and progress
// on standard error, and the lines of a live stream into a file or standard
// output. Shared by the threads of several sensors, so each line is written
// whole, under one lock, with one write(2): nothing is held in a buffer.
#pragma once

#include <map>
#include <mutex>

#include <QByteArray>
#include <QString>

namespace tavix::cli {

// Writes all of `data` to `fd`; false when the descriptor refuses.
bool WriteAll(int fd, const QByteArray& data);

class Console {
 public:
  // `progress`: standard error is a terminal, so progress is shown there.
  explicit Console(bool progress);

  // One line (a "\n" is added) on standard output or standard error.
  void Out(const QString& line);
  void Err(const QString& line);
  // Raw bytes on standard output (a parameter file, live lines); false
  // when standard output refuses them.
  bool OutRaw(const QByteArray& data);

  // The progress of one sensor ("write eeprom 12/33"); all sensors share
  // one line on the terminal. Nothing unless standard error is a terminal.
  void Progress(const QString& device, const QString& text);
  void EndProgress(const QString& device);

  bool ShowsProgress() const { return progress_; }

 private:
  // Under mu_: takes the progress line off the terminal before other output.
  void ClearLine();
  void DrawLine();

  const bool progress_;
  std::mutex mu_;
  std::map<QString, QString> shown_;  // device -> its progress text
  bool lineDrawn_ = false;
};

}  // namespace tavix::cli
