// Evaluation modes, SOURCE selection, the MAXVEC-No. warning, help texts,
// shortcut keys and accessibility of the scope's main panel.
#include <QAccessible>

#include "scope_harness.h"

namespace tavix::e2e {
namespace {

const char* const kForced[] = {"Trigger", "Intlim", "Pmod", "MaxcolNo", "Outmode"};

// Written from the mode table of the evaluation modes.
struct Mode {
  int mode, source;
  std::array<int, 5> values;  // written into kForced; -1: left as it was
  const char* locked;         // which of kForced the mode locks
  bool calibButton;
  const char* labels;  // of the teach table's columns
};
const Mode kModes[] = {
    {0, 0, {-1, -1, -1, -1, -1}, "", false, "X|Y|CTO|INT|ITO"},
    {1, 0, {-1, -1, -1, -1, -1}, "", false, "X|Y|||"},
    {2, 0, {0, -1, -1, -1, -1}, "Trigger", false, "X|Y|CTO|INT|ITO"},
    {3, 2, {0, 0, 0, 1, 1}, "Trigger Intlim Pmod MaxcolNo Outmode", false, "UL|LL|||"},
    {4, 3, {0, 0, 0, 1, 1}, "Trigger Intlim Pmod MaxcolNo Outmode", false, "UL|LL|||"},
    {5, 4, {0, 0, 0, 1, 1}, "Trigger Intlim Pmod MaxcolNo Outmode", false, "UL|LL|||"},
    {6, 1, {0, 0, 0, 3, 1}, "Trigger Intlim Pmod MaxcolNo Outmode", false, "UL|LL|||"},
    {7, 6, {0, 0, 0, -1, -1}, "Trigger Intlim Pmod", true, "UL|LL|||"},
};

class ScopeEval : public ScopeHarness {
 protected:
  void SetUp() override {
    ScopeHarness::SetUp();
    ASSERT_EQ(StartProgram(), 0);
  }
  bool Dimmed(const QString& name) const { return toolkit->IsDimmed(Panel(), name); }
  bool Visible(const QString& name) const { return toolkit->IsVisible(Panel(), name); }
  std::uint32_t RowColour(int row) const {
    return toolkit->TableRowLabelColor(Panel(), "TeachTable", row);
  }
  // The channel strip chart's visible traces, e.g. "167".
  std::string Traces() const {
    std::string on;
    for (int t = 1; t <= 7; ++t) {
      if (toolkit->TraceVisible(Panel(), "GraphRaw1", t)) on += char('0' + t);
    }
    return on;
  }
};

TEST_F(ScopeEval, EveryModeWritesLocksLabelsAndSelectsItsSignal) {
  const int scrambled[] = {1, 77, 1, 12, 0};  // away from what any mode writes
  for (const Mode& m : kModes) {
    SCOPED_TRACE(m.mode);
    Choose("Evalmode", 0);  // frees the controls for the user
    Choose("EditTrigger", 1);
    Type("EditIntlim", 77);
    Choose("EditPmod", 1);
    Type("EditMaxcolNo", 12);
    Choose("EditOutmode", 0);  // DIRECT LO
    toolkit->Popups().ClearShown();
    Choose("Evalmode", m.mode);

    EXPECT_EQ(Int("SelectSource"), m.source);
    for (int k = 0; k < 5; ++k) {
      const QString control = QString("Edit") + kForced[k];
      EXPECT_EQ(Int(control.toLatin1()), m.values[k] < 0 ? scrambled[k] : m.values[k])
          << kForced[k];
      EXPECT_EQ(Dimmed(control), QString(m.locked).split(' ').contains(kForced[k])) << kForced[k];
    }
    EXPECT_EQ(Visible("ButtonCalibGf60Deg"), m.calibButton);
    QStringList labels;
    for (int c = 1; c <= 5; ++c) labels << toolkit->TableColumnLabel(Panel(), "TeachTable", c);
    EXPECT_EQ(labels.join('|').toStdString(), m.labels);
    // Power slider: locked in the gloss mode, otherwise by PMOD.
    EXPECT_EQ(Dimmed("SlidePower"), m.mode == 7 || Int("EditPmod") != 0);
    // Rows up to MAXVEC-No. are active; the warning follows the stored OUTMODE.
    const int maxcol = Int("EditMaxcolNo");
    EXPECT_EQ(RowColour(maxcol), kGreen);
    EXPECT_EQ(RowColour(maxcol + 1), kRed);
    EXPECT_EQ(Boxes().size(), maxcol > 5 ? 1u : 0u);
  }
}

TEST_F(ScopeEval, SignalSelectionShowsItsDisplaysGraphsAndTraces) {
  const QStringList controls = {"DispR",   "DispB",      "DispX",     "DispINT",
                                "DispCOL", "LabelCOL",   "DispGF",    "LabelGF",
                                "DispRED", "GraphData1", "GraphRaw1", "GraphGF"};
  const std::pair<int, const char*> shown[] = {
      {0, "DispX DispINT DispCOL LabelCOL DispRED GraphData1"},
      {1, "DispR DispB DispRED GraphRaw1"},
      {2, "DispR DispB DispRED GraphRaw1"},
      {5, "DispX DispINT DispCOL LabelCOL DispRED GraphRaw1"},
      {6, "DispR DispB DispCOL LabelCOL DispGF LabelGF DispRED GraphGF"}};
  for (const auto& [source, on] : shown) {
    Choose("SelectSource", source);
    for (const QString& name : controls) {
      EXPECT_EQ(Visible(name), QString(on).split(' ').contains(name))
          << "SOURCE " << source << " " << name.toStdString();
    }
  }
  Choose("Evalmode", 3);  // selects 20DEG with its window lines
  EXPECT_EQ(Traces(), "167");
  Choose("Evalmode", 4);  // 60DEG window: 20DEG chosen by hand has no lines
  Choose("SelectSource", 2);
  EXPECT_EQ(Traces(), "1");
  Choose("SelectSource", 5);  // INT always shows INT +- ITO
  EXPECT_EQ(Traces(), "467");
  Choose("Evalmode", 6);
  EXPECT_EQ(Traces(), "12367");
}

TEST_F(ScopeEval, MaxVecWarningAndTheRowsAndPowerSliderFollowTheirControls) {
  Choose("EditOutmode", 0);  // DIRECT LO
  Type("EditMaxcolNo", 5);
  EXPECT_TRUE(Boxes().empty());
  Type("EditMaxcolNo", 6);
  EXPECT_EQ(Boxes(), Strings{Box("INFO!",
                                 " ATTENTION! \n \n MAXVEC-No. IS TOO HIGH \n DECREASE MAXVEC-No. "
                                 "OR SWITCH TO OUTMODE=BINARY")});
  EXPECT_EQ(RowColour(6), kGreen);
  EXPECT_EQ(RowColour(7), kRed);
  Choose("EditOutmode", 1);  // BINARY: no warning
  Type("EditMaxcolNo", 20);
  EXPECT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(RowColour(20), kGreen);
  Type("EditMaxcolNo", 0);
  EXPECT_EQ(RowColour(1), kRed);

  Choose("EditPmod", 1);
  EXPECT_TRUE(Dimmed("SlidePower"));
  Choose("EditPmod", 0);
  EXPECT_FALSE(Dimmed("SlidePower"));
}

TEST_F(ScopeEval, RightClickShowsHelpExactlyAsWrittenAndStartsNothing) {
  const QString send =
      " All the parameters of the PC-User-Interface are transferred to the sensor or to a "
      "selectable file." +
      QString(27, ' ') +
      "\n The target of the parameter transfer is determined by the select button (RAM, EEPROM, "
      "FILE)." +
      QString(27, ' ') + "\n Shortcut Key: F9. ";
  const QString power = " Select the intensity of the transmitter LED." + QString(26, ' ') +
                        "\n 0 = no intensity,  1000 = full intensity.";
  const std::pair<const char*, QString> cases[] = {
      {"ButtonSend", send},
      {"SlidePower", power},
      {"SelectFILE", " Select the source respectively the target for the parameter transfer."},
      {"Evalmode", "See Manual."},
      {"DispStatus", " Displays serial interface status messages."},
      {"ButtonGo", scope::texts::InfoButtonGo},
      {"ButtonAutoAdjust", scope::texts::InfoButtonAutoAdjust}};
  for (const auto& [control, text] : cases) {
    toolkit->Popups().ClearShown();
    Click(control, Qt::RightButton);
    EXPECT_EQ(Boxes(), Strings{Box("INFO!", text)}) << control;
  }
  EXPECT_EQ(scope->frame.target, scope::RAM);  // a right click on a toggle does not switch it
  EXPECT_EQ(DataRequests(), 0);                // nor polls
  EXPECT_EQ(Cell(3, 1), 150);                  // nor adjusts the table
}

TEST_F(ScopeEval, EveryControlHasAnAccessibleNameAndHelpAsDescription) {
  QWidget* panel = toolkit->PanelWidget(Panel());
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
  EXPECT_EQ(W("ButtonGo")->accessibleDescription(), scope::texts::InfoButtonGo);
}

TEST_F(ScopeEval, AShortcutKeyClicksItsButton) {
  QWidget* panel = toolkit->PanelWidget(Panel());
  panel->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(panel));
  sensor->ClearLog();
  QTest::keyClick(panel->windowHandle(), Qt::Key_F10);
  // A shortcut clicks its button animated: the click comes a moment later.
  EXPECT_TRUE(QTest::qWaitFor([&] { return !ReceivedOrders(*sensor).empty(); }, 1000));
  EXPECT_EQ(ReceivedOrders(*sensor), Orders{3});
}

}  // namespace
}  // namespace tavix::e2e
