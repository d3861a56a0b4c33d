// The simulated sensor without any I/O: parameter sets in RAM and EEPROM,
// version text, calibration factors, a target, and the answer to each frame.
// Decodes frames with its own code (not the PC link's).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tavix::sim {

inline constexpr int kFrameBytes = 36;
inline constexpr int kBlockWords = 171;
inline constexpr int kRecordWords = 16;
inline constexpr int kVersionChars = 48;
inline constexpr const char* kDefaultVersion = "TAVIX SENSOR SIMULATOR V1.0";

// What the sensor looks at. Each channel's raw value is its sensitivity
// (counts per unit of transmitter power) times the power, plus noise,
// limited to 0..4095. The 60-degree sensitivity stands for the gloss.
struct Target {
  std::string name = "custom";
  double sens20 = 4.0;
  double sens60 = 4.0;
  double sens80 = 4.0;
  double noise = 0.0;  // peak amplitude in counts
};

// Named targets: "white" (calibration-factor workflow passes), "ref1" (gloss
// reference 100 %), "ref2" (gloss reference below 10 %), "black", "red",
// "green", "blue". False for an unknown name.
// Targets on which the calibration-factor workflow fails: "uneven" (spread),
// "dim" (DYN power; STAT factors), "tinted" (STAT factor), "dark20" (dark channel).
bool NamedTarget(const std::string& name, Target* target);
// The names NamedTarget knows, in a fixed order.
std::vector<std::string> TargetNames();

class SensorModel {
 public:
  SensorModel();

  // The answer to one decoded 36-byte frame (empty for write-only orders and
  // unknown orders). The frame must start with the sync word.
  std::vector<std::uint8_t> Answer(const std::uint8_t* frame);

  // Checks framing: 36 bytes starting with 0x00 0x55.
  static bool IsValidFrame(const std::uint8_t* bytes, int count);
  static std::uint16_t OrderOf(const std::uint8_t* frame);

  // The data record the target gives now with the RAM parameters.
  std::array<std::uint16_t, kRecordWords> MakeRecord();

  std::array<std::uint16_t, kBlockWords> ram{};
  std::array<std::uint16_t, kBlockWords> eeprom{};
  std::array<std::uint16_t, 3> factors{1000, 1000, 1000};  // 20, 60, 80 degree
  std::string version;                                     // up to 48 characters
  std::uint8_t versionHighByte = 0;                        // high byte of each version word
  Target target;
  std::uint32_t noiseSeed = 1;
  std::uint32_t recordCount = 0;  // records made so far: picks the noise, shows in word 11
};

}  // namespace tavix::sim
