// TavixScope: live values, parameters and teach table of the reflection sensor.
#include <QApplication>

#include "branding/command_line.h"
#include "link/serial_port.h"
#include "scope/scope.h"
#include "ui/toolkit.h"

int main(int argc, char** argv) {
  constexpr tavix::branding::ProgramId kProgram{
      "TavixScope", "tavix-scope",
      "Live values, parameter set and teach table of the Tavix reflection sensor."};
  if (const auto code = tavix::branding::AnswerWithoutDisplay(argc, argv, kProgram)) return *code;
  const auto app = tavix::branding::OpenDisplay(argc, argv);
  tavix::branding::ApplyCommandLine(*app, kProgram);
  tavix::ui::Toolkit toolkit;
  tavix::link::SerialPort port;
  tavix::scope::Scope scope(toolkit, port);
  return scope.WinMain();
}
