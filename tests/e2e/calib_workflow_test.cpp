// TavixCalib's calibration-factor workflow against the simulator: START
// CALIBRATION, CALCULATE, SEND, GET and FINISH CALIBRATION, their frames,
// their boxes and how each ends.
#include <QDir>

#include "calib_harness.h"

namespace tavix::e2e {
namespace {

using Factors = std::array<int, 3>;
using Words = std::vector<std::uint16_t>;
namespace texts = calib::texts;

constexpr int STAT = 0;
constexpr int DYN = 1;

class CalibWorkflow : public CalibHarness {
 protected:
  void SetUp() override {
    CalibHarness::SetUp();
    sensor->WithModel([](sim::SensorModel& m) { m.version = "TAVIX CALIB TEST SENSOR"; });
    ASSERT_EQ(StartProgram(), 0);
    sensor->ClearLog();
  }
  std::uint32_t CalcColour() const { return toolkit->BackColor(Panel(), "ButtonCalcCF"); }
  QString Version() const { return QString("TAVIX CALIB TEST SENSOR").leftJustified(48); }
  void SetTarget(const char* name) {
    sensor->WithModel(
        [name](sim::SensorModel& m) { ASSERT_TRUE(sim::NamedTarget(name, &m.target)); });
  }
  void SetEditFactors(const Factors& f) {
    for (int i = 0; i < 3; ++i) toolkit->SetCtrlVal(Panel(), kEdits[i], f[i]);
  }
  // The three factors of an order-8 frame.
  static Factors FactorsOf(const Bytes& frame) {
    return {frame[4] * 256 + frame[5], frame[6] * 256 + frame[7], frame[8] * 256 + frame[9]};
  }
  // STAT factors to set value 2000 from the raw words of `records`.
  static Factors StatFactors(const std::vector<Record>& records) {
    Factors f{};
    for (int ch = 0; ch < 3; ++ch) {
      long sum = 0;
      for (const Record& r : records) sum += r[7 + ch];
      f[ch] = static_cast<int>(2000L * 1000 / (sum / 100));
    }
    return f;
  }
  static constexpr const char* kEdits[] = {"EditCFR", "EditCFG", "EditCFB"};
};

TEST_F(CalibWorkflow, StartCalibrationSendsTheCalibrationSetReadsTheFactorsAndGoesLive) {
  sensor->WithModel([](sim::SensorModel& m) { m.factors = {1020, 990, 1005}; });
  Type("EditPower", 640);
  Choose("EditPmod", DYN);
  toolkit->Popups().ClearShown();
  toolkit->Popups().QueueConfirm(1);
  StopAfter(2);
  Click("ButtonStartCalib");

  const Words set = {640, 1, 0x8000, 6, 10, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  const std::vector<Bytes> frames = FramesBytes();
  ASSERT_GE(frames.size(), 4u);
  EXPECT_EQ(frames[0], Put(Bytes(36), 1, set));
  EXPECT_EQ(frames[1], Put(Bytes(36), 9, set));  // every other order carries words 0..15
  EXPECT_EQ(frames[2], Put(Bytes(36), 5, set));
  EXPECT_EQ(EditFactors(), (Factors{1020, 990, 1005}));
  EXPECT_EQ(Boxes(), Strings{Box("START CALIBRATION", texts::InfoWhiteTarget)});
  EXPECT_EQ(Int("DispPow"), 714);  // DYN: the power the sensor chose, in word 5

  // Declining a question sends nothing.
  sensor->ClearLog();
  toolkit->Popups().ClearShown();
  Click("ButtonStartCalib");
  Click("ButtonCalcCF");
  EXPECT_TRUE(ReceivedFrames(*sensor).empty());
  EXPECT_EQ(Boxes(), (Strings{Box("START CALIBRATION", texts::InfoWhiteTarget),
                              Box("CONFIRM CALCULATION!", texts::ConfirmCalculation),
                              Box("INFO!", texts::InfoCalcDeclined)}));
}

TEST_F(CalibWorkflow, CalculateTakesAHundredFramesSendsTheFactorsAndGoesLive) {
  std::vector<std::pair<std::size_t, std::uint32_t>> colours;  // after frame n
  bool locked = true;
  EveryRound([&] {
    if (!calib->cal.measuring) return;
    colours.emplace_back(Sent(), CalcColour());
    for (const char* b :
         {"ButtonGo", "ButtonStartCalib", "ButtonSendCF", "ButtonGetCF", "ButtonFinishCalib"}) {
      locked = locked && toolkit->IsDimmed(Panel(), b);
    }
  });
  StopAfter(103);
  toolkit->Popups().QueueConfirm(1);
  Click("ButtonCalcCF");

  EXPECT_EQ(Boxes(), (Strings{Box("CONFIRM CALCULATION!", texts::ConfirmCalculation),
                              Box("CALIBRATION PASSED!", texts::CalibrationPassed)}));
  const std::vector<Record> sent = sensor->SentRecords();
  ASSERT_GE(sent.size(), 103u);
  const Factors expected = StatFactors({sent.begin(), sent.begin() + 100});
  const Orders orders = ReceivedOrders(*sensor);
  ASSERT_GE(orders.size(), 102u);
  EXPECT_EQ(Orders(orders.begin(), orders.begin() + 101), [] {
    Orders o(100, 5);
    o.push_back(8);
    return o;
  }());
  EXPECT_EQ(FactorsOf(FramesBytes()[100]), expected);
  EXPECT_EQ(EditFactors(), expected);
  EXPECT_EQ(SensorFactors(),
            (std::array<std::uint16_t, 3>{std::uint16_t(expected[0]), std::uint16_t(expected[1]),
                                          std::uint16_t(expected[2])}));
  EXPECT_EQ(orders.back(), 5);  // live again afterwards
  // White at power 500 in STAT: about 1900/2000/2100 raw.
  EXPECT_NEAR(expected[0], 1053, 3);
  EXPECT_NEAR(expected[2], 952, 3);

  // Red for frames 1-5, grey for 6-10, ... and grey at the end.
  ASSERT_EQ(colours.size(), 100u);
  for (const auto& [frame, colour] : colours) {
    EXPECT_EQ(colour, ((frame - 1) / 5) % 2 == 0 ? kRed : kLightGrey) << frame;
  }
  EXPECT_EQ(CalcColour(), kLightGrey);
  EXPECT_TRUE(locked);
  EXPECT_FALSE(toolkit->IsDimmed(Panel(), "ButtonGo"));
  // The calibrated channels now come out even.
  EXPECT_LT(Int("DispDeltaCalib"), 40);

  if (const QByteArray dir = qgetenv("TAVIX_SCREENSHOT_DIR"); !dir.isEmpty()) {
    EXPECT_TRUE(toolkit->PanelWidget(Panel())->grab().save(
        QDir(QString::fromLocal8Bit(dir)).filePath("calib-passed.png")));
  }
}

TEST_F(CalibWorkflow, ATimeoutDuringCalculateFailsAndKeepsFactorsAndTheColourOfItsLastChange) {
  struct Case {
    std::size_t failingFrame;  // counting from 1
    std::uint32_t colour;
  };
  for (const Case& c : {Case{57, kLightGrey}, Case{13, kRed}}) {
    SCOPED_TRACE(c.failingFrame);
    sensor->ClearLog();
    toolkit->Popups().ClearShown();
    const std::size_t base = Sent();
    QObject round;
    auto* timer = new QTimer(&round);
    QObject::connect(timer, &QTimer::timeout, [&] {
      if (calib->cal.measuring && Sent() == base + c.failingFrame - 1) {
        sensor->InjectFault(sim::Fault::kSilence, /*once=*/true);
      }
    });
    timer->start(0);
    toolkit->Popups().QueueConfirm(1);
    Click("ButtonCalcCF");

    EXPECT_EQ(Boxes(), (Strings{Box("CONFIRM CALCULATION!", texts::ConfirmCalculation),
                                Box("ATTENTION!", texts::CalibrationFailed)}));
    EXPECT_EQ(Str("DispStatus"), "TIMEOUT");
    EXPECT_EQ(ReceivedOrders(*sensor), Orders(c.failingFrame, 5));  // no order 8, no GO
    EXPECT_EQ(EditFactors(), (Factors{1000, 1000, 1000}));
    EXPECT_EQ(SensorFactors(), (std::array<std::uint16_t, 3>{1000, 1000, 1000}));
    EXPECT_EQ(calib->cal.means.meanR, 0);  // the frames summed so far are dropped
    EXPECT_EQ(CalcColour(), c.colour);
    EXPECT_FALSE(toolkit->IsDimmed(Panel(), "ButtonGo"));
  }
}

TEST_F(CalibWorkflow, EachTargetEndsCalculateWithItsResultAndOnlySuccessStoresAndGoesLive) {
  struct Case {
    const char* target;
    int pmod;
    const char* title;
    const char* text;
  };
  const Case cases[] = {
      {"white", STAT, "CALIBRATION PASSED!", texts::CalibrationPassed},
      {"white", DYN, "CALIBRATION PASSED!", texts::CalibrationPassed},
      {"uneven", STAT, "ATTENTION!", texts::MaximumDelta},
      {"uneven", DYN, "ATTENTION!", texts::MaximumDelta},
      {"dim", DYN, "ATTENTION!", texts::MaximumPower},
      {"dim", STAT, "ATTENTION!", texts::CFOutOfRange},
      {"tinted", STAT, "ATTENTION!", texts::CFOutOfRange},
      {"dark20", STAT, "ATTENTION!", texts::CFOutOfRange},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.target) + (c.pmod == STAT ? " STAT" : " DYN"));
    SetTarget(c.target);
    sensor->WithModel([](sim::SensorModel& m) { m.factors = {1000, 1000, 1000}; });
    Choose("EditPmod", c.pmod);
    toolkit->Popups().ClearShown();
    sensor->ClearLog();
    const bool passes = std::string(c.title) == "CALIBRATION PASSED!";
    // START CALIBRATION goes live; CALCULATE is pressed there, as a user would.
    bool calculated = false;
    QObject round;
    auto* timer = new QTimer(&round);
    QObject::connect(timer, &QTimer::timeout, [&] {
      if (calib->cal.measuring || calib->live.poll != 1) return;
      if (!calculated) {
        calculated = true;
        Click("ButtonCalcCF");
      } else {
        Click("ButtonStop");
      }
    });
    timer->start(0);
    toolkit->Popups().QueueConfirm(1);
    toolkit->Popups().QueueConfirm(1);
    Click("ButtonStartCalib");

    EXPECT_EQ(Boxes(), (Strings{Box("START CALIBRATION", texts::InfoWhiteTarget),
                                Box("CONFIRM CALCULATION!", texts::ConfirmCalculation),
                                Box(c.title, c.text)}));
    const Orders orders = ReceivedOrders(*sensor);
    const auto eight = std::find(orders.begin(), orders.end(), 8);
    EXPECT_EQ(eight != orders.end(), passes);
    EXPECT_EQ(calib->live.poll, 0);
    if (passes) {
      EXPECT_EQ(orders.back(), 5);  // live again after the factors were stored
      const auto stored = SensorFactors();
      EXPECT_EQ(EditFactors(), (Factors{stored[0], stored[1], stored[2]}));
      EXPECT_NEAR(stored[0], 1053, 3);
      EXPECT_EQ(stored[1], 1000);
      EXPECT_NEAR(stored[2], 952, 3);
    } else {
      // The GO loop of START and the 100 frames, and nothing after them.
      EXPECT_EQ(orders.back(), 5);
      EXPECT_EQ(std::count(orders.begin(), orders.end(), 5), 101);
      EXPECT_EQ(SensorFactors(), (std::array<std::uint16_t, 3>{1000, 1000, 1000}));
    }
    SetEditFactors({1000, 1000, 1000});
  }
}

TEST_F(CalibWorkflow, FinishSendsTheDefaultBlockThenTheFactorsOfTheEditControls) {
  Type("EditCFR", 1111);
  Type("EditCFG", 999);
  Type("EditCFB", 1250);
  Click("ButtonFinishCalib");

  // The default set, written from the table: power 250, average 128, hold
  // 10, intlim 50, maxcolno 1, every teach word 1.
  Words block(171, 0);
  for (auto [word, value] : {std::pair{0, 250}, {2, 128}, {4, 10}, {5, 50}, {6, 1}}) {
    block[word] = static_cast<std::uint16_t>(value);
  }
  std::fill(block.begin() + 16, block.end(), 1);
  const Words head(block.begin(), block.begin() + 16);
  std::vector<Bytes> expected = {Put(Bytes(36), 1, head)};
  for (std::uint16_t r = 0; r < 31; ++r)
    expected.push_back(Put(expected.back(), 2, {r, 1, 1, 1, 1, 1}));
  expected.push_back(Put(expected.back(), 6, head));
  expected.push_back(Put(expected.back(), 8, {1111, 999, 1250}));  // filler from the frame before
  std::vector<Bytes> frames;
  for (const sim::LogEntry& e : AwaitFrames(*sensor, 34)) frames.push_back(e.bytes);
  EXPECT_EQ(frames, expected);
  EXPECT_EQ(Boxes(), Strings{Box("INFO!", texts::InfoButtonFinishCalib)});
  Words eeprom;
  sensor->WithModel([&](sim::SensorModel& m) { eeprom.assign(m.eeprom.begin(), m.eeprom.end()); });
  EXPECT_EQ(eeprom, block);
  EXPECT_EQ(SensorFactors(), (std::array<std::uint16_t, 3>{1111, 999, 1250}));
}

TEST_F(CalibWorkflow, SendAndGetAtAnyTimeSendWhatTheControlsHoldAndShowWhatTheSensorHolds) {
  SetEditFactors({5, 65535, 1300});  // no range test on SEND
  Click("ButtonSendCF");
  ASSERT_EQ(AwaitFrames(*sensor, 1).size(), 1u);
  EXPECT_EQ(SensorFactors(), (std::array<std::uint16_t, 3>{5, 65535, 1300}));

  sensor->WithModel([](sim::SensorModel& m) { m.factors = {1234, 1000, 777}; });
  Click("ButtonGetCF");
  EXPECT_EQ(EditFactors(), (Factors{1234, 1000, 777}));
  EXPECT_EQ(ReceivedOrders(*sensor), (Orders{8, 9}));
  EXPECT_TRUE(Boxes().empty());

  sensor->InjectFault(sim::Fault::kSilence, /*once=*/true);
  Click("ButtonGetCF");
  EXPECT_EQ(Boxes(), Strings{Box(Version(), texts::InfoTimeoutVer)});
  EXPECT_EQ(Str("DispStatus"), "TIMEOUT");
  EXPECT_EQ(EditFactors(), (Factors{1234, 1000, 777}));
}

TEST_F(CalibWorkflow, WithoutAnOpenPortEachOperationReportsOnceAndSendsNothingMore) {
  calib->lnk.Close();
  const std::pair<const char*, Strings> cases[] = {
      {"ButtonFinishCalib",
       {Box("INFO!", texts::InfoButtonFinishCalib), Box(Version(), texts::InfoTimeoutVer)}},
      {"ButtonStartCalib",
       {Box("START CALIBRATION", texts::InfoWhiteTarget), Box(Version(), texts::InfoTimeoutVer)}},
      {"ButtonSendCF", {Box(Version(), texts::InfoTimeoutVer)}},
  };
  for (const auto& [button, boxes] : cases) {
    toolkit->Popups().ClearShown();
    toolkit->Popups().QueueConfirm(1);
    Click(button);
    EXPECT_EQ(Boxes(), boxes) << button;
    EXPECT_EQ(Str("DispStatus"), "TIMEOUT");
    EXPECT_EQ(calib->live.poll, 0);
  }
  EXPECT_TRUE(ReceivedFrames(*sensor).empty());
}

TEST_F(CalibWorkflow, ClosingThePanelDuringCalculateEndsTheProgramAndStoresNothing) {
  toolkit->Popups().QueueConfirm(1);
  After(0, [this] { Click("ButtonCalcCF"); });
  EveryRound([&] {
    if (calib->cal.measuring && Sent() == 10) toolkit->PanelWidget(Panel())->close();
  });
  EXPECT_EQ(calib->RunAndShutDown(), 0);
  EXPECT_EQ(ReceivedOrders(*sensor), Orders(10, 5));
  EXPECT_EQ(Boxes(), Strings{Box("CONFIRM CALCULATION!", texts::ConfirmCalculation)});
  EXPECT_FALSE(port->IsOpen());
}

}  // namespace
}  // namespace tavix::e2e
