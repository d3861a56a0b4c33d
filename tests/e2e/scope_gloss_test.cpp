// The 60-degree gloss calibration of the scope against the simulator: both
// reference searches, the verified EEPROM write, and what failures leave.
#include "scope_harness.h"

namespace tavix::e2e {
namespace {

using namespace scope::texts;
using Words = std::vector<std::uint16_t>;

class ScopeGloss : public ScopeHarness {
 protected:
  // The program in evaluation mode GF 60DEG, its calibration panel open;
  // on a new, paced sensor if asked.
  void Start(bool newPacedSensor = false) {
    if (newPacedSensor) StartSensor(/*pacing=*/true);  // in place of the harness's
    ASSERT_EQ(StartProgram(), 0);
    Choose("Evalmode", 7);  // which shows the button (the eval suite's mode case)
    Click("ButtonCalibGf60Deg");
    toolkit->Popups().ClearShown();
    sensor->ClearLog();
  }
  int Calib() const { return scope->frame.calibpanel; }
  QWidget* C(const char* name) const { return toolkit->Control(Calib(), name); }
  void ClickCalib(const char* name) { QTest::mouseClick(C(name), Qt::LeftButton); }
  // Which of the main and the calibration panel show.
  std::pair<bool, bool> Shown() const {
    return {toolkit->PanelWidget(Panel())->isVisible(), toolkit->PanelWidget(Calib())->isVisible()};
  }
  Words Gloss() const { return {scope->gloss.gfpow1, scope->gloss.gfpow2, scope->gloss.gf60deg}; }
  std::string Info(const char* text) const { return Box("ATTENTION!", text); }
};

// Reference 1 runs against the paced sensor: ten steps of a settle time and
// one exchange each on the 19200-baud line.
TEST_F(ScopeGloss, FullCalibrationStoresVerifiedWordsAndSwitchesTheSensorToGlossMode) {
  Start(/*newPacedSensor=*/true);
  // Presses on the panel while reference 1 searches: all ignored. A second
  // search would take the second queued yes and send frames of its own.
  for (int yes : {1, 1}) toolkit->Popups().QueueConfirm(yes);  // the second for reference 2
  std::pair<bool, std::pair<bool, bool>> during;  // START red; main and calibration panel shown
  After(500, [&] {
    for (const char* b : {"ButtonStartCalibRef1", "ButtonStartCalibRef2", "ButtonConfirmCalib"})
      ClickCalib(b);
    during = {toolkit->BackColor(Calib(), "ButtonStartCalibRef1") == kRed, Shown()};
  });
  sensor->WithModel([](sim::SensorModel& m) { EXPECT_TRUE(sim::NamedTarget("ref1", &m.target)); });
  ClickCalib("ButtonStartCalibRef1");
  EXPECT_EQ(during, std::pair(true, std::pair(false, true)));  // grey again: the later case
  EXPECT_EQ(Gloss(), (Words{75, 0, 3750}));
  EXPECT_EQ(std::pair(toolkit->GetCtrlInt(Calib(), "Disp60Deg"),
                      toolkit->GetCtrlInt(Calib(), "SlideCalibPower")),
            std::pair(3750, 75));
  // The trial powers go out with the fixed measuring set-up.
  std::vector<Words> sets, expected;
  for (const sim::LogEntry& e : ReceivedFrames(*sensor)) {
    if (e.bytes[3] != 1) continue;  // power, pmod, average, mode, trigger
    sets.push_back({});
    for (int i : {0, 1, 2, 3, 8})
      sets.back().push_back(e.bytes[4 + 2 * i] << 8 | e.bytes[5 + 2 * i]);
  }
  for (std::uint16_t power : {512, 256, 128, 64, 96, 80, 72, 76, 74, 75})
    expected.push_back({power, 0, 1024, 6, 0});
  EXPECT_EQ(sets, expected);

  // A user swaps the targets between the steps.
  sensor->WithModel([](sim::SensorModel& m) { EXPECT_TRUE(sim::NamedTarget("ref2", &m.target)); });
  ClickCalib("ButtonStartCalibRef2");
  EXPECT_EQ(Gloss(), (Words{75, 751, 3750}));
  // A read-back that differs fails, says the EEPROM holds unverified words
  // and transfers nothing; the next confirmation passes.
  sensor->InjectFault(sim::Fault::kCorrupt);
  for (int yes : {1, 1}) toolkit->Popups().QueueConfirm(yes);
  ClickCalib("ButtonConfirmCalib");
  EXPECT_EQ(Int("Evalmode"), 6);  // the calibration set-up
  ClickCalib("ButtonConfirmCalib");
  const std::string confirm = Box("CONFIRM CALIBRATION!", InfoConfirmCalibration);
  EXPECT_EQ(Boxes(),
            (Strings{Box("START CALIBRATION!", InfoReferenz1), Info(InfoSelectCalibPowerRef1),
                     Info(InfoCalibRef1Passed), Box("START CALIBRATION!", InfoReferenz2),
                     Info(InfoSelectCalibPowerRef2), Info(InfoCalibRef2Passed), confirm,
                     Box("ATTENTION!", QString(InfoCalibFailTimeout) + InfoCalibUnverified),
                     confirm, Info(InfoCalibrationPassed)}));
  Orders orders;
  for (int step = 0; step < 21; ++step) orders.insert(orders.end(), {1, 5});
  orders.insert(orders.end(), {10, 11, 10, 11, 1});  // then the transfer's 31 rows
  orders.resize(orders.size() + 31, 2);
  AwaitFrames(*sensor, orders.size());  // the transfer's writes arrive a little later
  EXPECT_EQ(ReceivedOrders(*sensor), orders);
  EXPECT_EQ(Int("Evalmode"), 7);
  // The EEPROM holds the words; the transfer carries them and mode 7 into RAM.
  Words stored;
  sensor->WithModel([&](sim::SensorModel& m) {
    stored = {m.eeprom[9], m.eeprom[10], m.eeprom[11], m.ram[3], m.ram[9], m.ram[10], m.ram[11]};
  });
  EXPECT_EQ(stored, (Words{75, 751, 3750, 7, 75, 751, 3750}));

  Screenshot(toolkit->PanelWidget(Calib()), "gloss-calibration.png");
}

// Opening, closing, help and a reference 2 before any reference 1 send
// nothing. Then CLOSE during a search ends it at its next step (the window's
// close calls the same close, as the steps above show): no more frames, no
// result box, no calibration word changed, the main panel back. A silent
// sensor ends it at the failed step with one failure report, not one per
// step: the step's power kept, no other word changed.
TEST_F(ScopeGloss, NothingIsSentUntilAskedAndACloseOrASilentSensorEndsASearchAtItsStep) {
  Start();
  ClickCalib("ButtonCloseCalib");
  // Opening from inside the running live cycle ends it.
  After(150, [&] { Click("ButtonCalibGf60Deg"); });
  Click("ButtonGo");
  EXPECT_EQ(scope->flags.poll, 0);
  EXPECT_EQ(Shown(), std::pair(false, true));
  const std::size_t frames = AwaitFrames(*sensor, 1).size();
  toolkit->PanelWidget(Calib())->close();  // the window's own close
  EXPECT_EQ(Shown(), std::pair(true, false));
  Click("ButtonCalibGf60Deg");
  QTest::mouseClick(C("Disp60Deg"), Qt::RightButton);  // help
  toolkit->Popups().QueueConfirm(1);
  ClickCalib("ButtonStartCalibRef2");
  QThread::msleep(100);
  EXPECT_EQ(ReceivedFrames(*sensor).size(), frames);
  EXPECT_EQ(Gloss(), (Words{0, 0, 0}));
  EXPECT_EQ(Boxes(),
            (Strings{Box("INFO!", InfoDispCalib60DEG), Box("START CALIBRATION!", InfoReferenz2),
                     Info(InfoSelectCalibPowerRef2), Info(InfoCalibRef2Fail)}));

  scope->gloss.gfpow1 = 11, scope->gloss.gfpow2 = 22, scope->gloss.gf60deg = 3600;
  for (const bool silent : {false, true}) {
    SCOPED_TRACE(silent ? "silent" : "CLOSE");
    if (!Shown().second) Click("ButtonCalibGf60Deg");
    toolkit->Popups().ClearShown();
    sensor->ClearLog();
    if (silent) sensor->InjectFault(sim::Fault::kSilence, /*once=*/false);
    const int before = DataRequests();
    QObject steps;
    QTimer* round = Every(0, &steps, [&] {
      if (silent || DataRequests() != before + 2 || !scope->gloss.searching) return;
      round->stop();
      ClickCalib("ButtonCloseCalib");
    });
    toolkit->Popups().QueueConfirm(1);
    ClickCalib("ButtonStartCalibRef1");
    Strings boxes = {Box("START CALIBRATION!", InfoReferenz1), Info(InfoSelectCalibPowerRef1)};
    if (silent)
      boxes.insert(boxes.end(),
                   {Box(scope->lnk.VersionText(), InfoTimeoutVer), Info(InfoCalibRef1Fail)});
    EXPECT_EQ(Boxes(), boxes);
    EXPECT_EQ(ReceivedOrders(*sensor), silent ? (Orders{1, 5}) : (Orders{1, 5, 1, 5}));
    EXPECT_EQ(Gloss(), (Words{std::uint16_t(silent ? 512 : 11), 22, 3600}));
    EXPECT_EQ(Shown(), std::pair(!silent, silent));
    EXPECT_EQ(toolkit->BackColor(Calib(), "ButtonStartCalibRef1"), kLightGrey);
  }
  EXPECT_EQ(Str("DispStatus"), "TIMEOUT");
}

}  // namespace
}  // namespace tavix::e2e
