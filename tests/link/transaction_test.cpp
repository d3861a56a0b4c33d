// The real serial port with the simulated sensor at the far end of its
// pseudo-terminal: what the port adapter must get right on a real line (the
// Link's own rules are tested on a scripted port), and why an open fails.
#include <gtest/gtest.h>

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <string>

#include "base/timer.h"
#include "link/serial_port.h"
#include "sim/pty_sensor.h"
#include "test_support.h"

namespace tavix::link {
namespace {

using namespace protocol;

class Transactions : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sensor.Start());
    qputenv("TAVIX_COM7", QByteArray::fromStdString(sensor.DevicePath()));
    ASSERT_EQ(link.Open(7), 0) << port.OpenDetail().toStdString();
  }

  sim::PtySensor sensor{sim::Options{}};
  SerialPort port;
  CountingReporter reporter;
  Link link{port, reporter};
  ParamBlock block;
};

// Runs `fn`; the wall-clock and this thread's CPU seconds it took (the
// simulator runs on a thread of its own).
template <class Fn>
std::pair<double, double> Cost(Fn&& fn) {
  const auto cpu = [] {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
  };
  const double t0 = Timer(), cpu0 = cpu();
  fn();
  return {Timer() - t0, cpu() - cpu0};
}

// What the port's waits cost: a silent sensor the time-out, blocking; the
// settle wait sleeps (that it lasts its delay: the tavix suite's write,
// whose read-back the simulator never counts early); a hang-up ends a wait
// at once, and a wait on the port it closed sleeps. (The hang-up's report
// and text: the link suite's lost-port cases and the e2e harness's idle
// loss.)
TEST_F(Transactions, ASilentSensorCostsTheTimeOutAHangUpNothingAndNoWaitSpins) {
  sensor.InjectFault(sim::Fault::kSilence);
  const auto [seconds, cpu] =
      Cost([&] { EXPECT_EQ(link.Request(block, kOrderReadRam, kParaBytes), Answer::kFailed); });
  EXPECT_NEAR(seconds, 2.25, 0.25);  // the time-out, and at most a little more
  EXPECT_LT(cpu, 0.3) << "the answer wait must block, not spin";
  EXPECT_EQ(reporter.calls, "F");
  link.StartPaced(kSettleSendPara);
  EXPECT_LT(Cost([&] { link.SettleWait(); }).second, 0.2) << "the settle wait must sleep, not spin";

  sensor.InjectFault(sim::Fault::kHangUp);
  const auto hangUp = [&] {
    EXPECT_EQ(link.Request(block, kOrderReadData, kDataBytes), Answer::kFailed);
  };
  EXPECT_LT(Cost(hangUp).first, 1.0) << "a hang-up ends the wait at once";
  ASSERT_FALSE(port.IsOpen());
  const auto [closedSeconds, closedCpu] = Cost([&] { port.WaitInQ(0.3); });
  EXPECT_GE(closedSeconds, 0.3);
  EXPECT_LT(closedCpu, 0.1) << "a wait on the closed port sleeps";
}

TEST_F(Transactions, AnAnswerLeftQueuedIsDroppedByTheNextRequest) {
  // The answer to a stopped request stays behind: read into the port, or
  // still held by the system, which the port has not read yet.
  for (const bool intoPort : {true, false}) {
    SCOPED_TRACE(intoPort);
    const std::uint64_t answers = sensor.GetCounters().answers;
    const std::uint16_t stop = 0;
    ASSERT_EQ(link.Request(block, kOrderReadData, kDataBytes, &stop), Answer::kStopped);
    for (int ms = 0; sensor.GetCounters().answers == answers && ms < 1000; ms += 5)
      SleepUntil(Timer() + 0.005);
    ASSERT_NE(sensor.GetCounters().answers, answers) << "the sensor did not answer";
    SleepUntil(Timer() + 0.02);
    EXPECT_TRUE(!intoPort || port.GetInQLen() == kDataBytes);
    // The next request reads its own answer: the sensor's RAM set to a pattern.
    std::array<std::uint16_t, anzpara> ram{};
    for (int i = 0; i < anzpara; ++i) ram[i] = static_cast<std::uint16_t>(0x8000 ^ (i * 911));
    sensor.WithModel([&](sim::SensorModel& m) { m.ram = ram; });
    ASSERT_EQ(link.Request(block, kOrderReadRam, kParaBytes), Answer::kOk);
    link.GetRxBufPara(block, anzpara);
    EXPECT_EQ(block.pp, ram);
  }
  EXPECT_EQ(reporter.calls, "");
}

TEST(OpenPort, EachFailureGivesItsCodeTextAndReason) {
  SerialPort port;
  CountingReporter reporter;
  Link link(port, reporter);
  EXPECT_EQ(link.Open(0), kInvalidPortNumber);
  EXPECT_EQ(link.st.szStatus, "Invalid port number");
  qunsetenv("TAVIX_COM200");
  EXPECT_EQ(link.Open(200), kNoSerialPortFound);
  EXPECT_TRUE(port.OpenDetail().contains("TAVIX_COM200")) << port.OpenDetail().toStdString();

  // A device this user may not use (owner and group only): the open runs in
  // a child process, under another user when this one is root. (A port that
  // opens its device: every suite on a line; a missing or busy one: the
  // tavix suite.)
  sim::PtySensor sensor{sim::Options{}};
  ASSERT_TRUE(sensor.Start());
  const std::string path = sensor.DevicePath();
  qputenv("TAVIX_COM5", path.c_str());
  ASSERT_EQ(chmod(path.c_str(), geteuid() == 0 ? 0660 : 0000), 0);
  EXPECT_EXIT(
      {
        if (geteuid() == 0 && (setgroups(0, nullptr) || setgid(65534) || setuid(65534))) _exit(2);
        SerialPort other;
        const int ret = other.OpenComConfig(5, QString(), kBaud, kParityNone, kDataBits, kStopBits,
                                            kQueueSize, kQueueSize);
        std::fprintf(stderr, "%d %s", ret, qPrintable(other.OpenDetail()));
        _exit(0);
      },
      ::testing::ExitedWithCode(0), "^-7 permission denied on " + path);
  qunsetenv("TAVIX_COM5");
}

}  // namespace
}  // namespace tavix::link
