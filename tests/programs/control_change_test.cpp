// Every toggle and ring of both programs acts on a change of its value
// however it came: toggled or stepped through its accessible action, it does
// exactly what a click or a key does, and what it shows is what the program
// uses.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include "calib/calib.h"
#include "link/serial_port.h"
#include "scope/scope.h"

namespace tavix {
namespace {

enum class Way { kUser, kAccessible };

// One program started on a port that cannot be opened (nothing here talks
// to a sensor), with scripted popups.
struct ProgramRun {
  mutable ui::Toolkit tk;
  link::SerialPort port;
  std::unique_ptr<shell::Program> program;
  std::function<std::string()> state;  // what the program holds besides its panels

  std::vector<int> Panels() const {
    std::vector<int> panels;
    for (int handle = 1; tk.PanelWidget(handle) != nullptr; ++handle) panels.push_back(handle);
    return panels;
  }

  // Every control's value, visibility and dimming, the column labels of
  // tables, the boxes shown and the program's own state, one line each.
  std::string Snapshot() const {
    std::string out;
    for (int panel : Panels()) {
      for (QWidget* w : tk.PanelWidget(panel)->findChildren<QWidget*>()) {
        const QString name = w->objectName();
        if (tk.CtrlId(panel, name) < 0) continue;
        QString value;
        if (auto* button = qobject_cast<QAbstractButton*>(w)) {
          value = button->isCheckable() ? QString::number(button->isChecked()) : button->text();
        } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
          value = combo->currentText();
        } else if (auto* spin = qobject_cast<QAbstractSpinBox*>(w)) {
          value = spin->text();
        } else if (auto* label = qobject_cast<QLabel*>(w)) {
          value = label->text();
        } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
          value = edit->text();
        } else if (auto* table = qobject_cast<QTableWidget*>(w)) {
          for (int c = 0; c < table->columnCount(); ++c) {
            if (auto* item = table->horizontalHeaderItem(c)) value += item->text() + '|';
          }
        }
        out += QStringLiteral("%1/%2 %3 %4 %5\n")
                   .arg(panel)
                   .arg(name, value)
                   .arg(w->isVisibleTo(tk.PanelWidget(panel)))
                   .arg(w->isEnabled())
                   .toStdString();
      }
    }
    for (const ui::PopupRecord& p : tk.Popups().Shown()) {
      out += ("box " + p.title + ": " + p.text + "\n").toStdString();
    }
    return out + state();
  }
};

struct Program {
  const char* name;
  std::function<void(ProgramRun&)> make;  // builds the program object and its state
};

const Program kPrograms[] = {
    {"TavixScope",
     [](ProgramRun& r) {
       auto scope = std::make_unique<scope::Scope>(r.tk, r.port);
       scope::Scope* s = scope.get();
       r.state = [s] {
         return "target " + std::to_string(static_cast<int>(s->frame.target)) + " pmod " +
                std::to_string(s->vars.pmod) + " evalmode " + std::to_string(s->vars.evalmode) +
                " outmode " + std::to_string(s->vars.outmode) + "\n";
       };
       r.program = std::move(scope);
     }},
    {"TavixCalib",
     [](ProgramRun& r) {
       auto calib = std::make_unique<calib::Calib>(r.tk, r.port);
       calib::Calib* c = calib.get();
       r.state = [c] {
         return "target " + std::to_string(static_cast<int>(c->frame.target)) + "\n";
       };
       r.program = std::move(calib);
     }},
};

std::unique_ptr<ProgramRun> Start(const Program& program) {
  auto run = std::make_unique<ProgramRun>();
  run->tk.Popups().SetScripted(true);
  program.make(*run);
  EXPECT_EQ(run->program->StartUp(), 0) << program.name;
  run->tk.DisplayPanel(run->program->MainPanel());
  return run;
}

// The toggles and rings of every panel, as (panel, name).
std::vector<std::pair<int, QString>> Changeables(const ProgramRun& run) {
  std::vector<std::pair<int, QString>> found;
  for (int panel : run.Panels()) {
    for (QWidget* w : run.tk.PanelWidget(panel)->findChildren<QWidget*>()) {
      if (run.tk.CtrlId(panel, w->objectName()) < 0) continue;
      // The port list holds this machine's ports, and a choice connects:
      // the line suite proves it against simulators.
      if (w->objectName() == QLatin1String("SelectPort")) continue;
      auto* button = qobject_cast<QAbstractButton*>(w);
      if ((button != nullptr && button->isCheckable()) || qobject_cast<QComboBox*>(w)) {
        found.emplace_back(panel, w->objectName());
      }
    }
  }
  return found;
}

// The lines in which two snapshots differ, as "- left" and "+ right".
std::string Differences(const std::string& left, const std::string& right) {
  const QStringList a = QString::fromStdString(left).split('\n');
  const QStringList b = QString::fromStdString(right).split('\n');
  std::string out;
  for (qsizetype i = 0; i < std::max(a.size(), b.size()); ++i) {
    const QString x = a.value(i), y = b.value(i);
    if (x != y) out += ("- " + x + "\n+ " + y + "\n").toStdString();
  }
  return out;
}

void Change(ProgramRun& run, int panel, const QString& name, Way way) {
  QWidget* w = run.tk.Control(panel, name);
  ASSERT_NE(w, nullptr);
  w->window()->show();
  const bool ring = qobject_cast<QComboBox*>(w) != nullptr;
  if (way == Way::kUser) {
    if (ring) {
      QTest::keyClick(w, Qt::Key_Down);  // the next item, as a user steps to it
    } else {
      QTest::mouseClick(w, Qt::LeftButton);
    }
    return;
  }
  QAccessibleInterface* face = QAccessible::queryAccessibleInterface(w);
  ASSERT_NE(face, nullptr);
  QAccessibleActionInterface* actions = face->actionInterface();
  ASSERT_NE(actions, nullptr);
  const QString action = ring ? QAccessibleActionInterface::increaseAction()
                              : QAccessibleActionInterface::toggleAction();
  ASSERT_TRUE(actions->actionNames().contains(action)) << name.toStdString();
  actions->doAction(action);
}

TEST(ControlChanges, AnAccessibleToggleOrStepActsExactlyAsAClickOrAKey) {
  QTemporaryDir dir;
  qputenv("TAVIX_COM1", dir.filePath("no-sensor").toLocal8Bit());  // no line check
  std::size_t tried = 0, changed = 0;
  for (const Program& program : kPrograms) {
    const std::unique_ptr<ProgramRun> probe = Start(program);
    const std::string start = probe->Snapshot();
    for (const auto& [panel, name] : Changeables(*probe)) {
      SCOPED_TRACE(std::string(program.name) + " " + name.toStdString());
      std::string seen[2];
      for (const Way way : {Way::kUser, Way::kAccessible}) {
        const std::unique_ptr<ProgramRun> run = Start(program);
        Change(*run, panel, name, way);
        run->tk.ProcessSystemEvents();
        seen[static_cast<int>(way)] = run->Snapshot();
      }
      EXPECT_EQ(Differences(seen[1], seen[0]), "");
      changed += seen[0] != start;
      ++tried;
    }
  }
  // Scope: three transfer toggles, two check boxes, five rings; Calib: PMOD.
  EXPECT_EQ(tried, 11u);
  EXPECT_EQ(changed, 10u);  // RAM, on already, stays on
  qunsetenv("TAVIX_COM1");
}

}  // namespace
}  // namespace tavix
