// Request frames compared with frames written out by hand from the byte
// tables, answers decoded from hand-written bytes, the copy steps between the
// parameter block and the named variables, the calibration program's default
// block, and the status texts of a failed open.
#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "link/link.h"
#include "link/params.h"
#include "link/serial_port.h"
#include "test_support.h"

namespace tavix::link {
namespace {

using Bytes = std::vector<std::uint8_t>;

class FrameTest : public ::testing::Test {
 protected:
  FrameTest() {
    const std::uint16_t head[16] = {250, 0,      128,    3,      10,     50,     31,     1,
                                    0,   0x1234, 0xABCD, 0x00FF, 0xFF00, 0x8001, 0x7FFE, 0xFFFF};
    std::copy(std::begin(head), std::end(head), block.pp.begin());
    // Teach rows 0 (words 16..20) and 30 (words 166..170); every other word stays 0.
    const std::uint16_t rows[10] = {0x0102, 0x0304, 0x0506, 0x0708, 0x090A,
                                    0xA1B2, 0xC3D4, 0xE5F6, 0x0017, 0x8000};
    std::copy(rows, rows + 5, block.pp.begin() + 16);
    std::copy(rows + 5, rows + 10, block.pp.begin() + 166);
  }

  // The frame just built: 36 bytes, nothing written beyond them.
  Bytes Built() const {
    EXPECT_TRUE(std::all_of(link.st.szWriteBuf.begin() + kFrameBytes, link.st.szWriteBuf.end(),
                            [](std::uint8_t b) { return b == 0; }));
    return Bytes(link.st.szWriteBuf.begin(), link.st.szWriteBuf.begin() + kFrameBytes);
  }

  SerialPort port;  // never opened
  CountingReporter reporter;
  Link link{port, reporter};
  ParamBlock block;
};

TEST_F(FrameTest, FramesFollowTheByteTablesWithThePreviousFramesBytesAsFiller) {
  // Payload of orders 1, 5 and 7: pp words 0..15 as they stand.
  const Bytes head = {0x00, 0xFA, 0x00, 0x00, 0x00, 0x80, 0x00, 0x03, 0x00, 0x0A, 0x00,
                      0x32, 0x00, 0x1F, 0x00, 0x01, 0x00, 0x00, 0x12, 0x34, 0xAB, 0xCD,
                      0x00, 0xFF, 0xFF, 0x00, 0x80, 0x01, 0x7F, 0xFE, 0xFF, 0xFF};
  for (std::uint8_t order : {5, 7, 1}) {
    Bytes expected = {0x00, 0x55, 0x00, order};
    expected.insert(expected.end(), head.begin(), head.end());
    link.FillTxBuf(block, order, 0);
    EXPECT_EQ(Built(), expected) << "order " << int(order);
  }

  link.FillTxBuf(block, 2, 0);
  EXPECT_EQ(Built(), (Bytes{0x00, 0x55, 0x00, 0x02, 0x00, 0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06,
                            0x07, 0x08, 0x09, 0x0A,
                            // bytes 16..35: left over from the order-1 frame
                            0x00, 0x1F, 0x00, 0x01, 0x00, 0x00, 0x12, 0x34, 0xAB, 0xCD, 0x00, 0xFF,
                            0xFF, 0x00, 0x80, 0x01, 0x7F, 0xFE, 0xFF, 0xFF}));
  link.FillTxBuf(block, 2, 30);
  EXPECT_EQ(Built(),
            (Bytes{0x00, 0x55, 0x00, 0x02, 0x00, 0x1E, 0xA1, 0xB2, 0xC3, 0xD4, 0xE5, 0xF6,
                   0x00, 0x17, 0x80, 0x00, 0x00, 0x1F, 0x00, 0x01, 0x00, 0x00, 0x12, 0x34,
                   0xAB, 0xCD, 0x00, 0xFF, 0xFF, 0x00, 0x80, 0x01, 0x7F, 0xFE, 0xFF, 0xFF}));
  link.FillTxBuf(block, 8, 0, CalibFactors{1000, 750, 1250});
  EXPECT_EQ(Built(),
            (Bytes{0x00, 0x55, 0x00, 0x08, 0x03, 0xE8, 0x02, 0xEE, 0x04, 0xE2,
                   // bytes 10..35: left over from the row-30 frame
                   0xE5, 0xF6, 0x00, 0x17, 0x80, 0x00, 0x00, 0x1F, 0x00, 0x01, 0x00, 0x00, 0x12,
                   0x34, 0xAB, 0xCD, 0x00, 0xFF, 0xFF, 0x00, 0x80, 0x01, 0x7F, 0xFE, 0xFF, 0xFF}));
}

TEST_F(FrameTest, AnswersDecodeAsUnsignedBigEndianWords) {
  const Bytes answer = {0x00, 0x01, 0x01, 0x00, 0xFF, 0xFE, 0x80, 0x00};
  std::copy(answer.begin(), answer.end(), link.st.szReadBuf.begin());
  link.st.szReadBuf[340] = 0xC0;
  link.st.szReadBuf[341] = 0x01;
  DataRecord record;
  link.GetRxBufData(record);
  EXPECT_EQ(std::vector<int>(record.databuf.begin(), record.databuf.begin() + 4),
            (std::vector<int>{1, 256, 65534, 32768}));

  ParamBlock target;
  target.pp.fill(0x4242);
  link.GetRxBufPara(target, 3);  // three words (calibration factors) leave the rest alone
  EXPECT_EQ(target.pp[2], 65534);
  EXPECT_EQ(target.pp[3], 0x4242);
  link.GetRxBufPara(target, anzpara);
  EXPECT_EQ(target.pp[170], 0xC001);  // from bytes 340-341
}

TEST_F(FrameTest, APortThatIsNotOpenIsReportedOncePerOperation) {
  link.BeginWriteOnly(1);
  EXPECT_FALSE(link.SendFrame(block, 1));
  EXPECT_FALSE(link.SendFrame(block, 2, 0));
  EXPECT_EQ(reporter.failures, 1);
  link.BeginWriteOnly(1);  // the next operation reports again
  EXPECT_FALSE(link.SendFrame(block, 1));
  EXPECT_EQ(reporter.failures, 2);
  EXPECT_EQ(link.Request(block, kOrderReadData, kDataBytes), Answer::kFailed);
  EXPECT_EQ(reporter.failures, 3);
  EXPECT_TRUE(reporter.lost.empty());
}

TEST(CopySteps, PanelEditsReachTheirWordsWhileWordsNineToFifteenStay) {
  ParamBlock block;
  for (int i = 0; i < anzpara; ++i) block.pp[i] = static_cast<std::uint16_t>(0x1000 + i);
  block.pp[6] = 40;  // MAXVEC-No. above what the panel can show
  NamedParams vars;
  CopyPPtoVars(block, vars);
  EXPECT_EQ(vars.maxcolno, 31);  // clamped on the variable only
  EXPECT_EQ(block.pp[6], 40);
  EXPECT_EQ(vars.ctt[30][4], 0x1000 + 170);  // row 30, column 4 is the last word

  // The user edits the panel; the block then differs in the edited words
  // and the clamped MAXVEC-No. only.
  ParamBlock expected = block;
  expected.pp[0] = vars.power = 999;
  expected.pp[6] = 31;
  expected.pp[16] = vars.ctt[0][0] = 11;
  expected.pp[21] = vars.ctt[1][0] = 13;
  expected.pp[170] = vars.ctt[30][4] = 14;
  CopyVarsToPP(vars, block);
  EXPECT_EQ(block.pp, expected.pp);
}

TEST(CopySteps, CalibrationDefaultsFillTheWholeBlock) {
  ParamBlock block;
  block.pp.fill(0xFFFF);
  CopyDefaultsToPP(block);
  ParamBlock expected;
  expected.pp.fill(1);  // every teach word
  const std::uint16_t head[16] = {250, 0, 128, 0, 10, 50, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  std::copy(std::begin(head), std::end(head), expected.pp.begin());
  EXPECT_EQ(block.pp, expected.pp);
}

TEST(OpenErrorMessage, EveryCodeHasItsStatusText) {
  const std::pair<int, const char*> texts[] = {
      {-1, "Unknown system error"}, {-2, "Invalid port number"}, {-3, "Port is not open"},
      {-4, "Unknown I/0 error"},    {-5, "RS-232 error!"},       {-6, "No serial port found"},
      {-7, "Cannot open port"},     {-8, "RS-232 error!"},       {-99, "Timeout"},
      {-100, "RS-232 error!"}};
  for (const auto& [code, text] : texts) EXPECT_EQ(OpenErrorMessage(code), text) << code;
}

}  // namespace
}  // namespace tavix::link
