// The recorder's record time, the check of its plan, the record file and
// the recovery file.
#include <gtest/gtest.h>

#include <vector>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "logic/record_store.h"
#include "logic/record_time.h"

namespace tavix::logic {
namespace {

QByteArray Read(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

TEST(RecordTime, SplitsIntervalTimesCountIntoDaysHoursMinutesSeconds) {
  struct Case {
    std::uint16_t interval, count;
    RecordTime time;
  };
  const Case cases[] = {
      {2, 10, {0, 0, 0, 20}},
      {3600, 30, {1, 6, 0, 0}},
      {61, 1, {0, 0, 1, 1}},
      {kMaxInterval,
       kMaxRecords,
       {24854, 17, 53, 20}},               // 2 147 450 000 s, the most the layout allows
      {65535, 65535, {49708, 18, 3, 45}},  // beyond 2^31: still no overflow
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CalcRecordTime(c.interval, c.count), c.time) << c.interval << " x " << c.count;
  }
}

TEST(RecordTime, PlanIsCheckedWhereIntervalAndCountMeet) {
  struct Case {
    std::uint16_t interval, count;
    bool ok;
  };
  const Case cases[] = {
      {1, 1, true},
      {kMaxInterval, kMaxRecords, true},
      {65535, 32768, true},  // a long interval with a small count stays below 2^31 s
      {0, 10, false},        // no interval
      {1, 0, false},         // nothing to record
      {1, kMaxRecords + 1, false},
      {kMaxInterval + 1, kMaxRecords, false},  // each within range, the product is not
      {65535, 32769, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CheckRecordPlan(c.interval, c.count).isEmpty(), c.ok)
        << c.interval << " x " << c.count;
  }
  EXPECT_LT(std::int64_t{kMaxInterval} * kMaxRecords, std::int64_t{1} << 31);
  EXPECT_GE(std::int64_t{kMaxInterval + 1} * kMaxRecords, std::int64_t{1} << 31);
}

TEST(RecordFile, SevenRightAlignedFieldsOfTenPerLineNothingElse) {
  const std::vector<Record> records = {
      {0, 1, 22, 333, 4444, 55555, 853},
      {65535, 65535, 65535, 65535, 65535, 65535, 65535},
  };
  EXPECT_EQ(FormatRecordFile(records.data(), 2),
            "         0         1        22       333      4444     55555       853\n"
            "     65535     65535     65535     65535     65535     65535     65535\n");
  EXPECT_EQ(FormatRecordFile(records.data(), 0), "");

  link::DataVars d;
  d.dataR = 1, d.dataG = 2, d.dataB = 3, d.dataX = 4, d.dataY = 5, d.dataINT = 6, d.dataCOL = 7;
  d.dataRawR = 8, d.dataRawG = 9, d.dataRawB = 10, d.dataGF = 853;
  EXPECT_EQ(RecordOf(d), (Record{1, 2, 3, 4, 5, 6, 853}));
}

TEST(RecordFile, AFailedWriteLeavesTheEarlierFileAsItWas) {
  QTemporaryDir dir;
  const Record records[] = {{1, 2, 3, 4, 5, 6, 7}};
  QString error;
  ASSERT_TRUE(WriteRecordFile(dir.filePath("a.dat"), records, 1, &error)) << error.toStdString();
  EXPECT_EQ(Read(dir.filePath("a.dat")), FormatRecordFile(records, 1));

  EXPECT_FALSE(WriteRecordFile(dir.filePath("gone/a.dat"), records, 1, &error));
  EXPECT_FALSE(error.isEmpty());
  // A directory of that name cannot be replaced: the write fails, nothing changes.
  ASSERT_TRUE(QDir(dir.path()).mkdir("b.dat"));
  error.clear();
  EXPECT_FALSE(WriteRecordFile(dir.filePath("b.dat"), records, 1, &error));
  EXPECT_FALSE(error.isEmpty());
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"a.dat"});
}

TEST(RecoveryFile, HoldsEveryRecordAppendedInTheRecordFileFormat) {
  QTemporaryDir dir;
  const QString target = dir.filePath("rec.dat");
  const Record records[] = {{1, 2, 3, 4, 5, 6, 7}, {10, 20, 30, 40, 50, 60, 853}};

  RecoveryFile first;
  ASSERT_TRUE(first.Create(target)) << first.Error().toStdString();
  EXPECT_EQ(first.Path(), target + ".recovery");
  for (const Record& r : records) EXPECT_TRUE(first.Append(r));
  EXPECT_EQ(first.Written(), 2);
  // Each record is in the file at once, not when the file is closed.
  EXPECT_EQ(Read(first.Path()), FormatRecordFile(records, 2));
  first.Close();

  // An earlier recovery file (a crashed recording) is never overwritten.
  RecoveryFile second;
  ASSERT_TRUE(second.Create(target));
  EXPECT_EQ(second.Path(), target + ".recovery-2");
  second.Remove();
  EXPECT_FALSE(QFile::exists(target + ".recovery-2"));
  EXPECT_EQ(Read(target + ".recovery"), FormatRecordFile(records, 2));

  RecoveryFile none;
  EXPECT_FALSE(none.Create(dir.filePath("gone/rec.dat")));
  EXPECT_FALSE(none.Error().isEmpty());
  EXPECT_FALSE(none.Append(records[0]));
}

}  // namespace
}  // namespace tavix::logic
