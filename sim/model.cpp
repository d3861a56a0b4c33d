// The simulated sensor: stores, answers and data records. No I/O here.
#include "sim/model.h"

#include <algorithm>
#include <cmath>
#include <span>

namespace tavix::sim {
namespace {

// Parameter words (RAM / EEPROM block).
constexpr int kPower = 0;
constexpr int kPmod = 1;
constexpr int kAverage = 2;
constexpr int kEvalmode = 3;
constexpr int kHold = 4;
constexpr int kIntlim = 5;
constexpr int kMaxcolno = 6;
constexpr int kOutmode = 7;
constexpr int kTrigger = 8;
constexpr int kGfpow1 = 9;
constexpr int kGfpow2 = 10;
constexpr int kGf60deg = 11;
constexpr int kTeachBase = 16;
constexpr int kTeachRows = 31;
constexpr int kPayloadWords = 16;
constexpr int kMaxRaw = 4095;
constexpr std::uint16_t kNoMatch = 255;
constexpr std::uint16_t kCalibSetupBit = 0x8000;

// The codes of the words the sensor acts on, written down here on the
// sensor's side of the line rather than taken from the programs'.
constexpr std::uint16_t kPmodStat = 0;
constexpr std::uint16_t kOutmodeBinary = 1;
constexpr std::uint16_t kTriggerCont = 0;
enum EvalMode : std::uint16_t {
  kModeXyInt = 0,
  kModeXy = 1,
  kModeXyIntCont = 2,
  kMode20Deg = 3,
  kMode60Deg = 4,
  kMode80Deg = 5,
  kModeAllDeg = 6,
  kModeGloss = 7,
};

// Default set-up: STAT at power 500, mode 0 with three taught rows.
constexpr std::uint16_t kDefaultPower = 500;
constexpr std::uint16_t kDefaultTolerance = 150;

struct TargetDef {
  const char* name;
  double s20, s60, s80, noise;
};

// White: ~1900/2000/2100 at power 500, so the calibration factors come out
// near 1000. ref1 reaches raw60 ~3750 at power 75; ref2 (a twenty-fifth of
// ref1 on 60 degree, gloss 4 %) gives 150 there and ten times that at power
// 750, and stays below 3500 at full power, so it never passes as reference 1.
constexpr TargetDef kTargets[] = {
    {"white", 3.8, 4.0, 4.2, 2.0}, {"ref1", 10.0, 50.0, 10.0, 0.0}, {"ref2", 2.0, 2.0, 2.0, 0.0},
    {"black", 0.0, 0.0, 0.0, 0.0}, {"red", 6.0, 1.5, 1.0, 2.0},     {"green", 1.5, 6.0, 1.0, 2.0},
    {"blue", 1.0, 1.5, 6.0, 2.0},
};

// Targets on which the calibration program's CALCULATE fails with its
// panel's start values (power 500, set value 2000, maximum delta 500,
// maximum power 800); "white" passes in STAT and in DYN.
//   uneven: raw 1000/2000/3000, the spread too high in STAT and DYN.
//   dim: DYN needs full power (too high); in STAT the factors exceed 3000.
//   tinted: STAT raw 1500/1700/1900, spread within the limit, 20DEG factor 1333.
//   dark20: 20DEG dark, the others low enough for the spread in STAT.
constexpr TargetDef kCalibTargets[] = {
    {"uneven", 2.0, 4.0, 6.0, 2.0},
    {"dim", 1.0, 1.1, 1.2, 1.0},
    {"tinted", 3.0, 3.4, 3.8, 2.0},
    {"dark20", 0.0, 0.8, 0.9, 0.0},
};

constexpr std::span<const TargetDef> kTargetTables[] = {kTargets, kCalibTargets};

std::uint16_t WordAt(const std::uint8_t* p) {
  return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}

void AppendWords(std::vector<std::uint8_t>* out, const std::uint16_t* words, int count) {
  for (int i = 0; i < count; ++i) {
    out->push_back(static_cast<std::uint8_t>(words[i] >> 8));
    out->push_back(static_cast<std::uint8_t>(words[i] & 0xFF));
  }
}

int ClampRaw(long value) {
  return static_cast<int>(std::clamp<long>(value, 0, kMaxRaw));
}

// Noise-free raw value of one channel.
int RawOf(double sens, int power) {
  return ClampRaw(std::lround(sens * power));
}

// The transmitter power in use: the power word in STAT, otherwise the sensor's
// own choice that brings the brightest channel near 3000.
int PowerInUse(const std::array<std::uint16_t, kBlockWords>& ram, const Target& t) {
  if (ram[kPmod] == kPmodStat) return std::min<int>(ram[kPower], 1000);
  double brightest = std::max({t.sens20, t.sens60, t.sens80});
  if (brightest <= 0.0) return 1000;
  return static_cast<int>(std::clamp<long>(std::lround(3000.0 / brightest), 0, 1000));
}

// Deterministic noise in [-1, 1] for one channel of one record.
double UnitNoise(std::uint32_t seed, std::uint32_t record, int channel) {
  std::uint64_t z = (static_cast<std::uint64_t>(seed) << 32) ^ (record * 4ULL + channel);
  z += 0x9E3779B97F4A7C15ULL;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  z ^= z >> 31;
  return static_cast<double>(z >> 11) / static_cast<double>(1ULL << 53) * 2.0 - 1.0;
}

struct Colour {
  int x = 0, y = 0, intensity = 0;
};

Colour ColourOf(int r, int g, int b) {
  long s = static_cast<long>(r) + g + b;
  if (s == 0) return {};
  return {static_cast<int>(r * 4095L / s), static_cast<int>(g * 4095L / s),
          static_cast<int>(s / 3)};
}

bool InWindow(int value, const std::uint16_t* row) {
  return row[1] <= value && value <= row[0];
}

// V-No of a reading by the evaluation mode (rows: X, Y, CTO, INT, ITO in
// the X/Y modes; UL, LL windows otherwise).
std::uint16_t Classify(const std::array<std::uint16_t, kBlockWords>& ram, const int cal[3],
                       const Colour& c, int gf) {
  if (c.intensity < ram[kIntlim]) return kNoMatch;
  const int active = std::min<int>(ram[kMaxcolno], kTeachRows);
  auto row = [&](int r) { return &ram[kTeachBase + 5 * r]; };
  switch (ram[kEvalmode]) {
    case kModeXyInt:
    case kModeXy:
    case kModeXyIntCont:
      for (int r = 0; r < active; ++r) {
        const std::uint16_t* w = row(r);
        long dx = c.x - w[0], dy = c.y - w[1];
        bool inCircle = dx * dx + dy * dy <= static_cast<long>(w[2]) * w[2];
        bool inIntensity = std::abs(c.intensity - w[3]) <= w[4];
        if (inCircle && (ram[kEvalmode] == kModeXy || inIntensity))
          return static_cast<std::uint16_t>(r);
      }
      return kNoMatch;
    case kMode20Deg:
    case kMode60Deg:
    case kMode80Deg:
      return InWindow(cal[ram[kEvalmode] - kMode20Deg], row(0)) ? 0 : kNoMatch;
    case kModeAllDeg:
      for (int ch = 0; ch < 3; ++ch) {
        if (!InWindow(cal[ch], row(ch))) return kNoMatch;
      }
      return 0;
    case kModeGloss:
      for (int r = 0; r < active; ++r) {
        if (InWindow(gf, row(r))) return static_cast<std::uint16_t>(r);
      }
      return kNoMatch;
    default:
      return kNoMatch;
  }
}

// Gloss factor in tenths of a percent from the calibration words: the 60
// degree value at gfpow1 against reference 1's gf60deg. Below a tenth of
// that, and once gfpow2 is known, the value at gfpow2 (where reference 2
// read ten times as much) resolves the low range. 0 while uncalibrated.
int GlossFactor(const std::array<std::uint16_t, kBlockWords>& ram, const Target& t) {
  const long reference = ram[kGf60deg];
  if (reference == 0) return 0;
  const long raw1 = RawOf(t.sens60, std::min<int>(ram[kGfpow1], 1000));
  long gf = (raw1 * 1000 + reference / 2) / reference;
  if (raw1 * 10 < reference && ram[kGfpow2] != 0) {
    const long raw2 = RawOf(t.sens60, std::min<int>(ram[kGfpow2], 1000));
    gf = (raw2 * 100 + reference / 2) / reference;
  }
  return static_cast<int>(std::min<long>(1000, gf));
}

}  // namespace

bool NamedTarget(const std::string& name, Target* target) {
  for (const auto& table : kTargetTables) {
    for (const TargetDef& d : table) {
      if (name == d.name) {
        *target = Target{d.name, d.s20, d.s60, d.s80, d.noise};
        return true;
      }
    }
  }
  return false;
}

std::vector<std::string> TargetNames() {
  std::vector<std::string> names;
  for (const auto& table : kTargetTables) {
    for (const TargetDef& d : table) names.emplace_back(d.name);
  }
  return names;
}

SensorModel::SensorModel() : version(kDefaultVersion) {
  ram.fill(1);
  std::fill(ram.begin(), ram.begin() + kTeachBase, 0);
  ram[kPower] = kDefaultPower;
  ram[kPmod] = kPmodStat;
  ram[kAverage] = 128;
  ram[kEvalmode] = kModeXyInt;
  ram[kHold] = 10;
  ram[kIntlim] = 50;
  ram[kMaxcolno] = 3;
  ram[kOutmode] = kOutmodeBinary;
  ram[kTrigger] = kTriggerCont;
  // Rows 0..2 taught on white, red and green at the default power.
  const char* taught[] = {"white", "red", "green"};
  for (int r = 0; r < 3; ++r) {
    Target t;
    NamedTarget(taught[r], &t);
    Colour c = ColourOf(RawOf(t.sens20, kDefaultPower), RawOf(t.sens60, kDefaultPower),
                        RawOf(t.sens80, kDefaultPower));
    std::uint16_t* w = &ram[kTeachBase + 5 * r];
    w[0] = static_cast<std::uint16_t>(c.x);
    w[1] = static_cast<std::uint16_t>(c.y);
    w[2] = kDefaultTolerance;
    w[3] = static_cast<std::uint16_t>(c.intensity);
    w[4] = kDefaultTolerance;
  }
  eeprom = ram;
  NamedTarget("white", &target);
}

bool SensorModel::IsValidFrame(const std::uint8_t* bytes, int count) {
  return count == kFrameBytes && bytes[0] == 0x00 && bytes[1] == 0x55;
}

std::uint16_t SensorModel::OrderOf(const std::uint8_t* frame) {
  return WordAt(frame + 2);
}

std::vector<std::uint8_t> SensorModel::Answer(const std::uint8_t* frame) {
  std::vector<std::uint8_t> out;
  const std::uint8_t* payload = frame + 4;
  auto payloadWord = [&](int i) { return WordAt(payload + 2 * i); };
  switch (OrderOf(frame)) {
    case 1:
      for (int i = 0; i < kPayloadWords; ++i) ram[i] = payloadWord(i);
      break;
    case 2: {
      int r = payloadWord(0);
      if (r < kTeachRows) {
        for (int c = 0; c < 5; ++c) ram[kTeachBase + 5 * r + c] = payloadWord(1 + c);
      }
      break;
    }
    case 3:
      AppendWords(&out, ram.data(), kBlockWords);
      break;
    case 4:
      AppendWords(&out, eeprom.data(), kBlockWords);
      break;
    case 5: {
      auto record = MakeRecord();
      AppendWords(&out, record.data(), kRecordWords);
      break;
    }
    case 6:
      eeprom = ram;
      break;
    case 7: {
      std::array<std::uint16_t, kVersionChars> words{};
      for (int i = 0; i < kVersionChars; ++i) {
        char ch = i < static_cast<int>(version.size()) ? version[i] : ' ';
        words[i] =
            static_cast<std::uint16_t>((versionHighByte << 8) | static_cast<std::uint8_t>(ch));
      }
      AppendWords(&out, words.data(), kVersionChars);
      break;
    }
    case 8:
      for (int i = 0; i < 3; ++i) factors[i] = payloadWord(i);
      break;
    case 9:
      AppendWords(&out, factors.data(), 3);
      break;
    case 10:
      for (int i = 0; i < kPayloadWords; ++i) eeprom[i] = ram[i] = payloadWord(i);
      break;
    case 11:
      AppendWords(&out, eeprom.data(), kPayloadWords);
      break;
    default:
      break;
  }
  return out;
}

std::array<std::uint16_t, kRecordWords> SensorModel::MakeRecord() {
  const std::uint32_t index = recordCount++;
  const int power = PowerInUse(ram, target);
  const double sens[3] = {target.sens20, target.sens60, target.sens80};
  int raw[3], cal[3];
  for (int ch = 0; ch < 3; ++ch) {
    double noise = target.noise * UnitNoise(noiseSeed, index, ch);
    raw[ch] = ClampRaw(std::lround(sens[ch] * power + noise));
    cal[ch] =
        static_cast<int>(std::min<long>(kMaxRaw, raw[ch] * static_cast<long>(factors[ch]) / 1000));
  }
  const Colour c = ColourOf(cal[0], cal[1], cal[2]);

  const int gf = GlossFactor(ram, target);

  std::array<std::uint16_t, kRecordWords> rec{};
  for (int ch = 0; ch < 3; ++ch) {
    rec[ch] = static_cast<std::uint16_t>(cal[ch]);
    rec[7 + ch] = static_cast<std::uint16_t>(raw[ch]);
  }
  rec[3] = static_cast<std::uint16_t>(c.x);
  rec[4] = static_cast<std::uint16_t>(c.y);
  rec[5] = static_cast<std::uint16_t>((ram[kAverage] & kCalibSetupBit) ? power : c.intensity);
  rec[6] = Classify(ram, cal, c, gf);
  rec[10] = static_cast<std::uint16_t>(gf);
  // Words the PC does not use, nonzero on purpose: a counter and constants.
  rec[11] = static_cast<std::uint16_t>(index % 0xFFFF + 1);
  rec[12] = 0xA5A5;
  rec[13] = 0x5A5A;
  rec[14] = 0xFFFF;
  rec[15] = 0x8001;
  return rec;
}

}  // namespace tavix::sim
