// Transactions through the real serial port on a pseudo-terminal, with the
// simulated sensor at the far end.
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

TEST_F(Transactions, SilentShortAndSurplusAnswersAreReportedFailures) {
  struct Case {
    Fault fault;
    int minBytes, maxBytes;  // what the answer brought
    bool timeOut;            // whether the whole answer wait passed
  };
  // 343 bytes or more for a 342-byte request is no truncated success either.
  const Case cases[] = {{Fault::kSilence, 0, 0, true},
                        {Fault::kShort, 1, kParaBytes - 1, true},
                        {Fault::kSurplus, kParaBytes + 1, 1024, false}};
  int failures = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.fault));
    sensor.InjectFault(c.fault);
    link.st.szReadBuf.fill(0x42);
    const double cpu0 = ThreadCpuSeconds();
    EXPECT_EQ(Timed(kOrderReadRam, kParaBytes, &took), Answer::kFailed);
    EXPECT_EQ(took >= 2.0, c.timeOut);
    EXPECT_LT(took, 2.5);
    EXPECT_LT(ThreadCpuSeconds() - cpu0, 0.3) << "the answer wait must block, not spin";
    EXPECT_GE(link.st.nBytesR, c.minBytes);
    EXPECT_LE(link.st.nBytesR, c.maxBytes);
    EXPECT_EQ(reporter.failures, ++failures);
    if (c.maxBytes == 0) {
      EXPECT_EQ(link.st.szReadBuf[0], 0x42) << "data from no answer";
    }
  }
  // The next request is unaffected by what the bad ones left.
  EXPECT_EQ(link.Request(block, kOrderReadRam, kParaBytes), Answer::kOk);
  EXPECT_EQ(reporter.failures, 3);
}

TEST_F(Transactions, ALateAnswerIsFlushedByTheNextRequest) {
  sensor.InjectFault(Fault::kLate);
  EXPECT_EQ(link.Request(block, kOrderReadData, kDataBytes), Answer::kFailed);
  // Block until the late answer is queued (it comes 2.2 s after the request).
  for (const double end = Timer() + 1.0; port.GetInQLen() < kDataBytes && Timer() < end;) {
    port.WaitInQ(end - Timer());
  }
  ASSERT_EQ(port.GetInQLen(), kDataBytes) << "the late answer should be queued by now";

  const auto ram = SetSensorRam(911);
  ASSERT_EQ(link.Request(block, kOrderReadRam, kParaBytes), Answer::kOk);
  link.GetRxBufPara(block, anzpara);
  EXPECT_EQ(block.pp, ram);
  EXPECT_EQ(reporter.failures, 1);
}

TEST_F(Transactions, AStopFlagOfZeroEndsTheWaitWithoutReport) {
  sensor.InjectFault(Fault::kSilence);
  std::uint16_t poll = 0;
  EXPECT_EQ(Timed(kOrderReadData, kDataBytes, &took, &poll), Answer::kStopped);
  EXPECT_LT(took, 0.5);
  EXPECT_EQ(reporter.failures, 0);

  // Once the sensor has taken (and not answered) that frame, a request with
  // the flag set runs normally.
  for (const double end = Timer() + 1.0; sensor.GetCounters().frames < 1 && Timer() < end;) {
    SleepUntil(Timer() + 0.01);
  }
  poll = 1;
  EXPECT_EQ(link.Request(block, kOrderReadData, kDataBytes, &poll), Answer::kOk);
}

TEST_F(Transactions, ParameterOperationsWaitForTheSettleDelayOfThePreviousOne) {
  for (int i = 0; i < anzpara; ++i) block.pp[i] = static_cast<std::uint16_t>(3 * i + 1);
  // SendPara: settle wait, then order 1, the 31 rows and (to EEPROM) order 6.
  auto sendPara = [&](bool toEeprom) {
    link.SettleWait();
    link.StartPaced(kSettleSendPara);
    link.BeginWriteOnly(kOrderWriteRam);
    EXPECT_TRUE(link.SendFrame(block, kOrderWriteRam));
    for (std::uint16_t r = 0; r < kTeachRows; ++r)
      EXPECT_TRUE(link.SendFrame(block, kOrderWriteRow, r));
    if (toEeprom) {
      EXPECT_TRUE(link.SendFrame(block, kOrderStoreEeprom));
    }
    return link.st.transbeg;
  };
  const double first = sendPara(false);
  block.pp[170] = 4242;
  const double cpu0 = ThreadCpuSeconds();
  const double second = sendPara(true);
  EXPECT_GE(second - first, kSettleSendPara);
  EXPECT_LT(ThreadCpuSeconds() - cpu0, 0.2) << "the settle wait must sleep, not spin";

  link.SettleWait();
  EXPECT_GE(Timer() - second, kSettleSendPara);
  link.StartPaced(kSettleGetPara);
  ParamBlock readBack;
  ASSERT_EQ(link.Request(readBack, kOrderReadEeprom, kParaBytes), Answer::kOk);
  link.GetRxBufPara(readBack, anzpara);
  EXPECT_EQ(readBack.pp, block.pp);

  const sim::Counters counters = sensor.GetCounters();
  EXPECT_EQ(counters.earlyFrames, 0u);
  EXPECT_EQ(counters.perOrder[kOrderWriteRow], 62u);
  EXPECT_EQ(reporter.failures, 0);
}

TEST_F(Transactions, AHangUpClosesThePortAndIsReportedOnce) {
  sensor.InjectFault(Fault::kHangUp);
  const double cpu0 = ThreadCpuSeconds();
  EXPECT_EQ(Timed(kOrderReadData, kDataBytes, &took), Answer::kFailed);
  EXPECT_LT(took, 1.0) << "a hang-up ends the wait at once";
  ASSERT_EQ(reporter.lost.size(), 1u);
  EXPECT_TRUE(reporter.lost[0].contains(QString::fromStdString(sensor.DevicePath())));
  EXPECT_TRUE(reporter.lost[0].contains("hung up")) << reporter.lost[0].toStdString();
  EXPECT_EQ(reporter.failures, 1);
  EXPECT_FALSE(port.IsOpen());

  // With the port closed a request fails after the time-out, without a
  // second lost-link report and without spinning.
  EXPECT_EQ(Timed(kOrderReadData, kDataBytes, &took), Answer::kFailed);
  EXPECT_GE(took, 2.0);
  EXPECT_EQ(reporter.lost.size(), 1u);
  EXPECT_EQ(reporter.failures, 2);
  EXPECT_LT(ThreadCpuSeconds() - cpu0, 0.5);
}

}  // namespace
}  // namespace tavix::link
