#include "logic/record_time.h"

namespace tavix::logic {

RecordTime CalcRecordTime(std::uint16_t zeitint, std::uint16_t anzwerte) {
  std::int64_t t = std::int64_t{zeitint} * anzwerte;
  RecordTime r;
  r.days = t / 86400;
  t -= r.days * 86400;
  r.hours = static_cast<int>(t / 3600);
  t -= r.hours * 3600;
  r.minutes = static_cast<int>(t / 60);
  r.seconds = static_cast<int>(t - r.minutes * 60);
  return r;
}

QString CheckRecordPlan(std::uint16_t zeitint, std::uint16_t anzwerte) {
  if (zeitint < kMinInterval) {
    return QStringLiteral("The interval must be at least %1 second.").arg(kMinInterval);
  }
  if (anzwerte < 1 || anzwerte > kMaxRecords) {
    return QStringLiteral("The number of values must be between 1 and %1.").arg(kMaxRecords);
  }
  if (std::int64_t{zeitint} * anzwerte >= kRecordTimeLimit) {
    return QStringLiteral("Interval x values must stay below %1 seconds.").arg(kRecordTimeLimit);
  }
  return QString();
}

}  // namespace tavix::logic
