// TavixCalib: the calibration factors of the reflection sensor's three channels.
#include "branding/command_line.h"
#include "calib/calib.h"

int main(int argc, char** argv) {
  constexpr tavix::branding::ProgramId kProgram{
      "TavixCalib", "tavix-calib",
      "Calibrates the three channels of the Tavix reflection sensor and stores the factors and "
      "the default parameter set in its EEPROM."};
  return tavix::branding::RunProgram<tavix::calib::Calib>(argc, argv, kProgram);
}
