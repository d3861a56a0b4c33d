// The real serial port with the simulated sensor at the far end of its
// pseudo-terminal: what the port adapter must get right on a real line (the
// Link's own rules are tested on a scripted port), and why an open fails.
#include <gtest/gtest.h>

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "base/timer.h"
#include "link/link.h"
#include "link/serial_port.h"
#include "sim/pty_sensor.h"
#include "test_support.h"

namespace tavix::link {
namespace {

using namespace protocol;

using sim::Fault;

class Transactions : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sensor.Start());
    qputenv("TAVIX_COM7", QByteArray::fromStdString(sensor.DevicePath()));
    ASSERT_EQ(link.Open(7), 0) << port.OpenDetail().toStdString();
  }
  void TearDown() override { qunsetenv("TAVIX_COM7"); }
  // Sets the sensor's RAM to a pattern, then reads it back.
  void ExpectRamReadBack(int seed) {
    std::array<std::uint16_t, anzpara> ram{};
    for (int i = 0; i < anzpara; ++i) ram[i] = static_cast<std::uint16_t>(0x8000 ^ (i * seed));
    sensor.WithModel([&](sim::SensorModel& m) { m.ram = ram; });
    ASSERT_EQ(link.Request(block, kOrderReadRam, kParaBytes), Answer::kOk);
    link.GetRxBufPara(block, anzpara);
    EXPECT_EQ(block.pp, ram);
  }

  sim::PtySensor sensor{sim::Options{}};
  SerialPort port;
  CountingReporter reporter;
  Link link{port, reporter};
  ParamBlock block;
};

TEST_F(Transactions, GoodAnswersArriveWhole) {
  ASSERT_TRUE(link.RequestVersion(block));
  EXPECT_EQ(link.VersionText().trimmed().toStdString(), sim::kDefaultVersion);
  ExpectRamReadBack(257);
  DataRecord record;
  ASSERT_EQ(link.Request(block, kOrderReadData, kDataBytes), Answer::kOk);
  link.GetRxBufData(record);
  EXPECT_EQ(record.databuf, sensor.SentRecords().at(0));
  EXPECT_EQ(reporter.calls, "");
}

TEST_F(Transactions, ASilentSensorCostsTheTimeOutButLittleCpu) {
  sensor.InjectFault(Fault::kSilence);
  const double t0 = Timer(), cpu0 = ThreadCpuSeconds();
  EXPECT_EQ(link.Request(block, kOrderReadRam, kParaBytes), Answer::kFailed);
  EXPECT_GE(Timer() - t0, 2.0);
  EXPECT_LT(Timer() - t0, 2.5);
  EXPECT_LT(ThreadCpuSeconds() - cpu0, 0.3) << "the answer wait must block, not spin";
  EXPECT_EQ(reporter.calls, "F");
}

TEST_F(Transactions, AnAnswerLeftQueuedIsDroppedByTheNextRequest) {
  // The answer to a stopped request stays behind: read into the port, or
  // still held by the system, which the port has not read yet.
  for (const bool intoPort : {true, false}) {
    SCOPED_TRACE(intoPort);
    const std::uint64_t answers = sensor.GetCounters().answers;
    const std::uint16_t stop = 0;
    ASSERT_EQ(link.Request(block, kOrderReadData, kDataBytes, &stop), Answer::kStopped);
    for (const double end = Timer() + 1.0; sensor.GetCounters().answers == answers;) {
      ASSERT_LT(Timer(), end) << "the sensor did not answer";
      SleepUntil(Timer() + 0.005);
    }
    SleepUntil(Timer() + 0.02);
    EXPECT_TRUE(!intoPort || port.GetInQLen() == kDataBytes);
    ExpectRamReadBack(911);
  }
  EXPECT_EQ(reporter.calls, "");
}

TEST_F(Transactions, AReadAfterAParameterTransferWaitsUntilTheSensorIsReady) {
  for (int i = 0; i < anzpara; ++i) block.pp[i] = static_cast<std::uint16_t>(3 * i + 1);
  // SendPara to EEPROM: settle wait, then order 1, the 31 rows and order 6.
  link.SettleWait();
  link.StartPaced(kSettleSendPara);
  link.BeginWriteOnly(kOrderWriteRam);
  bool sent = link.SendFrame(block, kOrderWriteRam);
  for (std::uint16_t r = 0; r < kTeachRows; ++r) sent &= link.SendFrame(block, kOrderWriteRow, r);
  EXPECT_TRUE(sent && link.SendFrame(block, kOrderStoreEeprom) && link.EndWriteOnly());

  const double cpu0 = ThreadCpuSeconds();
  link.SettleWait();
  EXPECT_GE(Timer() - link.st.transbeg, kSettleSendPara);
  EXPECT_LT(ThreadCpuSeconds() - cpu0, 0.2) << "the settle wait must sleep, not spin";
  link.StartPaced(kSettleGetPara);
  ParamBlock readBack;
  ASSERT_EQ(link.Request(readBack, kOrderReadEeprom, kParaBytes), Answer::kOk);
  link.GetRxBufPara(readBack, anzpara);
  EXPECT_EQ(readBack.pp, block.pp);
  EXPECT_EQ(sensor.GetCounters().earlyFrames, 0u);
  EXPECT_EQ(reporter.calls, "");
}

TEST_F(Transactions, AHangUpClosesThePortAndIsReportedAtOnce) {
  sensor.InjectFault(Fault::kHangUp);
  double t0 = Timer();
  EXPECT_EQ(link.Request(block, kOrderReadData, kDataBytes), Answer::kFailed);
  EXPECT_LT(Timer() - t0, 1.0) << "a hang-up ends the wait at once";
  ASSERT_EQ(reporter.lost.size(), 1u);
  EXPECT_TRUE(reporter.lost[0].contains(QString::fromStdString(sensor.DevicePath()) + " hung up"))
      << reporter.lost[0].toStdString();
  EXPECT_EQ(reporter.calls, "LF");
  EXPECT_FALSE(port.IsOpen());
  // A wait on the closed port sleeps.
  t0 = Timer();
  const double cpu0 = ThreadCpuSeconds();
  port.WaitInQ(0.3);
  EXPECT_GE(Timer() - t0, 0.3);
  EXPECT_LT(ThreadCpuSeconds() - cpu0, 0.1);
}

TEST(OpenPort, ANumberOpensItsDeviceAndEachFailureGivesItsCodeTextAndReason) {
  SerialPort port;
  CountingReporter reporter;
  Link link(port, reporter);
  const auto detail = [&port] { return port.OpenDetail().toStdString(); };
  EXPECT_EQ(link.Open(0), kInvalidPortNumber);
  EXPECT_EQ(link.st.szStatus, "Invalid port number");
  qunsetenv("TAVIX_COM200");
  EXPECT_EQ(link.Open(200), kNoSerialPortFound);
  EXPECT_NE(detail().find("TAVIX_COM200"), std::string::npos) << detail();
  qputenv("TAVIX_COM9", "/dev/tavix-no-such-device");
  EXPECT_EQ(link.Open(9), kCannotOpenPort);
  EXPECT_EQ(link.st.szStatus, "Cannot open port");
  EXPECT_NE(detail().find("/dev/tavix-no-such-device does not exist"), std::string::npos);
  qunsetenv("TAVIX_COM9");

  // A port number opens its device; a second open finds it busy.
  sim::PtySensor sensor{sim::Options{}};
  ASSERT_TRUE(sensor.Start());
  const std::string path = sensor.DevicePath();
  qputenv("TAVIX_COM5", path.c_str());
  EXPECT_EQ(link.Open(5), 0) << detail();
  EXPECT_EQ(port.DevicePath().toStdString(), path);
  SerialPort other;
  EXPECT_EQ(Link(other, reporter).Open(5), kCannotOpenPort);
  EXPECT_TRUE(other.OpenDetail().contains("busy")) << other.OpenDetail().toStdString();
  EXPECT_EQ(reporter.calls, "");
  link.Close();

  // A device this user may not use (owner and group only): the open runs in
  // a child process, under another user when this one is root.
  ASSERT_EQ(chmod(path.c_str(), geteuid() == 0 ? 0660 : 0000), 0);
  EXPECT_EXIT(
      {
        if (geteuid() == 0 && (setgroups(0, nullptr) || setgid(65534) || setuid(65534))) _exit(2);
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
