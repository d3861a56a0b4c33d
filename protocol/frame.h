// The frame protocol: request frames, order codes, answer sizes and settle
// delays, and the building and decoding of the bytes on the line. No I/O:
// the link sends what is built here and hands back what came.
#pragma once

#include <array>
#include <cstdint>

#include "protocol/params.h"

namespace tavix::protocol {

inline constexpr std::uint16_t kSync = 0x0055;
inline constexpr std::uint16_t anzframe = 16;         // payload words of every request
inline constexpr int kFrameBytes = anzframe * 2 + 4;  // 36
inline constexpr int kVersionBytes = 96;              // answer to order 7
inline constexpr int kVersionChars = 48;
inline constexpr int kParaBytes = anzpara * 2;  // answer to orders 3, 4
inline constexpr int kDataBytes = anzdata * 2;  // answer to orders 5, 11
inline constexpr int kFactorBytes = 6;          // answer to order 9

// Order codes.
enum Order : std::uint16_t {
  kOrderWriteRam = 1,
  kOrderWriteRow = 2,
  kOrderReadRam = 3,
  kOrderReadEeprom = 4,
  kOrderReadData = 5,
  kOrderStoreEeprom = 6,
  kOrderReadVersion = 7,
  kOrderWriteFactors = 8,
  kOrderReadFactors = 9,
  kOrderWriteGloss = 10,
  kOrderReadGloss = 11,
};

// Settle delays (seconds) the operations set when they start.
inline constexpr double kSettleStart = 0.1;
inline constexpr double kSettleSendPara = 1.0;
inline constexpr double kSettleGetPara = 0.1;
inline constexpr double kSettleGetCF = 0.1;   // read the calibration factors
inline constexpr double kSettleSendCF = 0.8;  // write them to EEPROM

// Builds the request for `order` at the start of `frame`: sync word, order,
// payload, each word high byte first. Order 2 carries `row` and that row's
// five teach words, order 8 the three factors, every other order words 0 to
// 15 of the block. Bytes a frame does not write keep what they held: the
// previous frame's bytes are its filler.
void BuildFrame(std::uint8_t* frame, const ParamBlock& block, std::uint16_t order,
                std::uint16_t row = 0, const CalibFactors& factors = CalibFactors{});

// Word i of an answer: byte 2i * 256 + byte 2i+1.
constexpr std::uint16_t AnswerWord(const std::uint8_t* answer, int i) {
  return static_cast<std::uint16_t>(answer[2 * i] * 256 + answer[2 * i + 1]);
}

// The first `words` words of an answer into pp (at most 171).
void DecodeParaWords(const std::uint8_t* answer, int words, ParamBlock& block);
// An order-5 answer into the data record.
void DecodeData(const std::uint8_t* answer, DataRecord& record);
// An order-9 answer: the three factors.
CalibFactors DecodeFactors(const std::uint8_t* answer);
// An order-7 answer: the low byte of each of its 48 words, NUL-terminated.
void DecodeVersion(const std::uint8_t* answer, std::array<char, kVersionChars + 1>& version);

}  // namespace tavix::protocol
