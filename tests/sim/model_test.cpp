// The sensor model without I/O: stores, answers, data-record formulas and the
// reference targets that the calibration workflows depend on.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>

#include "logic/gloss_calib.h"
#include "port.h"
#include "sim/model.h"

namespace tavix::sim {
namespace {

using test::Frame;
using test::Words;
using Words16 = std::vector<std::uint16_t>;

Words16 Ask(SensorModel& m, std::uint16_t order, const Words16& words = {}) {
  return Words(m.Answer(Frame(order, words).data()));
}

Target Flat(double s20, double s60, double s80) {
  return Target{"flat", s20, s60, s80, 0.0};
}

TEST(SensorModelOrders, StoreAndAnswerWithTheDocumentedSizes) {
  SensorModel m;
  const auto before = m.ram;
  Words16 params(16);
  for (int i = 0; i < 16; ++i) params[i] = static_cast<std::uint16_t>(100 + i);
  EXPECT_TRUE(Ask(m, 1, params).empty());
  auto ram = Ask(m, 3);
  ASSERT_EQ(ram.size(), 171u);
  EXPECT_EQ(Words16(ram.begin(), ram.begin() + 16), params);
  EXPECT_TRUE(std::equal(ram.begin() + 16, ram.end(), before.begin() + 16));

  // Row 30 lands in the last five words; a row number beyond 30 is ignored.
  EXPECT_TRUE(Ask(m, 2, {30, 7, 8, 9, 10, 11}).empty());
  Ask(m, 2, {31, 1, 2, 3, 4, 5});
  ram = Ask(m, 3);
  EXPECT_EQ(Words16(ram.begin() + 165, ram.end()), (Words16{before[165], 7, 8, 9, 10, 11}));

  // EEPROM keeps its content until order 6 copies the RAM.
  EXPECT_EQ(Ask(m, 4)[0], 500);
  Ask(m, 6);
  EXPECT_EQ(Ask(m, 4), ram);

  EXPECT_TRUE(Ask(m, 8, {900, 1100, 1250}).empty());
  EXPECT_EQ(Ask(m, 9), (Words16{900, 1100, 1250}));

  Words16 gloss(16, 0);
  gloss[9] = 75;
  gloss[11] = 3750;
  EXPECT_TRUE(Ask(m, 10, gloss).empty());
  EXPECT_EQ(Ask(m, 11), gloss);
  EXPECT_EQ(Ask(m, 3)[9], 75);
  EXPECT_EQ(Ask(m, 4)[166], 7);  // the teach table in EEPROM is untouched

  EXPECT_EQ(Ask(m, 5).size(), 16u);
  EXPECT_TRUE(Ask(m, 12).empty());
  EXPECT_TRUE(Ask(m, 0).empty());

  // Version: 48 words with the text (blank-padded) in their low bytes.
  m.version = "AB";
  m.versionHighByte = 0x12;
  const auto v = m.Answer(Frame(7).data());
  ASSERT_EQ(v.size(), 96u);
  EXPECT_EQ((std::vector<int>{v[0], v[1], v[3], v[5], v[94], v[95]}),
            (std::vector<int>{0x12, 'A', 'B', ' ', 0x12, ' '}));
}

// Words 0..5 (calibrated channels, X, Y, INT) and 7..9 (raw channels).
std::vector<int> Channels(const std::array<std::uint16_t, kRecordWords>& r) {
  return {r[0], r[1], r[2], r[3], r[4], r[5], r[7], r[8], r[9]};
}

TEST(SensorModelRecord, ChannelsColourAndIntensityFollowTheFormulas) {
  SensorModel m;
  m.target = Flat(2.0, 3.0, 5.0);
  m.ram[0] = 400;
  m.factors = {1000, 1250, 900};
  // Raw 800, 1200, 2000; calibrated = raw x factor / 1000, sum 4100;
  // X = 800 x 4095 / 4100, Y = 1500 x 4095 / 4100, INT = 4100 / 3.
  EXPECT_EQ(Channels(m.MakeRecord()),
            (std::vector<int>{800, 1500, 1800, 799, 1498, 1366, 800, 1200, 2000}));
  m.ram[1] = 1;  // DYN: the sensor brings the brightest raw channel to ~3000
  EXPECT_EQ(m.MakeRecord()[9], 3000);

  m.ram[1] = 0;
  m.target = Flat(20.0, 0.0, 0.0);  // raw and calibrated values both end at 4095
  m.factors = {1250, 1000, 1000};
  EXPECT_EQ(Channels(m.MakeRecord()), (std::vector<int>{4095, 0, 0, 4095, 0, 1365, 4095, 0, 0}));
  m.target = Flat(0, 0, 0);
  const auto dark = m.MakeRecord();
  EXPECT_EQ(Channels(dark), std::vector<int>(9, 0));
  EXPECT_EQ(dark[6], 255);
}

TEST(SensorModelRecord, VNoFollowsTheEvaluationMode) {
  SensorModel m;
  auto vno = [&](const char* name) {
    NamedTarget(name, &m.target);
    return m.MakeRecord()[6];
  };
  // Mode 0 with the default teach table.
  EXPECT_EQ(vno("white"), 0);
  EXPECT_EQ(vno("red"), 1);
  EXPECT_EQ(vno("green"), 2);
  EXPECT_EQ(vno("blue"), 255);
  m.ram[6] = 2;  // MAXVEC-No.
  EXPECT_EQ(vno("green"), 255);
  m.ram[5] = 2010;  // INTLIM above white's INT of ~2000
  EXPECT_EQ(vno("white"), 255);
  m.ram[5] = 50;

  // Mode 1 ignores the intensity tolerance.
  m.ram[16 + 3] = 100;
  EXPECT_EQ(vno("white"), 255);
  m.ram[3] = 1;
  EXPECT_EQ(vno("white"), 0);

  // Modes 3, 4, 5: the window of row 0 on 20, 60 or 80 degree.
  m.target = Flat(3.8, 4.0, 4.2);  // 1900, 2000, 2100
  m.ram[16] = 1950;
  m.ram[17] = 1850;
  m.ram[3] = 3;
  EXPECT_EQ(m.MakeRecord()[6], 0);
  m.ram[3] = 4;
  EXPECT_EQ(m.MakeRecord()[6], 255);

  // Mode 6: all three windows.
  m.ram[3] = 6;
  for (int ch = 0; ch < 3; ++ch) {
    m.ram[16 + 5 * ch] = static_cast<std::uint16_t>(1950 + 100 * ch);
    m.ram[17 + 5 * ch] = static_cast<std::uint16_t>(1850 + 100 * ch);
  }
  EXPECT_EQ(m.MakeRecord()[6], 0);
  m.ram[16 + 10] = 2099;
  EXPECT_EQ(m.MakeRecord()[6], 255);

  // Mode 7: the first active row whose window holds GF (ref2 gives 40).
  m.ram[3] = 7;
  m.ram[9] = 75;
  m.ram[11] = 3750;
  NamedTarget("ref2", &m.target);
  m.ram[16] = 30;
  m.ram[17] = 0;
  m.ram[21] = 50;
  m.ram[22] = 35;
  EXPECT_EQ(m.MakeRecord()[6], 1);
  m.ram[6] = 1;
  EXPECT_EQ(m.MakeRecord()[6], 255);
}

// The gloss calibration's reference workflows (the program's own search)
// with the model as the sensor: each step sets the power in the calibration
// set-up and takes the raw 60-degree value of one record.
logic::MeasureAt Raw60Of(SensorModel& m) {
  return [&m](std::uint16_t power) -> std::optional<std::uint16_t> {
    m.ram[0] = power;
    m.ram[1] = 0;
    m.ram[2] = 1024;
    m.ram[3] = 6;
    return m.MakeRecord()[8];
  };
}

// Reference 1 with `first` under the sensor, reference 2 with `second`.
bool GlossCalibration(const std::string& first, const std::string& second,
                      logic::GlossWords* words) {
  SensorModel m;
  *words = {};
  NamedTarget(first, &m.target);
  if (logic::CalibrateRef1(*words, Raw60Of(m)) != logic::RefOutcome::kPassed) return false;
  NamedTarget(second, &m.target);
  return logic::CalibrateRef2(*words, Raw60Of(m)) == logic::RefOutcome::kPassed;
}

TEST(SensorModelTargets, GlossCalibrationSucceedsOnTheReferencesAndGivesTheirGloss) {
  logic::GlossWords words;
  ASSERT_TRUE(GlossCalibration("ref1", "ref2", &words));
  EXPECT_EQ(words.gfpow1, 75);
  EXPECT_EQ(words.gf60deg, 3750);
  EXPECT_EQ(words.gfpow2, 751);

  // With the words in place the sensor reads 100 % on ref1 and 4 % on ref2,
  // the low range resolved at gfpow2.
  SensorModel m;
  m.ram[9] = words.gfpow1;
  m.ram[10] = words.gfpow2;
  m.ram[11] = words.gf60deg;
  auto gf = [&](const char* name) {
    NamedTarget(name, &m.target);
    return m.MakeRecord()[10];
  };
  EXPECT_EQ(gf("ref1"), 1000);
  EXPECT_EQ(gf("ref2"), 40);
  m.ram[10] = 0;  // without gfpow2: the value at gfpow1 alone
  m.target = Flat(0, 0.97, 0);
  EXPECT_EQ(m.MakeRecord()[10], 19);  // 73 x 1000 / 3750
  m.ram[11] = 0;
  EXPECT_EQ(gf("ref1"), 0);  // uncalibrated
}

TEST(SensorModelTargets, GlossCalibrationFailsWithTheWrongTargetUnderTheSensor) {
  logic::GlossWords words;
  // Reference 1: too dim to reach 3501 at full power (ref2 among them).
  for (const char* first : {"ref2", "black", "red", "blue"}) {
    EXPECT_FALSE(GlossCalibration(first, "ref2", &words)) << first;
    EXPECT_EQ(words.gf60deg, 0) << first;
  }
  // Reference 2: ten times the value at gfpow1 out of reach, or nothing to aim at.
  for (const char* second : {"ref1", "green", "black"}) {
    EXPECT_FALSE(GlossCalibration("ref1", second, &words)) << second;
    EXPECT_EQ(words.gf60deg, 3750) << second;
  }
  // Bright targets pass reference 1 at a high power, where no target can give ten times more.
  for (const char* first : {"white", "green"}) {
    EXPECT_FALSE(GlossCalibration(first, "ref2", &words)) << first;
    EXPECT_GT(words.gfpow1, 500) << first;
  }
}

}  // namespace
}  // namespace tavix::sim
