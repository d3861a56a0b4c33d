// The sensor model without I/O: stores, answers, data-record formulas and the
// reference targets that the calibration workflows depend on.
#include <gtest/gtest.h>

#include <algorithm>

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

  // Mode 7: the first active row whose window holds GF (ref2 gives 80).
  m.ram[3] = 7;
  m.ram[9] = 75;
  m.ram[11] = 3750;
  NamedTarget("ref2", &m.target);
  m.ram[16] = 50;
  m.ram[17] = 0;
  m.ram[21] = 100;
  m.ram[22] = 60;
  EXPECT_EQ(m.MakeRecord()[6], 1);
  m.ram[6] = 1;
  EXPECT_EQ(m.MakeRecord()[6], 255);
}

// The gloss calibration's power searches, run directly on the model: ten
// halving steps towards raw 60 degree 3750 (reference 1), then towards ten
// times what reference 2 gives at reference 1's power.
int Raw60At(SensorModel& m, int power) {
  m.ram[0] = static_cast<std::uint16_t>(power);
  m.ram[1] = 0;
  m.ram[2] = 1024;
  m.ram[3] = 6;
  return m.MakeRecord()[8];
}

int Search(SensorModel& m, int target, int* power) {
  int step = 512, raw = 0;
  *power = 512;
  for (int i = 0; i < 10; ++i) {
    raw = Raw60At(m, *power);
    step /= 2;
    *power = std::min(1000, raw > target ? *power - step : *power + step);
  }
  return raw;
}

bool GlossCalibration(const char* first, const char* second, int* pow1) {
  SensorModel m;
  int pow2 = 0;
  NamedTarget(first, &m.target);
  const int raw1 = Search(m, 3750, pow1);
  if (raw1 <= 3500 || raw1 >= 4000) return false;
  NamedTarget(second, &m.target);
  const int target = static_cast<std::uint16_t>(10 * Raw60At(m, *pow1));
  const int raw2 = Search(m, target, &pow2);
  return raw2 > target - 200 && raw2 < target + 200 && pow2 < 1000 && raw2 < 4000;
}

TEST(SensorModelTargets, GlossCalibrationSucceedsOnlyOnTheReferences) {
  int gfpow1 = 0;
  EXPECT_TRUE(GlossCalibration("ref1", "ref2", &gfpow1));
  EXPECT_EQ(gfpow1, 75);
  for (const std::string& name : TargetNames()) {
    if (name != "ref1") {
      EXPECT_FALSE(GlossCalibration(name.c_str(), "ref2", &gfpow1)) << name;
    }
  }
  EXPECT_FALSE(GlossCalibration("ref1", "ref1", &gfpow1));
  EXPECT_FALSE(GlossCalibration("ref1", "black", &gfpow1));
}

}  // namespace
}  // namespace tavix::sim
