// The sensor model without I/O: stores, answers, data-record formulas and the
// reference targets that the calibration workflows depend on.
#include <gtest/gtest.h>

#include <algorithm>

#include "sim/eeprom_file.h"
#include "sim/model.h"
#include "tests/sim/port.h"

namespace tavix::sim {
namespace {

using test::Frame;
using test::Words;

std::vector<std::uint16_t> Ask(SensorModel& m, std::uint16_t order,
                               const std::vector<std::uint16_t>& words = {}) {
  return Words(m.Answer(Frame(order, words).data()));
}

Target Flat(double s20, double s60, double s80) {
  return Target{"flat", s20, s60, s80, 0.0};
}

TEST(SensorModelOrders, StoresAndReadsBackWithTheDocumentedSizes) {
  SensorModel m;
  const auto before = m.ram;
  std::vector<std::uint16_t> params(16);
  for (int i = 0; i < 16; ++i) params[i] = static_cast<std::uint16_t>(100 + i);
  EXPECT_TRUE(m.Answer(Frame(1, params).data()).empty());
  auto ram = Ask(m, 3);
  ASSERT_EQ(ram.size(), 171u);
  EXPECT_EQ(std::vector<std::uint16_t>(ram.begin(), ram.begin() + 16), params);
  EXPECT_TRUE(std::equal(ram.begin() + 16, ram.end(), before.begin() + 16));

  // Row 30 lands in the last five words; a row number beyond 30 is ignored.
  EXPECT_TRUE(m.Answer(Frame(2, {30, 7, 8, 9, 10, 11}).data()).empty());
  m.Answer(Frame(2, {31, 1, 2, 3, 4, 5}).data());
  ram = Ask(m, 3);
  EXPECT_EQ(std::vector<std::uint16_t>(ram.begin() + 166, ram.end()),
            (std::vector<std::uint16_t>{7, 8, 9, 10, 11}));
  EXPECT_EQ(ram[165], before[165]);

  // EEPROM keeps its content until order 6 copies the RAM.
  EXPECT_EQ(Ask(m, 4)[0], 500);
  m.Answer(Frame(6).data());
  EXPECT_EQ(Ask(m, 4), ram);

  EXPECT_TRUE(m.Answer(Frame(8, {900, 1100, 1250}).data()).empty());
  EXPECT_EQ(Ask(m, 9), (std::vector<std::uint16_t>{900, 1100, 1250}));

  std::vector<std::uint16_t> gloss(16, 0);
  gloss[9] = 75;
  gloss[11] = 3750;
  EXPECT_TRUE(m.Answer(Frame(10, gloss).data()).empty());
  EXPECT_EQ(Ask(m, 11), gloss);
  EXPECT_EQ(Ask(m, 3)[9], 75);
  EXPECT_EQ(Ask(m, 4)[166], 7);  // the teach table in EEPROM is untouched

  EXPECT_EQ(m.Answer(Frame(5).data()).size(), 32u);
  EXPECT_TRUE(m.Answer(Frame(12).data()).empty());
  EXPECT_TRUE(m.Answer(Frame(0).data()).empty());
}

TEST(SensorModelOrders, VersionWordsCarryTheTextInTheirLowBytes) {
  SensorModel m;
  m.version = "AB";
  m.versionHighByte = 0x12;
  auto bytes = m.Answer(Frame(7).data());
  ASSERT_EQ(bytes.size(), 96u);
  EXPECT_EQ(bytes[0], 0x12);
  EXPECT_EQ(bytes[1], 'A');
  EXPECT_EQ(bytes[3], 'B');
  EXPECT_EQ(bytes[5], ' ');
  EXPECT_EQ(bytes[95], ' ');
  EXPECT_EQ(bytes[94], 0x12);

  std::vector<std::uint8_t> frame = Frame(7);
  EXPECT_TRUE(SensorModel::IsValidFrame(frame.data(), 36));
  EXPECT_FALSE(SensorModel::IsValidFrame(frame.data(), 35));
  frame[1] = 0x56;
  EXPECT_FALSE(SensorModel::IsValidFrame(frame.data(), 36));
}

TEST(SensorModelRecord, RawCalibratedAndColourWords) {
  SensorModel m;
  m.target = Flat(2.0, 3.0, 5.0);
  m.ram[0] = 400;
  m.factors = {1000, 1250, 900};
  auto r = m.MakeRecord();
  // raw 800, 1200, 2000; calibrated 800, 1500, 1800; sum 4100
  EXPECT_EQ(r[7], 800);
  EXPECT_EQ(r[8], 1200);
  EXPECT_EQ(r[9], 2000);
  EXPECT_EQ(r[0], 800);
  EXPECT_EQ(r[1], 1500);
  EXPECT_EQ(r[2], 1800);
  EXPECT_EQ(r[3], 799);   // 800 * 4095 / 4100
  EXPECT_EQ(r[4], 1498);  // 1500 * 4095 / 4100
  EXPECT_EQ(r[5], 1366);  // 4100 / 3
  for (int w = 11; w < 16; ++w) EXPECT_NE(r[w], 0) << "word " << w;

  // Both raw and calibrated values end at 4095.
  m.target = Flat(20.0, 0.0, 0.0);
  m.factors = {1250, 1000, 1000};
  r = m.MakeRecord();
  EXPECT_EQ(r[7], 4095);
  EXPECT_EQ(r[0], 4095);
  EXPECT_EQ(r[3], 4095);
  EXPECT_EQ(r[5], 1365);

  m.target = Flat(0, 0, 0);
  r = m.MakeRecord();
  EXPECT_EQ(r[3] + r[4] + r[5], 0);
  EXPECT_EQ(r[6], 255);
}

TEST(SensorModelRecord, PowerModesAndThePowerWordOfTheCalibrationSetUp) {
  SensorModel m;
  m.target = Flat(2.0, 3.0, 5.0);
  m.ram[0] = 400;
  m.ram[1] = 1;  // DYN: the sensor brings the brightest channel to ~3000
  auto r = m.MakeRecord();
  EXPECT_EQ(r[9], 3000);
  EXPECT_EQ(r[7], 1200);
  EXPECT_EQ(r[5], 2000);
  m.ram[2] = 0x8000;
  EXPECT_EQ(m.MakeRecord()[5], 600);
  m.ram[1] = 0;
  EXPECT_EQ(m.MakeRecord()[5], 400);
  m.target = Flat(0, 0, 0);
  m.ram[1] = 1;
  EXPECT_EQ(m.MakeRecord()[5], 1000);
}

TEST(SensorModelRecord, NoiseIsBoundedAndRepeatable) {
  SensorModel a, b, c;
  c.noiseSeed = 2;
  bool differs = false;
  for (int i = 0; i < 50; ++i) {
    auto ra = a.MakeRecord(), rb = b.MakeRecord(), rc = c.MakeRecord();
    EXPECT_EQ(ra, rb);
    differs = differs || ra != rc;
    EXPECT_LE(std::abs(ra[7] - 1900), 2);
    EXPECT_LE(std::abs(ra[8] - 2000), 2);
    EXPECT_LE(std::abs(ra[9] - 2100), 2);
  }
  EXPECT_TRUE(differs);
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
  m.ram[6] = 2;
  EXPECT_EQ(vno("green"), 255);
  m.ram[5] = 2010;  // white's INT is ~2000
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

TEST(SensorModelRecord, GlossFactorComesFromTheGlossWords) {
  SensorModel m;
  NamedTarget("ref1", &m.target);
  EXPECT_EQ(m.MakeRecord()[10], 0);  // no gloss calibration yet
  m.ram[9] = 75;
  m.ram[11] = 3750;
  m.ram[0] = 1000;  // the power word does not matter
  EXPECT_EQ(m.MakeRecord()[10], 1000);
  NamedTarget("ref2", &m.target);
  EXPECT_EQ(m.MakeRecord()[10], 80);  // 300 * 1000 / 3750
  m.target = Flat(0, 60, 0);
  EXPECT_EQ(m.MakeRecord()[10], 1000);
}

// The gloss calibration's power searches, run directly on the model.
int Raw60At(SensorModel& m, int power) {
  m.ram[0] = static_cast<std::uint16_t>(power);
  m.ram[1] = 0;
  m.ram[2] = 1024;
  m.ram[3] = 6;
  return m.MakeRecord()[8];
}

bool SearchRef1(SensorModel& m, int* gfpow1) {
  int step = 512, raw = 0;
  *gfpow1 = 512;
  for (int i = 0; i < 10; ++i) {
    raw = Raw60At(m, *gfpow1);
    step /= 2;
    *gfpow1 = std::min(1000, raw > 3750 ? *gfpow1 - step : *gfpow1 + step);
  }
  return raw > 3500 && raw < 4000;
}

bool SearchRef2(SensorModel& m, int gfpow1) {
  const int target = static_cast<std::uint16_t>(10 * Raw60At(m, gfpow1));
  int gfpow2 = 512, step = 512, raw = 0;
  for (int i = 0; i < 10; ++i) {
    raw = Raw60At(m, gfpow2);
    step /= 2;
    gfpow2 = std::min(1000, raw > target ? gfpow2 - step : gfpow2 + step);
  }
  return raw > target - 200 && raw < target + 200 && gfpow2 < 1000 && raw < 4000;
}

// Reference 1 then reference 2, each with its own target under the sensor.
bool GlossCalibration(const char* first, const char* second) {
  SensorModel m;
  int gfpow1 = 0;
  NamedTarget(first, &m.target);
  if (!SearchRef1(m, &gfpow1)) return false;
  NamedTarget(second, &m.target);
  return SearchRef2(m, gfpow1);
}

TEST(SensorModelTargets, GlossCalibrationSucceedsOnlyOnTheReferences) {
  SensorModel m;
  int gfpow1 = 0;
  NamedTarget("ref1", &m.target);
  ASSERT_TRUE(SearchRef1(m, &gfpow1));
  EXPECT_EQ(gfpow1, 75);
  EXPECT_TRUE(GlossCalibration("ref1", "ref2"));
  for (const std::string& name : TargetNames()) {
    if (name != "ref1") {
      EXPECT_FALSE(GlossCalibration(name.c_str(), "ref2")) << name;
    }
  }
  EXPECT_FALSE(GlossCalibration("ref1", "ref1"));
  EXPECT_FALSE(GlossCalibration("ref1", "black"));
  NamedTarget("red", &m.target);
  EXPECT_FALSE(SearchRef1(m, &gfpow1));
}

// Means over 100 records in the calibration set-up, as the factor workflow takes them.
struct Means {
  int r = 0, g = 0, b = 0, spread = 0, power = 0;
};
Means Measure(const char* target, int pmod) {
  SensorModel m;
  NamedTarget(target, &m.target);
  m.Answer(Frame(1, {500, static_cast<std::uint16_t>(pmod), 0x8000, 6, 10, 0, 1}).data());
  long s[4] = {0, 0, 0, 0};
  Means out;
  for (int i = 0; i < 100; ++i) {
    auto rec = m.MakeRecord();
    s[0] += rec[7];
    s[1] += rec[8];
    s[2] += rec[9];
    s[3] += std::max({rec[7], rec[8], rec[9]}) - std::min({rec[7], rec[8], rec[9]});
    out.power = rec[5];
  }
  out.r = static_cast<int>(s[0] / 100);
  out.g = static_cast<int>(s[1] / 100);
  out.b = static_cast<int>(s[2] / 100);
  out.spread = static_cast<int>(s[3] / 100);
  return out;
}

TEST(SensorModelTargets, WhiteGivesCalibrationFactorsNearOneThousand) {
  Means stat = Measure("white", 0);
  EXPECT_EQ(stat.power, 500);
  EXPECT_LT(stat.spread, 300);
  for (int mean : {stat.r, stat.g, stat.b}) {
    int factor = 1000 * 2000 / mean;  // set value 2000
    EXPECT_GT(factor, 900);
    EXPECT_LT(factor, 1100);
  }
  Means dyn = Measure("white", 1);
  EXPECT_EQ(dyn.power, 714);
  int common = (dyn.r + dyn.g + dyn.b) / 3;
  for (int mean : {dyn.r, dyn.g, dyn.b}) EXPECT_NEAR(1000 * common / mean, 1000, 60);
  EXPECT_GT(Measure("red", 0).spread, 300);
  EXPECT_EQ(Measure("black", 0).r, 0);
}

TEST(EepromFile, RoundTripAndRejectsBrokenText) {
  SensorModel a;
  a.eeprom[0] = 321;
  a.eeprom[170] = 65535;
  a.factors = {800, 1000, 1250};
  SensorModel b;
  std::string error;
  ASSERT_TRUE(ParseEepromFile(FormatEepromFile(a), &b, &error)) << error;
  EXPECT_EQ(b.eeprom, a.eeprom);
  EXPECT_EQ(b.factors, a.factors);

  const std::string good = FormatEepromFile(a);
  SensorModel c;
  for (const std::string& bad :
       {good.substr(0, good.size() / 2), good + " 7", std::string("hello"),
        good.substr(0, good.find("321")) + "70000" + good.substr(good.find("321") + 3)}) {
    EXPECT_FALSE(ParseEepromFile(bad, &c, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(c.eeprom, SensorModel().eeprom);
  }
}

}  // namespace
}  // namespace tavix::sim
