// Loading panels, binding callbacks, closing, what assistive
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

#include "ui_test_support.h"

namespace tavix::ui::test {
namespace {

// Runs `call` and hands every dialog of type D on screen that it opens to
// `act` every 10 ms; one still open after two seconds is rejected, so that a
// fault fails the test instead of hanging it.
template <class D, class Act, class Call>
auto Answering(Act act, Call call) {
  QTimer timer;
  int ticks = 0;
  QObject::connect(&timer, &QTimer::timeout, [&] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      auto* dialog = qobject_cast<D*>(w);
      if (dialog == nullptr || !dialog->isVisible()) continue;
      if (++ticks > 200) return static_cast<QDialog*>(dialog)->reject();
      return act(dialog);
    }
  });
  timer.start(10);
  return call();
}

TEST(LoadPanel, RefusesBrokenBundlesPanelsAndMissingControlsAndLoadsRepeatedly) {
  Toolkit tk;
  QTemporaryDir dir;
  QFile broken(dir.filePath("broken.uir"));
  ASSERT_TRUE(broken.open(QIODevice::WriteOnly) && broken.write("not a resource bundle\n") > 0);
  broken.close();
  for (const QString& file : {QString("no_such_bundle.uir"), dir.path(), broken.fileName()}) {
    EXPECT_LT(tk.LoadPanel(0, file, 1), 0) << file.toStdString();
  }
  for (int resource : {9, 0, 3}) {  // panel3.ui is not a valid layout
    EXPECT_LT(tk.LoadPanel(0, "ui_test.uir", resource), 0) << resource;
  }
  EXPECT_LT(tk.LoadPanel(0, "ui_test.uir", 1, {"ButtonGo", "NoSuchControl"}), 0);
  EXPECT_LT(tk.LoadPanel(77, "ui_test.uir", 1), 0);  // no such parent panel

  const int first = tk.LoadPanel(0, "ui_test.uir", 1, {"ButtonGo", "GraphRaw1", "TeachTable"});
  const int second = tk.LoadPanel(0, "ui_test.uir", 2);
  const int again = tk.LoadPanel(0, tk.ProjectDir() + "/ui_test.uir", 1);
  ASSERT_GT(std::min({first, second, again}), 0);
  EXPECT_EQ(std::set<int>({first, second, again}).size(), 3u);
}

// The bars share CBF_DispBars by their "callback" property, even where a
// CBF_DispRED exists. The table and the loaded panels checked against each
// other: a callback that binds to nothing (CBF_DispRED) and a layout
// property naming a callback the table lacks are both named.
TEST_F(UiTest, CallbacksBindByNameOrByTheCallbackPropertyAndProblemsAreNamed) {
  QTest::mouseClick(W("ButtonGo"), Qt::LeftButton);
  QTest::mouseClick(W("DispRED"), Qt::RightButton);
  QTest::mouseClick(W("DispBLUE"), Qt::RightButton);
  QTest::mouseClick(W("ButtonStop"), Qt::LeftButton);    // no callback: nothing happens
  std::vector<std::tuple<int, int, int, QString>> seen;  // callback, panel, event, control
  for (const Call& c : calls) seen.emplace_back(c.callback, c.panel, c.event, c.name);
  EXPECT_EQ(seen, (decltype(seen){{0, panel, EVENT_LEFT_CLICK, "ButtonGo"},
                                  {0, panel, EVENT_COMMIT, "ButtonGo"},
                                  {1, panel, EVENT_RIGHT_CLICK, "DispRED"},
                                  {1, panel, EVENT_RIGHT_CLICK, "DispBLUE"}}));

  auto problems = [this] { return tk.BindingProblems().join('\n').toStdString(); };
  EXPECT_EQ(problems(), "callback CBF_DispRED binds to no control of a loaded panel");
  ASSERT_GT(tk.LoadPanel(0, "ui_test.uir", 2), 0);
  tk.SetCallbacks({.controls = {{"CBF_ButtonGo", Record<0>}},
                   .panels = {{"CBF_TP", RecordPanel}, {"CBF_Gone", RecordPanel}}});
  const char* where = "of panel TestPanel (ui_test.uir panel 1) names callback CBF_DispBars";
  EXPECT_EQ(problems(), QStringLiteral("control DispRED %1, which the table lacks\n"
                                       "control DispGREEN %1, which the table lacks\n"
                                       "control DispBLUE %1, which the table lacks\n"
                                       "panel SecondPanel (ui_test.uir panel 2) names panel "
                                       "callback CBF_SP, which the table lacks\n"
                                       "panel callback CBF_Gone binds to no loaded panel")
                            .arg(where)
                            .toStdString());
}

// Qt drops a close for a window that a modal box blocks; a close queued
// while the program was busy (an answer wait) and one during the box must
// still reach the panel's callback, which decides what a close does.
TEST_F(UiTest, ACloseReachesThePanelsCallbackAlsoThroughAPopupThatKeepsOtherInput) {
  Show();
  QWindowSystemInterface::handleCloseEvent(tk.PanelWidget(panel)->windowHandle());
  int ticks = 0;
  Answering<QMessageBox>(
      [&](QMessageBox* box) {
        if (++ticks == 2) {
          QTest::mouseClick(W("ButtonGo"), Qt::LeftButton);  // taken by no one
          QTest::keyClick(W("EditAverage"), Qt::Key_Up);
          QWindowSystemInterface::handleCloseEvent(tk.PanelWidget(panel)->windowHandle());
        } else if (ticks > 3) {
          box->close();
        }
      },
      [&] { tk.MessagePopup("TITLE", "text"); });
  EXPECT_EQ(panelEvents, (std::vector<std::pair<int, int>>(2, {panel, EVENT_CLOSE})));
  EXPECT_TRUE(calls.empty());
  EXPECT_TRUE(tk.PanelWidget(panel)->isVisible());  // the callback did nothing
  onPanel = [this](int p, int) { tk.HidePanel(p); };
  tk.PanelWidget(panel)->close();
  EXPECT_FALSE(tk.PanelWidget(panel)->isVisible());
}

// A polling loop holds the repaints of its events and does them later.
TEST_F(UiTest, HeldRepaintsWaitForRepaintNow) {
  Show();
  struct Counter : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override {
      paints += e->type() == QEvent::Paint;
      return false;
    }
  } counter;
  W("DispX")->installEventFilter(&counter);
  tk.SetCtrlVal(panel, "DispX", 123);
  tk.ProcessSystemEventsHoldingRepaints();
  EXPECT_EQ(counter.paints, 0);
  tk.RepaintNow();
  EXPECT_GT(counter.paints, 0);
}

// Mnemonic marks dropped, the caption label without its colon, the "label"
// property, nothing visible: the control's name; a panel's title.
TEST_F(UiTest, AssistiveTechnologySeesNamesWithoutMnemonicsFromLabelsAndTitles) {
  QStringList names;
  for (const char* name : {"ButtonGo", "EditAverage", "SlidePower", "DispX"}) {
    names << W(name)->accessibleName();
  }
  EXPECT_EQ(names << tk.PanelWidget(panel)->accessibleName(),
            (QStringList{"Go", "Average", "Power", "DispX", "Test Panel"}));
}

// Real boxes show their texts exactly and answer as the user does. What
// scripted popups record, queued answers and the panels shown at the time
// are read back by every end-to-end suite; here what nothing queued gives: a
// "no", and a cancelled selection without a path.
TEST_F(UiTest, PopupsShowTheirTextsExactlyAndScriptedOnesWithNothingQueuedSayNoAndCancel) {
  const QString text =
      " ATTENTION! \n \n TIMEOUT \n NO SERIAL CONNECTION TO SENSOR.                           \n"
      " The version of the sensor is displayed as the name of this dialog box.";
  std::tuple<QString, QString, Qt::TextFormat> shown;
  Answering<QMessageBox>(
      [&](QMessageBox* box) {
        shown = {box->windowTitle(), box->text(), box->textFormat()};
        box->accept();
      },
      [&] { tk.MessagePopup("INFO!", text); });
  EXPECT_EQ(shown, std::tuple(QString("INFO!"), text, Qt::PlainText));
  auto confirm = [&](auto act) {
    return Answering<QMessageBox>(act, [&] { return tk.ConfirmPopup("CONFIRM!", "Write?"); });
  };
  EXPECT_EQ(confirm([](QMessageBox* box) { box->button(QMessageBox::Yes)->click(); }), 1);
  EXPECT_EQ(confirm([](QMessageBox* box) { box->button(QMessageBox::No)->click(); }), 0);
  EXPECT_EQ(confirm([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); }), 0);

  tk.Popups().SetScripted(true);
  EXPECT_EQ(tk.ConfirmPopup("START CALIBRATION!", "Go on?"), 0);
  QString path = "stale";
  EXPECT_EQ(
      tk.FileSelectPopup("/data", "", "*.par", "Load", "Load", false, true, true, true, &path), 0);
  EXPECT_TRUE(path.isEmpty());
  using K = PopupRecord::Kind;
  std::vector<std::pair<K, int>> recorded;
  for (const PopupRecord& r : tk.Popups().Shown()) recorded.emplace_back(r.kind, r.answer);
  EXPECT_EQ(recorded, (decltype(recorded){{K::kConfirm, 0}, {K::kFile, 0}}));
}

// A name without the filter's extension gets it; "existing" (1) or "new" (2)
// is said of the name so completed, typed into the dialog or queued.
TEST_F(UiTest, FileDialogCompletesTheExtensionAndTellsNewFromExistingFiles) {
  QTemporaryDir dir;
  ASSERT_TRUE(QFile(dir.filePath("old.par")).open(QIODevice::WriteOnly));
  QString path, accept;
  // The user types `typed` over the default `name` ("": keeps it) and
  // accepts, or cancels (nullptr).
  auto select = [&](const char* name, const char* typed) {
    return Answering<QFileDialog>(
        [&](QFileDialog* dialog) {
          EXPECT_EQ(dialog->directory().absolutePath(), QDir(dir.path()).absolutePath());
          accept = dialog->labelText(QFileDialog::Accept);
          if (typed == nullptr) return dialog->reject();
          if (*typed != '\0') dialog->findChild<QLineEdit*>("fileNameEdit")->setText(typed);
          static_cast<QDialog*>(dialog)->accept();
        },
        [&] {
          return tk.FileSelectPopup(dir.path(), name, "*.par", "", "Save", false, true, true, true,
                                    &path);
        });
  };
  const std::tuple<const char*, const char*, int, const char*> cases[] = {
      {"", "new.par", 2, "new.par"},
      {"", "data.txt", 2, "data.txt.par"},
      {"", "old", 1, "old.par"},
      {"old.par", "", 1, "old.par"},
      {"old.par", nullptr, 0, ""}};
  for (const bool scripted : {false, true}) {
    tk.Popups().SetScripted(scripted);
    for (const auto& [name, typed, result, chosen] : cases) {
      if (scripted && *name != '\0') continue;  // queued: typed names only
      SCOPED_TRACE(testing::Message() << name << "/" << (typed ? typed : "cancel") << scripted);
      if (scripted) tk.Popups().QueueFile(3 - result, dir.filePath(typed));  // judged again
      EXPECT_EQ(select(name, typed), result);
      EXPECT_EQ(path, *chosen != '\0' ? dir.filePath(chosen) : QString());
    }
  }
  EXPECT_EQ(accept, "Save");
}

}  // namespace
}  // namespace tavix::ui::test
