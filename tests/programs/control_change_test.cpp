// Both programs start with their callback tables bound to their own layout
// bundles, and every toggle and ring of theirs acts on a change of its value
// however it came: toggled or stepped through its accessible action, it does
// exactly what a click or a key does, and what it shows is what the program
// uses.
#include <gtest/gtest.h>

#include <string>
#include <type_traits>
#include <vector>

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include "calib/calib.h"
#include "link/serial_port.h"
#include "scope/scope.h"

namespace tavix {
namespace {

// One program started on a port that cannot be opened (nothing here talks
// to a sensor), with scripted popups. The start-up refuses a callback that
// binds to nothing and a layout naming one its table lacks.
template <class P>
struct Run {
  Run() {
    tk.Popups().SetScripted(true);
    EXPECT_EQ(program.StartUp(), 0) << tk.BindingProblems().join('\n').toStdString();
    tk.DisplayPanel(program.MainPanel());
  }

  // Every control of every panel, with its panel.
  std::vector<std::pair<int, QWidget*>> Controls() const {
    std::vector<std::pair<int, QWidget*>> found;
    for (int panel = 1; tk.PanelWidget(panel) != nullptr; ++panel) {
      for (QWidget* w : tk.PanelWidget(panel)->findChildren<QWidget*>()) {
        if (tk.CtrlId(panel, w->objectName()) >= 0) found.emplace_back(panel, w);
      }
    }
    return found;
  }

  // Every control's value, visibility and dimming, the boxes shown and what
  // the program holds besides its panels: the transfer target and the
  // parameters its rings set (the teach table's labels follow the evaluation
  // mode, as the eval suite shows), one line each.
  std::string Snapshot() const {
    std::string out;
    for (const auto& [panel, w] : Controls()) {
      const QString name = w->objectName();
      QString value;
      if (qobject_cast<QAbstractButton*>(w) || qobject_cast<QComboBox*>(w) ||
          qobject_cast<QAbstractSpinBox*>(w) || qobject_cast<QLabel*>(w) ||
          qobject_cast<QLineEdit*>(w)) {
        value = tk.GetCtrlString(panel, name);
      }
      out +=
          QString::asprintf("%d/%s %s %d %d\n", panel, qUtf8Printable(name), qUtf8Printable(value),
                            w->isVisibleTo(tk.PanelWidget(panel)), w->isEnabled())
              .toStdString();
    }
    for (const ui::PopupRecord& p : tk.Popups().Shown()) {
      out += ("box " + p.title + ": " + p.text + "\n").toStdString();
    }
    out += "target " + std::to_string(static_cast<int>(program.frame.target));
    if constexpr (std::is_same_v<P, scope::Scope>) {
      out += QString::asprintf(" pmod %d evalmode %d outmode %d", program.vars.pmod,
                               program.vars.evalmode, program.vars.outmode)
                 .toStdString();
    }
    return out + "\n";
  }

  mutable ui::Toolkit tk;
  link::SerialPort port;
  P program{tk, port};
};

// A click or the next item's key, or the accessible toggle or step.
void Change(QWidget* w, bool accessible) {
  w->window()->show();
  const bool ring = qobject_cast<QComboBox*>(w) != nullptr;
  if (!accessible) {
    return ring ? QTest::keyClick(w, Qt::Key_Down) : QTest::mouseClick(w, Qt::LeftButton);
  }
  QAccessibleActionInterface* actions = QAccessible::queryAccessibleInterface(w)->actionInterface();
  ASSERT_NE(actions, nullptr);
  const QString action = ring ? QAccessibleActionInterface::increaseAction()
                              : QAccessibleActionInterface::toggleAction();
  ASSERT_TRUE(actions->actionNames().contains(action));
  actions->doAction(action);
}

// Each control changed both ways, each time on a program started afresh;
// the snapshots must be the same. Counts what was tried and what changed.
template <class P>
void CompareWays(std::size_t& tried, std::size_t& changed) {
  const Run<P> probe;
  const std::string start = probe.Snapshot();
  // The toggles and rings of every panel. The port list holds this
  // machine's ports, and a choice connects: the line suite proves it
  // against simulators.
  for (const auto& [panel, w] : probe.Controls()) {
    auto* button = qobject_cast<QAbstractButton*>(w);
    const QString name = w->objectName();
    if (!((button != nullptr && button->isCheckable()) || qobject_cast<QComboBox*>(w)) ||
        name == QLatin1String("SelectPort"))
      continue;
    SCOPED_TRACE(name.toStdString());
    std::string seen[2];
    for (const bool accessible : {false, true}) {
      Run<P> run;
      Change(run.tk.Control(panel, name), accessible);
      run.tk.ProcessSystemEvents();
      seen[accessible] = run.Snapshot();
    }
    EXPECT_EQ(seen[1], seen[0]);
    changed += seen[0] != start;
    ++tried;
  }
}

TEST(ControlChanges, AnAccessibleToggleOrStepActsExactlyAsAClickOrAKey) {
  QTemporaryDir dir;
  qputenv("TAVIX_COM1", dir.filePath("no-sensor").toLocal8Bit());  // no line check
  std::size_t tried = 0, changed = 0;
  CompareWays<scope::Scope>(tried, changed);
  CompareWays<calib::Calib>(tried, changed);
  // Scope: three transfer toggles, two check boxes, five rings; Calib: PMOD.
  EXPECT_EQ(tried, 11u);
  EXPECT_EQ(changed, 10u);  // RAM, on already, stays on
  qunsetenv("TAVIX_COM1");
}

}  // namespace
}  // namespace tavix
