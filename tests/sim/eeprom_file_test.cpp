// The simulator's EEPROM file: what the parser takes and refuses, and loading
// and saving on disk.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
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

// The sample's file as tokens: the header (0 to 2), the words (3 to 173),
// "factors" (174) and the factors (175 to 177).
std::vector<std::string> Tokens() {
  std::istringstream in(FormatEepromFile(Sample()));
  std::vector<std::string> tokens;
  for (std::string t; in >> t;) tokens.push_back(t);
  return tokens;
}

std::string Join(const std::vector<std::string>& tokens, const std::string& blank = "\n") {
  std::string text;
  for (const std::string& t : tokens) text += t + blank;
  return text;
}

// The sample's file with token `at` replaced by `token`.
std::string With(int at, const std::string& token) {
  std::vector<std::string> tokens = Tokens();
  tokens[at] = token;
  return Join(tokens);
}

std::string Without(int from, int count = 1) {
  std::vector<std::string> tokens = Tokens();
  tokens.erase(tokens.begin() + from, tokens.begin() + from + count);
  return Join(tokens);
}

TEST(EepromFile, TakesOnlyAWholeWellFormedFileAndNamesWhatIsWrong) {
  using namespace std::string_literals;
  const std::string huge(1 << 20, '7');
  struct Case {
    const char* name;
    std::string text;
    std::string error;  // empty: accepted
  };
  const Case cases[] = {
      {"as written", FormatEepromFile(Sample()), ""},
      {"any blank space", Join(Tokens(), " \t\r\n\f\v"), ""},
      {"leading zeros", With(4, "00065535"), ""},
      {"empty", "", "expected 'tavix-sensor-eeprom'"},
      {"another file", "hello world", "expected 'tavix-sensor-eeprom', got 'hello'"},
      {"other format version", With(1, "2"), "expected '1', got '2'"},
      {"short of words", Without(173, 5), "file ends before word 170"},
      {"short of factors", Without(177), "file ends before factor 2"},
      {"a word more", With(174, "7 factors"), "expected 'factors', got '7'"},
      {"text after", Join(Tokens()) + "x", "unexpected text after the factors: 'x'"},
      {"letters", With(5, "abc"), "bad word 2: 'abc'"},
      {"fraction", With(5, "1.5"), "bad word 2: '1.5'"},
      {"hexadecimal", With(5, "0x10"), "bad word 2: '0x10'"},
      {"plus sign", With(5, "+7"), "bad word 2: '+7'"},
      {"negative", With(5, "-1"), "bad word 2: '-1'"},
      {"one above", With(5, "65536"), "bad word 2: '65536'"},
      {"beyond 64 bits", With(5, "99999999999999999999"), "bad word 2: '99999999999999999999'"},
      {"factor above", With(176, "65536"), "bad factor 1: '65536'"},
      {"NUL after a number", With(5, "7\0junk"s), "bad word 2: '7\0junk'"s},
      {"NUL byte alone", With(5, "\0"s), "bad word 2: '\0'"s},
      {"high bytes", With(5, "\xff\xfe"), "bad word 2: '\xff\xfe'"},
      {"huge token", With(5, huge), "bad word 2: '77777777777777777777...'"},
      {"huge file", Join(Tokens()) + huge,
       "unexpected text after the factors: '77777777777777777777...'"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SensorModel model;
    std::string error;
    const bool ok = ParseEepromFile(c.text, &model, &error);
    EXPECT_EQ(ok, c.error.empty()) << error;
    if (ok) {
      EXPECT_EQ(model.eeprom, Sample().eeprom);
      EXPECT_EQ(model.factors, Sample().factors);
    } else {
      EXPECT_EQ(error, c.error);
      EXPECT_EQ(model.eeprom, SensorModel().eeprom) << "model changed by a refused file";
      EXPECT_FALSE(ParseEepromFile(c.text, &model, nullptr));
    }
  }
}

TEST(EepromFile, LoadsWhatWasSavedAndTellsAMissingFileFromABadOne) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("tavix-eeprom-test-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const std::string path = (dir / "eeprom.txt").string();
  SensorModel model;
  bool found = true;
  std::string error;
  EXPECT_TRUE(LoadEepromFile(path, &model, &found, &error));
  EXPECT_FALSE(found);

  ASSERT_TRUE(SaveEepromFile(path, Sample(), &error)) << error;
  ASSERT_TRUE(LoadEepromFile(path, &model, &found, &error)) << error;
  EXPECT_TRUE(found);
  EXPECT_EQ(model.eeprom, Sample().eeprom);

  std::ofstream(path) << "junk";
  EXPECT_FALSE(LoadEepromFile(path, &model, &found, &error));
  EXPECT_EQ(error, path + ": not a sensor EEPROM file: expected 'tavix-sensor-eeprom', got 'junk'");

  const std::string nowhere = (dir / "no" / "eeprom.txt").string();
  EXPECT_FALSE(SaveEepromFile(nowhere, Sample(), &error));
  EXPECT_EQ(error, "cannot save " + nowhere + ": No such file or directory");
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace tavix::sim
