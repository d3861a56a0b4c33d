// Transactions through the real serial port on a pseudo-terminal, with the
// simulated sensor at the far end: what the port adapter must get right on a
// real line. The Link's own rules are tested on a scripted port.
#include <gtest/gtest.h>

#include <string>

#include "base/timer.h"
#include "link/link.h"
#include "link/serial_port.h"
#include "sim/pty_sensor.h"
#include "test_support.h"

namespace tavix::link {
namespace {

using sim::Fault;

class Transactions : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(sensor.Start(&error)) << error;
    qputenv("TAVIX_COM7", QByteArray::fromStdString(sensor.DevicePath()));
    ASSERT_EQ(link.Open(7), 0) << port.OpenDetail().toStdString();
  }
  void TearDown() override {
    link.Close();
    sensor.Stop();
    qunsetenv("TAVIX_COM7");
  }

  // Sets the sensor's RAM to a pattern and returns it.
  std::array<std::uint16_t, anzpara> SetSensorRam(int seed) {
    std::array<std::uint16_t, anzpara> ram{};
    for (int i = 0; i < anzpara; ++i) ram[i] = static_cast<std::uint16_t>(0x8000 ^ (i * seed));
    sensor.WithModel([&](sim::SensorModel& m) { m.ram = ram; });
    return ram;
  }
  // Timed request: the answer and how long it took.
  Answer Timed(std::uint16_t order, int bytes, double* seconds,
               const std::uint16_t* flag = nullptr) {
    const double t0 = Timer();
    const Answer answer = link.Request(block, order, bytes, flag);
    *seconds = Timer() - t0;
    return answer;
  }

  sim::PtySensor sensor{sim::Options{}};
  SerialPort port;
  CountingReporter reporter;
  Link link{port, reporter};
  ParamBlock block;
  double took = 0;
};

TEST_F(Transactions, GoodAnswersArriveWhole) {
  const std::string text = "TAVIX TEST SENSOR 48 CHARACTERS LONG, EXACTLY.  ";
  sensor.WithModel([&](sim::SensorModel& m) {
    m.version = text;
    m.versionHighByte = 0xA5;  // the text is the low byte of each word
  });
  ASSERT_TRUE(link.RequestVersion(block));
  EXPECT_EQ(link.VersionText().toStdString(), text);

  const auto ram = SetSensorRam(257);
  ASSERT_EQ(link.Request(block, kOrderReadRam, kParaBytes), Answer::kOk);
  link.GetRxBufPara(block, anzpara);
  EXPECT_EQ(block.pp, ram);

  DataRecord record;
  ASSERT_EQ(link.Request(block, kOrderReadData, kDataBytes), Answer::kOk);
  link.GetRxBufData(record);
  EXPECT_EQ(record.databuf, sensor.SentRecords().at(0));
  EXPECT_EQ(reporter.failures, 0);
}

TEST_F(Transactions, ASilentSensorCostsTheTimeOutButLittleCpu) {
  sensor.InjectFault(Fault::kSilence);
  const double cpu0 = ThreadCpuSeconds();
  EXPECT_EQ(Timed(kOrderReadRam, kParaBytes, &took), Answer::kFailed);
  EXPECT_GE(took, 2.0);
  EXPECT_LT(took, 2.5);
  EXPECT_LT(ThreadCpuSeconds() - cpu0, 0.3) << "the answer wait must block, not spin";
  EXPECT_EQ(reporter.failures, 1);
  EXPECT_EQ(link.Request(block, kOrderReadRam, kParaBytes), Answer::kOk);
}

TEST_F(Transactions, AnAnswerLeftQueuedIsDroppedByTheNextRequest) {
  // The answer to a stopped request stays behind: read into the port, or
  // still held by the system, which the port has not read yet.
  for (const bool intoPort : {true, false}) {
    SCOPED_TRACE(intoPort ? "read into the port" : "held by the system");
    const std::uint64_t answers = sensor.GetCounters().answers;
    const std::uint16_t stop = 0;
    ASSERT_EQ(link.Request(block, kOrderReadData, kDataBytes, &stop), Answer::kStopped);
    for (const double end = Timer() + 1.0; sensor.GetCounters().answers == answers;) {
      ASSERT_LT(Timer(), end) << "the sensor did not answer";
      SleepUntil(Timer() + 0.005);
    }
    SleepUntil(Timer() + 0.02);
    if (intoPort) {
      ASSERT_EQ(port.GetInQLen(), kDataBytes);
    }
    const auto ram = SetSensorRam(911);
    ASSERT_EQ(link.Request(block, kOrderReadRam, kParaBytes), Answer::kOk);
    link.GetRxBufPara(block, anzpara);
    EXPECT_EQ(block.pp, ram);
  }
  EXPECT_EQ(reporter.failures, 0);
}

TEST_F(Transactions, AReadAfterAParameterTransferWaitsUntilTheSensorIsReady) {
  for (int i = 0; i < anzpara; ++i) block.pp[i] = static_cast<std::uint16_t>(3 * i + 1);
  // SendPara to EEPROM: settle wait, then order 1, the 31 rows and order 6.
  link.SettleWait();
  link.StartPaced(kSettleSendPara);
  link.BeginWriteOnly(kOrderWriteRam);
  EXPECT_TRUE(link.SendFrame(block, kOrderWriteRam));
  for (std::uint16_t r = 0; r < kTeachRows; ++r)
    EXPECT_TRUE(link.SendFrame(block, kOrderWriteRow, r));
  EXPECT_TRUE(link.SendFrame(block, kOrderStoreEeprom));

  const double cpu0 = ThreadCpuSeconds();
  link.SettleWait();
  EXPECT_GE(Timer() - link.st.transbeg, kSettleSendPara);
  EXPECT_LT(ThreadCpuSeconds() - cpu0, 0.2) << "the settle wait must sleep, not spin";
  link.StartPaced(kSettleGetPara);
  ParamBlock readBack;
  ASSERT_EQ(link.Request(readBack, kOrderReadEeprom, kParaBytes), Answer::kOk);
  link.GetRxBufPara(readBack, anzpara);
  EXPECT_EQ(readBack.pp, block.pp);

  const sim::Counters counters = sensor.GetCounters();
  EXPECT_EQ(counters.earlyFrames, 0u);
  EXPECT_EQ(counters.perOrder[kOrderWriteRow], 31u);
  EXPECT_EQ(reporter.failures, 0);
}

TEST_F(Transactions, AHangUpClosesThePortAndIsReportedAtOnce) {
  sensor.InjectFault(Fault::kHangUp);
  EXPECT_EQ(Timed(kOrderReadData, kDataBytes, &took), Answer::kFailed);
  EXPECT_LT(took, 1.0) << "a hang-up ends the wait at once";
  ASSERT_EQ(reporter.lost.size(), 1u);
  EXPECT_TRUE(reporter.lost[0].contains(QString::fromStdString(sensor.DevicePath())));
  EXPECT_TRUE(reporter.lost[0].contains("hung up")) << reporter.lost[0].toStdString();
  EXPECT_EQ(reporter.calls, "LF");
  EXPECT_FALSE(port.IsOpen());

  // A wait on the closed port sleeps.
  const double t0 = Timer();
  const double cpu0 = ThreadCpuSeconds();
  port.WaitInQ(0.3);
  EXPECT_GE(Timer() - t0, 0.3);
  EXPECT_LT(ThreadCpuSeconds() - cpu0, 0.1);
}

}  // namespace
}  // namespace tavix::link
