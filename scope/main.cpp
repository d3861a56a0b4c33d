// TavixScope: live values, parameters and teach table of the reflection sensor.
#include "scope/scope.h"
#include "shell/run_program.h"

int main(int argc, char** argv) {
  constexpr tavix::shell::ProgramId kProgram{
      "TavixScope", "tavix-scope",
      "Live values, parameter set and teach table of the Tavix reflection sensor."};
  return tavix::shell::RunProgram<tavix::scope::Scope>(argc, argv, kProgram);
}
