// Evaluation modes, SOURCE selection, the MAXVEC-No. warning, help texts and
// accessibility of the scope's main panel.
#include <QAccessible>
#include <QWidget>

#include "tests/e2e/scope_harness.h"

namespace tavix::e2e {
namespace {

struct ModeExpectation {
  int mode;
  int source;
  int trigger, intlim, pmod, maxcolno, outmode;  // -1: left as it was
  bool lockTrigger, lockIntlim, lockMaxcolno, lockOutmode, lockPmod;
  bool calibButton;
  const char* labels[5];
};

// Written from the mode table of the evaluation modes.
const ModeExpectation kModes[] = {
    {0,
     0,
     -1,
     -1,
     -1,
     -1,
     -1,
     false,
     false,
     false,
     false,
     false,
     false,
     {"X", "Y", "CTO", "INT", "ITO"}},
    {1, 0, -1, -1, -1, -1, -1, false, false, false, false, false, false, {"X", "Y", "", "", ""}},
    {2,
     0,
     0,
     -1,
     -1,
     -1,
     -1,
     true,
     false,
     false,
     false,
     false,
     false,
     {"X", "Y", "CTO", "INT", "ITO"}},
    {3, 2, 0, 0, 0, 1, 1, true, true, true, true, true, false, {"UL", "LL", "", "", ""}},
    {4, 3, 0, 0, 0, 1, 1, true, true, true, true, true, false, {"UL", "LL", "", "", ""}},
    {5, 4, 0, 0, 0, 1, 1, true, true, true, true, true, false, {"UL", "LL", "", "", ""}},
    {6, 1, 0, 0, 0, 3, 1, true, true, true, true, true, false, {"UL", "LL", "", "", ""}},
    {7, 6, 0, 0, 0, -1, -1, true, true, false, false, true, true, {"UL", "LL", "", "", ""}},
};

class ScopeEval : public ScopeHarness {
 protected:
  void SetUp() override {
    ScopeHarness::SetUp();
    ASSERT_EQ(StartProgram(), 0);
  }
  bool Dimmed(const char* name) const { return toolkit->IsDimmed(Panel(), name); }
  bool Visible(const char* name) const { return toolkit->IsVisible(Panel(), name); }
  bool Trace(int trace) const { return toolkit->TraceVisible(Panel(), "GraphRaw1", trace); }
  // Panel state that every mode may overwrite: all five controls away from
  // what any mode writes (mode 0 first: it frees them for the user).
  void Scramble() {
    Choose("Evalmode", 0);
    Choose("EditTrigger", 1);
    Type("EditIntlim", 77);
    Choose("EditPmod", 1);
    Type("EditMaxcolNo", 12);
    Choose("EditOutmode", 0);  // DIRECT LO, stored as the OUTMODE value
    toolkit->Popups().ClearShown();
  }
};

TEST_F(ScopeEval, EveryModeWritesLocksLabelsAndSelectsItsSignal) {
  for (const ModeExpectation& m : kModes) {
    SCOPED_TRACE(m.mode);
    Scramble();
    Choose("Evalmode", m.mode);
    EXPECT_EQ(Int("SelectSource"), m.source);
    EXPECT_EQ(Int("EditTrigger"), m.trigger < 0 ? 1 : m.trigger);
    EXPECT_EQ(Int("EditIntlim"), m.intlim < 0 ? 77 : m.intlim);
    EXPECT_EQ(Int("EditPmod"), m.pmod < 0 ? 1 : m.pmod);
    EXPECT_EQ(Int("EditMaxcolNo"), m.maxcolno < 0 ? 12 : m.maxcolno);
    EXPECT_EQ(Int("EditOutmode"), m.outmode < 0 ? 0 : m.outmode);
    EXPECT_EQ(Dimmed("EditTrigger"), m.lockTrigger);
    EXPECT_EQ(Dimmed("EditIntlim"), m.lockIntlim);
    EXPECT_EQ(Dimmed("EditMaxcolNo"), m.lockMaxcolno);
    EXPECT_EQ(Dimmed("EditOutmode"), m.lockOutmode);
    EXPECT_EQ(Dimmed("EditPmod"), m.lockPmod);
    EXPECT_EQ(Visible("ButtonCalibGf60Deg"), m.calibButton);
    for (int c = 1; c <= 5; ++c) {
      EXPECT_EQ(toolkit->TableColumnLabel(Panel(), "TeachTable", c), m.labels[c - 1]) << c;
    }
    // Power slider: locked in the gloss mode, otherwise by PMOD.
    const bool dyn = Int("EditPmod") != 0;
    EXPECT_EQ(Dimmed("SlidePower"), m.mode == 7 || dyn);
    // Rows up to MAXVEC-No. are active; the warning follows the stored OUTMODE.
    const int maxcol = Int("EditMaxcolNo");
    EXPECT_EQ(toolkit->TableRowLabelColor(Panel(), "TeachTable", maxcol), ui::kGreen);
    EXPECT_EQ(toolkit->TableRowLabelColor(Panel(), "TeachTable", maxcol + 1), ui::kRed);
    EXPECT_EQ(Popups().size(), maxcol > 5 ? 1u : 0u);
  }
}

TEST_F(ScopeEval, SignalSelectionShowsItsDisplaysGraphsAndTraces) {
  struct Row {
    int source;
    bool numerics, colour, vno, gloss, xy, chart, glossChart;
  };
  const Row rows[] = {{0, false, true, true, false, true, false, false},
                      {1, true, false, false, false, false, true, false},
                      {2, true, false, false, false, false, true, false},
                      {5, false, true, true, false, false, true, false},
                      {6, true, false, true, true, false, false, true}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.source);
    Choose("SelectSource", r.source);
    EXPECT_EQ(Visible("DispR"), r.numerics);
    EXPECT_EQ(Visible("DispB"), r.numerics);
    EXPECT_EQ(Visible("DispX"), r.colour);
    EXPECT_EQ(Visible("DispINT"), r.colour);
    EXPECT_EQ(Visible("DispCOL"), r.vno);
    EXPECT_EQ(Visible("LabelCOL"), r.vno);
    EXPECT_EQ(Visible("DispGF"), r.gloss);
    EXPECT_EQ(Visible("LabelGF"), r.gloss);
    EXPECT_EQ(Visible("GraphData1"), r.xy);
    EXPECT_EQ(Visible("GraphRaw1"), r.chart);
    EXPECT_EQ(Visible("GraphGF"), r.glossChart);
    EXPECT_TRUE(Visible("DispRED"));  // the bars are never hidden
  }

  Choose("Evalmode", 3);  // selects 20DEG with its window lines
  EXPECT_TRUE(Trace(1));
  EXPECT_FALSE(Trace(2));
  EXPECT_FALSE(Trace(5));
  EXPECT_TRUE(Trace(6));
  EXPECT_TRUE(Trace(7));
  Choose("Evalmode", 4);  // 60DEG window: 20DEG chosen by hand has no lines
  Choose("SelectSource", 2);
  EXPECT_TRUE(Trace(1));
  EXPECT_FALSE(Trace(6));
  Choose("SelectSource", 5);  // INT always shows INT +- ITO
  EXPECT_TRUE(Trace(4));
  EXPECT_FALSE(Trace(1));
  EXPECT_TRUE(Trace(6));
  Choose("Evalmode", 6);
  EXPECT_TRUE(Trace(1) && Trace(2) && Trace(3));
  EXPECT_FALSE(Trace(4));
  EXPECT_TRUE(Trace(7));
}

TEST_F(ScopeEval, MaxVecWarningAndRowMarking) {
  Choose("EditOutmode", 0);  // DIRECT LO
  Type("EditMaxcolNo", 5);
  EXPECT_TRUE(Popups().empty());
  Type("EditMaxcolNo", 6);
  ASSERT_EQ(Popups().size(), 1u);
  EXPECT_EQ(Popups()[0].title, "INFO!");
  EXPECT_EQ(Popups()[0].text,
            " ATTENTION! \n \n MAXVEC-No. IS TOO HIGH \n DECREASE MAXVEC-No. OR SWITCH TO "
            "OUTMODE=BINARY");
  EXPECT_EQ(toolkit->TableRowLabelColor(Panel(), "TeachTable", 6), ui::kGreen);
  EXPECT_EQ(toolkit->TableRowLabelColor(Panel(), "TeachTable", 7), ui::kRed);

  Choose("EditOutmode", 1);  // BINARY: no warning, rows not recoloured
  Type("EditMaxcolNo", 20);
  EXPECT_EQ(Popups().size(), 1u);
  EXPECT_EQ(toolkit->TableRowLabelColor(Panel(), "TeachTable", 20), ui::kGreen);
  Type("EditMaxcolNo", 0);
  EXPECT_EQ(toolkit->TableRowLabelColor(Panel(), "TeachTable", 1), ui::kRed);
}

TEST_F(ScopeEval, PmodDimsThePowerSliderAtOnce) {
  Choose("EditPmod", 1);
  EXPECT_TRUE(Dimmed("SlidePower"));
  Choose("EditPmod", 0);
  EXPECT_FALSE(Dimmed("SlidePower"));
}

TEST_F(ScopeEval, ParameterAndTeachViewsSwitchWithoutTouchingTheTable) {
  toolkit->SetTableCellVal(Panel(), "TeachTable", 2, 3, 1234);
  Click("ParaVisible");
  EXPECT_FALSE(Visible("ParaGroup"));
  EXPECT_TRUE(Visible("TeachGroup"));
  Click("ParaVisible");
  EXPECT_TRUE(Visible("ParaGroup"));
  EXPECT_FALSE(Visible("TeachGroup"));
  scope->GetPanelValues();
  EXPECT_EQ(scope->vars.ctt[2][1], 1234);
}

TEST_F(ScopeEval, GlossDisplaysReactToTheMouse) {
  Choose("SelectSource", 6);
  QTest::mouseDClick(W("DispGF"), Qt::LeftButton);
  EXPECT_TRUE(Visible("DispGFBig"));
  RightClick("DispGFBig");
  EXPECT_FALSE(Visible("DispGFBig"));
  EXPECT_TRUE(Popups().empty());
  RightClick("DispGF");
  ASSERT_EQ(Popups().size(), 1u);
  EXPECT_EQ(Popups()[0].title, "Info");

  QWidget* chart = W("GraphGF");
  QTest::mouseDClick(chart, Qt::LeftButton);
  EXPECT_EQ(scope->live.scale, 1);
  QTest::mouseClick(chart, Qt::LeftButton);
  EXPECT_EQ(scope->live.scale, 0);
}

TEST_F(ScopeEval, RightClickShowsHelpExactlyAsWritten) {
  const QString send = QString(
                           " All the parameters of the PC-User-Interface are transferred to the "
                           "sensor or to a selectable file.") +
                       QString(27, ' ') + "\n" +
                       " The target of the parameter transfer is determined by the select button "
                       "(RAM, EEPROM, FILE)." +
                       QString(27, ' ') + "\n" + " Shortcut Key: F9. ";
  const QString power = QString(" Select the intensity of the transmitter LED.") +
                        QString(26, ' ') + "\n" + " 0 = no intensity,  1000 = full intensity.";
  struct Case {
    const char* control;
    QString text;
  };
  for (const Case& c : {Case{"ButtonSend", send}, Case{"SlidePower", power},
                        Case{"SelectFILE",
                             " Select the source respectively the target for the "
                             "parameter transfer."},
                        Case{"Evalmode", "See Manual."},
                        Case{"DispStatus", " Displays serial interface status messages."}}) {
    toolkit->Popups().ClearShown();
    RightClick(c.control);
    ASSERT_EQ(Popups().size(), 1u) << c.control;
    EXPECT_EQ(Popups()[0].title, "INFO!");
    EXPECT_EQ(Popups()[0].text, c.text) << c.control;
  }
  EXPECT_EQ(scope->frame.target, scope::RAM);  // a right click on a toggle does not switch it
}

TEST_F(ScopeEval, EveryControlHasAnAccessibleNameAndHelpAsDescription) {
  QWidget* panel = toolkit->PanelWidget(Panel());
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(panel->windowTitle(), "TAVIX-Scope");
  for (QWidget* w : panel->findChildren<QWidget*>()) {
    const QString name = w->objectName();
    if (name.isEmpty() || name.startsWith("qt_") || name.startsWith("_")) continue;
    if (toolkit->CtrlId(Panel(), name) < 0) continue;
    // What a screen reader reads: the accessible name, or a label's own text.
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
    ASSERT_NE(a, nullptr) << name.toStdString();
    EXPECT_FALSE(a->text(QAccessible::Name).isEmpty()) << name.toStdString();
  }
  EXPECT_EQ(W("ButtonGo")->accessibleName(), "GO");
  EXPECT_TRUE(W("ButtonGo")->accessibleDescription().contains("Shortcut Key: F11."));
  EXPECT_TRUE(W("EditMaxcolNo")->accessibleDescription().contains("MAXVEC") ||
              W("EditMaxcolNo")->accessibleDescription().contains("vectors"));
}

TEST_F(ScopeEval, ShortcutKeysSendAndGet) {
  QWidget* panel = toolkit->PanelWidget(Panel());
  toolkit->DisplayPanel(Panel());
  panel->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(panel));
  sensor->ClearLog();
  QTest::keyClick(panel->windowHandle(), Qt::Key_F10);
  // A shortcut clicks its button animated: the click comes a moment later.
  for (int i = 0; i < 50 && ReceivedOrders(*sensor).empty(); ++i) QTest::qWait(20);
  EXPECT_EQ(ReceivedOrders(*sensor), (std::vector<int>{3}));
}

}  // namespace
}  // namespace tavix::e2e
