// The program tavix-sensor-sim as a child process; its line is plain POSIX.
#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>

#include "port.h"

namespace tavix::sim::test {
namespace {

// The program with its standard input and output on pipes.
struct Child : QProcess {
  explicit Child(const QStringList& args) { start(TAVIX_SIM_PROGRAM, args); }
  ~Child() override {
    kill();
    waitForFinished();
  }
  std::string Line() {
    while (!canReadLine() && waitForReadyRead(2000)) continue;
    return readLine().trimmed().toStdString();
  }
  // The exit code once the program has ended within `ms`, else -1.
  int Exit(int ms) { return waitForFinished(ms) && exitStatus() == NormalExit ? exitCode() : -1; }
};

TEST(SensorSimProgram, ADaemonRunsUntilSigtermAndItsEepromFileSurvivesARestart) {
  const QTemporaryDir dir;
  const QString link = dir.filePath("link"), file = dir.filePath("eeprom");
  {
    Child sim({"--daemon", "--no-pacing", "--link", link, "--eeprom", file});
    const std::string dev = sim.Line();
    ASSERT_EQ(dev.rfind("/dev/pts/", 0), 0u) << dev;
    sim.closeWriteChannel();  // a daemon serves on without input
    Port port(link.toStdString());
    for (const auto& frame : {Frame(1, {777}), Frame(6), Frame(8, {800, 900, 1200}),
                              Frame(10, {777, 0, 0, 0, 0, 0, 0, 0, 0, 75, 751, 3750})})
      port.Send(frame);
    EXPECT_EQ(port.Exchange(Frame(9), 6).size(), 6u);  // the frames before are served
    sim.terminate();
    EXPECT_EQ(sim.Exit(3000), 0);
  }
  Child sim({"--no-pacing", "--eeprom", file});
  Port port(sim.Line());
  EXPECT_EQ(Words(port.Exchange(Frame(4), 342)).at(0), 777);
  EXPECT_EQ(Words(port.Exchange(Frame(3), 342)).at(0), 777);  // RAM starts as the EEPROM
  EXPECT_EQ(Words(port.Exchange(Frame(9), 6)), (Words16{800, 900, 1200}));
  const auto gloss = Words(port.Exchange(Frame(11), 32));  // the gloss words of order 10
  EXPECT_EQ(Words16(gloss.begin() + 9, gloss.end() - 4), (Words16{75, 751, 3750}));
  sim.write("fault short\n");
  EXPECT_EQ(sim.Line(), "ok fault short once");
  EXPECT_EQ(port.Exchange(Frame(5), 32, 0.3).size(), 29u);
  sim.closeWriteChannel();  // end of input ends the program
  EXPECT_EQ(sim.Exit(3000), 0);
}

}  // namespace
}  // namespace tavix::sim::test
