// The sensor model without I/O: stores, answers, record formulas and the
// reference targets that the calibration workflows depend on.
#include <gtest/gtest.h>

#include <optional>
#include <tuple>

#include "logic/gloss_calib.h"
#include "port.h"
#include "sim/model.h"

namespace tavix::sim::test {
namespace {

Words16 Ask(SensorModel& m, std::uint16_t order, const Words16& words = {}) {
  return Words(m.Answer(Frame(order, words).data()));
}
void Set(SensorModel& m, std::initializer_list<std::pair<int, int>> words) {
  for (const auto& [word, value] : words) m.ram[word] = static_cast<std::uint16_t>(value);
}
// Word `word` of the next record (6: VNo, 10: GF), with `target` under the sensor if given.
int Rec(SensorModel& m, int word, const char* target = nullptr) {
  if (target) NamedTarget(target, &m.target);
  return m.MakeRecord()[word];
}

// Each order's store and answer is proven through the link end to end; here
// what no program shows: a row number beyond 30, the EEPROM before order 6,
// the gloss words sparing the rest of the EEPROM, and orders that do not exist.
TEST(SensorModel, OrdersStoreOnlyWhereTheyShouldAndUnknownOnesGetNoAnswer) {
  SensorModel m;
  Words16 ram = Ask(m, 3);
  const Words16 eeprom = Ask(m, 4);
  EXPECT_TRUE(Ask(m, 2, {30, 7, 8, 9, 10, 11}).empty());  // the last five words
  Ask(m, 2, {31, 1, 2, 3, 4, 5});
  for (int i = 0; i < 5; ++i) ram[166 + i] = static_cast<std::uint16_t>(7 + i);
  EXPECT_EQ(Ask(m, 3), ram);
  EXPECT_EQ(Ask(m, 4), eeprom);
  Words16 gloss(16, 0);
  gloss[9] = 75;
  EXPECT_TRUE(Ask(m, 10, gloss).empty());
  EXPECT_EQ((Words16{Ask(m, 3)[9], Ask(m, 3)[166]}), (Words16{75, 7}));
  EXPECT_EQ((Words16{Ask(m, 4)[9], Ask(m, 4)[166]}), (Words16{75, eeprom[166]}));
  Ask(m, 6);
  EXPECT_EQ(Ask(m, 4), Ask(m, 3));
  EXPECT_TRUE(Ask(m, 12).empty() && Ask(m, 0).empty());
}

TEST(SensorModel, VNoFollowsTheEvaluationMode) {
  SensorModel m;  // mode 0 with the default teach table
  EXPECT_EQ((std::vector<int>{Rec(m, 6, "white"), Rec(m, 6, "green"), Rec(m, 6, "blue")}),
            (std::vector<int>{0, 2, 255}));
  Set(m, {{6, 2}});  // MAXVEC-No.
  EXPECT_EQ(Rec(m, 6, "green"), 255);
  Set(m, {{5, 2010}});  // INTLIM above white's INT of ~2000
  EXPECT_EQ(Rec(m, 6, "white"), 255);
  // Modes 3 and 4: the window of row 0 on 20 or 60 degree.
  m.target = Target{"flat", 3.8, 4.0, 4.2, 0.0};  // 1900, 2000, 2100
  Set(m, {{3, 3}, {5, 50}, {16, 1950}, {17, 1850}});
  EXPECT_EQ(Rec(m, 6), 0);
  Set(m, {{3, 4}});
  EXPECT_EQ(Rec(m, 6), 255);
  // Mode 7: the first active row whose window holds GF (ref2 gives 40).
  Set(m, {{3, 7}, {9, 75}, {11, 3750}, {16, 30}, {17, 0}, {21, 50}, {22, 35}});
  EXPECT_EQ(Rec(m, 6, "ref2"), 1);
}

TEST(SensorModel, GlossCalibrationPassesOnTheReferencesOnlyAndTheyGiveTheirGloss) {
  // The words the references give (the scope's gloss suite finds them on
  // this model): the sensor reads 100 % on ref1 and 4 % on ref2, the low
  // range resolved at gfpow2.
  SensorModel m;
  Set(m, {{9, 75}, {10, 751}, {11, 3750}});
  EXPECT_EQ(Rec(m, 10, "ref1"), 1000);
  EXPECT_EQ(Rec(m, 10, "ref2"), 40);

  // Reference 1 fails on targets too dim to reach 3501 at full power; bright
  // ones pass it at a high power, where no target gives ten times more; ref1,
  // green and black cannot be reference 2.
  const std::tuple<const char*, const char*, bool> cases[] = {
      // reference 1 passes
      {"ref2", "ref2", false}, {"black", "ref2", false}, {"red", "ref2", false},
      {"blue", "ref2", false}, {"white", "ref2", true},  {"green", "ref2", true},
      {"ref1", "ref1", true},  {"ref1", "green", true},  {"ref1", "black", true}};
  for (const auto& [first, second, passes] : cases) {
    // The gloss calibration's own search with the model as the sensor.
    SensorModel sensor;
    const logic::MeasureAt raw60 = [&sensor](std::uint16_t power) -> std::optional<std::uint16_t> {
      Set(sensor, {{0, power}, {1, 0}, {2, 1024}, {3, 6}});  // the calibration set-up
      return sensor.MakeRecord()[8];
    };
    logic::GlossWords words;
    NamedTarget(first, &sensor.target);
    const bool ref1 = logic::CalibrateRef1(words, raw60) == logic::RefOutcome::kPassed;
    NamedTarget(second, &sensor.target);
    EXPECT_FALSE(ref1 && logic::CalibrateRef2(words, raw60) == logic::RefOutcome::kPassed)
        << first << ", " << second;
    EXPECT_EQ(words.gf60deg != 0, passes) << first;
  }
}

}  // namespace
}  // namespace tavix::sim::test
