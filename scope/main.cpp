// TavixScope: live values, parameters and teach table of the reflection sensor.
#include "branding/command_line.h"
#include "scope/scope.h"

int main(int argc, char** argv) {
  constexpr tavix::branding::ProgramId kProgram{
      "TavixScope", "tavix-scope",
      "Live values, parameter set and teach table of the Tavix reflection sensor."};
  return tavix::branding::RunProgram<tavix::scope::Scope>(argc, argv, kProgram);
}
