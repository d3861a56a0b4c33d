// The parameter block and the data record, their named variables and the
// copy steps between them.
#pragma once

#include <array>
#include <cstdint>

namespace tavix::protocol {

inline constexpr std::uint16_t anzpara = 171;  // words of the parameter block
inline constexpr std::uint16_t anzdata = 16;   // words of one data record
inline constexpr int kTeachRows = 31;
inline constexpr int kTeachCols = 5;
inline constexpr int kTeachFirstWord = 16;  // pp word of teach-table row 0, column 0
inline constexpr std::uint16_t kMaxColNo = 31;

// Word index in pp of teach-table row r (0..30), column c (0..4).
constexpr int TeachWord(int r, int c) {
  return kTeachFirstWord + kTeachCols * r + c;
}

using TeachTable = std::array<std::array<std::uint16_t, kTeachCols>, kTeachRows>;

// The block as it travels to and from the sensor and parameter files.
struct ParamBlock {
  std::array<std::uint16_t, anzpara> pp{};
};

// Words 0 to 8 as the scope program names them, and the teach table.
struct NamedParams {
  std::uint16_t power = 0;
  std::uint16_t pmod = 0;
  std::uint16_t average = 0;
  std::uint16_t evalmode = 0;
  std::uint16_t hold = 0;
  std::uint16_t intlim = 0;
  std::uint16_t maxcolno = 0;
  std::uint16_t outmode = 0;
  std::uint16_t trigger = 0;
  TeachTable ctt{};
};

struct DataRecord {
  std::array<std::uint16_t, anzdata> databuf{};
};

// The data variables, words 0 to 10 of the record.
struct DataVars {
  std::uint16_t dataR = 0;
  std::uint16_t dataG = 0;
  std::uint16_t dataB = 0;
  std::uint16_t dataX = 0;
  std::uint16_t dataY = 0;
  std::uint16_t dataINT = 0;
  std::uint16_t dataCOL = 0;
  std::uint16_t dataRawR = 0;
  std::uint16_t dataRawG = 0;
  std::uint16_t dataRawB = 0;
  std::uint16_t dataGF = 0;
};

// The calibration program's three channel factors (thousandths).
struct CalibFactors {
  std::uint16_t cfrot = 1000;
  std::uint16_t cfgruen = 1000;
  std::uint16_t cfblau = 1000;
};

// Scope program: words 0-8 and the teach table into pp; words 9-15 untouched.
void CopyVarsToPP(const NamedParams& vars, ParamBlock& block);
// Scope program: pp into words 0-8 and the teach table; maxcolno clamped to 31
// on the variable only (the block keeps what it holds).
void CopyPPtoVars(const ParamBlock& block, NamedParams& vars);
// Scope program: record words 0-10 into the eleven data variables.
void CopyDatatoVars(const DataRecord& record, DataVars& vars);
// Calibration program: record words 0-9 only (it has no gloss factor).
void CopyDatatoVarsCalib(const DataRecord& record, DataVars& vars);
// Calibration program's CopyVarsToPP: the whole block becomes its fixed
// default parameter set (power 250, average 128, hold 10, intlim 50,
// maxcolno 1, the rest of words 0-15 zero, every teach word 1).
void CopyDefaultsToPP(ParamBlock& block);

}  // namespace tavix::protocol
