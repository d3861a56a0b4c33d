// Loading panels, binding callbacks, closing, attributes, stacking, popups
// installed over the other panels, and what assistive technology sees.
#include <QAbstractSpinBox>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include "tests/ui/ui_test_support.h"

namespace tavix::ui::test {
namespace {

bool AnyTopLevelVisible() {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w->isVisible()) return true;
  }
  return false;
}

TEST(LoadPanel, FailuresGiveNegativeHandlesAndShowNothing) {
  Toolkit tk;
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString broken = dir.filePath("broken.uir");
  QFile file(broken);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("this is not a resource bundle\n");
  file.close();

  EXPECT_LT(tk.LoadPanel(0, "no_such_bundle.uir", 1), 0);
  EXPECT_LT(tk.LoadPanel(0, dir.path(), 1), 0);  // a directory, not a bundle
  EXPECT_LT(tk.LoadPanel(0, broken, 1), 0);
  EXPECT_LT(tk.LoadPanel(0, "ui_test.uir", 9), 0);  // no such panel
  EXPECT_LT(tk.LoadPanel(0, "ui_test.uir", 0), 0);
  EXPECT_LT(tk.LoadPanel(0, "ui_test.uir", 3), 0);  // panel3.ui is not a valid layout
  EXPECT_LT(tk.LoadPanel(0, "ui_test.uir", 1, {"ButtonGo", "NoSuchControl"}), 0);
  EXPECT_LT(tk.LoadPanel(77, "ui_test.uir", 1), 0);  // unknown parent panel
  EXPECT_FALSE(AnyTopLevelVisible());
}

TEST(LoadPanel, LoadsPanelsFromOneBundleRepeatedly) {
  Toolkit tk;
  const int first = tk.LoadPanel(0, "ui_test.uir", 1, {"ButtonGo", "GraphRaw1", "TeachTable"});
  const int second = tk.LoadPanel(0, "ui_test.uir", 2);
  const int again = tk.LoadPanel(0, tk.ProjectDir() + "/ui_test.uir", 1);
  ASSERT_GT(first, 0);
  ASSERT_GT(second, 0);
  ASSERT_GT(again, 0);
  EXPECT_NE(first, second);
  EXPECT_NE(first, again);
  EXPECT_EQ(tk.PanelWidget(first)->windowTitle(), "Test Panel");
  EXPECT_EQ(tk.PanelWidget(second)->objectName(), "SecondPanel");
  EXPECT_FALSE(tk.PanelWidget(first)->isVisible());  // shown only on request

  tk.DisplayPanel(first);
  EXPECT_TRUE(tk.PanelWidget(first)->isVisible());
  tk.HidePanel(first);
  EXPECT_FALSE(tk.PanelWidget(first)->isVisible());

  EXPECT_EQ(tk.DiscardPanel(again), 0);
  EXPECT_EQ(tk.PanelWidget(again), nullptr);
  EXPECT_LT(tk.DisplayPanel(again), 0);
  EXPECT_EQ(tk.Control(again, "ButtonGo"), nullptr);
  tk.SetCtrlVal(again, "DispX", 5);  // harmless on a discarded panel
  EXPECT_NE(tk.Control(first, "ButtonGo"), nullptr);
}

TEST_F(UiTest, ControlsAreTheNamedWidgetsWithSmallUniqueIds) {
  std::set<int> ids;
  for (const char* name : {"ButtonGo", "EditAverage", "labelAverage", "DispStatus", "TeachTable",
                           "GraphData1", "GraphData2", "GraphRaw1"}) {
    const int id = tk.CtrlId(panel, name);
    EXPECT_GT(id, 0) << name;
    EXPECT_LT(id, 100) << name;
    EXPECT_EQ(tk.CtrlName(panel, id), name);
    EXPECT_EQ(tk.Control(panel, name)->objectName(), name);
    ids.insert(id);
  }
  EXPECT_EQ(ids.size(), 8u);
  EXPECT_EQ(tk.CtrlId(panel, "qt_spinbox_lineedit"), -1);
  EXPECT_EQ(tk.CtrlId(panel, "NoSuchControl"), -1);
  EXPECT_EQ(tk.Control(panel, "NoSuchControl"), nullptr);
}

TEST_F(UiTest, CallbacksBindByNameOrByTheCallbackProperty) {
  QTest::mouseClick(W("ButtonGo"), Qt::LeftButton);
  QTest::mouseClick(W("DispRED"), Qt::RightButton);
  QTest::mouseClick(W("DispBLUE"), Qt::RightButton);
  QTest::mouseClick(W("ButtonStop"), Qt::LeftButton);  // no callback: nothing happens

  ASSERT_EQ(recorder.calls.size(), 4u);
  EXPECT_EQ(recorder.calls[0].name, "ButtonGo");
  EXPECT_EQ(recorder.calls[0].callback, 0);
  EXPECT_EQ(recorder.calls[0].panel, panel);
  EXPECT_EQ(recorder.calls[1].event, EVENT_COMMIT);
  // The bars share CBF_DispBars, even where a CBF_DispRED exists.
  EXPECT_EQ(recorder.calls[2].callback, 1);
  EXPECT_EQ(recorder.calls[2].control, tk.CtrlId(panel, "DispRED"));
  EXPECT_EQ(recorder.calls[3].callback, 1);
  EXPECT_EQ(recorder.calls[3].control, tk.CtrlId(panel, "DispBLUE"));
}

TEST_F(UiTest, ClosingAPanelAsksItsCallbackAndLeavesThePanelOpen) {
  Show();
  QWidget* top = tk.PanelWidget(panel);
  top->close();
  ASSERT_EQ(recorder.panelEvents.size(), 1u);
  EXPECT_EQ(recorder.panelEvents[0], std::make_pair(panel, int{EVENT_CLOSE}));
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
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(W("ButtonGo"), nullptr);

  // A panel without a callback simply closes.
  const int plain = tk.LoadPanel(0, "ui_test.uir", 4);
  ASSERT_GT(plain, 0);
  tk.DisplayPanel(plain);
  tk.PanelWidget(plain)->close();
  EXPECT_FALSE(tk.PanelWidget(plain)->isVisible());
  EXPECT_EQ(recorder.panelEvents.size(), 3u);
}

TEST_F(UiTest, AssistiveTechnologySeesNamesAndHelpTexts) {
  EXPECT_EQ(W("ButtonGo")->accessibleName(), "Go");          // mnemonic mark dropped
  EXPECT_EQ(W("EditAverage")->accessibleName(), "Average");  // its caption label
  EXPECT_EQ(W("SlidePower")->accessibleName(), "Power");     // the "label" property
  EXPECT_EQ(W("DispX")->accessibleName(), "DispX");          // nothing visible: its name
  EXPECT_EQ(W("DispStatus")->accessibleName(), "Status");
  EXPECT_EQ(tk.PanelWidget(panel)->accessibleName(), "Test Panel");

  const QString help = " Starts data transfer.                         \n Shortcut Key: F9. ";
  tk.SetHelpText(panel, "ButtonGo", help);
  EXPECT_EQ(W("ButtonGo")->accessibleDescription(), help);
  EXPECT_EQ(W("ButtonGo")->toolTip(), help);

  tk.SetLabel(panel, "EditAverage", "Mean");
  EXPECT_EQ(tk.Label(panel, "EditAverage"), "Mean");
  EXPECT_EQ(tk.GetCtrlString(panel, "labelAverage"), "Mean");
  EXPECT_EQ(W("EditAverage")->accessibleName(), "Mean");
  tk.SetLabel(panel, "ButtonGo", "Start");
  EXPECT_EQ(tk.Label(panel, "ButtonGo"), "Start");
  EXPECT_EQ(W("ButtonGo")->accessibleName(), "Start");
}

TEST_F(UiTest, AttributesChangeAndReadBack) {
  Show();
  tk.SetVisible(panel, "DispX", false);
  EXPECT_FALSE(tk.IsVisible(panel, "DispX"));
  tk.SetVisible(panel, "DispX", true);
  EXPECT_TRUE(tk.IsVisible(panel, "DispX"));
  tk.HidePanel(panel);
  EXPECT_TRUE(tk.IsVisible(panel, "DispX"));  // the control's own flag

  tk.SetDimmed(panel, "ButtonGo", true);
  EXPECT_TRUE(tk.IsDimmed(panel, "ButtonGo"));
  EXPECT_FALSE(W("ButtonGo")->isEnabled());
  tk.SetDimmed(panel, "ButtonGo", false);
  EXPECT_FALSE(tk.IsDimmed(panel, "ButtonGo"));

  tk.SetPosition(panel, "DispX", 120, 30);
  EXPECT_EQ(W("DispX")->pos(), QPoint(30, 120));

  tk.SetOperable(panel, "EditAverage", false);
  EXPECT_TRUE(static_cast<QAbstractSpinBox*>(W("EditAverage"))->isReadOnly());
  EXPECT_EQ(W("EditAverage")->focusPolicy(), Qt::NoFocus);
  tk.SetOperable(panel, "EditAverage", true);
  EXPECT_FALSE(static_cast<QAbstractSpinBox*>(W("EditAverage"))->isReadOnly());
  EXPECT_NE(W("EditAverage")->focusPolicy(), Qt::NoFocus);
}

// Counts the clearly red pixels of an image.
int RedPixels(const QImage& image) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QRgb p = image.pixel(x, y);
      if (qRed(p) - std::max(qGreen(p), qBlue(p)) > 80) ++count;
    }
  }
  return count;
}

TEST_F(UiTest, ButtonBackColourShowsAndReadsBack) {
  Show();
  QWidget* button = W("ButtonGo");
  EXPECT_EQ(RedPixels(button->grab().toImage()), 0);
  tk.SetBackColor(panel, "ButtonGo", kRed);
  EXPECT_EQ(tk.BackColor(panel, "ButtonGo"), kRed);
  const QImage red = button->grab().toImage();
  // Most of the face is red (the style shades it).
  EXPECT_GT(RedPixels(red), red.width() * red.height() / 2);

  tk.SetBackColor(panel, "ButtonGo", kLightGrey);
  EXPECT_EQ(tk.BackColor(panel, "ButtonGo"), kLightGrey);
  EXPECT_EQ(RedPixels(button->grab().toImage()), 0);
}

TEST_F(UiTest, StackingDecidesWhichOfTwoGraphsIsSeen) {
  Show();
  QWidget* top = tk.PanelWidget(panel);
  const QPoint centre = W("GraphData1")->geometry().center();
  auto seen = [&] {
    for (QWidget* w = top->childAt(centre); w != nullptr; w = w->parentWidget()) {
      if (w == W("GraphData1") || w == W("GraphData2")) return w;
    }
    return static_cast<QWidget*>(nullptr);
  };
  // The layout declares GraphData2 last: it starts in front.
  EXPECT_TRUE(tk.IsInFront(panel, "GraphData2", "GraphData1"));
  EXPECT_EQ(seen(), W("GraphData2"));

  tk.SendBehind(panel, "GraphData2");
  EXPECT_TRUE(tk.IsInFront(panel, "GraphData1", "GraphData2"));
  EXPECT_FALSE(tk.IsInFront(panel, "GraphData2", "GraphData1"));
  EXPECT_EQ(seen(), W("GraphData1"));

  tk.BringToFront(panel, "GraphData2");
  EXPECT_TRUE(tk.IsInFront(panel, "GraphData2", "GraphData1"));
  EXPECT_EQ(seen(), W("GraphData2"));
}

TEST_F(UiTest, AnInstalledPopupIsModalUntilRemoved) {
  const int popup = tk.LoadPanel(0, "ui_test.uir", 2);
  ASSERT_GT(popup, 0);
  Show();
  tk.HidePanel(panel);
  tk.InstallPopup(popup);
  QWidget* w = tk.PanelWidget(popup);
  EXPECT_TRUE(w->isVisible());
  EXPECT_EQ(w->windowModality(), Qt::ApplicationModal);
  EXPECT_EQ(QApplication::activeModalWidget(), w);

  tk.RemovePopup(popup);
  EXPECT_FALSE(w->isVisible());
  EXPECT_EQ(w->windowModality(), Qt::NonModal);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(Timer, IsAMonotonicClockInSeconds) {
  const double start = Timer();
  QTest::qSleep(50);
  const double elapsed = Timer() - start;
  EXPECT_GE(elapsed, 0.049);
  EXPECT_LT(elapsed, 5.0);
}

}  // namespace
}  // namespace tavix::ui::test
