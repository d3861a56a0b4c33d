// Events reach callbacks for the user's actions only, the right button gives
// help instead of a context menu, and tables address cells from 1.
#include <climits>
#include <tuple>

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QChartView>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimer>

#include "ui_test_support.h"

namespace tavix::ui::test {
namespace {

TEST_F(UiTest, ValuesSetByTheProgramProduceNoEventsAndRingsKeepOneThatNoItemHas) {
  for (const char* name : {"EditAverage", "DispX", "DispGF", "ToggleRun", "SwitchPara",
                           "SelectSource", "Evalmode", "SlidePower", "DispRED", "DispINT"}) {
    tk.SetCtrlVal(panel, name, 1);
  }
  tk.SetCtrlVal(panel, "DispStatus", QStringLiteral("TIMEOUT"));
  tk.SetCtrlVal(panel, "EditName", QStringLiteral("record.txt"));
  tk.SetTableCellVal(panel, "TeachTable", 1, 1, 99);
  tk.SetCtrlVal(panel, "Evalmode", 3);
  EXPECT_EQ(static_cast<QComboBox*>(W("Evalmode"))->currentIndex(), 1);  // item values
  tk.SetCtrlVal(panel, "Evalmode", 5);  // shown as its number and kept, not lost
  tk.ProcessSystemEvents();
  EXPECT_TRUE(calls.empty());
  EXPECT_EQ(tk.GetCtrlInt(panel, "ToggleRun"), 1);
  EXPECT_EQ(tk.GetCtrlInt(panel, "Evalmode"), 5);
  EXPECT_EQ(tk.GetCtrlString(panel, "Evalmode"), "5");
  EXPECT_EQ(tk.GetCtrlString(panel, "SelectSource"), "20DEG");  // no item values: the index

  // A number display off screen takes its value when shown, or read.
  auto* display = static_cast<QSpinBox*>(W("DispX"));
  tk.SetCtrlVal(panel, "DispX", 321);
  EXPECT_NE(display->value(), 321);  // the panel is not on screen yet
  EXPECT_EQ(tk.GetCtrlInt(panel, "DispX"), 321);
  tk.SetCtrlVal(panel, "DispX", 654);
  Show();
  EXPECT_EQ(display->value(), 654);
}

// Values from the sensor or a file are kept as they are, beyond the
// layout's range too; what the user types or steps to stays within it.
// Typing commits once, when the user confirms, not per keystroke. A screen
// reader's toggle or step is a change like a click: one value changed and
// one commit.
TEST_F(UiTest, UserChangesReportValueChangedThenCommitWithinTheRange) {
  Show();
  constexpr int kNone = INT_MIN, kIndicator = INT_MAX;
  constexpr Qt::Key kClick = Qt::Key_unknown, kToggle = Qt::Key_Launch0, kStep = Qt::Key_Launch1;
  const Events click = {EVENT_LEFT_CLICK, EVENT_VAL_CHANGED, EVENT_COMMIT},
               change = {EVENT_VAL_CHANGED, EVENT_COMMIT}, commit = {EVENT_COMMIT};
  // The control (EditAverage 1..255 from 10, SlidePower 0..4095, Evalmode
  // 0/3/7), the value the program set first (or the control made an
  // indicator), what the user types, the key (or a click, or the accessible
  // toggle or step), and the value and events that follow.
  const std::tuple<const char*, int, const char*, Qt::Key, QString, Events> cases[] = {
      {"ButtonGo", kNone, "", kClick, "0", {EVENT_LEFT_CLICK, EVENT_COMMIT}},
      {"ToggleRun", kNone, "", kClick, "1", click},
      {"SwitchPara", kNone, "", kClick, "1", click},
      {"EditAverage", kNone, "", Qt::Key_Up, "11", change},
      {"SlidePower", 100, "", Qt::Key_Right, "101", change},
      {"Evalmode", 3, "", Qt::Key_Down, "7", change},
      {"EditAverage", kNone, "42", Qt::Key_Return, "42", change},
      {"EditName", kNone, "run1", Qt::Key_Return, "run1", change},
      {"EditAverage", kNone, "", Qt::Key_Return, "42", commit},  // Enter on an unchanged number
      {"EditAverage", 0, "", Qt::Key_Up, "1", change},
      {"EditAverage", 300, "", Qt::Key_Down, "255", change},
      {"EditAverage", 300, "280", Qt::Key_Return, "255", change},
      {"SlidePower", 5000, "", Qt::Key_Left, "4095", change},
      {"DispX", 7, "", Qt::Key_Up, "7", {}},  // indicators take no input
      {"ToggleRun", kNone, "", kToggle, "0", change},
      {"Evalmode", 3, "", kStep, "7", change},
      {"Evalmode", kNone, "", kStep, "7", {}},  // the last item already
      {"ToggleRun", kIndicator, "", kToggle, "0", {}},
  };
  for (const auto& [control, held, typed, key, value, events] : cases) {
    SCOPED_TRACE(testing::Message() << control << " " << held << " " << typed << key);
    QWidget* w = W(control);
    if (held == kIndicator) {
      tk.SetOperable(panel, control, false);
    } else if (held != kNone) {
      tk.SetCtrlVal(panel, control, held);
      EXPECT_EQ(tk.GetCtrlInt(panel, control), held);
    }
    calls.clear();
    w->setFocus();
    if (*typed != '\0') {
      QTest::keyClick(w, Qt::Key_A, Qt::ControlModifier);  // select what is there
      QTest::keyClicks(w, typed);
      EXPECT_TRUE(calls.empty());
    }
    if (key == kToggle || key == kStep) {
      QAccessible::queryAccessibleInterface(w)->actionInterface()->doAction(
          key == kToggle ? QAccessibleActionInterface::toggleAction()
                         : QAccessibleActionInterface::increaseAction());
    } else {
      key == kClick ? QTest::mouseClick(w, Qt::LeftButton) : QTest::keyClick(w, key);
    }
    EXPECT_EQ(w == W("EditName") ? tk.GetCtrlString(panel, control)
                                 : QString::number(tk.GetCtrlInt(panel, control)),
              value);
    EXPECT_EQ(EventsOf(control), events);
  }
}

TEST_F(UiTest, RightClickGivesHelpOrAnEventAndNeverAContextMenu) {
  QWidget* spin = W("EditAverage");
  QWidget* inner = spin->findChild<QLineEdit*>();  // the spin box's own text field
  ASSERT_NE(inner, nullptr);
  for (QWidget* w :
       {spin, inner, static_cast<QChartView*>(W("GraphRaw1"))->viewport(), W("DispStatus")}) {
    QTest::mouseClick(w, Qt::RightButton);
  }
  // One event per click, on the control the user pointed at.
  EXPECT_EQ(calls.size(), 4u);
  EXPECT_EQ(EventsOf("EditAverage"), Events(2, EVENT_RIGHT_CLICK));
  EXPECT_EQ(EventsOf("GraphRaw1"), Events{EVENT_RIGHT_CLICK});
  EXPECT_EQ(EventsOf("DispStatus"), Events{EVENT_RIGHT_CLICK});

  // A control in the help table answers the right click with its box alone,
  // under the title the table names.
  const HelpText help[] = {{"EditAverage", " Averaging.     \n Key: F9. ", "Info"}};
  tk.SetHelpTexts(panel, help);
  EXPECT_EQ(spin->accessibleDescription(), help[0].text);  // for screen readers, exactly
  EXPECT_EQ(spin->toolTip(), help[0].text);
  tk.Popups().SetScripted(true);
  calls.clear();
  QTest::mouseClick(inner, Qt::RightButton);
  ASSERT_EQ(tk.Popups().Shown().size(), 1u);
  EXPECT_EQ(tk.Popups().Shown()[0].title + tk.Popups().Shown()[0].text,
            "Info Averaging.     \n Key: F9. ");
  EXPECT_TRUE(calls.empty());

  // What the window system sends after a right click opens no menu.
  Show();
  bool menuShown = false;
  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, [&] {
    if (QWidget* popup = QApplication::activePopupWidget()) menuShown = popup->close();  // open
  });
  closer.start(10);
  for (QWidget* target : {inner, spin, W("EditName"), W("TeachTable")}) {
    QContextMenuEvent menu(QContextMenuEvent::Mouse, {5, 5}, target->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(target, &menu);
  }
  EXPECT_FALSE(menuShown);
}

// Cells and column labels addressed column, row from 1 are proven end to end
// (the teach table's words and labels); here row labels, the active cell and
// what the user types into it.
TEST_F(UiTest, TableCellsAreAddressedColumnRowFromOne) {
  auto* table = static_cast<QTableWidget*>(W("TeachTable"));
  tk.SetTableRowLabelColor(panel, "TeachTable", 2, kGreen);
  EXPECT_EQ(table->verticalHeaderItem(1)->foreground().color(), QColor(0x00, 0x80, 0x00));
  tk.SetActiveTableCell(panel, "TeachTable", 4, 2);
  EXPECT_EQ(std::pair(table->currentRow(), table->currentColumn()), std::pair(1, 3));

  Show();  // the user types a number into the active cell
  table->setFocus();
  QTest::keyClick(table, Qt::Key_7);
  QWidget* editor = QApplication::focusWidget();
  ASSERT_NE(editor, table);
  QTest::keyClick(editor, Qt::Key_5);
  QTest::keyClick(editor, Qt::Key_Return);  // the view takes the value in a moment
  EXPECT_TRUE(QTest::qWaitFor([&] { return !calls.empty(); }, 2000));
  EXPECT_EQ(tk.GetTableCellVal(panel, "TeachTable", 4, 2), 75);
  ASSERT_EQ(calls.size(), 1u);
  const Call& call = calls[0];  // data: row, column
  EXPECT_EQ(std::tuple(call.event, call.data1, call.data2), std::tuple(EVENT_COMMIT, 2, 4));
  // The table as a whole holds no value or text: 0 and an empty text (the
  // getters once called each other without end here).
  EXPECT_EQ(tk.GetCtrlInt(panel, "TeachTable"), 0);
  EXPECT_EQ(tk.GetCtrlString(panel, "TeachTable"), "");
}

}  // namespace
}  // namespace tavix::ui::test
