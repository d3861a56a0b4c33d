// Transactions through the real serial port on a pseudo-terminal, with the
// simulated sensor at the far end.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "link/link.h"
#include "link/serial_port.h"
#include "link/timer.h"
#include "sim/pty_sensor.h"
#include "tests/link/test_support.h"

namespace tavix::link {
namespace {

using sim::Fault;

class Transactions : public ::testing::Test {
 protected:
  static constexpr int kCom = 7;

  void SetUp() override {
    sensor = std::make_unique<sim::PtySensor>(sim::Options{});
    std::string error;
    ASSERT_TRUE(sensor->Start(&error)) << error;
    qputenv("TAVIX_COM7", QByteArray::fromStdString(sensor->DevicePath()));
    ASSERT_EQ(link.Open(kCom), 0) << port.OpenDetail().toStdString();
    ASSERT_EQ(port.DevicePath().toStdString(), sensor->DevicePath());
  }

  void TearDown() override {
    link.Close();
    sensor->Stop();
    qunsetenv("TAVIX_COM7");
  }

  // Blocks until at least `count` bytes are queued or a second has passed.
  int WaitForQueued(int count) {
    const double deadline = Timer() + 1.0;
    int n = port.GetInQLen();
    while (n < count && Timer() < deadline) {
      port.WaitInQ(deadline - Timer());
      n = port.GetInQLen();
    }
    return n;
  }

  std::array<std::uint16_t, anzpara> SensorRam() {
    std::array<std::uint16_t, anzpara> ram{};
    sensor->WithModel(
        [&](sim::SensorModel& m) { std::copy(m.ram.begin(), m.ram.end(), ram.begin()); });
    return ram;
  }

  void SetSensorRam(std::uint16_t seed) {
    sensor->WithModel([&](sim::SensorModel& m) {
      for (int i = 0; i < anzpara; ++i) m.ram[i] = static_cast<std::uint16_t>(0x8000 ^ (i * seed));
    });
  }

  std::unique_ptr<sim::PtySensor> sensor;
  SerialPort port;
  CountingReporter reporter;
  Link link{port, reporter};
  ParamBlock block;
};

TEST_F(Transactions, VersionTextIsTheLowByteOfEachWord) {
  const std::string text = "TAVIX TEST SENSOR 48 CHARACTERS LONG, EXACTLY.  ";
  ASSERT_EQ(text.size(), 48u);
  sensor->WithModel([&](sim::SensorModel& m) {
    m.version = text;
    m.versionHighByte = 0;
  });
  ASSERT_TRUE(link.RequestVersion(block));
  EXPECT_EQ(link.st.nBytesR, 96);
  EXPECT_EQ(link.VersionText().toStdString(), text);

  link.st.version.fill(0);
  sensor->WithModel([](sim::SensorModel& m) { m.versionHighByte = 0xA5; });
  ASSERT_TRUE(link.RequestVersion(block));
  EXPECT_EQ(link.VersionText().toStdString(), text);

  // More than 96 bytes is no version; the text of the last good check stays
  // and the caller shows its own box.
  sensor->InjectFault(Fault::kSurplus);
  EXPECT_FALSE(link.RequestVersion(block));
  EXPECT_GT(link.st.nBytesR, 96);
  EXPECT_EQ(link.VersionText().toStdString(), text);
  EXPECT_EQ(reporter.failures, 0);
  EXPECT_TRUE(reporter.lost.empty());
}

TEST_F(Transactions, ParameterBlockAndDataRecordArriveWhole) {
  SetSensorRam(257);
  ASSERT_EQ(link.Request(block, kOrderReadRam, kParaBytes), Answer::kOk);
  link.GetRxBufPara(block, anzpara);
  EXPECT_EQ(block.pp, SensorRam());

  // The data request carries pp words 0..15 as they stand.
  const std::uint16_t head[16] = {0x1234, 0x0001, 0x8000, 0x00FF, 0xFF00, 0x7FFF, 0x0A0B, 0,
                                  0,      0,      0,      0,      0,      0,      0xC0DE, 0xFEDC};
  std::copy(std::begin(head), std::end(head), block.pp.begin());
  const std::vector<std::uint8_t> expected = {0x00, 0x55, 0x00, 0x05, 0x12, 0x34, 0x00, 0x01, 0x80,
                                              0x00, 0x00, 0xFF, 0xFF, 0x00, 0x7F, 0xFF, 0x0A, 0x0B,
                                              0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                                              0x00, 0x00, 0x00, 0x00, 0x00, 0xC0, 0xDE, 0xFE, 0xDC};
  sensor->ClearLog();
  DataRecord record;
  ASSERT_EQ(link.Request(block, kOrderReadData, kDataBytes), Answer::kOk);
  link.GetRxBufData(record);
  const auto sent = sensor->SentRecords();
  ASSERT_FALSE(sent.empty());
  EXPECT_TRUE(std::equal(sent.back().begin(), sent.back().end(), record.databuf.begin()));

  const auto log = sensor->FrameLog();
  const auto frame =
      std::find_if(log.begin(), log.end(), [](const sim::LogEntry& e) { return e.received; });
  ASSERT_NE(frame, log.end());
  EXPECT_EQ(frame->bytes, expected);
  EXPECT_EQ(reporter.failures, 0);
}

TEST_F(Transactions, ASilentSensorIsReportedAfterTheTimeOutWithoutSpinning) {
  sensor->InjectFault(Fault::kSilence);
  const double cpu0 = ThreadCpuSeconds();
  const double t0 = Timer();
  EXPECT_EQ(link.Request(block, kOrderReadData, kDataBytes), Answer::kFailed);
  const double elapsed = Timer() - t0;
  EXPECT_GE(elapsed, 2.0);
  EXPECT_LT(elapsed, 3.0);
  EXPECT_LT(ThreadCpuSeconds() - cpu0, 0.5) << "the answer wait must block, not spin";
  EXPECT_EQ(link.st.nBytesR, 0);
  EXPECT_EQ(reporter.failures, 1);
}

TEST_F(Transactions, ShortAndSurplusAnswersAreFailures) {
  sensor->InjectFault(Fault::kShort);
  const double t0 = Timer();
  EXPECT_EQ(link.Request(block, kOrderReadRam, kParaBytes), Answer::kFailed);
  EXPECT_GE(Timer() - t0, 2.0);
  EXPECT_GT(link.st.nBytesR, 0);
  EXPECT_LT(link.st.nBytesR, kParaBytes);
  EXPECT_EQ(reporter.failures, 1);

  // 343 bytes or more for a 342-byte request is no truncated success.
  sensor->InjectFault(Fault::kSurplus);
  EXPECT_EQ(link.Request(block, kOrderReadRam, kParaBytes), Answer::kFailed);
  EXPECT_GT(link.st.nBytesR, kParaBytes);
  EXPECT_EQ(reporter.failures, 2);

  // The next request is unaffected by what the bad ones left.
  EXPECT_EQ(link.Request(block, kOrderReadRam, kParaBytes), Answer::kOk);
  EXPECT_EQ(reporter.failures, 2);
}

TEST_F(Transactions, ALateAnswerIsFlushedByTheNextRequest) {
  sensor->InjectFault(Fault::kLate);
  EXPECT_EQ(link.Request(block, kOrderReadData, kDataBytes), Answer::kFailed);
  EXPECT_EQ(reporter.failures, 1);
  EXPECT_EQ(WaitForQueued(kDataBytes), kDataBytes) << "the late answer should be queued by now";

  SetSensorRam(911);
  ASSERT_EQ(link.Request(block, kOrderReadRam, kParaBytes), Answer::kOk);
  link.GetRxBufPara(block, anzpara);
  EXPECT_EQ(block.pp, SensorRam());
  EXPECT_EQ(reporter.failures, 1);
}

TEST_F(Transactions, AStopFlagOfZeroEndsTheWaitWithoutReport) {
  sensor->InjectFault(Fault::kSilence);
  std::uint16_t poll = 0;
  const double t0 = Timer();
  EXPECT_EQ(link.Request(block, kOrderReadData, kDataBytes, &poll), Answer::kStopped);
  EXPECT_LT(Timer() - t0, 0.5);
  EXPECT_EQ(reporter.failures, 0);

  // Once the sensor has taken (and not answered) that frame, a request with
  // the flag set runs normally.
  for (const double deadline = Timer() + 1.0;
       sensor->GetCounters().frames < 1 && Timer() < deadline;) {
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
    const double begun = link.st.transbeg;
    link.BeginWriteOnly(kOrderWriteRam);
    EXPECT_TRUE(link.SendFrame(block, kOrderWriteRam));
    for (std::uint16_t r = 0; r < kTeachRows; ++r) {
      EXPECT_TRUE(link.SendFrame(block, kOrderWriteRow, r));
    }
    if (toEeprom) {
      EXPECT_TRUE(link.SendFrame(block, kOrderStoreEeprom));
    }
    return begun;
  };
  const double first = sendPara(false);
  block.pp[170] = 4242;
  const double second = sendPara(true);
  EXPECT_GE(second - first, kSettleSendPara);

  link.SettleWait();
  EXPECT_GE(Timer() - second, kSettleSendPara);
  link.StartPaced(kSettleGetPara);
  ParamBlock readBack;
  ASSERT_EQ(link.Request(readBack, kOrderReadEeprom, kParaBytes), Answer::kOk);
  link.GetRxBufPara(readBack, anzpara);
  EXPECT_EQ(readBack.pp, block.pp);
  EXPECT_EQ(SensorRam(), block.pp);

  const sim::Counters counters = sensor->GetCounters();
  EXPECT_EQ(counters.earlyFrames, 0u);
  EXPECT_EQ(counters.rejected, 0u);
  EXPECT_EQ(counters.perOrder[kOrderWriteRow], 62u);
  EXPECT_EQ(reporter.failures, 0);
}

TEST_F(Transactions, BytesAfterAWriteOnlyOrderWaitForTheNextRequestsFlush) {
  sensor->InjectFault(Fault::kGarbage);
  link.BeginWriteOnly(kOrderWriteRam);
  EXPECT_TRUE(link.SendFrame(block, kOrderWriteRam));
  EXPECT_GT(WaitForQueued(1), 0) << "the garbage stays in the input queue";

  DataRecord record;
  ASSERT_EQ(link.Request(block, kOrderReadData, kDataBytes), Answer::kOk);
  link.GetRxBufData(record);
  const auto sent = sensor->SentRecords();
  ASSERT_FALSE(sent.empty());
  EXPECT_TRUE(std::equal(sent.back().begin(), sent.back().end(), record.databuf.begin()));
  EXPECT_EQ(reporter.failures, 0);
}

TEST_F(Transactions, AHangUpClosesThePortAndIsReportedOnce) {
  sensor->InjectFault(Fault::kHangUp);
  const double cpu0 = ThreadCpuSeconds();
  double t0 = Timer();
  EXPECT_EQ(link.Request(block, kOrderReadData, kDataBytes), Answer::kFailed);
  EXPECT_LT(Timer() - t0, 1.0) << "a hang-up ends the wait at once";
  ASSERT_EQ(reporter.lost.size(), 1u);
  EXPECT_TRUE(reporter.lost[0].contains(QString::fromStdString(sensor->DevicePath())))
      << reporter.lost[0].toStdString();
  EXPECT_TRUE(reporter.lost[0].contains("hung up"));
  EXPECT_EQ(reporter.failures, 1);
  EXPECT_FALSE(port.IsOpen());

  // With the port closed a request fails after the time-out, without a
  // second lost-link report and without spinning.
  t0 = Timer();
  EXPECT_EQ(link.Request(block, kOrderReadData, kDataBytes), Answer::kFailed);
  EXPECT_GE(Timer() - t0, 2.0);
  EXPECT_EQ(link.st.nBytesR, 0);
  EXPECT_EQ(reporter.lost.size(), 1u);
  EXPECT_EQ(reporter.failures, 2);
  EXPECT_LT(ThreadCpuSeconds() - cpu0, 0.5);
}

}  // namespace
}  // namespace tavix::link
