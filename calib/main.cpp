// TavixCalib: the calibration factors of the reflection sensor's three channels.
#include <QApplication>

#include "branding/command_line.h"
#include "calib/calib.h"
#include "link/serial_port.h"
#include "ui/toolkit.h"

int main(int argc, char** argv) {
  constexpr tavix::branding::ProgramId kProgram{
      "TavixCalib", "tavix-calib",
      "Calibrates the three channels of the Tavix reflection sensor and stores the factors and "
      "the default parameter set in its EEPROM."};
  if (const auto code = tavix::branding::AnswerWithoutDisplay(argc, argv, kProgram)) return *code;
  const auto app = tavix::branding::OpenDisplay(argc, argv);
  tavix::branding::ApplyCommandLine(*app, kProgram);
  tavix::ui::Toolkit toolkit;
  tavix::link::SerialPort port;
  tavix::calib::Calib calib(toolkit, port);
  return calib.WinMain();
}
