// Events reach callbacks for the user's actions only, the right button gives
// help instead of a context menu, tables address cells from 1, and the event
// loop ends where the program asks it to.
#include <QChartView>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimer>

#include "tests/ui/ui_test_support.h"

namespace tavix::ui::test {
namespace {

using Events = std::vector<int>;
const Events kChangeAndCommit = {EVENT_VAL_CHANGED, EVENT_COMMIT};

TEST_F(UiTest, ValuesSetByTheProgramProduceNoEvents) {
  tk.SetCtrlVal(panel, "EditAverage", 50);
  tk.SetCtrlVal(panel, "DispX", 1234);
  tk.SetCtrlVal(panel, "DispGF", 12.5);
  tk.SetCtrlVal(panel, "ToggleRun", 1);
  tk.SetCtrlVal(panel, "SwitchPara", 1);
  tk.SetCtrlVal(panel, "SelectSource", 2);
  tk.SetCtrlVal(panel, "Evalmode", 7);
  tk.SetCtrlVal(panel, "SlidePower", 3000);
  tk.SetCtrlVal(panel, "DispRED", 4000);
  tk.SetCtrlVal(panel, "DispINT", 777);
  tk.SetCtrlVal(panel, "DispStatus", QStringLiteral("TIMEOUT"));
  tk.SetCtrlVal(panel, "EditName", QStringLiteral("record.txt"));
  tk.SetTableCellVal(panel, "TeachTable", 1, 1, 99);
  tk.ProcessSystemEvents();
  EXPECT_TRUE(recorder.calls.empty());

  EXPECT_EQ(tk.GetCtrlInt(panel, "EditAverage"), 50);
  EXPECT_EQ(tk.GetCtrlInt(panel, "DispX"), 1234);
  EXPECT_DOUBLE_EQ(tk.GetCtrlDouble(panel, "DispGF"), 12.5);
  EXPECT_EQ(tk.GetCtrlInt(panel, "ToggleRun"), 1);
  EXPECT_EQ(tk.GetCtrlInt(panel, "SwitchPara"), 1);
  EXPECT_EQ(tk.GetCtrlInt(panel, "SelectSource"), 2);
  EXPECT_EQ(tk.GetCtrlInt(panel, "Evalmode"), 7);
  EXPECT_EQ(tk.GetCtrlInt(panel, "SlidePower"), 3000);
  EXPECT_EQ(tk.GetCtrlInt(panel, "DispRED"), 4000);
  EXPECT_EQ(tk.GetCtrlInt(panel, "DispINT"), 777);
  EXPECT_EQ(tk.GetCtrlString(panel, "DispStatus"), "TIMEOUT");
  EXPECT_EQ(tk.GetCtrlString(panel, "EditName"), "record.txt");
}

TEST_F(UiTest, ButtonsCommitOnClickAndOnTheirShortcut) {
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

TEST_F(UiTest, TogglesAndSwitchesReportChangeThenCommit) {
  QTest::mouseClick(W("ToggleRun"), Qt::LeftButton);
  EXPECT_EQ(recorder.EventsOf("ToggleRun"),
            (Events{EVENT_LEFT_CLICK, kChangeAndCommit[0], kChangeAndCommit[1]}));
  EXPECT_EQ(tk.GetCtrlInt(panel, "ToggleRun"), 1);
  tk.SetCtrlVal(panel, "ToggleRun", 0);
  EXPECT_EQ(tk.GetCtrlInt(panel, "ToggleRun"), 0);
  EXPECT_EQ(recorder.EventsOf("ToggleRun").size(), 3u);

  QTest::mouseClick(W("SwitchPara"), Qt::LeftButton);
  EXPECT_EQ(recorder.EventsOf("SwitchPara"),
            (Events{EVENT_LEFT_CLICK, kChangeAndCommit[0], kChangeAndCommit[1]}));
  EXPECT_EQ(tk.GetCtrlInt(panel, "SwitchPara"), 1);
}

TEST_F(UiTest, NumericControlsCommitArrowsAndTypedValues) {
  Show();
  auto* spin = static_cast<QSpinBox*>(W("EditAverage"));
  spin->setFocus();
  QTest::keyClick(spin, Qt::Key_Up);
  EXPECT_EQ(recorder.EventsOf("EditAverage"), kChangeAndCommit);
  EXPECT_EQ(tk.GetCtrlInt(panel, "EditAverage"), 11);

  // Typing commits once, when the user confirms, not per keystroke.
  recorder.calls.clear();
  spin->selectAll();
  QTest::keyClicks(spin, "42");
  EXPECT_TRUE(recorder.calls.empty());
  QTest::keyClick(spin, Qt::Key_Return);
  EXPECT_EQ(recorder.EventsOf("EditAverage"), kChangeAndCommit);
  EXPECT_EQ(tk.GetCtrlInt(panel, "EditAverage"), 42);

  // A numeric display takes no input.
  recorder.calls.clear();
  W("DispX")->setFocus();
  QTest::keyClick(W("DispX"), Qt::Key_Up);
  EXPECT_EQ(tk.GetCtrlInt(panel, "DispX"), 0);
  EXPECT_TRUE(recorder.calls.empty());
}

TEST_F(UiTest, RingsUseItemValuesAndCommitTheUsersChoice) {
  tk.SetCtrlVal(panel, "Evalmode", 3);
  EXPECT_EQ(static_cast<QComboBox*>(W("Evalmode"))->currentIndex(), 1);
  // No item has the value 5: it is shown as its number and kept, not lost.
  tk.SetCtrlVal(panel, "Evalmode", 5);
  EXPECT_EQ(tk.GetCtrlInt(panel, "Evalmode"), 5);
  EXPECT_EQ(tk.GetCtrlString(panel, "Evalmode"), "5");
  tk.SetCtrlVal(panel, "Evalmode", 3);
  tk.SetCtrlVal(panel, "SelectSource", 1);  // no item values: the index
  EXPECT_EQ(tk.GetCtrlString(panel, "SelectSource"), "20DEG");

  Show();
  W("Evalmode")->setFocus();
  QTest::keyClick(W("Evalmode"), Qt::Key_Down);
  EXPECT_EQ(recorder.EventsOf("Evalmode"), kChangeAndCommit);
  EXPECT_EQ(tk.GetCtrlInt(panel, "Evalmode"), 7);
}

TEST_F(UiTest, SlidersAndTextFieldsCommitUserChanges) {
  Show();
  tk.SetCtrlVal(panel, "SlidePower", 100);
  W("SlidePower")->setFocus();
  QTest::keyClick(W("SlidePower"), Qt::Key_Right);
  EXPECT_EQ(recorder.EventsOf("SlidePower"), kChangeAndCommit);
  EXPECT_EQ(tk.GetCtrlInt(panel, "SlidePower"), 101);

  // An indicator slider ignores the keyboard.
  recorder.calls.clear();
  tk.SetOperable(panel, "SlidePower", false);
  QTest::keyClick(W("SlidePower"), Qt::Key_Right);
  EXPECT_EQ(tk.GetCtrlInt(panel, "SlidePower"), 101);
  EXPECT_TRUE(recorder.calls.empty());

  W("EditName")->setFocus();
  QTest::keyClicks(W("EditName"), "run1");
  QTest::keyClick(W("EditName"), Qt::Key_Return);
  EXPECT_EQ(recorder.EventsOf("EditName"), kChangeAndCommit);
  EXPECT_EQ(tk.GetCtrlString(panel, "EditName"), "run1");
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
  EXPECT_EQ(inner->contextMenuPolicy(), Qt::PreventContextMenu);
}

TEST_F(UiTest, GraphsReportLeftClicksAndDoubleClicks) {
  QWidget* view = static_cast<QChartView*>(W("GraphData2"))->viewport();
  QTest::mouseClick(view, Qt::LeftButton);
  EXPECT_EQ(recorder.EventsOf("GraphData2"), (Events{EVENT_LEFT_CLICK}));
  recorder.calls.clear();
  QTest::mouseDClick(view, Qt::LeftButton);
  const Events events = recorder.EventsOf("GraphData2");
  EXPECT_EQ(std::count(events.begin(), events.end(), EVENT_LEFT_DOUBLE_CLICK), 1);
  EXPECT_EQ(events.back(), EVENT_LEFT_DOUBLE_CLICK);
}

TEST_F(UiTest, TableCellsAreAddressedColumnRowFromOne) {
  auto* table = static_cast<QTableWidget*>(W("TeachTable"));
  tk.SetTableCellVal(panel, "TeachTable", 2, 3, 1234);
  EXPECT_EQ(table->item(2, 1)->text(), "1234");  // row 3, column 2
  EXPECT_EQ(tk.GetTableCellVal(panel, "TeachTable", 2, 3), 1234);
  EXPECT_EQ(tk.GetTableCellVal(panel, "TeachTable", 1, 1), 1);  // from the layout
  EXPECT_EQ(tk.GetTableCellVal(panel, "TeachTable", 6, 1), 0);  // outside: harmless
  tk.SetTableCellVal(panel, "TeachTable", 0, 9, 5);

  tk.SetTableRowLabelColor(panel, "TeachTable", 2, kGreen);
  tk.SetTableRowLabelColor(panel, "TeachTable", 3, kRed);
  EXPECT_EQ(tk.TableRowLabelColor(panel, "TeachTable", 2), kGreen);
  EXPECT_EQ(tk.TableRowLabelColor(panel, "TeachTable", 3), kRed);
  EXPECT_EQ(table->verticalHeaderItem(1)->foreground().color(), QColor(0x00, 0x80, 0x00));

  EXPECT_EQ(tk.TableColumnLabel(panel, "TeachTable", 3), "CTO");
  tk.SetTableColumnLabel(panel, "TeachTable", 1, "UL");
  EXPECT_EQ(tk.TableColumnLabel(panel, "TeachTable", 1), "UL");
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

TEST_F(UiTest, QuitBeforeRunReturnsAtOnce) {
  tk.QuitUserInterface(3);
  EXPECT_EQ(tk.RunUserInterface(), 3);

  // Without a quit the loop keeps running.
  const double start = Timer();
  QTimer::singleShot(150, [this] { tk.QuitUserInterface(4); });
  EXPECT_EQ(tk.RunUserInterface(), 4);
  EXPECT_GE(Timer() - start, 0.14);
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
  const int code = tk.RunUserInterface();
  order.push_back("run returns");
  EXPECT_EQ(code, 7);
  EXPECT_EQ(order,
            (std::vector<QString>{"outer begins", "inner quits", "outer ends", "run returns"}));
}

}  // namespace
}  // namespace tavix::ui::test
