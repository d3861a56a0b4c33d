// The simulator on a pseudo-terminal, driven from the slave side with plain POSIX.
#include <gtest/gtest.h>

#include <memory>

#include "port.h"
#include "sim/pty_sensor.h"

namespace tavix::sim::test {
namespace {

class PtySensorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sim->Start());
    port = std::make_unique<Port>(sim->DevicePath());
  }
  std::unique_ptr<PtySensor> sim = std::make_unique<PtySensor>(Options());
  std::unique_ptr<Port> port;
};

TEST_F(PtySensorTest, RejectsBrokenFramesAndResynchronises) {
  // 35 bytes and then silence: dropped, and not merged with the next frame.
  auto broken = Frame(7);
  broken.pop_back();
  EXPECT_EQ(port->Exchange(broken, 1, 0.15).size(), 0u);
  EXPECT_EQ(port->Exchange(Frame(7), 96).size(), 96u);
  // Stray bytes before a good frame, in one write.
  broken = {0x12, 0x00, 0x34};
  for (std::uint8_t b : Frame(7)) broken.push_back(b);
  EXPECT_EQ(port->Exchange(broken, 96).size(), 96u);
  EXPECT_EQ(sim->GetCounters().rejected, 2u);
  EXPECT_EQ(sim->GetCounters().frames, 2u);
}

TEST_F(PtySensorTest, CountsFramesThatArriveWhileTheSensorIsBusy) {
  for (int i = 0; i < 10; ++i) ASSERT_EQ(port->Exchange(Frame(5), 32).size(), 32u);
  EXPECT_EQ(sim->GetCounters().earlyFrames, 0u);
  // A parameter transfer keeps the sensor busy for 1.0 s from its first
  // byte, a lone parameter frame for 0.2 s.
  std::vector<std::uint8_t> transfer = Frame(1, {500});
  for (std::uint16_t r = 0; r <= 31; ++r)
    for (std::uint8_t b : r < 31 ? Frame(2, {r, 1, 1, 1, 1, 1}) : Frame(6)) transfer.push_back(b);
  std::uint64_t early = 0;
  for (const auto& [frames, busy] : {std::pair{transfer, 1.0}, std::pair{Frame(1, {500}), 0.2}}) {
    const double t0 = Timer();
    port->Send(frames);
    SleepUntil(t0 + busy / 2);
    port->Exchange(Frame(5), 32);
    EXPECT_EQ(sim->GetCounters().earlyFrames, ++early);
    SleepUntil(t0 + busy);
    port->Exchange(Frame(5), 32);
    EXPECT_EQ(sim->GetCounters().earlyFrames, early);
  }
}

// The short and late faults. (The silence, which write-only frames do not
// use up, is the tavix suite's: its write meets it on the read-back.)
TEST_F(PtySensorTest, FaultsChangeTheNextAnswer) {
  sim->InjectFault(Fault::kShort);
  EXPECT_EQ(port->Exchange(Frame(5), 32, 0.1).size(), 29u);
  EXPECT_EQ(sim->SentRecords().size(), 0u);  // the short record does not count as sent
  // Late: the answer comes after later frames have been served.
  sim->InjectFault(Fault::kLate);
  port->Send(Frame(5));
  EXPECT_EQ(port->Exchange(Frame(7), 96).size(), 96u);
  EXPECT_EQ(port->Read(32, 3.0).size(), 32u);
  EXPECT_EQ(port->Exchange(Frame(9), 6).size(), 6u);  // each fault was for one frame
}

}  // namespace
}  // namespace tavix::sim::test
