// The parameter file: what the parser takes and refuses, with the line it
// names, and which files it reads at all.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <future>

#include <QFile>
#include <QTemporaryDir>

#include "protocol/param_file.h"

namespace tavix::protocol {
namespace {

// `count` numbers, one a line ended by `end`; line `at` holds `token` instead.
QByteArray Lines(int count, const QByteArray& token = {}, int at = 0, const char* end = "\n") {
  QByteArray out;
  for (int i = 1; i <= count; ++i) out += (i == at ? token : QByteArray::number(i)) + end;
  return out;
}

TEST(ParamFile, TakesExactly171NumbersWithinAWordAndNamesTheLineOfAFault) {
  const std::pair<const char*, QByteArray> cases[] = {
      // The expected start of the message (nullptr: accepted), the content.
      {nullptr, "\n  " + Lines(171, {}, 0, " \t\r\n\f\v").chopped(1)},
      {nullptr, "0\n00065535\n" + Lines(171).mid(4)},
      {"it holds 0 numbers; a parameter file holds 171.", " \r\n\t\n"},
      {"it holds 170 numbers; a parameter file holds 171.", Lines(170)},
      {"it holds more than 171 numbers (line 172).", Lines(172)},
      {"line 5: \"0x10\" is not a number.", Lines(171, "0x10", 5)},
      {"line 5: \"+7\" is not a number.", Lines(171, "+7", 5)},
      {"line 5: \"-1\" is not a number.", Lines(171, "-1", 5, "\r\n")},
      {"line 5: \"-0\" is not a number.", Lines(171, "-0", 5)},
      {"line 5: 65536 is outside 0 to 65535.", Lines(171, "65536", 5)},
      {"line 5: 4294967296 is outside 0 to 65535.", Lines(171, "4294967296", 5)},
      {"line 5: ", Lines(171, "99999999999999999999", 5)},
      {"line 5: ", Lines(171, QByteArray("7\0junk", 6), 5)},
      {"line 5: \"77777777777777777777\" is not a number.", Lines(4) + QByteArray(2 << 20, '7')},
      {"it holds more than 171 numbers (line 1).", QByteArray("1 ").repeated(1 << 20)},
  };
  for (const auto& [expected, content] : cases) {
    SCOPED_TRACE(expected ? expected : "accepted");
    ParamWords words;
    words.fill(7);
    QString error;
    const bool ok = ParseParamFile(content, &words, &error);
    EXPECT_EQ(ok, expected == nullptr) << error.toStdString();
    if (ok) {
      EXPECT_EQ(words[2], 3);
    } else {
      EXPECT_TRUE(error.startsWith(QString::fromLatin1(expected))) << error.toStdString();
      EXPECT_EQ(std::count(words.begin(), words.end(), 7), anzpara) << "words changed";
    }
  }
}

// Writing and reading back are proven end to end.
TEST(ParamFile, OnlyRegularFilesOfAtMostAMebibyteAreRead) {
  QTemporaryDir dir;
  const QString large = dir.filePath("large.par"), fifo = dir.filePath("pipe.dat");
  QString error;
  ParamWords words{};
  std::ofstream(large.toStdString()) << (Lines(171) + QByteArray(1 << 20, ' ')).toStdString();
  const QByteArray fifoName = QFile::encodeName(fifo);
  ASSERT_EQ(mkfifo(fifoName.constData(), 0600), 0);
  for (const auto& [name, expected] :
       {std::pair{dir.filePath("missing.par"), "it cannot be read: "},
        {large, "it is far too large for a parameter file."},
        {dir.path(), "it is not a regular file."},
        {fifo, "it is not a regular file."}}) {
    SCOPED_TRACE(expected);
    // A FIFO is refused at once, not read once some writer comes.
    auto read = std::async(std::launch::async, [&] { return ReadParamFile(name, &words, &error); });
    if (read.wait_for(std::chrono::seconds(2)) == std::future_status::timeout) {
      ::close(::open(fifoName.constData(), O_WRONLY | O_NONBLOCK));  // ends the blocked read
      ADD_FAILURE() << "the read blocked";
    }
    EXPECT_FALSE(read.get());
    EXPECT_TRUE(error.startsWith(QString::fromLatin1(expected))) << error.toStdString();
  }
}

}  // namespace
}  // namespace tavix::protocol
