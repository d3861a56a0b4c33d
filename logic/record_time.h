// The recorder's plan: interval and count, the total record time they give,
// and the check that the two fit together.
#pragma once

#include <cstdint>

#include <QString>

namespace tavix::logic {

inline constexpr int kMaxRecords = 50000;  // size of the record store
inline constexpr int kMinInterval = 1;     // seconds
// interval x count must stay below 2^31 s; this interval keeps it so for
// every count up to kMaxRecords.
inline constexpr std::int64_t kRecordTimeLimit = std::int64_t{1} << 31;
inline constexpr int kMaxInterval = static_cast<int>((kRecordTimeLimit - 1) / kMaxRecords);

struct RecordTime {
  std::int64_t days = 0;
  int hours = 0;
  int minutes = 0;
  int seconds = 0;
  bool operator==(const RecordTime&) const = default;
};

// interval x count split into days, hours, minutes and seconds. Computed in
// 64 bits, so no pair of 16-bit values overflows.
RecordTime CalcRecordTime(std::uint16_t zeitint, std::uint16_t anzwerte);

// Empty when a recording of `anzwerte` readings `zeitint` seconds apart can
// be made: interval at least 1 s, count 1 to 50 000, interval x count below
// 2^31 s. Otherwise the reason, for the user.
QString CheckRecordPlan(std::uint16_t zeitint, std::uint16_t anzwerte);

}  // namespace tavix::logic
