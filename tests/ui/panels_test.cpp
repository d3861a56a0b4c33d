// Loading panels, binding callbacks, closing, stacking, what assistive
// technology sees, and popups: scripted (recorded, answered from the queue,
// nothing shown) and real (modal dialogs showing the given texts exactly).
#include <QAbstractButton>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>

#include <qpa/qwindowsysteminterface.h>

#include <QApplication>

#include "ui_test_support.h"

namespace tavix::ui::test {
namespace {

// The popup dialog of type D on screen, if any.
template <class D>
D* OpenDialog() {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (auto* dialog = qobject_cast<D*>(w); dialog != nullptr && dialog->isVisible()) return dialog;
  }
  return nullptr;
}

TEST(LoadPanel, FailuresGiveNegativeHandlesAndShowNothing) {
  Toolkit tk;
  QTemporaryDir dir;
  QFile broken(dir.filePath("broken.uir"));
  ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
  broken.write("this is not a resource bundle\n");
  broken.close();

  EXPECT_LT(tk.LoadPanel(0, "no_such_bundle.uir", 1), 0);
  EXPECT_LT(tk.LoadPanel(0, dir.path(), 1), 0);  // a directory, not a bundle
  EXPECT_LT(tk.LoadPanel(0, broken.fileName(), 1), 0);
  EXPECT_LT(tk.LoadPanel(0, "ui_test.uir", 9), 0);  // no such panel
  EXPECT_LT(tk.LoadPanel(0, "ui_test.uir", 0), 0);
  EXPECT_LT(tk.LoadPanel(0, "ui_test.uir", 3), 0);  // panel3.ui is not a valid layout
  EXPECT_LT(tk.LoadPanel(0, "ui_test.uir", 1, {"ButtonGo", "NoSuchControl"}), 0);
  EXPECT_LT(tk.LoadPanel(77, "ui_test.uir", 1), 0);  // unknown parent panel
  for (QWidget* w : QApplication::topLevelWidgets()) EXPECT_FALSE(w->isVisible());
}

TEST(LoadPanel, LoadsPanelsFromOneBundleRepeatedly) {
  Toolkit tk;
  const int first = tk.LoadPanel(0, "ui_test.uir", 1, {"ButtonGo", "GraphRaw1", "TeachTable"});
  const int second = tk.LoadPanel(0, "ui_test.uir", 2);
  const int again = tk.LoadPanel(0, tk.ProjectDir() + "/ui_test.uir", 1);
  ASSERT_GT(first, 0);
  ASSERT_GT(second, 0);
  ASSERT_GT(again, 0);
  EXPECT_EQ(std::set<int>({first, second, again}).size(), 3u);
  EXPECT_EQ(tk.PanelWidget(first)->windowTitle(), "Test Panel");
  EXPECT_EQ(tk.PanelWidget(second)->objectName(), "SecondPanel");
  EXPECT_FALSE(tk.PanelWidget(first)->isVisible());  // shown only on request
  tk.DisplayPanel(first);
  EXPECT_TRUE(tk.PanelWidget(first)->isVisible());

  EXPECT_EQ(tk.DiscardPanel(again), 0);
  tk.SetCtrlVal(again, "DispX", 5);  // harmless on a discarded panel
  EXPECT_NE(tk.Control(first, "ButtonGo"), nullptr);
}

TEST_F(UiTest, CallbacksBindByNameOrByTheCallbackProperty) {
  QTest::mouseClick(W("ButtonGo"), Qt::LeftButton);
  QTest::mouseClick(W("DispRED"), Qt::RightButton);
  QTest::mouseClick(W("DispBLUE"), Qt::RightButton);
  QTest::mouseClick(W("ButtonStop"), Qt::LeftButton);  // no callback: nothing happens

  ASSERT_EQ(recorder.calls.size(), 4u);
  EXPECT_EQ(recorder.calls[1].name, "ButtonGo");
  EXPECT_EQ(recorder.calls[1].callback, 0);
  EXPECT_EQ(recorder.calls[1].panel, panel);
  EXPECT_EQ(recorder.calls[1].event, EVENT_COMMIT);
  // The bars share CBF_DispBars, even where a CBF_DispRED exists.
  EXPECT_EQ(recorder.calls[2].callback, 1);
  EXPECT_EQ(recorder.calls[2].name, "DispRED");
  EXPECT_EQ(recorder.calls[3].callback, 1);
  EXPECT_EQ(recorder.calls[3].name, "DispBLUE");
}

TEST_F(UiTest, ClosingAPanelAsksItsCallbackAndLeavesThePanelOpen) {
  Show();
  QWidget* top = tk.PanelWidget(panel);
  top->close();
  EXPECT_EQ(recorder.panelEvents, (std::vector<std::pair<int, int>>{{panel, EVENT_CLOSE}}));
  EXPECT_TRUE(top->isVisible());
  // The callback decides: here it hides the panel.
  recorder.onPanel = [this](int p, int) { tk.HidePanel(p); };
  top->close();
  EXPECT_FALSE(top->isVisible());
  // The callback may even discard the panel it was called for.
  recorder.onPanel = [this](int p, int) { tk.DiscardPanel(p); };
  tk.DisplayPanel(panel);
  top->close();
  EXPECT_EQ(tk.PanelWidget(panel), nullptr);

  // A panel without a callback simply closes.
  const int plain = tk.LoadPanel(0, "ui_test.uir", 4);
  ASSERT_GT(plain, 0);
  tk.DisplayPanel(plain);
  tk.PanelWidget(plain)->close();
  EXPECT_FALSE(tk.PanelWidget(plain)->isVisible());
  EXPECT_EQ(recorder.panelEvents.size(), 3u);
}

// A close the window system queued while the program was busy (an answer
// wait) reaches the panel, although a modal box comes up before the program
// runs its events again: Qt drops a close for a window that a modal box blocks.
TEST_F(UiTest, APopupKeepsInputFromThePanelsButNotACloseOfOne) {
  Show();
  // Queued while the program was busy (an answer wait): it comes in once
  // the box runs its events.
  QWindowSystemInterface::handleCloseEvent(tk.PanelWidget(panel)->windowHandle());
  QTimer user;
  int ticks = 0;
  QObject::connect(&user, &QTimer::timeout, [&] {
    auto* box = OpenDialog<QMessageBox>();
    if (box == nullptr) return;
    if (++ticks == 2) {
      QTest::mouseClick(W("ButtonGo"), Qt::LeftButton);  // taken by no one
      QTest::keyClick(W("EditAverage"), Qt::Key_Up);
      QWindowSystemInterface::handleCloseEvent(tk.PanelWidget(panel)->windowHandle());
    } else if (ticks > 3) {
      box->close();
    }
  });
  user.start(20);
  tk.MessagePopup("TITLE", "text");
  EXPECT_EQ(recorder.panelEvents,
            (std::vector<std::pair<int, int>>{{panel, EVENT_CLOSE}, {panel, EVENT_CLOSE}}));
  EXPECT_TRUE(recorder.calls.empty());
}

// A polling loop holds the repaints of its events and does them later.
TEST_F(UiTest, HeldRepaintsWaitForRepaintNow) {
  Show();
  int paints = 0;
  struct Counter : QObject {
    int* count;
    explicit Counter(int* c) : count(c) {}
    bool eventFilter(QObject*, QEvent* e) override {
      if (e->type() == QEvent::Paint) ++*count;
      return false;
    }
  } counter(&paints);
  W("DispX")->installEventFilter(&counter);
  tk.SetCtrlVal(panel, "DispX", 123);
  tk.ProcessSystemEventsHoldingRepaints();
  EXPECT_EQ(paints, 0);
  tk.RepaintNow();
  EXPECT_GT(paints, 0);
  paints = 0;
  tk.SetCtrlVal(panel, "DispX", 456);  // nothing held: the usual way
  tk.ProcessSystemEvents();
  EXPECT_GT(paints, 0);
}

TEST_F(UiTest, AssistiveTechnologySeesNamesAndHelpTexts) {
  EXPECT_EQ(W("ButtonGo")->accessibleName(), "Go");          // mnemonic mark dropped
  EXPECT_EQ(W("EditAverage")->accessibleName(), "Average");  // its caption label
  EXPECT_EQ(W("SlidePower")->accessibleName(), "Power");     // the "label" property
  EXPECT_EQ(W("DispX")->accessibleName(), "DispX");          // nothing visible: its name
  EXPECT_EQ(tk.PanelWidget(panel)->accessibleName(), "Test Panel");

  const QString help = " Starts data transfer.                         \n Shortcut Key: F9. ";
  tk.SetHelpText(panel, "ButtonGo", help);
  EXPECT_EQ(W("ButtonGo")->accessibleDescription(), help);
  EXPECT_EQ(W("ButtonGo")->toolTip(), help);

  tk.SetLabel(panel, "EditAverage", "Mean");
  EXPECT_EQ(tk.GetCtrlString(panel, "labelAverage"), "Mean");
  EXPECT_EQ(W("EditAverage")->accessibleName(), "Mean");
  tk.SetLabel(panel, "ButtonGo", "Start");
  EXPECT_EQ(W("ButtonGo")->accessibleName(), "Start");
}

TEST_F(UiTest, StackingDecidesWhichOfTwoGraphsIsSeen) {
  Show();
  QWidget* top = tk.PanelWidget(panel);
  const QPoint centre = W("GraphData1")->geometry().center();
  auto seen = [&] {
    QWidget* w = top->childAt(centre);
    while (w != nullptr && w != W("GraphData1") && w != W("GraphData2")) w = w->parentWidget();
    return w;
  };
  // The layout declares GraphData2 last: it starts in front.
  EXPECT_TRUE(tk.IsInFront(panel, "GraphData2", "GraphData1"));
  EXPECT_EQ(seen(), W("GraphData2"));
  tk.SendBehind(panel, "GraphData2");
  EXPECT_TRUE(tk.IsInFront(panel, "GraphData1", "GraphData2"));
  EXPECT_EQ(seen(), W("GraphData1"));
  tk.BringToFront(panel, "GraphData2");
  EXPECT_TRUE(tk.IsInFront(panel, "GraphData2", "GraphData1"));
  EXPECT_EQ(seen(), W("GraphData2"));
}

const QString kTimeoutText =
    " ATTENTION! \n \n TIMEOUT \n NO SERIAL CONNECTION TO SENSOR.                           \n"
    " The version of the sensor is displayed as the name of this dialog box.";

// Runs `call` and answers every modal dialog of type D it opens with `act`;
// a dialog still open after two seconds is rejected, so that a fault fails
// the test instead of hanging it.
template <class D, class Act, class Call>
auto Answering(Act act, Call call) {
  QTimer timer;
  int ticks = 0;
  QObject::connect(&timer, &QTimer::timeout, [&] {
    if (auto* dialog = OpenDialog<D>()) {
      if (++ticks > 200) {
        static_cast<QDialog*>(dialog)->reject();
      } else {
        act(dialog);
      }
    }
  });
  timer.start(10);
  return call();
}

TEST_F(UiTest, ScriptedPopupsAreRecordedAndAnsweredFromTheQueue) {
  PopupScript& script = tk.Popups();
  script.SetScripted(true);
  tk.MessagePopup("SENSOR V1.2", kTimeoutText);
  Show();
  script.QueueConfirm(1);
  script.QueueConfirm(0);
  EXPECT_EQ(tk.ConfirmPopup("CONFIRM SAVING TO ", "RAM?"), 1);
  EXPECT_EQ(tk.ConfirmPopup("START CALIBRATION!", "Go on?"), 0);
  EXPECT_EQ(tk.ConfirmPopup("START CALIBRATION!", "Go on?"), 0);  // nothing queued: no

  script.QueueFile(2, "/data/new.par");
  QString path = "stale";
  EXPECT_EQ(tk.FileSelectPopup("/data", "new.par", "*.par", "Save parameters", "Save", false, true,
                               true, true, &path),
            2);
  EXPECT_EQ(path, "/data/new.par");
  EXPECT_EQ(tk.FileSelectPopup("/data", "", "*.par", "Load parameters", "Load", false, true, true,
                               true, &path),
            0);  // nothing queued: cancelled
  EXPECT_TRUE(path.isEmpty());
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

  const std::vector<PopupRecord>& shown = script.Shown();
  ASSERT_EQ(shown.size(), 6u);
  EXPECT_EQ(shown[0].kind, PopupRecord::Kind::kMessage);
  EXPECT_EQ(shown[0].title, "SENSOR V1.2");
  EXPECT_EQ(shown[0].text, kTimeoutText);
  EXPECT_TRUE(shown[0].visiblePanels.isEmpty());
  EXPECT_EQ(shown[1].visiblePanels, QStringList{"TestPanel"});
  EXPECT_EQ(shown[2].answer, 0);
  EXPECT_EQ(shown[4].kind, PopupRecord::Kind::kFile);
  EXPECT_EQ(shown[4].title, "Save parameters");

  // A queued name is completed as a typed one is, and judged by what it becomes.
  QTemporaryDir dir;
  QFile existing(dir.filePath("old.par"));
  ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
  existing.close();
  script.QueueFile(2, dir.filePath("old"));
  script.QueueFile(1, dir.filePath("run.txt"));
  for (const auto& [result, name] : {std::pair{1, "old.par"}, {2, "run.txt.par"}}) {
    EXPECT_EQ(tk.FileSelectPopup(dir.path(), "", "*.par", "Parameters", "OK", false, true, true,
                                 true, &path),
              result);
    EXPECT_EQ(path, dir.filePath(name));
  }
}

TEST_F(UiTest, MessageAndConfirmBoxesShowTheirTextsExactly) {
  QString title, text;
  Qt::TextFormat format = Qt::AutoText;
  Answering<QMessageBox>(
      [&](QMessageBox* box) {
        title = box->windowTitle();
        text = box->text();
        format = box->textFormat();
        box->accept();
      },
      [&] { tk.MessagePopup("INFO!", kTimeoutText); });
  EXPECT_EQ(title, "INFO!");
  EXPECT_EQ(text, kTimeoutText);
  EXPECT_EQ(format, Qt::PlainText);

  auto confirm = [&](auto act) {
    return Answering<QMessageBox>(act, [&] { return tk.ConfirmPopup("CONFIRM!", "Write?"); });
  };
  EXPECT_EQ(confirm([](QMessageBox* box) { box->button(QMessageBox::Yes)->click(); }), 1);
  EXPECT_EQ(confirm([](QMessageBox* box) { box->button(QMessageBox::No)->click(); }), 0);
  EXPECT_EQ(confirm([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); }), 0);
}

TEST_F(UiTest, FileDialogCompletesTheExtensionAndTellsNewFromExistingFiles) {
  QTemporaryDir dir;
  QFile existing(dir.filePath("old.par"));
  ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
  existing.close();
  QString path, accept;
  auto select = [&](const char* name, auto act) {
    return Answering<QFileDialog>(act, [&] {
      return tk.FileSelectPopup(dir.path(), name, "*.par", "Parameters", "Save", false, true, true,
                                true, &path);
    });
  };
  EXPECT_EQ(select("",
                   [&](QFileDialog* dialog) {
                     EXPECT_TRUE(dialog->testOption(QFileDialog::DontUseNativeDialog));
                     EXPECT_EQ(dialog->directory().absolutePath(), QDir(dir.path()).absolutePath());
                     accept = dialog->labelText(QFileDialog::Accept);
                     dialog->findChild<QLineEdit*>("fileNameEdit")->setText("new.par");  // as typed
                     static_cast<QDialog*>(dialog)->accept();
                   }),
            2);
  EXPECT_EQ(path, dir.filePath("new.par"));
  EXPECT_EQ(accept, "Save");
  // A name without the filter's extension gets it; "existing" is said of
  // the name so completed.
  for (const auto& [typed, result, name] :
       {std::tuple{"data.txt", 2, "data.txt.par"}, {"old", 1, "old.par"}}) {
    EXPECT_EQ(select("",
                     [typed = typed](QFileDialog* dialog) {
                       dialog->findChild<QLineEdit*>("fileNameEdit")->setText(typed);
                       static_cast<QDialog*>(dialog)->accept();
                     }),
              result);
    EXPECT_EQ(path, dir.filePath(name));
  }
  EXPECT_EQ(select("old.par", [](QFileDialog* dialog) { static_cast<QDialog*>(dialog)->accept(); }),
            1);
  EXPECT_EQ(path, dir.filePath("old.par"));
  EXPECT_EQ(select("old.par", [](QFileDialog* dialog) { dialog->reject(); }), 0);
  EXPECT_TRUE(path.isEmpty());
}

}  // namespace
}  // namespace tavix::ui::test
