// The command line both programs take (--help, --version, --port DEVICE:
// port 1 is DEVICE, --log FILE: the line log; help and version need no
// display) and the display.
#pragma once

#include <memory>
#include <optional>

#include <QApplication>

namespace tavix::shell {

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
// one line on standard error.
std::unique_ptr<QApplication> OpenDisplay(int& argc, char** argv, const ProgramId& id);

// What the command line asks of the program object.
struct Options {
  QString logFile;  // --log: where the line log goes; empty for none
};

// After it: names the application and its desktop entry, parses the command
// line (a wrong one ends the program with a message and exit code 1) and
// makes port 1 the device given with --port.
Options ApplyCommandLine(QApplication& app, const ProgramId& id);

}  // namespace tavix::shell
