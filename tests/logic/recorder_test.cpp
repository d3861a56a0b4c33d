// The recorder's record time, plan check and recovery file (the record file's
// format and failed saves are proven end to end).
#include <gtest/gtest.h>

#include <tuple>

#include <QFile>
#include <QTemporaryDir>

#include "logic/record_store.h"
#include "logic/record_time.h"

namespace tavix::logic {
namespace {

TEST(RecordTime, IntervalTimesCountInDaysHoursMinutesSecondsAndThePlanCheck) {
  const std::tuple<std::uint16_t, std::uint16_t, RecordTime, bool> cases[] = {
      {3600, 30, {1, 6, 0, 0}, true},
      {61, 1, {0, 0, 1, 1}, true},
      {kMaxInterval, kMaxRecords, {24854, 17, 53, 20}, true},  // the largest allowed product
      {kMaxInterval + 1, kMaxRecords, {24855, 7, 46, 40}, false},
      {65535, 32768, {24854, 18, 8, 0}, true},    // just below 2^31 s
      {65535, 65535, {49708, 18, 3, 45}, false},  // beyond 2^31: no overflow
      {0, 10, {}, false},
      {1, 0, {}, false},
      {1, kMaxRecords + 1, {0, 13, 53, 21}, false},
  };
  for (const auto& [interval, count, time, allowed] : cases) {
    SCOPED_TRACE(testing::Message() << interval << " x " << count);
    EXPECT_EQ(CalcRecordTime(interval, count), time);
    EXPECT_EQ(CheckRecordPlan(interval, count).isEmpty(), allowed);
  }
}

// Its contents during and after a recording are proven end to end.
TEST(RecoveryFile, NeverOverwritesAnEarlierOne) {
  QTemporaryDir dir;
  const QString target = dir.filePath("rec.dat");
  const Record records[] = {{1, 2, 3, 4, 5, 6, 7}, {10, 20, 30, 40, 50, 60, 853}};
  RecoveryFile first, second, none;
  ASSERT_TRUE(first.Create(target)) << first.Error().toStdString();
  for (const Record& r : records) EXPECT_TRUE(first.Append(r));
  first.Close();
  ASSERT_TRUE(second.Create(target));
  EXPECT_EQ(second.Path(), target + ".recovery-2");
  second.Remove();
  EXPECT_FALSE(QFile::exists(target + ".recovery-2"));
  QFile kept(target + ".recovery");
  ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
  EXPECT_EQ(kept.readAll(), FormatRecordFile(records, 2));
  EXPECT_FALSE(none.Create(dir.filePath("gone/rec.dat")));
  EXPECT_FALSE(none.Append(records[0]));
}

}  // namespace
}  // namespace tavix::logic
