// The whole of both programs' main(): the command line, the display, then
// the program object on a toolkit and a real serial port, until it ends.
#pragma once

#include <optional>

#include "link/serial_port.h"
#include "shell/command_line.h"
#include "shell/program.h"
#include "ui/toolkit.h"

namespace tavix::shell {

template <class P>
int RunProgram(int argc, char** argv, const ProgramId& id) {
  if (const std::optional<int> code = AnswerWithoutDisplay(argc, argv, id)) return *code;
  const std::unique_ptr<QApplication> app = OpenDisplay(argc, argv, id);
  const Options options = ApplyCommandLine(*app, id);
  ui::Toolkit toolkit;
  link::SerialPort port;
  P program(toolkit, port);
  if (QString error; !options.logFile.isEmpty() && !program.lineLog.Open(options.logFile, &error)) {
    SayOnStandardError(
        QStringLiteral("the line log %1 cannot be written: %2").arg(options.logFile, error));
    return 1;
  }
  return program.WinMain();
}

}  // namespace tavix::shell
