// Evaluation modes, SOURCE selection, the MAXVEC-No. warning, help texts,
// shortcut keys and accessibility of the scope's main panel.
#include <QAccessible>

#include "scope_harness.h"

namespace tavix::e2e {
namespace {

using ScopeEval = ScopeHarness;

// A right click shows a control's help exactly as written and does not switch
// a toggle (that it starts no callback is the toolkit suite's); a screen
// reader hears a ring's label as its name, its item as the value (a name for
// every control is the toolkit suite's and the calib frame suite's, a
// button's name from its label the toolkit suite's and the access suite's); a
// shortcut key clicks its button. Then one mode of each kind (trigger locked,
// window, gloss; the free mode frees the controls for the user's values
// before each): SOURCE, the values written into TRIGGER, INTLIM, PMOD,
// MAXVEC-No. and OUTMODE (-1: the user's stays), which of them are locked,
// the GF60DEG button and the teach table's column labels; the MAXVEC-No.
// warning (not with BINARY output). Then what each kind of SOURCE shows:
// displays, graphs and traces.
TEST_F(ScopeEval, HelpNamesKeysAndEachKindOfModeWritesLocksLabelsAndShowsItsDisplays) {
  ASSERT_EQ(StartProgram(), 0);
  const std::pair<const char*, QString> cases[] = {
      {"SlidePower", " Select the intensity of the transmitter LED." + QString(26, ' ') +
                         "\n 0 = no intensity,  1000 = full intensity."},
      {"SelectFILE", " Select the source respectively the target for the parameter transfer."}};
  for (const auto& [control, text] : cases) {
    toolkit->Popups().ClearShown();
    Click(control, Qt::RightButton);
    EXPECT_EQ(Boxes(), Strings{Box("INFO!", text)}) << control;
  }
  EXPECT_EQ(scope->frame.target, protocol::Target::RAM);
  QWidget* panel = toolkit->PanelWidget(Panel());
  QAccessibleInterface* ring = QAccessible::queryAccessibleInterface(W("EditPmod"));
  EXPECT_EQ(ring->text(QAccessible::Name), "PMOD");
  EXPECT_EQ(ring->text(QAccessible::Value), Str("EditPmod"));
  panel->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(panel));
  sensor->ClearLog();
  QTest::keyClick(panel->windowHandle(), Qt::Key_F10);  // clicks Get, animated: a moment later
  EXPECT_TRUE(QTest::qWaitFor([&] { return !ReceivedOrders(*sensor).empty(); }, 1000));
  EXPECT_EQ(ReceivedOrders(*sensor), Orders{3});

  const auto dimmed = [&](const QString& name) { return toolkit->IsDimmed(Panel(), name); };
  const auto visible = [&](const QString& name) { return toolkit->IsVisible(Panel(), name); };
  const char* const forced[] = {"Trigger", "Intlim", "Pmod", "MaxcolNo", "Outmode"};
  const int user[] = {1, 77, 1, 6, 0};  // away from what any mode writes; OUTMODE DIRECT LO
  const std::string warning = Box("INFO!",
                                  " ATTENTION! \n \n MAXVEC-No. IS TOO HIGH \n DECREASE MAXVEC-No. "
                                  "OR SWITCH TO OUTMODE=BINARY");
  for (const auto& [mode, source, values, locked, calibButton, labels] :
       {std::tuple{2, 0, std::array{0, -1, -1, -1, -1}, "Trigger", false, "X|Y|CTO|INT|ITO"},
        {6, 1, {0, 0, 0, 3, 1}, "Trigger Intlim Pmod MaxcolNo Outmode", false, "UL|LL|||"},
        {7, 6, {0, 0, 0, -1, -1}, "Trigger Intlim Pmod", true, "UL|LL|||"}}) {
    SCOPED_TRACE(mode);
    Choose("Evalmode", 0);         // frees the controls for the user
    for (int k = 0; k < 5; ++k) {  // INTLIM and MAXVEC-No. typed, the rings chosen
      const QByteArray control = QByteArray("Edit") + forced[k];
      k == 1 || k == 3 ? Type(control, user[k]) : Choose(control, user[k]);
    }
    toolkit->Popups().ClearShown();
    Choose("Evalmode", mode);

    EXPECT_EQ(Int("SelectSource"), source);
    for (int k = 0; k < 5; ++k) {
      const QByteArray control = QByteArray("Edit") + forced[k];
      EXPECT_EQ(Int(control), values[k] < 0 ? user[k] : values[k]) << forced[k];
      EXPECT_EQ(dimmed(control), QString(locked).split(' ').contains(forced[k])) << forced[k];
    }
    EXPECT_EQ(visible("ButtonCalibGf60Deg"), calibButton);
    QStringList columns;
    for (int c = 1; c <= 5; ++c) columns << toolkit->TableColumnLabel(Panel(), "TeachTable", c);
    EXPECT_EQ(columns.join('|').toStdString(), labels);
    // Power slider: locked in the gloss mode, otherwise by PMOD.
    EXPECT_EQ(dimmed("SlidePower"), mode == 7 || Int("EditPmod") != 0);
    // Rows up to MAXVEC-No. are active; above 5 with DIRECT LO it warns.
    const int maxcol = Int("EditMaxcolNo");
    EXPECT_EQ(toolkit->TableRowLabelColor(Panel(), "TeachTable", maxcol), kGreen);
    EXPECT_EQ(toolkit->TableRowLabelColor(Panel(), "TeachTable", maxcol + 1), kRed);
    EXPECT_EQ(Boxes(), maxcol > 5 ? Strings{warning} : Strings{});
  }
  Choose("EditOutmode", 1);  // BINARY: no warning
  Type("EditMaxcolNo", 20);
  EXPECT_EQ(Boxes().size(), 1u);  // mode 7's alone

  const std::pair<int, const char*> shown[] = {
      {0, "DispX DispINT DispCOL LabelCOL DispRED GraphData1"},
      {5, "DispX DispINT DispCOL LabelCOL DispRED GraphRaw1"},
      {6, "DispR DispB DispCOL LabelCOL DispGF LabelGF DispRED GraphGF"}};
  QStringList controls;  // all the names above
  for (const auto& [source, on] : shown) controls += QString(on).split(' ');
  for (const auto& [source, on] : shown) {
    Choose("SelectSource", source);
    for (const QString& name : controls) {
      EXPECT_EQ(visible(name), QString(on).split(' ').contains(name))
          << "SOURCE " << source << " " << name.toStdString();
    }
  }
  // The channel chart's visible traces: a window mode's lines with its own
  // SOURCE only, INT always with INT +- ITO.
  for (const auto& [mode, source, traces] :
       {std::tuple{3, 2, "167"}, {4, 2, "1"}, {4, 5, "467"}, {6, 1, "12367"}}) {
    Choose("Evalmode", mode);
    Choose("SelectSource", source);
    std::string on;
    for (int t = 1; t <= 7; ++t) {
      if (toolkit->TraceVisible(Panel(), "GraphRaw1", t)) on += char('0' + t);
    }
    EXPECT_EQ(on, traces) << mode << " " << source;
  }
}

}  // namespace
}  // namespace tavix::e2e
