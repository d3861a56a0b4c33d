// Every callback of each program's table binds to a control or panel of the
// program's own layouts, and every callback a layout names is in the table.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "calib/calib.h"
#include "link/serial_port.h"
#include "scope/scope.h"

namespace tavix {
namespace {

// The program's table bound to every panel of its bundle, as its start-up
// loads them; the problems found, one a line.
template <class Program>
std::string BindingProblemsOf(const char* bundle, std::initializer_list<int> resources) {
  ui::Toolkit tk;
  link::SerialPort port;
  Program program(tk, port);
  tk.SetCallbacks(MakeCallbackTable(&program));
  for (int resource : resources) {
    EXPECT_GT(tk.LoadPanel(0, bundle, resource), 0) << bundle << " panel " << resource;
  }
  return tk.BindingProblems().join('\n').toStdString();
}

TEST(Binding, BothProgramsTablesMatchTheirLayouts) {
  EXPECT_EQ(BindingProblemsOf<scope::Scope>(
                scope::kLayoutFile, {scope::kScopePanelResource, scope::kRecorderPanelResource,
                                     scope::kCalibPanelResource}),
            "");
  EXPECT_EQ(BindingProblemsOf<calib::Calib>(calib::kLayoutFile, {calib::kPanelResource}), "");
}

}  // namespace
}  // namespace tavix
