// Every callback of each program's table binds to a control or panel of the
// program's own layouts, and every callback a layout names is in the table.
#include <gtest/gtest.h>

#include <string>

#include "calib/calib.h"
#include "link/serial_port.h"
#include "scope/scope.h"

namespace tavix {
namespace {

// The program's table bound to the panels of its bundle, loaded by the
// program's own start-up steps; the problems found, one a line.
template <class Program>
std::string BindingProblemsOf() {
  ui::Toolkit tk;
  link::SerialPort port;
  Program program(tk, port);
  tk.SetCallbacks(program.MakeCallbackTable());
  EXPECT_TRUE(program.LoadPanels()) << tk.LoadFailure().toStdString();
  return tk.BindingProblems().join('\n').toStdString();
}

TEST(Binding, BothProgramsTablesMatchTheirLayouts) {
  EXPECT_EQ(BindingProblemsOf<scope::Scope>(), "");
  EXPECT_EQ(BindingProblemsOf<calib::Calib>(), "");
}

}  // namespace
}  // namespace tavix
