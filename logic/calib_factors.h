// The calibration program's computations: the spread of three channel values,
// the sums and truncating means of the 100-frame measurement, and the three
// channel factors with their limits (SetCF).
#pragma once

#include <cstdint>

#include "protocol/params.h"

namespace tavix::logic {

inline constexpr int kCalibFrames = 100;         // frames one measurement takes
inline constexpr std::int32_t kFactorMin = 750;  // accepted factor range, inclusive
inline constexpr std::int32_t kFactorMax = 1250;
inline constexpr std::uint16_t kCalibAverage = 0x8000;  // `average` of the calibration set

// Largest minus smallest of three values (deltaraw, deltacalib).
std::uint16_t Spread(std::uint16_t a, std::uint16_t b, std::uint16_t c);

// The four 32-bit sums of a measurement: raw 20, 60, 80 degree and spread.
struct MeasureSums {
  std::uint32_t r = 0;
  std::uint32_t g = 0;
  std::uint32_t b = 0;
  std::uint32_t d = 0;
};

// Adds one frame's raw values and its spread (deltaraw) to the sums.
void AddFrame(MeasureSums& sums, std::uint16_t rawR, std::uint16_t rawG, std::uint16_t rawB);

struct ChannelMeans {
  std::uint16_t meanR = 0;
  std::uint16_t meanG = 0;
  std::uint16_t meanB = 0;
  std::uint16_t meanD = 0;  // mean spread
};

// Each sum divided by the 100 frames, truncating.
ChannelMeans Means(const MeasureSums& sums);

// What SetCF reads from the panel, and the last frame's transmitter power.
struct FactorInputs {
  std::uint16_t pmod = 0;  // 0 STAT, anything else DYN
  std::uint16_t setvalue = 0;
  std::uint16_t maxdelta = 0;
  std::uint16_t maxpow = 0;
  std::uint16_t power = 0;  // dataINT of the last frame
};

enum class FactorResult {
  kOk,
  kSpreadTooHigh,  // meanD above maxdelta
  kPowerTooHigh,   // DYN: last power above maxpow
  kOutOfRange,     // a factor outside 750..1250, or a channel mean of 0
};

struct Factors {
  FactorResult result = FactorResult::kOk;
  protocol::CalibFactors factors;  // meaningful only with kOk
};

// STAT: factor = 1000 x setvalue / channel mean. DYN: factor = 1000 x m /
// channel mean, m the truncated mean of the three means. Checks in this
// order: spread, DYN power, then the factors 20, 60, 80 degree against the
// range (a quotient beyond 16 bits counts as above it). A dark channel (mean
// 0) has no quotient and counts as out of range.
Factors ComputeFactors(const ChannelMeans& means, const FactorInputs& in);

}  // namespace tavix::logic
