// The parameter file: what the parser takes and what it refuses, with the
// line it names, and reading and writing whole files.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <future>

#include <QFile>
#include <QTemporaryDir>

#include "logic/param_file.h"

namespace tavix::logic {
namespace {

ParamWords Sample() {
  ParamWords words{};
  for (int i = 0; i < link::anzpara; ++i) words[i] = static_cast<std::uint16_t>(i * 383 + 1);
  words[0] = 0;
  words[1] = 65535;
  return words;
}

// `count` numbers, one a line, joined by `blank`; line `at` (1 = first)
// holds `token` instead of its number.
QByteArray Lines(int count, const QByteArray& token = {}, int at = 0,
                 const QByteArray& blank = "\n") {
  QByteArray out;
  for (int i = 1; i <= count; ++i) out += (i == at ? token : QByteArray::number(i)) + blank;
  return out;
}

TEST(ParamFile, TakesExactly171NumbersWithinAWordAndNamesTheLineOfAFault) {
  struct Case {
    const char* name;
    QByteArray content;
    const char* error;  // the start of the message; nullptr: accepted
  };
  const QByteArray huge(2 << 20, '7');
  const Case cases[] = {
      {"any blank space", "\n  " + Lines(171, {}, 0, " \t\r\n\f\v").chopped(1), nullptr},
      {"no line end at the end", Lines(171).chopped(1), nullptr},
      {"leading zeros, the bounds", "0\n00065535\n" + Lines(171).mid(4), nullptr},
      {"empty", "", "it holds 0 numbers; a parameter file holds 171."},
      {"only blanks", " \r\n\t\n", "it holds 0 numbers; a parameter file holds 171."},
      {"short", Lines(170), "it holds 170 numbers; a parameter file holds 171."},
      {"long", Lines(172), "it holds more than 171 numbers (line 172)."},
      {"letters", Lines(171, "abc", 5), "line 5: \"abc\" is not a number."},
      {"fraction", Lines(171, "1.5", 5), "line 5: \"1.5\" is not a number."},
      {"hexadecimal", Lines(171, "0x10", 5), "line 5: \"0x10\" is not a number."},
      {"plus sign", Lines(171, "+7", 5), "line 5: \"+7\" is not a number."},
      {"negative", Lines(171, "-1", 5), "line 5: \"-1\" is not a number."},
      {"negative zero", Lines(171, "-0", 5), "line 5: \"-0\" is not a number."},
      {"one above", Lines(171, "65536", 5), "line 5: 65536 is outside 0 to 65535."},
      {"far above", Lines(171, "4294967296", 5), "line 5: 4294967296 is outside 0 to 65535."},
      {"beyond 64 bits", Lines(171, "99999999999999999999", 5), "line 5: "},
      {"lines ending CR LF", Lines(171, "x", 5, "\r\n"), "line 5: \"x\" is not a number."},
      {"NUL byte", Lines(171, QByteArray(1, '\0'), 5), "line 5: "},
      {"high bytes", Lines(171, "\xff\xfe", 5), "line 5: "},
      {"huge token", Lines(4) + huge, "line 5: \"77777777777777777777\" is not a number."},
      {"huge file", QByteArray("1 ").repeated(1 << 20), "it holds more than 171 numbers (line 1)."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ParamWords words = Sample();
    QString error;
    const bool ok = ParseParamFile(c.content, &words, &error);
    EXPECT_EQ(ok, c.error == nullptr) << error.toStdString();
    if (ok) {
      EXPECT_EQ(words[2], 3);
    } else {
      EXPECT_TRUE(error.startsWith(QString::fromLatin1(c.error))) << error.toStdString();
      EXPECT_EQ(words, Sample()) << "words changed by a refused file";
    }
  }
}

TEST(ParamFile, ANumberFollowedByANulByteIsRefused) {
  ParamWords words{};
  QString error;
  EXPECT_FALSE(ParseParamFile(Lines(171, QByteArray("7\0junk", 6), 5), &words, &error));
  EXPECT_TRUE(error.startsWith("line 5: ")) << error.toStdString();
}

TEST(ParamFile, WrittenFilesReadBackAndBadFilesAreRefused) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString path = dir.filePath("block.par");
  QString error;
  ASSERT_TRUE(WriteParamFile(path, Sample(), &error)) << error.toStdString();
  ParamWords words{};
  ASSERT_TRUE(ReadParamFile(path, &words, &error)) << error.toStdString();
  EXPECT_EQ(words, Sample());

  EXPECT_FALSE(WriteParamFile(dir.filePath("no/such/dir.par"), Sample(), &error));
  EXPECT_FALSE(error.isEmpty());

  struct Case {
    const char* name;
    QString path;
    QByteArray content;  // written there first unless empty
    const char* error;
  };
  const Case cases[] = {
      {"missing", dir.filePath("missing.par"), {}, "it cannot be read: "},
      {"over 1 MiB", dir.filePath("large.par"), Lines(171) + QByteArray(1 << 20, ' '),
       "it is far too large for a parameter file."},
      {"directory", dir.path(), {}, "it is not a regular file."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (!c.content.isEmpty()) {
      QFile file(c.path);
      ASSERT_TRUE(file.open(QIODevice::WriteOnly));
      ASSERT_EQ(file.write(c.content), c.content.size());
    }
    EXPECT_FALSE(ReadParamFile(c.path, &words, &error));
    EXPECT_TRUE(error.startsWith(QString::fromLatin1(c.error))) << error.toStdString();
  }

  // A FIFO is refused at once, not read once some writer comes.
  const QString fifo = dir.filePath("pipe.dat");
  const QByteArray name = QFile::encodeName(fifo);
  ASSERT_EQ(mkfifo(name.constData(), 0600), 0);
  auto read = std::async(std::launch::async, [&] { return ReadParamFile(fifo, &words, &error); });
  if (read.wait_for(std::chrono::seconds(2)) == std::future_status::timeout) {
    ::close(::open(name.constData(), O_WRONLY | O_NONBLOCK));  // ends the blocked read
    ADD_FAILURE() << "reading a FIFO blocked";
  }
  EXPECT_FALSE(read.get());
  EXPECT_EQ(error, "it is not a regular file.");
}

}  // namespace
}  // namespace tavix::logic
