// Request frames compared with frames written out by hand from the byte
// tables, and answers decoded from hand-written bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "link/link.h"
#include "link/serial_port.h"
#include "link/timer.h"
#include "tests/link/test_support.h"

namespace tavix::link {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Frame(const Link& link) {
  return Bytes(link.st.szWriteBuf.begin(), link.st.szWriteBuf.begin() + kFrameBytes);
}

class FrameTest : public ::testing::Test {
 protected:
  FrameTest() : link(port, reporter) {
    const std::uint16_t head[16] = {250, 0,      128,    3,      10,     50,     31,     1,
                                    0,   0x1234, 0xABCD, 0x00FF, 0xFF00, 0x8001, 0x7FFE, 0xFFFF};
    std::copy(std::begin(head), std::end(head), block.pp.begin());
    // Teach row 0 and row 30; every other word stays 0.
    const std::uint16_t row0[5] = {0x0102, 0x0304, 0x0506, 0x0708, 0x090A};
    const std::uint16_t row30[5] = {0xA1B2, 0xC3D4, 0xE5F6, 0x0017, 0x8000};
    std::copy(std::begin(row0), std::end(row0), block.pp.begin() + 16);
    std::copy(std::begin(row30), std::end(row30), block.pp.begin() + 166);
  }

  SerialPort port;  // never opened
  CountingReporter reporter;
  Link link;
  ParamBlock block;
};

// Payload bytes 4..35 of every frame that carries pp words 0..15.
const Bytes kHeadPayload = {0x00, 0xFA, 0x00, 0x00, 0x00, 0x80, 0x00, 0x03, 0x00, 0x0A, 0x00,
                            0x32, 0x00, 0x1F, 0x00, 0x01, 0x00, 0x00, 0x12, 0x34, 0xAB, 0xCD,
                            0x00, 0xFF, 0xFF, 0x00, 0x80, 0x01, 0x7F, 0xFE, 0xFF, 0xFF};

Bytes WithHeader(std::uint8_t order, const Bytes& payload) {
  Bytes frame = {0x00, 0x55, 0x00, order};
  frame.insert(frame.end(), payload.begin(), payload.end());
  return frame;
}

TEST_F(FrameTest, OrdersCarryingWordsZeroToFifteenSendThemAsTheyStand) {
  for (std::uint8_t order : {1, 5, 7}) {
    link.FillTxBuf(block, order, 0);
    EXPECT_EQ(Frame(link), WithHeader(order, kHeadPayload)) << "order " << int(order);
  }
}

TEST_F(FrameTest, RowAndFactorFramesKeepThePreviousFramesBytesAsFiller) {
  link.FillTxBuf(block, 1, 0);

  link.FillTxBuf(block, 2, 0);
  const Bytes row0 = {0x00, 0x55, 0x00, 0x02, 0x00, 0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07,
                      0x08, 0x09, 0x0A,
                      // bytes 16..35: left over from the order-1 frame
                      0x00, 0x1F, 0x00, 0x01, 0x00, 0x00, 0x12, 0x34, 0xAB, 0xCD, 0x00, 0xFF, 0xFF,
                      0x00, 0x80, 0x01, 0x7F, 0xFE, 0xFF, 0xFF};
  EXPECT_EQ(Frame(link), row0);

  link.FillTxBuf(block, 2, 30);
  const Bytes row30 = {0x00, 0x55, 0x00, 0x02, 0x00, 0x1E, 0xA1, 0xB2, 0xC3, 0xD4, 0xE5, 0xF6,
                       0x00, 0x17, 0x80, 0x00, 0x00, 0x1F, 0x00, 0x01, 0x00, 0x00, 0x12, 0x34,
                       0xAB, 0xCD, 0x00, 0xFF, 0xFF, 0x00, 0x80, 0x01, 0x7F, 0xFE, 0xFF, 0xFF};
  EXPECT_EQ(Frame(link), row30);

  CalibFactors factors;
  factors.cfrot = 1000;
  factors.cfgruen = 750;
  factors.cfblau = 1250;
  link.FillTxBuf(block, 8, 0, factors);
  const Bytes order8 = {0x00, 0x55, 0x00, 0x08, 0x03, 0xE8, 0x02, 0xEE, 0x04, 0xE2,
                        // bytes 10..35: left over from the row-30 frame
                        0xE5, 0xF6, 0x00, 0x17, 0x80, 0x00, 0x00, 0x1F, 0x00, 0x01, 0x00, 0x00,
                        0x12, 0x34, 0xAB, 0xCD, 0x00, 0xFF, 0xFF, 0x00, 0x80, 0x01, 0x7F, 0xFE,
                        0xFF, 0xFF};
  EXPECT_EQ(Frame(link), order8);
  // Nothing beyond the 36 frame bytes is touched.
  EXPECT_TRUE(std::all_of(link.st.szWriteBuf.begin() + kFrameBytes, link.st.szWriteBuf.end(),
                          [](std::uint8_t b) { return b == 0; }));
}

TEST_F(FrameTest, AnswersDecodeAsUnsignedBigEndianWords) {
  const Bytes answer = {0x00, 0x01, 0x01, 0x00, 0xFF, 0xFE, 0x80, 0x00, 0x00, 0xFF, 0x7F, 0xFF};
  std::copy(answer.begin(), answer.end(), link.st.szReadBuf.begin());

  DataRecord record;
  link.GetRxBufData(record);
  EXPECT_EQ(record.databuf[0], 1);
  EXPECT_EQ(record.databuf[1], 256);
  EXPECT_EQ(record.databuf[2], 65534);
  EXPECT_EQ(record.databuf[3], 32768);
  EXPECT_EQ(record.databuf[4], 255);
  EXPECT_EQ(record.databuf[5], 32767);

  // Three words (calibration factors) leave the rest of the block alone.
  ParamBlock target;
  target.pp.fill(0x4242);
  link.GetRxBufPara(target, 3);
  EXPECT_EQ(target.pp[0], 1);
  EXPECT_EQ(target.pp[2], 65534);
  EXPECT_EQ(target.pp[3], 0x4242);

  // Sixteen words (order 11): word 15 from bytes 30-31, word 16 untouched.
  link.st.szReadBuf[30] = 0x9A;
  link.st.szReadBuf[31] = 0xBC;
  link.GetRxBufPara(target, 16);
  EXPECT_EQ(target.pp[15], 0x9ABC);
  EXPECT_EQ(target.pp[16], 0x4242);

  // The whole block: word 170 from bytes 340-341.
  link.st.szReadBuf[340] = 0xC0;
  link.st.szReadBuf[341] = 0x01;
  link.GetRxBufPara(target, 171);
  EXPECT_EQ(target.pp[170], 0xC001);
}

TEST_F(FrameTest, WritesOnAPortThatIsNotOpenAreReportedOncePerFrame) {
  link.BeginWriteOnly(1);
  EXPECT_FALSE(link.SendFrame(block, 1));
  EXPECT_FALSE(link.SendFrame(block, 2, 0));
  EXPECT_EQ(reporter.failures, 2);
  EXPECT_TRUE(reporter.lost.empty());
  EXPECT_NE(link.st.nBytesW, kFrameBytes);
}

TEST(SettleWait, SleepsUntilTheDelayHasPassedSinceTheOperationBegan) {
  SerialPort port;
  CountingReporter reporter;
  Link link(port, reporter);
  link.StartPaced(0.3);
  const double cpu0 = ThreadCpuSeconds();
  link.SettleWait();
  const double waited = Timer() - link.st.transbeg;
  EXPECT_GE(waited, 0.3);
  EXPECT_GE(link.st.tdiff, 0.3);
  EXPECT_LT(ThreadCpuSeconds() - cpu0, 0.1) << "the settle wait must sleep, not spin";

  // Once the delay has passed, the wait returns at once.
  const double before = Timer();
  link.SettleWait();
  EXPECT_LT(Timer() - before, 0.05);
}

}  // namespace
}  // namespace tavix::link
