// TavixCalib: the calibration factors of the reflection sensor's three channels.
#include "calib/calib.h"
#include "shell/run_program.h"

int main(int argc, char** argv) {
  constexpr tavix::shell::ProgramId kProgram{
      "TavixCalib", "tavix-calib",
      "Calibrates the three channels of the Tavix reflection sensor and stores the factors and "
      "the default parameter set in its EEPROM."};
  return tavix::shell::RunProgram<tavix::calib::Calib>(argc, argv, kProgram);
}
