#include "protocol/frame.h"

#include <algorithm>

namespace tavix::protocol {

namespace {

void PutWord(std::uint8_t* at, std::uint16_t word) {
  at[0] = static_cast<std::uint8_t>(word >> 8);
  at[1] = static_cast<std::uint8_t>(word & 0xFF);
}

}  // namespace

void BuildFrame(std::uint8_t* frame, const ParamBlock& block, std::uint16_t order,
                std::uint16_t row, const CalibFactors& factors) {
  PutWord(frame, kSync);
  PutWord(frame + 2, order);
  if (order == kOrderWriteRow) {
    PutWord(frame + 4, row);
    // A row beyond the table would read past the block; such a row is sent
    // with its number but without words (the filler stays as it was).
    if (row < kTeachRows) {
      for (int i = 0; i < kTeachCols; ++i) PutWord(frame + 6 + 2 * i, block.pp[TeachWord(row, i)]);
    }
  } else if (order == kOrderWriteFactors) {
    PutWord(frame + 4, factors.cfrot);
    PutWord(frame + 6, factors.cfgruen);
    PutWord(frame + 8, factors.cfblau);
  } else {
    for (int i = 0; i < anzframe; ++i) PutWord(frame + 4 + 2 * i, block.pp[i]);
  }
}

void DecodeParaWords(const std::uint8_t* answer, int words, ParamBlock& block) {
  const int count = std::clamp(words, 0, static_cast<int>(anzpara));
  for (int i = 0; i < count; ++i) block.pp[i] = AnswerWord(answer, i);
}

void DecodeData(const std::uint8_t* answer, DataRecord& record) {
  for (int i = 0; i < anzdata; ++i) record.databuf[i] = AnswerWord(answer, i);
}

CalibFactors DecodeFactors(const std::uint8_t* answer) {
  return {AnswerWord(answer, 0), AnswerWord(answer, 1), AnswerWord(answer, 2)};
}

void DecodeVersion(const std::uint8_t* answer, std::array<char, kVersionChars + 1>& version) {
  for (int i = 0; i < kVersionChars; ++i) version[i] = static_cast<char>(answer[2 * i + 1]);
  version[kVersionChars] = '\0';
}

}  // namespace tavix::protocol
