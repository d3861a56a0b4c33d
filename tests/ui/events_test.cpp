// Events reach callbacks for the user's actions only, the right button gives
// help instead of a context menu, tables address cells from 1, and the event
// loop ends where the program asks it to.
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

const Events kChangeAndCommit = {EVENT_VAL_CHANGED, EVENT_COMMIT};

TEST_F(UiTest, ValuesSetByTheProgramProduceNoEvents) {
  for (const char* name : {"EditAverage", "DispX", "DispGF", "ToggleRun", "SwitchPara",
                           "SelectSource", "Evalmode", "SlidePower", "DispRED", "DispINT"}) {
    tk.SetCtrlVal(panel, name, 1);
  }
  tk.SetCtrlVal(panel, "DispStatus", QStringLiteral("TIMEOUT"));
  tk.SetCtrlVal(panel, "EditName", QStringLiteral("record.txt"));
  tk.SetTableCellVal(panel, "TeachTable", 1, 1, 99);
  tk.ProcessSystemEvents();
  EXPECT_TRUE(recorder.calls.empty());
  EXPECT_EQ(tk.GetCtrlInt(panel, "ToggleRun"), 1);
}

TEST_F(UiTest, ButtonsCommitOnClickAndOnTheirShortcutUnlessDimmed) {
  Show();
  QTest::mouseClick(W("ButtonGo"), Qt::LeftButton);
  EXPECT_EQ(recorder.EventsOf("ButtonGo"), (Events{EVENT_LEFT_CLICK, EVENT_COMMIT}));
  recorder.calls.clear();
  QTest::keyClick(tk.PanelWidget(panel), Qt::Key_F9);
  // The shortcut animates the click; the commit follows when it is released.
  EXPECT_TRUE(QTest::qWaitFor([&] { return !recorder.calls.empty(); }, 2000));
  EXPECT_EQ(recorder.EventsOf("ButtonGo"), (Events{EVENT_COMMIT}));
  recorder.calls.clear();
  tk.SetDimmed(panel, "ButtonGo", true);
  QTest::mouseClick(W("ButtonGo"), Qt::LeftButton);
  EXPECT_TRUE(recorder.calls.empty());
}

TEST_F(UiTest, UserChangesReportValueChangedThenCommit) {
  Show();
  for (const char* name : {"ToggleRun", "SwitchPara"}) {
    QTest::mouseClick(W(name), Qt::LeftButton);
    EXPECT_EQ(recorder.EventsOf(name), (Events{EVENT_LEFT_CLICK, EVENT_VAL_CHANGED, EVENT_COMMIT}));
    EXPECT_EQ(tk.GetCtrlInt(panel, name), 1);
  }
  tk.SetCtrlVal(panel, "SlidePower", 100);
  tk.SetCtrlVal(panel, "Evalmode", 3);
  using Case = std::tuple<const char*, Qt::Key, int>;  // control, key, value afterwards
  for (const auto& [name, key, value] :
       {Case{"EditAverage", Qt::Key_Up, 11}, Case{"SlidePower", Qt::Key_Right, 101},
        Case{"Evalmode", Qt::Key_Down, 7}}) {
    W(name)->setFocus();
    QTest::keyClick(W(name), key);
    EXPECT_EQ(recorder.EventsOf(name), kChangeAndCommit) << name;
    EXPECT_EQ(tk.GetCtrlInt(panel, name), value) << name;
  }

  // Typing commits once, when the user confirms, not per keystroke.
  const std::pair<const char*, const char*> typed[] = {{"EditAverage", "42"}, {"EditName", "run1"}};
  for (const auto& [name, text] : typed) {
    recorder.calls.clear();
    W(name)->setFocus();
    QTest::keyClick(W(name), Qt::Key_A, Qt::ControlModifier);  // select what is there
    QTest::keyClicks(W(name), text);
    EXPECT_TRUE(recorder.calls.empty()) << name;
    QTest::keyClick(W(name), Qt::Key_Return);
    EXPECT_EQ(recorder.EventsOf(name), kChangeAndCommit) << name;
    EXPECT_EQ(tk.GetCtrlString(panel, name), text) << name;
  }
  // Enter on an unchanged number confirms it again: a commit, no change.
  recorder.calls.clear();
  W("EditAverage")->setFocus();
  QTest::keyClick(W("EditAverage"), Qt::Key_Return);
  EXPECT_EQ(recorder.EventsOf("EditAverage"), (Events{EVENT_COMMIT}));

  // Indicators take no input.
  recorder.calls.clear();
  tk.SetOperable(panel, "SlidePower", false);
  for (const char* name : {"DispX", "SlidePower"}) {
    const int before = tk.GetCtrlInt(panel, name);
    W(name)->setFocus();
    QTest::keyClick(W(name), Qt::Key_Up);
    EXPECT_EQ(tk.GetCtrlInt(panel, name), before) << name;
  }
  EXPECT_TRUE(recorder.calls.empty());
}

// Values from the sensor or a file are shown as they are; what the user
// types or steps to stays within the layout's range.
TEST_F(UiTest, NumbersTheProgramSetsBeyondTheRangeAreKeptAndTheUsersAreNot) {
  Show();
  struct Case {
    const char* control;  // EditAverage 1..255, SlidePower 0..4095
    int held;
    QString typed;  // empty: the key is pressed
    Qt::Key key;
    int user;  // the value after the user's change
  };
  const Case cases[] = {{"EditAverage", 0, {}, Qt::Key_Up, 1},
                        {"EditAverage", 300, {}, Qt::Key_Down, 255},
                        {"EditAverage", 300, "280", Qt::Key_Return, 255},
                        {"SlidePower", 5000, {}, Qt::Key_Left, 4095}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.control + (" " + QString::number(c.held)).toStdString());
    recorder.calls.clear();
    tk.SetCtrlVal(panel, c.control, c.held);
    EXPECT_EQ(tk.GetCtrlInt(panel, c.control), c.held);
    W(c.control)->setFocus();
    if (!c.typed.isEmpty()) {
      QTest::keyClick(W(c.control), Qt::Key_A, Qt::ControlModifier);
      QTest::keyClicks(W(c.control), c.typed);
    }
    QTest::keyClick(W(c.control), c.key);
    EXPECT_EQ(tk.GetCtrlInt(panel, c.control), c.user);
    EXPECT_EQ(recorder.EventsOf(c.control), kChangeAndCommit);
  }
  EXPECT_EQ(tk.GetCtrlString(panel, "EditAverage"), "255");
}

TEST_F(UiTest, RingsKeepAValueThatNoItemHas) {
  tk.SetCtrlVal(panel, "Evalmode", 3);
  EXPECT_EQ(static_cast<QComboBox*>(W("Evalmode"))->currentIndex(), 1);  // item values
  tk.SetCtrlVal(panel, "Evalmode", 5);  // shown as its number and kept, not lost
  EXPECT_EQ(tk.GetCtrlInt(panel, "Evalmode"), 5);
  EXPECT_EQ(tk.GetCtrlString(panel, "Evalmode"), "5");
  tk.SetCtrlVal(panel, "SelectSource", 1);  // no item values: the index
  EXPECT_EQ(tk.GetCtrlString(panel, "SelectSource"), "20DEG");
}

TEST_F(UiTest, RightClickGivesHelpEventAndNoContextMenu) {
  QWidget* spin = W("EditAverage");
  QWidget* inner = spin->findChild<QLineEdit*>();
  ASSERT_NE(inner, nullptr);
  QTest::mouseClick(spin, Qt::RightButton);
  QTest::mouseClick(inner, Qt::RightButton);  // the spin box's own text field
  QTest::mouseClick(static_cast<QChartView*>(W("GraphRaw1"))->viewport(), Qt::RightButton);
  QTest::mouseClick(W("DispStatus"), Qt::RightButton);
  // One event per click, on the control the user pointed at.
  EXPECT_EQ(recorder.EventsOf("EditAverage"), (Events{EVENT_RIGHT_CLICK, EVENT_RIGHT_CLICK}));
  EXPECT_EQ(recorder.EventsOf("GraphRaw1"), (Events{EVENT_RIGHT_CLICK}));
  EXPECT_EQ(recorder.EventsOf("DispStatus"), (Events{EVENT_RIGHT_CLICK}));
  EXPECT_EQ(recorder.calls.size(), 4u);

  // A control with a help text answers the right click with its box alone;
  // the other buttons still reach the callback.
  tk.Popups().SetScripted(true);
  tk.SetHelpText(panel, "EditAverage", " Averaging. ", "Info");
  recorder.calls.clear();
  QTest::mouseClick(inner, Qt::RightButton);
  QTest::mouseClick(spin, Qt::LeftButton);
  ASSERT_EQ(tk.Popups().Shown().size(), 1u);
  EXPECT_EQ(tk.Popups().Shown()[0].title, "Info");
  EXPECT_EQ(tk.Popups().Shown()[0].text, " Averaging. ");
  EXPECT_EQ(recorder.EventsOf("EditAverage"), (Events{EVENT_LEFT_CLICK}));

  // What the window system sends after a right click opens no menu.
  Show();
  bool menuShown = false;
  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, [&] {
    if (QWidget* popup = QApplication::activePopupWidget()) {
      menuShown = true;
      popup->close();
    }
  });
  closer.start(10);
  for (QWidget* target : {inner, spin, W("EditName"), W("TeachTable")}) {
    QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(5, 5),
                           target->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(target, &menu);
  }
  EXPECT_FALSE(menuShown);
}

TEST_F(UiTest, TableCellsAreAddressedColumnRowFromOne) {
  auto* table = static_cast<QTableWidget*>(W("TeachTable"));
  tk.SetTableCellVal(panel, "TeachTable", 2, 3, 1234);
  EXPECT_EQ(table->item(2, 1)->text(), "1234");                 // row 3, column 2
  EXPECT_EQ(tk.GetTableCellVal(panel, "TeachTable", 1, 1), 1);  // from the layout
  tk.SetTableCellVal(panel, "TeachTable", 0, 9, 5);             // outside: harmless
  tk.SetTableRowLabelColor(panel, "TeachTable", 2, kGreen);
  EXPECT_EQ(table->verticalHeaderItem(1)->foreground().color(), QColor(0x00, 0x80, 0x00));
  tk.SetTableColumnLabel(panel, "TeachTable", 1, "UL");
  EXPECT_EQ(table->horizontalHeaderItem(0)->text(), "UL");
  tk.SetActiveTableCell(panel, "TeachTable", 4, 2);
  EXPECT_EQ(table->currentRow(), 1);
  EXPECT_EQ(table->currentColumn(), 3);
  EXPECT_TRUE(recorder.calls.empty());

  // The user types a number into the active cell.
  Show();
  table->setFocus();
  QTest::keyClick(table, Qt::Key_7);
  QWidget* editor = QApplication::focusWidget();
  ASSERT_NE(editor, table);
  QTest::keyClick(editor, Qt::Key_5);
  QTest::keyClick(editor, Qt::Key_Return);  // the view takes the value in a moment
  EXPECT_TRUE(QTest::qWaitFor([&] { return !recorder.calls.empty(); }, 2000));
  EXPECT_EQ(tk.GetTableCellVal(panel, "TeachTable", 4, 2), 75);
  ASSERT_EQ(recorder.calls.size(), 1u);
  EXPECT_EQ(recorder.calls[0].event, EVENT_COMMIT);
  EXPECT_EQ(recorder.calls[0].data1, 2);  // row
  EXPECT_EQ(recorder.calls[0].data2, 4);  // column
}

// A callback runs a polling loop that lets events run; inside it another
// callback quits. The event loop ends only once the outer callback returns.
TEST_F(UiTest, QuitFromANestedCallbackEndsTheLoopAfterTheOuterCallback) {
  std::vector<QString> order;
  bool polling = false;
  recorder.onControl = [&](const Call& call) {
    if (call.event != EVENT_COMMIT) return;
    if (call.name == "ButtonGo") {
      order.push_back("outer begins");
      polling = true;
      QTimer::singleShot(20, [&] { QTest::mouseClick(W("ButtonInner"), Qt::LeftButton); });
      for (int pass = 0; polling && pass < 5000; ++pass) {
        tk.ProcessSystemEvents();
        QTest::qSleep(1);
      }
      order.push_back(polling ? "outer gave up" : "outer ends");
    } else if (call.name == "ButtonInner") {
      order.push_back("inner quits");
      tk.QuitUserInterface(7);
      polling = false;
    }
  };
  QTimer::singleShot(0, [&] { QTest::mouseClick(W("ButtonGo"), Qt::LeftButton); });
  EXPECT_EQ(tk.RunUserInterface(), 7);
  EXPECT_EQ(order, (std::vector<QString>{"outer begins", "inner quits", "outer ends"}));
}

}  // namespace
}  // namespace tavix::ui::test
