#include "logic/power_search.h"

namespace tavix::logic {

namespace {

constexpr int kRef1Low = 3500;    // exclusive
constexpr int kRawHigh = 4000;    // exclusive, for both references
constexpr int kRef2Margin = 200;  // exclusive

}  // namespace

SearchResult PowerSearch(std::uint16_t target, const MeasureAt& measure) {
  SearchResult result;
  int power = kPowerStart;
  int step = kPowerStart;
  for (int i = 0; i < kSearchSteps; ++i) {
    result.power = static_cast<std::uint16_t>(power);
    const std::optional<std::uint16_t> raw = measure(result.power);
    if (!raw) return result;
    result.raw = *raw;
    step /= 2;
    power = *raw > target ? power - step : power + step;
    if (power > kPowerMax) power = kPowerMax;
  }
  result.power = static_cast<std::uint16_t>(power);
  result.complete = true;
  return result;
}

bool Ref1Accepted(std::uint16_t raw) {
  return raw > kRef1Low && raw < kRawHigh;
}

std::uint16_t Ref2Target(std::uint16_t rawAtPow1) {
  return static_cast<std::uint16_t>(10 * rawAtPow1);
}

bool Ref2Accepted(std::uint16_t raw, std::uint16_t target, std::uint16_t power) {
  const int value = raw;
  return value > target - kRef2Margin && value < target + kRef2Margin && power < kPowerMax &&
         value < kRawHigh;
}

}  // namespace tavix::logic
