// The simulator's EEPROM file: what the parser takes and refuses, and a
// failed save.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "sim/eeprom_file.h"

namespace tavix::sim {
namespace {

SensorModel Sample() {
  SensorModel m;
  for (int i = 0; i < kBlockWords; ++i) m.eeprom[i] = static_cast<std::uint16_t>(i * 383 + 1);
  m.eeprom[0] = 0;
  m.eeprom[1] = 65535;
  m.factors = {900, 0, 65535};
  return m;
}

// The sample's file, its tokens (header 0 to 2, words 3 to 173, "factors"
// 174, factors 175 to 177) each followed by `blank`, with `count` of them
// from `at` on replaced by `token`.
std::string Edit(int at, int count, const std::string& token, const char* blank = "\n") {
  std::istringstream in(FormatEepromFile(Sample()));
  std::vector<std::string> tokens;
  for (std::string t; in >> t;) tokens.push_back(t);
  tokens.erase(tokens.begin() + at, tokens.begin() + at + count);
  if (!token.empty()) tokens.insert(tokens.begin() + at, token);
  std::string text;
  for (const std::string& t : tokens) text += t + blank;
  return text;
}

TEST(EepromFile, TakesOnlyAWholeWellFormedFileAndNamesWhatIsWrong) {
  using namespace std::string_literals;
  const std::string huge(1 << 20, '7');
  const std::tuple<const char*, std::string, std::string> cases[] = {
      // error; empty: accepted
      {"as written", FormatEepromFile(Sample()), ""},
      {"any blank space", Edit(0, 0, "", " \t\r\n\f\v"), ""},
      {"leading zeros", Edit(4, 1, "00065535"), ""},
      {"empty", "", "expected 'tavix-sensor-eeprom'"},
      {"another file", "hello world", "expected 'tavix-sensor-eeprom', got 'hello'"},
      {"other format version", Edit(1, 1, "2"), "expected '1', got '2'"},
      {"short of words", Edit(173, 5, ""), "file ends before word 170"},
      {"a word more", Edit(174, 0, "7"), "expected 'factors', got '7'"},
      {"text after", Edit(178, 0, "x"), "unexpected text after the factors: 'x'"},
      {"plus sign", Edit(5, 1, "+7"), "bad word 2: '+7'"},
      {"one above", Edit(5, 1, "65536"), "bad word 2: '65536'"},
      {"beyond 64 bits", Edit(5, 1, "99999999999999999999"), "bad word 2: '99999999999999999999'"},
      {"factor above", Edit(176, 1, "65536"), "bad factor 1: '65536'"},
      {"NUL after a number", Edit(5, 1, "7\0junk"s), "bad word 2: '7\0junk'"s},
      {"huge token", Edit(5, 1, huge), "bad word 2: '77777777777777777777...'"},
  };
  for (const auto& [name, text, expected] : cases) {
    SCOPED_TRACE(name);
    SensorModel model;
    std::string error;
    const bool ok = ParseEepromFile(text, &model, &error);
    EXPECT_EQ(ok, expected.empty());
    EXPECT_EQ(error, expected);
    EXPECT_EQ(model.eeprom, (ok ? Sample() : SensorModel()).eeprom) << "changed by a refused file";
    EXPECT_EQ(model.factors, (ok ? Sample() : SensorModel()).factors);
    EXPECT_EQ(ParseEepromFile(text, &model, nullptr), ok);
  }
}

// Loading a missing file and saving are proven by the program's own test.
TEST(EepromFile, AFailedSaveIsReportedWithItsPath) {
  const std::string nowhere = ::testing::TempDir() + "tavix-no-such-dir/eeprom.txt";
  std::string error;
  EXPECT_FALSE(SaveEepromFile(nowhere, Sample(), &error));
  EXPECT_EQ(error, "cannot save " + nowhere + ": No such file or directory");
}

}  // namespace
}  // namespace tavix::sim
