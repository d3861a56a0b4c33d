// tavix as a user runs it: the program as its own process against the
// simulator on a pseudo-terminal (in this process, so that its frame log,
// its records and its faults are at hand).
#include <gtest/gtest.h>
#include <signal.h>

#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "base/timer.h"
#include "link/serial_port.h"
#include "logic/record_store.h"
#include "protocol/param_file.h"
#include "sim/pty_sensor.h"

namespace tavix::cli {
namespace {

using SimRecord = std::array<std::uint16_t, sim::kRecordWords>;

struct Outcome {
  int code = -1;
  QByteArray out, err;
  // The one line on standard error; empty when there are more or none.
  QString Message() const {
    const QStringList lines = QString::fromUtf8(err).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return lines.size() == 1 ? lines[0] : QString();
  }
  QList<QByteArray> OutLines() const {
    QList<QByteArray> lines = out.split('\n');
    if (!lines.isEmpty() && lines.back().isEmpty()) lines.pop_back();
    return lines;
  }
};

std::unique_ptr<sim::PtySensor> StartSensor(bool pacing) {
  auto sensor = std::make_unique<sim::PtySensor>(sim::Options{pacing, {}, {}});
  std::string error;
  EXPECT_TRUE(sensor->Start(&error)) << error;
  return sensor;
}

QString Device(const sim::PtySensor& s) {
  return QString::fromStdString(s.DevicePath());
}

std::vector<int> Orders(const sim::PtySensor& s) {
  std::vector<int> orders;
  for (const sim::LogEntry& e : s.FrameLog())
    if (e.received && e.bytes.size() == 36) orders.push_back(e.bytes[3]);
  return orders;
}

// A parameter set with a value of its own in every word.
protocol::ParamWords DistinctSet() {
  protocol::ParamWords words{};
  for (std::size_t i = 0; i < words.size(); ++i) words[i] = static_cast<std::uint16_t>(7 * i + 3);
  words[6] = 12;  // MAXVEC-No.
  return words;
}

// The csv header: the tool's fields in its order.
constexpr char kHeader[] = "time,20DEG,60DEG,80DEG,X,Y,INT,V-No,RAW20DEG,RAW60DEG,RAW80DEG,GF";

// The csv fields of a simulator record, after the time.
QList<QByteArray> Fields(const SimRecord& r) {
  QList<QByteArray> f;
  for (int w : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}) f << QByteArray::number(r[w]);
  f << QByteArray::number(r[10] / 10) + '.' + QByteArray::number(r[10] % 10);
  return f;
}

class TavixTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir.isValid()); }

  // Runs tavix with `args` (port 1 is the first simulator); while it does,
  // `due` is asked about every millisecond, and `then` runs once it holds.
  Outcome Run(const QStringList& args, const std::function<bool()>& due = nullptr,
              const std::function<void(QProcess&)>& then = nullptr) {
    bool done = false;
    QProcess p;  // with the environment of this process
    qputenv("TAVIX_COM1", Device(*sensor).toLocal8Bit());
    p.start(QCoreApplication::applicationDirPath() + QStringLiteral("/tavix"), args);
    EXPECT_TRUE(p.waitForStarted(5000));
    for (const double end = Timer() + 20; !p.waitForFinished(1);) {
      if (Timer() > end) {
        p.kill();
        p.waitForFinished();
        ADD_FAILURE() << "tavix " << args.join(' ').toStdString() << " still ran after 20 s";
        break;
      }
      if (due && !done && (done = due())) then(p);
    }
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : 1000, p.readAllStandardOutput(),
            p.readAllStandardError()};
  }

  QString Path(const char* name) const { return dir.filePath(QLatin1String(name)); }
  QString Write(const char* name, const QByteArray& bytes) const {
    QFile f(Path(name));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return f.fileName();
  }
  QString WriteSet(const char* name, const protocol::ParamWords& words) const {
    return Write(name, protocol::FormatParamFile(words));
  }
  static QByteArray Read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
  }

  // Every line of a csv stream (header first) is one record the simulator
  // sent, in order: none misframed, none left out before the last.
  static void ExpectCsvOf(const QList<QByteArray>& lines, const std::vector<SimRecord>& sent,
                          bool portColumn = false) {
    ASSERT_EQ(lines.value(0), QByteArray(portColumn ? "port," : "") + kHeader);
    ASSERT_LE(lines.size() - 1, static_cast<qsizetype>(sent.size()));
    static const QRegularExpression iso(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z$)");
    for (qsizetype i = 1; i < lines.size(); ++i) {
      QList<QByteArray> f = lines[i].split(',');
      if (portColumn) f.removeFirst();
      ASSERT_EQ(f.size(), 12) << lines[i].toStdString();
      EXPECT_TRUE(iso.match(QString::fromLatin1(f[0])).hasMatch()) << f[0].toStdString();
      EXPECT_EQ(f.mid(1), Fields(sent[static_cast<std::size_t>(i - 1)])) << "line " << i;
    }
  }

  QTemporaryDir dir;
  std::unique_ptr<sim::PtySensor> sensor = StartSensor(false);
};

// Everything wrong with a command line or a file ends with status 2 and one
// message before a single frame is sent.
TEST_F(TavixTest, UsageAndFileErrorsSendNothing) {
  const QString bad = Write("bad.dat", "1\n2\n3\n"), good = WriteSet("good.dat", DistinctSet());
  const std::vector<QStringList> cases = {
      {"calibrate"},
      {},
      {"live", "--count", "0"},
      {"live", "--format", "xml"},
      {"read", "flash"},
      {"read", "ram", "--no-verify"},
      {"write", "eeprom", bad},
      {"write", "eeprom", Path("missing.dat")},
      {"check", "ram", bad},
      {"write", "ram", good, "--bogus"},
      {"factors", "set", "1000", "1000", "1000"},
      {"factors", "set", "749", "1000", "1000", "--yes"},
      {"factors", "set", "1000", "1251", "1000", "--yes"},
      {"factors", "set", "1000", "1000", "x", "--yes"},
      {"read", "eeprom", "-o", Path("no-such-dir/set.dat")},
      {"--com", "1", "--port", "/dev/null", "read", "ram", "-o", Path("one.dat")}};
  for (const QStringList& args : cases) {
    const Outcome o = Run(args);
    EXPECT_EQ(o.code, 2) << args.join(' ').toStdString();
    EXPECT_FALSE(o.Message().isEmpty()) << o.err.toStdString();
    EXPECT_TRUE(o.out.isEmpty()) << o.out.toStdString();
  }
  EXPECT_TRUE(sensor->FrameLog().empty());
}

// A set written to the EEPROM arrives with TavixScope's frames, is verified
// after the settle delay, reads back as the same file, and checks equal.
TEST_F(TavixTest, WriteEepromReadBackAndCheck) {
  const QString dev = Device(*sensor);
  protocol::ParamWords file = DistinctSet();
  file[6] = 40;  // beyond 31: sent as 31, as the scope's panel sends it
  const QString path = WriteSet("line.dat", file);
  const Outcome w = Run({"write", "eeprom", path});
  EXPECT_EQ(w.code, 0) << w.err.toStdString();
  EXPECT_TRUE(w.err.contains("MAXVEC-No. 40 is sent as 31")) << w.err.toStdString();
  std::vector<int> expected = {7, 1};
  expected.insert(expected.end(), 31, 2);
  expected.insert(expected.end(), {6, 4});
  EXPECT_EQ(Orders(*sensor), expected);
  EXPECT_EQ(sensor->GetCounters().earlyFrames, 0u);  // the read-back waited the settle delay

  // What the EEPROM holds, read back (the read itself: the frame e2e's Get,
  // whose block keeps what the sensor sent).
  protocol::ParamWords sent = file;
  sent[6] = 31;
  EXPECT_EQ(Run({"read", "eeprom", "-o", Path("back.dat")}).code, 0);
  EXPECT_EQ(Read(Path("back.dat")), protocol::FormatParamFile(sent));
  EXPECT_EQ(Run({"read", "eeprom"}).out, protocol::FormatParamFile(sent));
  EXPECT_EQ(Run({"check", "eeprom", path}).code, 0);

  protocol::ParamWords other = sent;
  other[170] = 9;
  const Outcome c = Run({"check", "eeprom", WriteSet("other.dat", other)});
  EXPECT_EQ(c.code, 3);
  EXPECT_STREQ(c.err,
               qPrintable(dev + QString::asprintf(": word 170: file 9, read %d\n", sent[170])));

  sensor->ClearLog();
  EXPECT_EQ(Run({"write", "ram", path, "--no-verify", "--log", Path("line.log")}).code, 0);
  EXPECT_EQ(Orders(*sensor).size(), 33u);  // version, order 1, 31 rows; no store, no read-back
  // The line log has each of those frames (the answers beside them: the line
  // e2e's log).
  const QByteArray log = Read(Path("line.log"));
  EXPECT_EQ(log.count(" sent 36: 00 55 00 0"), 33) << log.left(400).toStdString();

  // A read-back that differs from what was written: status 3, the word listed.
  const std::uint64_t writes = sensor->GetCounters().perOrder[1];
  const Outcome bad = Run(
      {"write", "eeprom", WriteSet("sent.dat", sent)},
      [&] { return sensor->GetCounters().perOrder[1] > writes; },
      [&](QProcess&) { sensor->InjectFault(sim::Fault::kCorrupt); });  // on the read-back
  EXPECT_EQ(bad.code, 3);
  EXPECT_STREQ(bad.err, qPrintable(dev + QString::asprintf(": word 0: written %d, read %d\n",
                                                           sent[0], sent[0] ^ 1)));
}

// Each format's lines are the simulator's readings (csv: the fault and
// interrupt cases below); a record stream is byte for byte what the
// recorder writes for the same readings.
TEST_F(TavixTest, LiveLinesAreTheSimulatorsReadings) {
  const Outcome json = Run({"--format", "jsonl", "live", "--count", "3"});
  EXPECT_EQ(json.code, 0) << json.err.toStdString();
  ASSERT_EQ(json.OutLines().size(), 3);
  QList<QByteArray> asCsv{kHeader};  // each object's members by the csv header
  for (const QByteArray& line : json.OutLines()) {
    const QJsonObject o = QJsonDocument::fromJson(line).object();
    QByteArray csv = o["time"].toString().toLatin1();
    for (const QByteArray& name : QByteArray(kHeader).split(',').mid(1, 10))
      csv += ',' + QByteArray::number(o[QLatin1String(name)].toInt());
    asCsv << csv + ',' + QByteArray::number(o["GF"].toDouble(), 'f', 1);
  }
  ExpectCsvOf(asCsv, sensor->SentRecords());

  sensor = StartSensor(false);
  EXPECT_EQ(Run({"live", "--count", "4", "--format", "record", "-o", Path("r.dat")}).code, 0);
  std::vector<logic::Record> records;
  for (const SimRecord& r : sensor->SentRecords())
    records.push_back({r[0], r[1], r[2], r[3], r[4], r[5], r[10]});
  ASSERT_EQ(records.size(), 4u);
  EXPECT_EQ(Read(Path("r.dat")), logic::FormatRecordFile(records.data(), 4));
}

// The sensor's factors, the port list by the programs' numbering, and ports
// that cannot be opened: one message with the programs' text and the reason.
// (The version text: the install test's tavix version against the
// installed simulator.)
TEST_F(TavixTest, FactorsAndPorts) {
  EXPECT_EQ(Run({"factors", "set", "1100", "900", "1250", "--yes"}).code, 0);
  EXPECT_EQ(Run({"factors"}).out, "1100 900 1250\n");
  EXPECT_EQ(Run({"factors", "set", "700", "1300", "1000", "--yes", "--force"}).code, 0);
  EXPECT_EQ(Run({"factors"}).out, "700 1300 1000\n");

  qputenv("TAVIX_COM7", Device(*sensor).toLocal8Bit());
  const Outcome ports = Run({"ports"});
  qunsetenv("TAVIX_COM7");
  EXPECT_EQ(ports.code, 0);
  EXPECT_TRUE(ports.out.contains(("7  " + Device(*sensor) + "  [TAVIX_COM7]\n").toLocal8Bit()))
      << ports.out.toStdString();

  const Outcome none = Run({"--port", "/dev/tavix-none", "version"});
  EXPECT_EQ(none.code, 1);
  EXPECT_EQ(none.err.toStdString(),
            "/dev/tavix-none: Cannot open port (the device /dev/tavix-none does not exist)\n");
  sensor->ClearLog();
  link::SerialPort held;
  ASSERT_GE(held.OpenComConfig(1, Device(*sensor), 19200, 0, 8, 1, 1024, 1024), 0);
  const Outcome busy = Run({"version"});
  EXPECT_EQ(busy.code, 1);
  EXPECT_TRUE(busy.Message().contains("Cannot open port")) << busy.err.toStdString();
  EXPECT_TRUE(busy.Message().contains("busy")) << busy.err.toStdString();
  EXPECT_TRUE(sensor->FrameLog().empty());
}

// A fault in the middle of a write or a stream, against the paced simulator
// (a surplus is still on the line when the answer's count is reached): one
// message naming the device and the cause, status 1, and no line that is
// not one of the simulator's readings.
TEST_F(TavixTest, AFaultGivesOneMessageAndNoMisframedLine) {
  const std::tuple<bool, sim::Fault, const char*> cases[] = {
      // live, the fault, its cause in the message
      {false, sim::Fault::kSilence, "NO SERIAL CONNECTION TO SENSOR."},
      {false, sim::Fault::kSurplus, "surplus: 346 bytes"},
      {false, sim::Fault::kHangUp, "hung up"},
      {true, sim::Fault::kSilence, "no answer to order 5"},
      {true, sim::Fault::kSurplus, "bytes where order 5 answers 32"},
      {true, sim::Fault::kHangUp, "hung up"}};
  for (const auto& [live, fault, cause] : cases) {
    SCOPED_TRACE(cause);
    sensor = StartSensor(true);
    const QStringList args = live
                                 ? QStringList{"live", "--count", "20"}
                                 : QStringList{"write", "eeprom", WriteSet("s.dat", DistinctSet())};
    const auto due = [&] {
      return live ? sensor->SentRecords().size() >= 3 : sensor->GetCounters().perOrder[1] > 0;
    };
    const Outcome o = Run(args, due, [&](QProcess&) { sensor->InjectFault(fault); });
    EXPECT_EQ(o.code, 1);
    EXPECT_TRUE(o.Message().startsWith(Device(*sensor) + ": ")) << o.err.toStdString();
    EXPECT_TRUE(o.Message().contains(QLatin1String(cause))) << o.err.toStdString();
    EXPECT_TRUE(live || o.out.isEmpty()) << "a write prints nothing on a fault";
    if (!live) continue;
    ExpectCsvOf(o.OutLines(), sensor->SentRecords());
    // The header and the readings before the fault; the one whose answer
    // the fault meets (in the guard, or with the next request on the line)
    // is never printed.
    EXPECT_GE(o.OutLines().size(), 3);
    EXPECT_LT(o.OutLines().size(), 21);
  }
}

// Two sensors at once: each gets its own result, the worst one counts.
TEST_F(TavixTest, TwoSensorsOneSilent) {
  auto silent = StartSensor(false);
  silent->InjectFault(sim::Fault::kSilence, /*once=*/false);
  // The good one's set read back equal (a read-back that differs: status 3).
  const QString set = WriteSet("s.dat", DistinctSet());
  const Outcome w =
      Run({"write", "eeprom", set, "--port", Device(*sensor), "--port", Device(*silent)});
  EXPECT_EQ(w.code, 1);
  EXPECT_STREQ(w.out, qPrintable(Device(*sensor) + ": write eeprom: " + set +
                                 " sent and verified, 171 words\n"));
  EXPECT_TRUE(w.Message().startsWith(Device(*silent) + ": line check failed: TIMEOUT"))
      << w.err.toStdString();

  silent->ClearFault();
  const Outcome l = Run({"live", "--count", "3", "--com", "1", "--port", Device(*silent)});
  EXPECT_EQ(l.code, 0) << l.err.toStdString();
  QList<QByteArray> mine{l.OutLines()[0]}, theirs{l.OutLines()[0]};
  for (const QByteArray& line : l.OutLines().mid(1))
    (line.startsWith(Device(*sensor).toLocal8Bit() + ',') ? mine : theirs) << line;
  ExpectCsvOf(mine, sensor->SentRecords(), true);
  ExpectCsvOf(theirs, silent->SentRecords(), true);
  EXPECT_EQ(mine.size() + theirs.size(), 8);
}

// An interrupt ends the stream after the current reading: status 0 and a
// file of whole lines, each one a reading.
TEST_F(TavixTest, InterruptLeavesWholeLines) {
  for (int signo : {SIGINT, SIGTERM}) {
    sensor = StartSensor(true);
    const QString path = Path(signo == SIGINT ? "int.csv" : "term.csv");
    const Outcome o = Run(
        {"live", "-o", path}, [&] { return sensor->SentRecords().size() >= 5; },
        [&](QProcess& p) { ::kill(static_cast<pid_t>(p.processId()), signo); });
    EXPECT_EQ(o.code, 0) << signo << o.err.toStdString();
    EXPECT_TRUE(o.err.isEmpty()) << o.err.toStdString();
    QList<QByteArray> lines = Read(path).split('\n');
    EXPECT_EQ(lines.takeLast(), "") << "the last line cut short";
    ExpectCsvOf(lines, sensor->SentRecords());
    EXPECT_GE(lines.size(), 6);
  }
}

}  // namespace
}  // namespace tavix::cli
