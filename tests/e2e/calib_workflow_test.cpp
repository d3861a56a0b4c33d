// TavixCalib's calibration-factor workflow against the simulator: START
// CALIBRATION (with GET), CALCULATE and FINISH CALIBRATION (with SEND), their
// frames, their boxes and how each ends.
#include "calib_harness.h"

namespace tavix::e2e {
namespace {

using Factors = std::array<int, 3>;
using Words = std::vector<std::uint16_t>;
using Bytes = std::vector<std::uint8_t>;
namespace texts = calib::texts;

// `base` with the header of `order` and `words` from byte 4 on.
Bytes Put(Bytes base, int order, const Words& words) {
  base[1] = 0x55;  // bytes 0 and 2 are 0 in every frame here
  base[3] = static_cast<std::uint8_t>(order);
  for (std::size_t i = 0; i < words.size(); ++i) {
    base[4 + 2 * i] = static_cast<std::uint8_t>(words[i] >> 8);
    base[5 + 2 * i] = static_cast<std::uint8_t>(words[i] & 0xFF);
  }
  return base;
}

class CalibWorkflow : public CalibHarness {
 protected:
  void SetUp() override {
    CalibHarness::SetUp();
    ASSERT_EQ(StartProgram(), 0);
    sensor->ClearLog();
  }
  // The question before factors that were neither read nor calculated go out.
  static std::string Unknown(const char* title, const Factors& f) {
    return Box(title, QString(texts::ConfirmUnknownFactors).arg(f[0]).arg(f[1]).arg(f[2]));
  }
  Factors SensorFactors() const {
    Factors f{};
    sensor->WithModel([&](sim::SensorModel& m) { f = {m.factors[0], m.factors[1], m.factors[2]}; });
    return f;
  }
};

// START CALIBRATION sends the calibration set with the panel's power and
// PMOD, reads the factors into the edit fields and goes live. CALCULATE
// pressed in its live cycle, as a user would: one target per outcome (the
// unit suite has the limits) and a time-out in frame 57. Only success
// stores the factors and goes live again.
TEST_F(CalibWorkflow, CalculateTakesAHundredFramesAndOnlySuccessStoresTheFactorsAndGoesLive) {
  // Target, pmod, power, the frame that times out, the result.
  const std::tuple<const char*, std::uint16_t, std::uint16_t, int, const char*> cases[] = {
      {"white", 0, 500, 0, texts::CalibrationPassed},
      {"uneven", 0, 500, 0, texts::MaximumDelta},
      {"dim", 1, 640, 0, texts::MaximumPower},
      {"tinted", 0, 500, 0, texts::CFOutOfRange},
      {"white", 0, 500, 57, texts::CalibrationFailed}};
  sensor->WithModel([](sim::SensorModel& m) { m.factors = {1020, 990, 1005}; });
  for (const auto& [target, pmod, power, failAt, text] : cases) {
    SCOPED_TRACE(testing::Message() << target << " " << pmod << " " << failAt);
    sensor->WithModel(
        [&](sim::SensorModel& m) { EXPECT_TRUE(sim::NamedTarget(target, &m.target)); });
    Choose("EditPmod", pmod);
    toolkit->SetCtrlVal(Panel(), "EditPower", power);  // dimmed in DYN, and still sent
    toolkit->Popups().ClearShown();
    sensor->ClearLog();
    const bool passes = QString(text) == texts::CalibrationPassed;
    const std::size_t base = Sent();
    std::size_t calcBase = 0;  // records sent before CALCULATE
    const Factors before = SensorFactors();
    Factors read{};  // the edit fields when CALCULATE is pressed
    const int meanR = calib->cal.means.meanR;
    std::size_t measured = 0;  // frames of CALCULATE, one round each
    bool locked = true, pressed = false;
    QObject steps;
    Every(0, &steps, [&] {
      if (calib->cal.measuring) {
        ++measured;
        for (const char* b :
             {"ButtonGo", "ButtonStartCalib", "ButtonSendCF", "ButtonGetCF", "ButtonFinishCalib"})
          locked = locked && toolkit->IsDimmed(Panel(), b);
        if (failAt != 0 && Sent() == calcBase + failAt - 1)
          sensor->InjectFault(sim::Fault::kSilence);
      } else if (calib->live.poll == 1 && !std::exchange(pressed, true)) {
        QTimer::singleShot(0, &steps, [&] {  // a timer's slot is not re-entered: another timer
          calcBase = Sent();
          read = EditFactors();
          Click("ButtonCalcCF");
        });
      } else if (calib->live.poll == 1 && measured != 0) {
        Click("ButtonStop");
      }
    });
    for (int yes : {1, 1}) toolkit->Popups().QueueConfirm(yes);
    Click("ButtonStartCalib");

    EXPECT_EQ(Boxes(), (Strings{Box("START CALIBRATION", texts::InfoWhiteTarget),
                                Box("CONFIRM CALCULATION!", texts::ConfirmCalculation),
                                Box(passes ? "CALIBRATION PASSED!" : "ATTENTION!", text)}));
    // START's set and read, frames of its live cycle, those of CALCULATE, on
    // success order 8 and the live cycle again.
    ASSERT_GE(calcBase, base) << "CALCULATE was not pressed";
    const Orders orders = ReceivedOrders(*sensor);
    const std::size_t calcEnd = 2 + calcBase - base + (failAt != 0 ? failAt : 100);
    Orders expected(calcEnd, 5);
    expected[0] = 1, expected[1] = 9;
    if (passes) expected.push_back(8), expected.resize(std::max(orders.size(), calcEnd + 2), 5);
    ASSERT_EQ(orders, expected);
    EXPECT_EQ(ReceivedFrames(*sensor)[0].bytes,
              Put(Bytes(36), 1, {power, pmod, 0x8000, 6, 10, 0, 1, 0, 0}));
    EXPECT_EQ(read, before);
    EXPECT_EQ(Str("DispStatus") == "TIMEOUT", failAt != 0);
    EXPECT_EQ(measured, failAt != 0 ? failAt - 1u : 100u);
    EXPECT_TRUE(locked);
    EXPECT_FALSE(toolkit->IsDimmed(Panel(), "ButtonGo"));
    const Factors stored = SensorFactors();
    EXPECT_EQ(EditFactors(), stored);
    EXPECT_TRUE(failAt == 0 || calib->cal.means.meanR == meanR);  // the sums are dropped
    if (!passes) {
      EXPECT_EQ(stored, before);
      continue;
    }
    // White: about 1900/2000/2100 raw against set value 2000.
    EXPECT_NEAR(stored[0], 1053, 3);
    EXPECT_EQ(stored[1], 1000);
    EXPECT_NEAR(stored[2], 952, 3);
    EXPECT_LT(Int("DispDeltaCalib"), 40);  // the calibrated channels now come out even
    Screenshot(toolkit->PanelWidget(Panel()), "calib-passed.png");
  }
}

// SEND and FINISH ask before fields that hold neither read nor calculated
// factors (the layout's, or after a factor read that timed out) go to the
// EEPROM; No sends nothing, and declining CALCULATE neither. START
// CALIBRATION whose factor read times out reports it once and does not go
// live. After a GET the factors go out unasked.
TEST_F(CalibWorkflow, UnknownFactorsGoToTheEepromOnlyWhenTheUserAgrees) {
  const Factors before = SensorFactors(), start = EditFactors();
  const auto answering = [this](int yes, const char* button) {
    toolkit->Popups().QueueConfirm(yes);
    Click(button);
  };
  for (const char* button : {"ButtonSendCF", "ButtonFinishCalib", "ButtonCalcCF"})
    answering(0, button);
  sensor->InjectFault(sim::Fault::kSilence);
  answering(1, "ButtonStartCalib");
  answering(0, "ButtonSendCF");
  EXPECT_EQ(Boxes(), (Strings{Unknown("SEND CALIBRATION FACTORS", start),
                              Unknown("FINISH CALIBRATION", start),
                              Box("CONFIRM CALCULATION!", texts::ConfirmCalculation),
                              Box("INFO!", texts::InfoCalcDeclined),
                              Box("START CALIBRATION", texts::InfoWhiteTarget),
                              Box(calib->lnk.VersionText(), texts::InfoTimeoutVer),
                              Unknown("SEND CALIBRATION FACTORS", start)}));
  EXPECT_EQ(ReceivedOrders(*sensor), (Orders{1, 9}));
  EXPECT_EQ(SensorFactors(), before);

  toolkit->Popups().ClearShown();
  Click("ButtonGetCF");
  Type("EditCFG", 1111);
  Click("ButtonSendCF");
  AwaitFrames(*sensor, 4);
  EXPECT_EQ(Boxes(), Strings{});
  EXPECT_EQ(ReceivedOrders(*sensor), (Orders{1, 9, 9, 8}));
  EXPECT_EQ(SensorFactors(), (Factors{before[0], 1111, before[2]}));

  // Another port may lead to another sensor: what was read before counts no
  // more. Yes to FINISH sends the default block, then the fields' factors.
  Type("EditConnect", 1);
  for (const auto& [edit, value] : {std::pair{"EditCFR", 5}, {"EditCFG", 65535}, {"EditCFB", 1300}})
    toolkit->SetCtrlVal(Panel(), edit, value);  // no range test on sending them
  sensor->ClearLog();
  answering(1, "ButtonFinishCalib");
  // The default set: power 250, average 128, hold 10, intlim 50, maxcolno 1,
  // every teach word 1.
  const Words head = {250, 0, 128, 0, 10, 50, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  std::vector<Bytes> expected = {Put(Bytes(36), 1, head)};
  for (std::uint16_t r = 0; r < 31; ++r)
    expected.push_back(Put(expected.back(), 2, {r, 1, 1, 1, 1, 1}));
  expected.push_back(Put(expected.back(), 6, head));
  expected.push_back(Put(expected.back(), 8, {5, 65535, 1300}));  // filler from the frame before
  std::vector<Bytes> frames;
  for (const sim::LogEntry& e : AwaitFrames(*sensor, 34)) frames.push_back(e.bytes);
  EXPECT_EQ(frames, expected);
  EXPECT_EQ(Boxes(), (Strings{Unknown("FINISH CALIBRATION", {5, 65535, 1300}),
                              Box("INFO!", texts::InfoButtonFinishCalib)}));
}

// Closing the window ends the program, during GO after 3 frames and during
// CALCULATE after 10, which then stores nothing.
TEST_F(CalibWorkflow, ClosingThePanelDuringGoOrCalculateEndsTheProgram) {
  for (const auto& [button, frames] : {std::pair{"ButtonGo", 3}, {"ButtonCalcCF", 10}}) {
    SCOPED_TRACE(button);
    ASSERT_EQ(StartProgram(), 0);
    sensor->ClearLog();
    toolkit->Popups().QueueConfirm(1);
    const std::size_t start = Sent();
    QObject steps;
    Every(0, &steps, [&, frames = frames] {
      if (Sent() == start + frames) toolkit->PanelWidget(Panel())->close();
    });
    QTimer::singleShot(0, &steps, [&, button = button] { Click(button); });
    EXPECT_EQ(calib->RunAndShutDown(), 0);
    EXPECT_EQ(ReceivedOrders(*sensor), Orders(frames, 5));
    EXPECT_EQ(calib->live.poll, 0);
    EXPECT_FALSE(port->IsOpen());
  }
}

}  // namespace
}  // namespace tavix::e2e
