// Copy steps between the parameter block, the data record and the named
// variables, and the status texts of a failed open.
#include <gtest/gtest.h>

#include <algorithm>

#include "link/link.h"
#include "link/params.h"
#include "link/serial_port.h"
#include "tests/link/test_support.h"

namespace tavix::link {
namespace {

TEST(CopySteps, MaxColNoAboveThirtyOneIsClampedOnTheVariableOnly) {
  ParamBlock block;
  block.pp[6] = 40;
  NamedParams vars;
  CopyPPtoVars(block, vars);
  EXPECT_EQ(vars.maxcolno, 31);
  EXPECT_EQ(block.pp[6], 40);
  CopyVarsToPP(vars, block);
  EXPECT_EQ(block.pp[6], 31);

  block.pp[6] = 31;
  CopyPPtoVars(block, vars);
  EXPECT_EQ(vars.maxcolno, 31);
}

TEST(CopySteps, ABlockReadFromTheSensorIsSentBackWithWordsNineToFifteenUnchanged) {
  SerialPort port;
  CountingReporter reporter;
  Link link(port, reporter);
  // Answer to order 3: word i = 0x1000 + i, except words 9..15 which carry
  // values the panel never sets.
  for (int i = 0; i < anzpara; ++i) {
    link.st.szReadBuf[2 * i] = static_cast<std::uint8_t>(0x10 + (i >> 8));
    link.st.szReadBuf[2 * i + 1] = static_cast<std::uint8_t>(i & 0xFF);
  }
  const std::uint8_t reserved[14] = {0x01, 0xF4, 0x03, 0x84, 0x0B, 0xB8, 0xDE,
                                     0xAD, 0xBE, 0xEF, 0x80, 0x00, 0xFF, 0xFF};
  std::copy(std::begin(reserved), std::end(reserved), link.st.szReadBuf.begin() + 18);

  ParamBlock block;
  link.GetRxBufPara(block, anzpara);
  NamedParams vars;
  CopyPPtoVars(block, vars);
  vars.power = 999;  // the user edits the panel
  vars.ctt[3][2] = 7;
  CopyVarsToPP(vars, block);
  link.FillTxBuf(block, kOrderWriteRam, 0);

  // Order-1 frame: word 0 edited, words 9..15 (bytes 22..35) as received.
  EXPECT_EQ(link.st.szWriteBuf[4], 0x03);
  EXPECT_EQ(link.st.szWriteBuf[5], 0xE7);
  EXPECT_TRUE(
      std::equal(std::begin(reserved), std::end(reserved), link.st.szWriteBuf.begin() + 22));
  EXPECT_EQ(block.pp[16 + 5 * 3 + 2], 7);
}

TEST(CopySteps, TeachTableCellsMapToTheirBlockWords) {
  NamedParams vars;
  vars.ctt[0][0] = 11;
  vars.ctt[0][4] = 12;
  vars.ctt[1][0] = 13;
  vars.ctt[30][4] = 14;
  ParamBlock block;
  block.pp.fill(0xEEEE);
  CopyVarsToPP(vars, block);
  EXPECT_EQ(block.pp[16], 11);
  EXPECT_EQ(block.pp[20], 12);
  EXPECT_EQ(block.pp[21], 13);
  EXPECT_EQ(block.pp[170], 14);  // row 30, column 4 is the last word
  EXPECT_EQ(block.pp[9], 0xEEEE);
  EXPECT_EQ(block.pp[15], 0xEEEE);
  EXPECT_EQ(TeachWord(30, 4), 170);

  NamedParams back;
  CopyPPtoVars(block, back);
  EXPECT_EQ(back.ctt, vars.ctt);
}

TEST(CopySteps, DataWordsZeroToTenFillTheDataVariables) {
  DataRecord record;
  for (int i = 0; i < anzdata; ++i) record.databuf[i] = static_cast<std::uint16_t>(100 + i);
  DataVars vars;
  CopyDatatoVars(record, vars);
  EXPECT_EQ(vars.dataR, 100);
  EXPECT_EQ(vars.dataG, 101);
  EXPECT_EQ(vars.dataB, 102);
  EXPECT_EQ(vars.dataX, 103);
  EXPECT_EQ(vars.dataY, 104);
  EXPECT_EQ(vars.dataINT, 105);
  EXPECT_EQ(vars.dataCOL, 106);
  EXPECT_EQ(vars.dataRawR, 107);
  EXPECT_EQ(vars.dataRawG, 108);
  EXPECT_EQ(vars.dataRawB, 109);
  EXPECT_EQ(vars.dataGF, 110);

  // The calibration program takes words 0..9 only.
  DataVars calib;
  calib.dataGF = 4242;
  CopyDatatoVarsCalib(record, calib);
  EXPECT_EQ(calib.dataRawB, 109);
  EXPECT_EQ(calib.dataGF, 4242);
}

TEST(CopySteps, CalibrationDefaultsFillTheWholeBlock) {
  ParamBlock block;
  block.pp.fill(0xFFFF);
  CopyDefaultsToPP(block);
  const std::uint16_t head[16] = {250, 0, 128, 0, 10, 50, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_TRUE(std::equal(std::begin(head), std::end(head), block.pp.begin()));
  EXPECT_TRUE(std::all_of(block.pp.begin() + 16, block.pp.end(), [](auto w) { return w == 1; }));
}

TEST(OpenErrorMessage, EveryCodeHasItsStatusText) {
  EXPECT_EQ(OpenErrorMessage(-1), "Unknown system error");
  EXPECT_EQ(OpenErrorMessage(-2), "Invalid port number");
  EXPECT_EQ(OpenErrorMessage(-3), "Port is not open");
  EXPECT_EQ(OpenErrorMessage(-4), "Unknown I/0 error");
  EXPECT_EQ(OpenErrorMessage(-5), "RS-232 error!");
  EXPECT_EQ(OpenErrorMessage(-6), "No serial port found");
  EXPECT_EQ(OpenErrorMessage(-7), "Cannot open port");
  EXPECT_EQ(OpenErrorMessage(-8), "RS-232 error!");
  EXPECT_EQ(OpenErrorMessage(-99), "Timeout");
  EXPECT_EQ(OpenErrorMessage(-100), "RS-232 error!");
}

}  // namespace
}  // namespace tavix::link
