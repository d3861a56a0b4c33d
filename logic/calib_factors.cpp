#include "logic/calib_factors.h"

#include <algorithm>

#include "protocol/codes.h"

namespace tavix::logic {

namespace {

// Any value above the range, for a channel without a quotient.
constexpr std::int32_t kNoQuotient = kFactorMax + 1;

// 1000 x reference / mean in 32-bit signed arithmetic, truncating.
std::int32_t Quotient(std::int32_t reference, std::uint16_t mean) {
  if (mean == 0) return kNoQuotient;
  return 1000 * reference / static_cast<std::int32_t>(mean);
}

bool InRange(std::int32_t factor) {
  return factor >= kFactorMin && factor <= kFactorMax;
}

}  // namespace

std::uint16_t Spread(std::uint16_t a, std::uint16_t b, std::uint16_t c) {
  return static_cast<std::uint16_t>(std::max({a, b, c}) - std::min({a, b, c}));
}

void AddFrame(MeasureSums& sums, std::uint16_t rawR, std::uint16_t rawG, std::uint16_t rawB) {
  sums.r += rawR;
  sums.g += rawG;
  sums.b += rawB;
  sums.d += Spread(rawR, rawG, rawB);
}

ChannelMeans Means(const MeasureSums& sums) {
  auto mean = [](std::uint32_t sum) { return static_cast<std::uint16_t>(sum / kCalibFrames); };
  return {mean(sums.r), mean(sums.g), mean(sums.b), mean(sums.d)};
}

Factors ComputeFactors(const ChannelMeans& means, const FactorInputs& in) {
  Factors out;
  if (means.meanD > in.maxdelta) {
    out.result = FactorResult::kSpreadTooHigh;
    return out;
  }
  const std::int32_t reference = in.pmod == protocol::Pmod::kStat
                                     ? std::int32_t{in.setvalue}
                                     : (std::int32_t{means.meanR} + means.meanG + means.meanB) / 3;
  const std::int32_t factors[3] = {Quotient(reference, means.meanR),
                                   Quotient(reference, means.meanG),
                                   Quotient(reference, means.meanB)};
  if (in.pmod != protocol::Pmod::kStat && in.power > in.maxpow) {
    out.result = FactorResult::kPowerTooHigh;
    return out;
  }
  // The range ends below 65536, so a quotient too wide for a word fails here too.
  for (std::int32_t factor : factors) {
    if (!InRange(factor)) {
      out.result = FactorResult::kOutOfRange;
      return out;
    }
  }
  out.factors = {static_cast<std::uint16_t>(factors[0]), static_cast<std::uint16_t>(factors[1]),
                 static_cast<std::uint16_t>(factors[2])};
  return out;
}

}  // namespace tavix::logic
