// The recorder's store and its files. A record is seven words of a data
// record: 20DEG, 60DEG, 80DEG, X, Y, INT, GF (tenths, as the sensor sends
// it). The record file holds one line per record: the seven words as
// unsigned decimal numbers, each right-aligned in a field of 10 characters,
// nothing between the fields, the line ended by "\n"; no header.
#pragma once

#include <array>
#include <cstdint>

#include <QFile>
#include <QString>

#include "logic/record_time.h"
#include "protocol/params.h"

namespace tavix::logic {

inline constexpr int kRecordWords = 7;
inline constexpr int kRecordFieldChars = 10;
inline constexpr int kRecordLineChars = kRecordWords * kRecordFieldChars + 1;  // with "\n"

using Record = std::array<std::uint16_t, kRecordWords>;

// The record of one data answer: dataR, dataG, dataB, dataX, dataY, dataINT, dataGF.
Record RecordOf(const protocol::DataVars& data);

// One record's line, "\n" included, into `line` (kRecordLineChars bytes).
void FormatRecordLine(const Record& record, char* line);

// The whole record file for the first `count` records.
QByteArray FormatRecordFile(const Record* records, int count);

// Writes the record file of the first `count` records: the whole file or
// nothing, an earlier file of that name stays as it was when writing fails.
// On failure `error` says why.
bool WriteRecordFile(const QString& path, const Record* records, int count, QString* error);

// A file beside the record file that gets every record the moment it is
// taken, handed to the disk at once, in the record file's line format: what
// a crash, a kill or a power loss leaves of a recording. Appending
// allocates nothing.
class RecoveryFile {
 public:
  RecoveryFile() = default;
  RecoveryFile(const RecoveryFile&) = delete;
  RecoveryFile& operator=(const RecoveryFile&) = delete;

  // Creates a new, empty file named after `recordFile` with ".recovery"
  // appended (".recovery-2", "-3", ... while such files exist: an earlier
  // recording's recovery file is never overwritten). False when it cannot
  // be created; Error() says why.
  bool Create(const QString& recordFile);
  // Appends one record. After the first failure it writes no more; the file
  // then holds the records before it, each line whole. A file removed from
  // its directory counts as failed, holding nothing.
  bool Append(const Record& record);
  // Closes the file and keeps it.
  void Close();
  // Closes the file and deletes it.
  void Remove();

  bool IsOpen() const { return file_.isOpen(); }
  bool Failed() const { return failed_; }
  int Written() const { return written_; }  // records in the file
  // The records the file at Path() holds now, as far as its whole lines
  // go: 0 when there is no such file (any more).
  int Held() const;
  const QString& Path() const { return path_; }
  const QString& Error() const { return error_; }

 private:
  QFile file_;
  QString path_;
  QString error_;
  bool failed_ = false;
  int written_ = 0;
  std::array<char, kRecordLineChars> line_{};
};

}  // namespace tavix::logic
