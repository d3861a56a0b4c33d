// The successive-approximation search over the transmitter power that the
// gloss calibration runs on each reference, and the windows that accept its
// results. The measurement is a step the caller supplies, so the trial
// powers can be followed without a sensor.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

namespace tavix::logic {

inline constexpr std::uint16_t kPowerMax = 1000;
inline constexpr std::uint16_t kPowerStart = 512;
inline constexpr int kSearchSteps = 10;
inline constexpr std::uint16_t kRef1Target = 3750;  // raw 60 degree on reference 1

// One search step: run the sensor at `power` and return its raw 60-degree
// value, or nothing when the step failed (the step has reported why).
using MeasureAt = std::function<std::optional<std::uint16_t>(std::uint16_t power)>;

struct SearchResult {
  bool complete = false;    // all ten steps measured
  std::uint16_t power = 0;  // the searched power; after a failed step, that step's trial power
  std::uint16_t raw = 0;    // the last value measured (0 when none was)
};

// Ten steps from 512 with a step that halves each time: down when the value
// measured is above `target`, up otherwise, never above 1000. The tenth
// change is 0, so the last value is measured at the power returned. The
// first failed step ends the search: a value from an earlier step would
// stand in for a measurement that was never made.
SearchResult PowerSearch(std::uint16_t target, const MeasureAt& measure);

// Reference 1 passes with a last value strictly between 3500 and 4000.
bool Ref1Accepted(std::uint16_t raw);
// Reference 2 aims at ten times its value at reference 1's power, as a 16-bit word.
std::uint16_t Ref2Target(std::uint16_t rawAtPow1);
// Reference 2 passes within 199 of the target, below power 1000 and below raw 4000.
bool Ref2Accepted(std::uint16_t raw, std::uint16_t target, std::uint16_t power);

}  // namespace tavix::logic
