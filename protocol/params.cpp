#include "protocol/params.h"

#include "protocol/codes.h"

namespace tavix::protocol {

void CopyVarsToPP(const NamedParams& vars, ParamBlock& block) {
  auto& pp = block.pp;
  pp[0] = vars.power;
  pp[1] = vars.pmod;
  pp[2] = vars.average;
  pp[3] = vars.evalmode;
  pp[4] = vars.hold;
  pp[5] = vars.intlim;
  pp[6] = vars.maxcolno;
  pp[7] = vars.outmode;
  pp[8] = vars.trigger;
  // Words 9 to 15 (gloss calibration, reserved) keep what they hold.
  int word = kTeachFirstWord;
  for (int r = 0; r < kTeachRows; ++r) {
    for (int c = 0; c < kTeachCols; ++c) pp[word++] = vars.ctt[r][c];
  }
}

void CopyPPtoVars(const ParamBlock& block, NamedParams& vars) {
  const auto& pp = block.pp;
  vars.power = pp[0];
  vars.pmod = pp[1];
  vars.average = pp[2];
  vars.evalmode = pp[3];
  vars.hold = pp[4];
  vars.intlim = pp[5];
  vars.maxcolno = pp[6];
  vars.outmode = pp[7];
  vars.trigger = pp[8];
  int word = kTeachFirstWord;
  for (int r = 0; r < kTeachRows; ++r) {
    for (int c = 0; c < kTeachCols; ++c) vars.ctt[r][c] = pp[word++];
  }
  if (vars.maxcolno > kMaxColNo) vars.maxcolno = kMaxColNo;
}

void CopyDatatoVarsCalib(const DataRecord& record, DataVars& vars) {
  const auto& d = record.databuf;
  vars.dataR = d[0];
  vars.dataG = d[1];
  vars.dataB = d[2];
  vars.dataX = d[3];
  vars.dataY = d[4];
  vars.dataINT = d[5];
  vars.dataCOL = d[6];
  vars.dataRawR = d[7];
  vars.dataRawG = d[8];
  vars.dataRawB = d[9];
}

void CopyDatatoVars(const DataRecord& record, DataVars& vars) {
  CopyDatatoVarsCalib(record, vars);
  vars.dataGF = record.databuf[10];
}

void CopyDefaultsToPP(ParamBlock& block) {
  auto& pp = block.pp;
  pp.fill(0);
  pp[0] = 250;  // power
  pp[1] = Word(Pmod::kStat);
  pp[2] = 128;  // average
  pp[3] = Word(Evalmode::kXyInt);
  pp[4] = 10;  // hold
  pp[5] = 50;  // intlim
  pp[6] = 1;   // maxcolno
  int word = kTeachFirstWord;
  for (int r = 0; r < kTeachRows; ++r) {
    for (int c = 0; c < kTeachCols; ++c) pp[word++] = 1;
  }
}

}  // namespace tavix::protocol
