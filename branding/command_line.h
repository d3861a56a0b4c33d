// How both programs start: the command line they take (--help, --version,
// --port DEVICE: port 1 is DEVICE; help and version need no display), the
// display, and the run of the program object.
#pragma once

#include <memory>
#include <optional>

#include <QApplication>

#include "link/serial_port.h"
#include "ui/toolkit.h"

namespace tavix::branding {

struct ProgramId {
  const char* name;         // "TavixScope": application name, WM class
  const char* desktopFile;  // the desktop entry's name without ".desktop"
  const char* description;  // one line for --help
};

// Before the application object: answers --help or --version on standard
// output and gives the exit code; nothing when the program is to start.
std::optional<int> AnswerWithoutDisplay(int argc, char** argv, const ProgramId& id);

// Makes the application object. When no display can be opened (none named,
// or one that does not answer) the program ends here with exit code -1 and
// without a word.
std::unique_ptr<QApplication> OpenDisplay(int& argc, char** argv);

// After it: names the application and its desktop entry, parses the command
// line (a wrong one ends the program with a message and exit code 1) and
// makes port 1 the device given with --port.
void ApplyCommandLine(QApplication& app, const ProgramId& id);

// The whole of both programs' main(): the command line, the display, then
// the program object on a toolkit and a real serial port, until it ends.
template <class Program>
int RunProgram(int argc, char** argv, const ProgramId& id) {
  if (const std::optional<int> code = AnswerWithoutDisplay(argc, argv, id)) return *code;
  const std::unique_ptr<QApplication> app = OpenDisplay(argc, argv);
  ApplyCommandLine(*app, id);
  ui::Toolkit toolkit;
  link::SerialPort port;
  Program program(toolkit, port);
  return program.WinMain();
}

}  // namespace tavix::branding
