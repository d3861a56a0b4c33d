// The simulator on a pseudo-terminal, driven from the slave side with plain POSIX.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

#include "port.h"
#include "sim/pty_sensor.h"

namespace tavix::sim {
namespace {

using test::Frame;
using test::Port;
using test::Seconds;
using test::SleepUntil;
using test::Words;

class PtySensorTest : public ::testing::Test {
 protected:
  void SetUp() override { Open(); }
  void Open(Options options = {}) {
    sim_ = std::make_unique<PtySensor>(options);
    std::string error;
    ASSERT_TRUE(sim_->Start(&error)) << error;
    port_ = std::make_unique<Port>(sim_->DevicePath());
    ASSERT_TRUE(port_->ok());
  }
  std::uint64_t Early() const { return sim_->GetCounters().earlyFrames; }

  std::unique_ptr<PtySensor> sim_;
  std::unique_ptr<Port> port_;
};

TEST_F(PtySensorTest, RejectsBrokenFramesAndResynchronises) {
  // 35 bytes and then silence: dropped, and not merged with the next frame.
  auto partial = Frame(7);
  partial.pop_back();
  EXPECT_TRUE(port_->Exchange(partial, 1, 0.15).empty());
  EXPECT_EQ(port_->Exchange(Frame(7), 96).size(), 96u);
  auto nosync = Frame(7);
  nosync[1] = 0x56;
  EXPECT_TRUE(port_->Exchange(nosync, 1, 0.15).empty());
  // Stray bytes before a good frame, in one write.
  std::vector<std::uint8_t> stray = {0x12, 0x00, 0x34};
  const auto good = Frame(7);
  stray.insert(stray.end(), good.begin(), good.end());
  EXPECT_EQ(port_->Exchange(stray, 96).size(), 96u);

  const Counters c = sim_->GetCounters();
  EXPECT_EQ(c.rejected, 3u);
  EXPECT_EQ(c.frames, 2u);
}

TEST_F(PtySensorTest, CountsFramesThatArriveWhileTheSensorIsBusy) {
  for (int i = 0; i < 10; ++i) ASSERT_EQ(port_->Exchange(Frame(5), 32).size(), 32u);
  EXPECT_EQ(Early(), 0u);

  // A parameter transfer keeps the sensor busy for 1.0 s from its first byte.
  std::vector<std::uint8_t> transfer = Frame(1, {500});
  for (std::uint16_t r = 0; r < 31; ++r) {
    const auto row = Frame(2, {r, 1, 1, 1, 1, 1});
    transfer.insert(transfer.end(), row.begin(), row.end());
  }
  const auto store = Frame(6);
  transfer.insert(transfer.end(), store.begin(), store.end());
  const double t0 = Seconds();
  port_->Send(transfer);
  SleepUntil(t0 + 0.3);
  port_->Exchange(Frame(5), 32);
  EXPECT_EQ(Early(), 1u);
  SleepUntil(t0 + 1.0);
  port_->Exchange(Frame(5), 32);
  EXPECT_EQ(Early(), 1u);

  // A lone parameter frame: 0.2 s.
  const double t1 = Seconds();
  port_->Send(Frame(1, {500}));
  SleepUntil(t1 + 0.1);
  port_->Exchange(Frame(5), 32);
  EXPECT_EQ(Early(), 2u);
  SleepUntil(t1 + 0.2);
  port_->Exchange(Frame(5), 32);
  EXPECT_EQ(Early(), 2u);
}

TEST_F(PtySensorTest, FaultsChangeTheAnswer) {
  sim_->InjectFault(Fault::kSilence);
  EXPECT_TRUE(port_->Exchange(Frame(1), 0).empty());  // a write-only frame does not use it up
  EXPECT_TRUE(port_->Exchange(Frame(5), 1, 0.1).empty());
  EXPECT_EQ(port_->Exchange(Frame(5), 32).size(), 32u);

  sim_->InjectFault(Fault::kShort);
  EXPECT_EQ(port_->Exchange(Frame(5), 32, 0.1).size(), 29u);
  sim_->InjectFault(Fault::kSurplus);
  EXPECT_EQ(port_->Exchange(Frame(7), 96).size(), 100u);
  sim_->InjectFault(Fault::kGarbage);
  EXPECT_EQ(port_->Exchange(Frame(1), 8).size(), 8u);  // bytes after a write-only order

  const auto held = Words(port_->Exchange(Frame(11), 32));
  sim_->InjectFault(Fault::kCorrupt);
  auto corrupt = Words(port_->Exchange(Frame(11), 32));
  ASSERT_EQ(corrupt.size(), 16u);
  corrupt[0] ^= 1;  // one bit of the first word differs
  EXPECT_EQ(corrupt, held);

  EXPECT_EQ(port_->Exchange(Frame(9), 6).size(), 6u);  // each fault was for one frame
  EXPECT_EQ(sim_->SentRecords().size(), 1u);           // the short record does not count as sent

  // Late: the answer comes 2.2 s on, after later frames have been served.
  sim_->InjectFault(Fault::kLate);
  const double t0 = Seconds();
  port_->Send(Frame(5));
  EXPECT_EQ(port_->Exchange(Frame(7), 96).size(), 96u);
  EXPECT_LT(Seconds() - t0, 1.0);
  EXPECT_EQ(port_->Read(32, 3.0).size(), 32u);
  EXPECT_GE(Seconds() - t0, 2.2);

  // Hang-up: the line closes.
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

}  // namespace
}  // namespace tavix::sim
