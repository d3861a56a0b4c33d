// The simulator on a pseudo-terminal, driven from the slave side with plain POSIX.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "sim/pty_sensor.h"
#include "tests/sim/port.h"

namespace tavix::sim {
namespace {

using test::Frame;
using test::Port;
using test::Seconds;
using test::SleepUntil;
using test::Words;

class PtySensorTest : public ::testing::Test {
 protected:
  void Open(Options options = {}) {
    sim_ = std::make_unique<PtySensor>(options);
    std::string error;
    ASSERT_TRUE(sim_->Start(&error)) << error;
    port_ = std::make_unique<Port>(sim_->DevicePath());
    ASSERT_TRUE(port_->ok());
  }
  void SetUp() override { Open(); }

  std::unique_ptr<PtySensor> sim_;
  std::unique_ptr<Port> port_;
};

TEST_F(PtySensorTest, AnswersEachOrderWithItsByteCount) {
  EXPECT_EQ(port_->Exchange(Frame(7), 96).size(), 96u);
  auto record = port_->Exchange(Frame(5), 32);
  ASSERT_EQ(record.size(), 32u);
  auto sent = sim_->SentRecords();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(Words(record), std::vector<std::uint16_t>(sent[0].begin(), sent[0].end()));
  EXPECT_EQ(port_->Exchange(Frame(1, {250}), 0).size(), 0u);
  EXPECT_EQ(port_->Exchange(Frame(3), 342)[1], 250);  // big-endian word 0
  EXPECT_EQ(port_->Exchange(Frame(9), 6).size(), 6u);

  Counters c = sim_->GetCounters();
  EXPECT_EQ(c.frames, 5u);
  EXPECT_EQ(c.answers, 4u);
  EXPECT_EQ(c.perOrder[5], 1u);
  EXPECT_EQ(c.rejected, 0u);
  auto log = sim_->FrameLog();
  ASSERT_EQ(log.size(), 9u);
  EXPECT_TRUE(log[0].received);
  EXPECT_EQ(log[0].bytes, Frame(7));
  EXPECT_FALSE(log[1].received);
  EXPECT_EQ(log[1].bytes.size(), 96u);
  EXPECT_LE(log[0].time, log[1].time);
}

TEST_F(PtySensorTest, RejectsBrokenFramesAndResynchronises) {
  // 35 bytes and then silence: dropped, and not merged with the next frame.
  auto partial = Frame(7);
  partial.pop_back();
  EXPECT_TRUE(port_->Exchange(partial, 1, 0.15).empty());
  EXPECT_EQ(sim_->GetCounters().rejected, 1u);
  EXPECT_EQ(port_->Exchange(Frame(7), 96).size(), 96u);

  // No sync word.
  auto nosync = Frame(7);
  nosync[1] = 0x56;
  EXPECT_TRUE(port_->Exchange(nosync, 1, 0.15).empty());
  EXPECT_EQ(sim_->GetCounters().rejected, 2u);

  // Stray bytes before a good frame, in one write.
  std::vector<std::uint8_t> stray = {0x12, 0x00, 0x34};
  auto good = Frame(7);
  stray.insert(stray.end(), good.begin(), good.end());
  EXPECT_EQ(port_->Exchange(stray, 96).size(), 96u);
  Counters c = sim_->GetCounters();
  EXPECT_EQ(c.rejected, 3u);
  EXPECT_EQ(c.frames, 2u);
  int rejectedEntries = 0;
  for (const LogEntry& e : sim_->FrameLog()) rejectedEntries += e.rejected;
  EXPECT_EQ(rejectedEntries, 3);
}

TEST_F(PtySensorTest, CountsFramesThatArriveWhileTheSensorIsBusy) {
  for (int i = 0; i < 10; ++i) ASSERT_EQ(port_->Exchange(Frame(5), 32).size(), 32u);
  EXPECT_EQ(sim_->GetCounters().earlyFrames, 0u);

  // A parameter transfer keeps the sensor busy for 1.0 s from its first byte.
  std::vector<std::uint8_t> transfer = Frame(1, {500});
  for (std::uint16_t r = 0; r < 31; ++r) {
    auto row = Frame(2, {r, 1, 1, 1, 1, 1});
    transfer.insert(transfer.end(), row.begin(), row.end());
  }
  auto store = Frame(6);
  transfer.insert(transfer.end(), store.begin(), store.end());
  const double t0 = Seconds();
  port_->Send(transfer);
  SleepUntil(t0 + 0.3);
  port_->Exchange(Frame(5), 32);
  EXPECT_EQ(sim_->GetCounters().earlyFrames, 1u);
  SleepUntil(t0 + 1.0);
  port_->Exchange(Frame(5), 32);
  EXPECT_EQ(sim_->GetCounters().earlyFrames, 1u);

  // A lone parameter frame: 0.2 s. Calibration factors: 0.8 s.
  const double t1 = Seconds();
  port_->Send(Frame(1, {500}));
  SleepUntil(t1 + 0.2);
  port_->Exchange(Frame(5), 32);
  EXPECT_EQ(sim_->GetCounters().earlyFrames, 1u);
  port_->Send(Frame(8, {1000, 1000, 1000}));
  SleepUntil(Seconds() + 0.1);
  port_->Exchange(Frame(9), 6);
  EXPECT_EQ(sim_->GetCounters().earlyFrames, 2u);
}

TEST_F(PtySensorTest, FaultsChangeTheAnswer) {
  sim_->InjectFault(Fault::kSilence);
  EXPECT_EQ(port_->Exchange(Frame(1), 0).size(), 0u);  // a write-only frame does not use it up
  EXPECT_EQ(port_->Exchange(Frame(5), 1, 0.1).size(), 0u);
  EXPECT_EQ(port_->Exchange(Frame(5), 32).size(), 32u);

  sim_->InjectFault(Fault::kShort);
  EXPECT_EQ(port_->Exchange(Frame(5), 32, 0.1).size(), 29u);
  sim_->InjectFault(Fault::kSurplus);
  EXPECT_EQ(port_->Exchange(Frame(7), 96).size(), 100u);
  sim_->InjectFault(Fault::kGarbage);
  EXPECT_EQ(port_->Exchange(Frame(1), 8).size(), 8u);  // bytes after a write-only order

  sim_->InjectFault(Fault::kShort, false);
  EXPECT_EQ(port_->Exchange(Frame(9), 6, 0.1).size(), 3u);
  EXPECT_EQ(port_->Exchange(Frame(9), 6, 0.1).size(), 3u);
  sim_->ClearFault();
  EXPECT_EQ(port_->Exchange(Frame(9), 6).size(), 6u);
  EXPECT_EQ(sim_->SentRecords().size(), 1u);  // the short record does not count as sent
}

TEST_F(PtySensorTest, LateAnswerComesAfterLaterFramesAreServed) {
  sim_->InjectFault(Fault::kLate);
  const double t0 = Seconds();
  port_->Send(Frame(5));
  EXPECT_EQ(port_->Exchange(Frame(7), 96).size(), 96u);
  EXPECT_LT(Seconds() - t0, 1.0);
  EXPECT_EQ(port_->Read(32, 3.0).size(), 32u);
  EXPECT_GE(Seconds() - t0, 2.2);
}

TEST_F(PtySensorTest, HangUpClosesTheLine) {
  sim_->InjectFault(Fault::kHangUp);
  bool hangUp = false;
  port_->Send(Frame(7));
  EXPECT_TRUE(port_->Read(96, 1.0, 0.03, &hangUp).empty());
  EXPECT_TRUE(hangUp);
  EXPECT_FALSE(sim_->Serving());
}

TEST_F(PtySensorTest, PacedExchangeTakesTheWireTime) {
  // Unpaced, ten exchanges together take less than one paced exchange needs.
  double t = Seconds();
  for (int i = 0; i < 10; ++i) {
    port_->Send(Frame(5));
    ASSERT_EQ(port_->Read(32, 1.0, 0.0).size(), 32u);
  }
  const double unpaced = Seconds() - t;

  Options paced;
  paced.pacing = true;
  Open(paced);
  t = Seconds();
  port_->Send(Frame(5));
  ASSERT_EQ(port_->Read(32, 1.0, 0.0).size(), 32u);
  const double one = Seconds() - t;
  EXPECT_GE(one, 68.0 / 1920.0);
  EXPECT_LT(unpaced, 10 * one);
  std::printf("paced exchange %.1f ms, unpaced %.2f ms\n", one * 1e3, unpaced * 1e2);
}

TEST_F(PtySensorTest, KeepsTheEepromInAFileAndALinkToTheDevice) {
  const std::string dir = ::testing::TempDir() + "tavix-sim-" + std::to_string(getpid());
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  Options options;
  options.eepromFile = dir + "/eeprom.txt";
  options.linkPath = dir + "/sensor";
  Open(options);
  EXPECT_EQ(std::filesystem::read_symlink(options.linkPath).string(), sim_->DevicePath());
  port_->Send(Frame(1, {321}));
  port_->Send(Frame(6));
  port_->Send(Frame(8, {800, 900, 1200}));
  port_->Read(1, 0.1);
  EXPECT_TRUE(std::filesystem::exists(options.eepromFile));
  sim_->Stop();
  EXPECT_FALSE(std::filesystem::is_symlink(options.linkPath));

  Open(options);
  EXPECT_EQ(Words(port_->Exchange(Frame(4), 342))[0], 321);
  EXPECT_EQ(Words(port_->Exchange(Frame(3), 342))[0], 321);
  EXPECT_EQ(Words(port_->Exchange(Frame(9), 6)), (std::vector<std::uint16_t>{800, 900, 1200}));
  sim_->Stop();

  std::ofstream(options.eepromFile) << "tavix-sensor-eeprom 1\neeprom 1 2 3\n";
  PtySensor broken(options);
  std::string error;
  EXPECT_FALSE(broken.Start(&error));
  EXPECT_NE(error.find("eeprom.txt"), std::string::npos) << error;

  std::filesystem::remove(options.eepromFile);
  std::ofstream(options.linkPath) << "not a link";
  PtySensor blocked(options);
  EXPECT_FALSE(blocked.Start(&error));
  EXPECT_TRUE(std::filesystem::is_regular_file(options.linkPath));
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace tavix::sim
