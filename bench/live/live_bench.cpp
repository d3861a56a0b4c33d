// The live cycle against the wire limit: TavixScope's real code (real
// widgets on the offscreen platform, a real QSerialPort) polls the simulator,
// which runs as its own process (tavix-sensor-sim) on a pseudo-terminal.
//
//   tavix-bench-live [--passes N] [--unpaced-passes N] [--source 0..6] [--paint-profile]
//                    [--tool-readings N] [--tool-only]
//
// Prints, per run, the passes per second, the scope's CPU time per second of
// wall time, and where the time of a pass goes; the last four lines are the
// figures that count: paced passes per second and their share of the wire
// limit, the scope's CPU share while polling paced, unpaced passes per second.
// Then the command-line program tavix against the paced simulator: its live
// stream's readings per second and CPU share, and the time of a
// `write eeprom` with its verification against wire time and settle delays.
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <vector>

#include <QAbstractButton>
#include <QApplication>
#include <QDateTime>
#include <QFile>
#include <QProcess>
#include <QTemporaryFile>
#include <QTimer>

#include "base/timer.h"
#include "link/forwarding_port.h"
#include "link/serial_port.h"
#include "protocol/frame.h"
#include "scope/scope.h"
#include "ui/toolkit.h"

namespace {

using tavix::link::Port;

constexpr double kWireBytesPerPass = 36 + 32;
constexpr double kBytesPerSecond = 19200.0 / 10.0;  // 8N1: 10 bits a byte
constexpr double kWireLimit = kBytesPerSecond / kWireBytesPerPass;

double ProcessCpu() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6;
}

double ThreadCpu() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// User + system seconds of another process, from /proc/<pid>/stat.
double ChildCpu(qint64 pid) {
  QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
  if (!f.open(QIODevice::ReadOnly)) return 0.0;
  const QByteArray line = f.readAll();
  const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
  if (fields.size() < 13) return 0.0;
  // Fields 14 and 15 of the line (utime, stime) follow the name.
  return (fields[11].toDouble() + fields[12].toDouble()) /
         static_cast<double>(sysconf(_SC_CLK_TCK));
}

// The real port, with a stopwatch on the writes and reads of the cycle.
class TimedPort final : public tavix::link::ForwardingPort {
 public:
  struct Mark {
    double wall = 0, cpu = 0, threadCpu = 0, simCpu = 0;
  };

  TimedPort(Port& real, int passes) : ForwardingPort(real), passes_(passes) {}

  void Arm(qint64 simPid) {
    armed_ = true;
    simPid_ = simPid;
    writes_ = 0;
    own_.clear();
    own_.reserve(static_cast<std::size_t>(passes_));
  }
  int Writes() const { return writes_; }
  bool Done() const { return writes_ > passes_; }
  const Mark& First() const { return first_; }
  const Mark& Last() const { return last_; }
  // Seconds from each good answer's read to the next request's write.
  const std::vector<double>& OwnTimes() const { return own_; }
  // Sums over the passes: from a request's write to its answer's first byte
  // seen, and from that byte to the answer's read.
  double ToFirstByte() const { return toFirst_; }
  double FirstToRead() const { return firstToRead_; }
  int Answers() const { return answers_; }

  int ComWrt(const char* buffer, int count) override {
    if (armed_) {
      const double now = tavix::Timer();
      ++writes_;
      if (writes_ == 1) first_ = Take(now);
      if (writes_ == passes_ + 1) last_ = Take(now);
      if (lastRead_ > 0 && writes_ <= passes_ + 1) own_.push_back(now - lastRead_);
      lastRead_ = 0;
    }
    const int written = port_.ComWrt(buffer, count);
    lastWrite_ = tavix::Timer();
    firstByte_ = 0;
    return written;
  }
  int GetInQLen() override {
    const int n = port_.GetInQLen();
    if (n > 0 && firstByte_ == 0) firstByte_ = tavix::Timer();
    return n;
  }
  int ComRd(char* buffer, int count) override {
    const int got = port_.ComRd(buffer, count);
    if (armed_) {
      lastRead_ = tavix::Timer();
      if (firstByte_ > 0 && writes_ <= passes_) {
        toFirst_ += firstByte_ - lastWrite_;
        firstToRead_ += lastRead_ - firstByte_;
        ++answers_;
      }
    }
    return got;
  }

 private:
  Mark Take(double now) const { return {now, ProcessCpu(), ThreadCpu(), ChildCpu(simPid_)}; }

  int passes_;
  bool armed_ = false;
  qint64 simPid_ = 0;
  int writes_ = 0;
  double lastRead_ = 0;
  double lastWrite_ = 0, firstByte_ = 0;
  double toFirst_ = 0, firstToRead_ = 0;
  int answers_ = 0;
  Mark first_, last_;
  std::vector<double> own_;
};

// With --paint-profile: the time each widget's paint events take.
class TimedApp : public QApplication {
 public:
  using QApplication::QApplication;
  bool profile = false;
  std::map<QString, double> paintSeconds;
  double updateSeconds = 0;  // whole window repaints (paint and flush)

  bool notify(QObject* receiver, QEvent* event) override {
    if (!profile || (event->type() != QEvent::Paint && event->type() != QEvent::UpdateRequest)) {
      return QApplication::notify(receiver, event);
    }
    const double start = tavix::Timer();
    const bool result = QApplication::notify(receiver, event);
    const double spent = tavix::Timer() - start;
    if (event->type() == QEvent::UpdateRequest) {
      updateSeconds += spent;
    } else {
      QObject* named = receiver;
      while (named != nullptr && named->objectName().isEmpty()) named = named->parent();
      paintSeconds[named != nullptr ? named->objectName() : QStringLiteral("?")] += spent;
    }
    return result;
  }
};

struct Result {
  bool ok = false;
  double passesPerSecond = 0;
  double cpuShare = 0;        // the scope process
  double threadCpuShare = 0;  // its user-interface thread alone
  double simCpuShare = 0;     // the simulator process
  double ownMean = 0, ownMax = 0;
  double toFirstMean = 0, firstToReadMean = 0;  // request to first answer byte, first byte to read
};

// The simulator as its own process; its device path is its first line.
class SimProcess {
 public:
  bool Start(bool pacing) {
    const QString program = QCoreApplication::applicationDirPath() + "/tavix-sensor-sim";
    QStringList args{"--daemon", "--target", "white"};
    if (!pacing) args << "--no-pacing";
    process_.setProgram(program);
    process_.setArguments(args);
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start();
    if (!process_.waitForStarted(5000)) {
      std::fprintf(stderr, "bench: cannot start %s\n", qPrintable(program));
      return false;
    }
    while (!process_.canReadLine()) {
      if (!process_.waitForReadyRead(5000)) {
        std::fprintf(stderr, "bench: the simulator printed no device path\n");
        return false;
      }
    }
    device_ = QString::fromLocal8Bit(process_.readLine()).trimmed();
    return !device_.isEmpty();
  }
  ~SimProcess() {
    if (process_.state() != QProcess::NotRunning) {
      process_.terminate();
      if (!process_.waitForFinished(3000)) process_.kill();
      process_.waitForFinished(3000);
    }
  }
  QString Device() const { return device_; }
  qint64 Pid() const { return process_.processId(); }

 private:
  QProcess process_;
  QString device_;
};

Result Run(bool pacing, int passes, int source) {
  Result result;
  SimProcess sim;
  if (!sim.Start(pacing)) return result;
  qputenv("TAVIX_COM1", sim.Device().toLocal8Bit());

  tavix::ui::Toolkit toolkit;
  toolkit.Popups().SetScripted(true);  // a failure box must not wait for a user
  tavix::link::SerialPort serial;
  TimedPort port(serial, passes);
  tavix::scope::Scope scope(toolkit, port);
  if (scope.StartUp() != 0) {
    std::fprintf(stderr, "bench: the scope did not start\n");
    return result;
  }
  const int panel = scope.frame.panel;
  toolkit.DisplayPanel(panel);
  toolkit.SetCtrlVal(panel, "SelectSource", source);
  scope.DispVis();
  toolkit.ProcessSystemEvents();
  if (!toolkit.Popups().Shown().empty()) {
    std::fprintf(stderr, "bench: start-up failed: %s\n",
                 qPrintable(toolkit.Popups().Shown().front().text));
    return result;
  }

  auto* go = qobject_cast<QAbstractButton*>(toolkit.Control(panel, "ButtonGo"));
  auto* stop = qobject_cast<QAbstractButton*>(toolkit.Control(panel, "ButtonStop"));
  QTimer driver;
  QObject::connect(&driver, &QTimer::timeout, [&] {
    if (port.Done()) stop->click();
  });
  driver.start(0);
  port.Arm(sim.Pid());
  go->click();  // runs the cycle until Stop
  driver.stop();

  if (!port.Done() || !toolkit.Popups().Shown().empty()) {
    std::fprintf(stderr, "bench: the cycle ended early after %d requests%s%s\n", port.Writes(),
                 toolkit.Popups().Shown().empty() ? "" : ": ",
                 toolkit.Popups().Shown().empty()
                     ? ""
                     : qPrintable(toolkit.Popups().Shown().front().text.simplified()));
    return result;
  }
  const double wall = port.Last().wall - port.First().wall;
  result.ok = true;
  result.passesPerSecond = passes / wall;
  result.cpuShare = (port.Last().cpu - port.First().cpu) / wall;
  result.threadCpuShare = (port.Last().threadCpu - port.First().threadCpu) / wall;
  result.simCpuShare = (port.Last().simCpu - port.First().simCpu) / wall;
  const std::vector<double>& own = port.OwnTimes();
  if (!own.empty()) {
    double sum = 0;
    for (double t : own) sum += t;
    result.ownMean = sum / static_cast<double>(own.size());
    result.ownMax = *std::max_element(own.begin(), own.end());
  }
  if (port.Answers() > 0) {
    result.toFirstMean = port.ToFirstByte() / port.Answers();
    result.firstToReadMean = port.FirstToRead() / port.Answers();
  }
  scope.lnk.Close();
  return result;
}

void PrintDetail(const char* name, int passes, const Result& r) {
  std::printf(
      "%s: %d passes, %.1f passes/s, %.2f ms a pass; scope process CPU %.3f of a core "
      "(its UI thread %.3f), simulator %.3f; from answer to next request: mean %.2f ms, "
      "max %.2f ms\n",
      name, passes, r.passesPerSecond, 1000.0 / r.passesPerSecond, r.cpuShare, r.threadCpuShare,
      r.simCpuShare, r.ownMean * 1000.0, r.ownMax * 1000.0);
  // On the wire: 36 bytes of request before the first answer byte can come
  // (18.75 ms), then 31 more byte times to the answer's last (16.15 ms).
  std::printf(
      "  a pass: request to first answer byte %.2f ms (wire 18.75), first byte to answer read "
      "%.2f ms (wire 16.15)\n",
      r.toFirstMean * 1000.0, r.firstToReadMean * 1000.0);
}

// tavix as its own process, next to the benchmark.
QString ToolProgram() {
  return QCoreApplication::applicationDirPath() + "/tavix";
}

// Seconds of an ISO 8601 time stamp ("2024-05-01T12:00:00.123Z").
double StampSeconds(const QByteArray& stamp) {
  const QDateTime t = QDateTime::fromString(QString::fromLatin1(stamp), Qt::ISODateWithMs);
  return static_cast<double>(t.toMSecsSinceEpoch()) / 1000.0;
}

struct ToolLive {
  bool ok = false;
  double readingsPerSecond = 0;
  double cpuShare = 0;  // the tavix process while it streams
};

// `tavix live --count N` against the simulator: the rate from the lines'
// own time stamps, the CPU share between the 10th and the last line
// (start-up left out).
ToolLive RunToolLive(bool pacing, int readings) {
  ToolLive result;
  SimProcess sim;
  if (!sim.Start(pacing)) return result;
  QProcess tool;
  tool.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  tool.start(ToolProgram(), {"live", "--count", QString::number(readings), "--port", sim.Device()});
  if (!tool.waitForStarted(5000)) {
    std::fprintf(stderr, "bench: cannot start %s\n", qPrintable(ToolProgram()));
    return result;
  }
  int lines = -1;  // the header first
  double firstStamp = 0, lastStamp = 0, firstCpu = 0, lastCpu = 0, firstWall = 0, lastWall = 0;
  while (lines < readings && (tool.canReadLine() || tool.waitForReadyRead(5000))) {
    while (tool.canReadLine()) {
      const QByteArray line = tool.readLine();
      if (++lines < 10) continue;
      const double stamp = StampSeconds(line.left(line.indexOf(',')));
      const double cpu = ChildCpu(tool.processId());
      if (lines == 10) {
        firstStamp = stamp;
        firstCpu = cpu;
        firstWall = tavix::Timer();
      }
      lastStamp = stamp;
      lastCpu = cpu;
      lastWall = tavix::Timer();
    }
  }
  tool.waitForFinished(10000);
  if (lines != readings || tool.exitCode() != 0 || lastStamp <= firstStamp) {
    std::fprintf(stderr, "bench: tavix live gave %d of %d readings (exit %d)\n", lines, readings,
                 tool.exitCode());
    return result;
  }
  result.ok = true;
  result.readingsPerSecond = (readings - 10) / (lastStamp - firstStamp);
  result.cpuShare = (lastCpu - firstCpu) / (lastWall - firstWall);
  return result;
}

// Wall time of one tavix run against the paced simulator; negative when it failed.
double TimeTool(const QStringList& args) {
  QProcess tool;
  tool.setStandardOutputFile(QProcess::nullDevice());
  tool.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  const double start = tavix::Timer();
  tool.start(ToolProgram(), args);
  if (!tool.waitForFinished(20000) || tool.exitCode() != 0) return -1.0;
  return tavix::Timer() - start;
}

// `tavix write eeprom` with its verification, and `tavix version` (start-up
// and line check) for comparison.
bool RunToolWrite() {
  SimProcess sim;
  if (!sim.Start(true)) return false;
  QTemporaryFile set;
  if (!set.open()) return false;
  for (int i = 0; i < tavix::protocol::anzpara; ++i) set.write(QByteArray::number(i % 31) + '\n');
  set.close();
  const QStringList port{"--port", sim.Device()};
  double version = 1e9, write = 1e9;
  for (int run = 0; run < 3; ++run) {
    version = std::min(version, TimeTool(QStringList{"version"} + port));
    write = std::min(write, TimeTool(QStringList{"write", "eeprom", set.fileName()} + port));
  }
  if (version < 0 || write < 0) {
    std::fprintf(stderr, "bench: tavix version or write failed\n");
    return false;
  }
  // On the wire: the line check (36 + 96 bytes), 33 frames of 36 bytes, the
  // read-back (36 + 342 bytes). The settle delay of 1.0 s runs from the
  // first frame of the set, so the frames are inside it.
  const double check = (36 + 96) / kBytesPerSecond;
  const double frames = 33 * 36 / kBytesPerSecond;
  const double back = (36 + 342) / kBytesPerSecond;
  const double settle = tavix::protocol::kSettleSendPara;
  const double floor = check + std::max(settle, frames) + back;
  std::printf(
      "tavix write eeprom + verify: %.3f s (best of 3, process start included); floor %.3f s = "
      "line check %.3f + settle delay %.1f (the %.3f s of the 33 frames run inside it) + "
      "read-back %.3f; wire time %.3f + settle delay %.1f = %.3f s; tavix version alone %.3f s\n",
      write, floor, check, settle, frames, back, check + frames + back, settle,
      check + frames + back + settle, version);
  std::printf("tavix write eeprom beyond the floor: %.3f s\n", write - floor);
  return true;
}

// The figures of tavix: its live stream against the wire limit, then a write.
bool RunTool(int readings) {
  std::printf("tavix live, %d readings against the paced simulator\n", readings);
  std::fflush(stdout);
  const ToolLive live = RunToolLive(true, readings);
  if (!live.ok) return false;
  const double ratio = live.readingsPerSecond / kWireLimit;
  std::printf("tavix live readings/s: %.2f = %.3f of the wire limit [target >= 0.98: %s]\n",
              live.readingsPerSecond, ratio, ratio >= 0.98 ? "met" : "MISSED");
  std::printf("tavix CPU while streaming: %.4f of one core [target <= 0.01: %s]\n", live.cpuShare,
              live.cpuShare <= 0.01 ? "met" : "MISSED");
  const ToolLive unpaced = RunToolLive(false, 10 * readings);
  if (!unpaced.ok) return false;
  std::printf("tavix live unpaced: %.0f readings/s = %.2f ms a reading, CPU %.3f of one core\n",
              unpaced.readingsPerSecond, 1000.0 / unpaced.readingsPerSecond, unpaced.cpuShare);
  std::fflush(stdout);
  return RunToolWrite();
}

int ArgValue(int argc, char** argv, const char* name, int fallback) {
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], name) == 0) return std::atoi(argv[i + 1]);
  }
  return fallback;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0) {
      std::printf(
          "usage: tavix-bench-live [--passes N] [--unpaced-passes N] [--source 0..6] "
          "[--paint-profile] [--tool-readings N] [--tool-only]\n");
      return 0;
    }
  }
  const int pacedPasses = std::max(10, ArgValue(argc, argv, "--passes", 300));
  const int unpacedPasses = std::max(10, ArgValue(argc, argv, "--unpaced-passes", 3000));
  const int source = std::clamp(ArgValue(argc, argv, "--source", 1), 0, 6);
  const int toolReadings = std::max(20, ArgValue(argc, argv, "--tool-readings", 500));
  TimedApp app(argc, argv);
  bool toolOnly = false;
  for (int i = 1; i < argc; ++i) {
    app.profile |= std::strcmp(argv[i], "--paint-profile") == 0;
    toolOnly |= std::strcmp(argv[i], "--tool-only") == 0;
  }
  if (toolOnly) return RunTool(toolReadings) ? 0 : 1;

  std::printf("live cycle, SOURCE %d, simulator as its own process on a pseudo-terminal\n", source);
  std::fflush(stdout);
  const Result paced = Run(true, pacedPasses, source);
  if (!paced.ok) return 1;
  PrintDetail("paced  ", pacedPasses, paced);
  if (app.profile) {
    // Paint events nest (a window's repaint holds its widgets' paints).
    const double perPass = 1000.0 / pacedPasses;
    std::printf("  window repaints %.3f ms a pass; paint events, ms a pass:",
                app.updateSeconds * perPass);
    for (const auto& [name, seconds] : app.paintSeconds) {
      if (seconds * perPass >= 0.005) std::printf(" %s %.3f", qPrintable(name), seconds * perPass);
    }
    std::printf("\n");
    app.profile = false;
  }
  std::fflush(stdout);
  const Result unpaced = Run(false, unpacedPasses, source);
  if (!unpaced.ok) return 1;
  PrintDetail("unpaced", unpacedPasses, unpaced);

  const double ratio = paced.passesPerSecond / kWireLimit;
  std::printf(
      "paced passes/s: %.2f = %.3f of the wire limit (%.0f bytes at %.0f bytes/s: %.1f passes/s) "
      "[target >= 0.985: %s]\n",
      paced.passesPerSecond, ratio, kWireBytesPerPass, kBytesPerSecond, kWireLimit,
      ratio >= 0.985 ? "met" : "MISSED");
  std::printf("scope CPU while polling (paced): %.3f of one core [target <= 0.03: %s]\n",
              paced.cpuShare, paced.cpuShare <= 0.03 ? "met" : "MISSED");
  std::printf("unpaced passes/s: %.0f [target >= 3000: %s]\n", unpaced.passesPerSecond,
              unpaced.passesPerSecond >= 3000 ? "met" : "MISSED");
  std::printf("answer to next request, paced: mean %.3f ms [target <= 0.15 ms: %s]\n",
              paced.ownMean * 1000.0, paced.ownMean <= 0.15e-3 ? "met" : "MISSED");
  std::fflush(stdout);
  return RunTool(toolReadings) ? 0 : 1;
}
