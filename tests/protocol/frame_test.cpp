// Frames against bytes written out by hand. (The decoding of answers: the
// e2e suites compare every word of the records, factors and versions shown
// with what the simulator sent.)
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "protocol/frame.h"

namespace tavix::protocol {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(Frames, FollowTheByteTablesWithThePreviousFramesBytesAsFiller) {
  std::uint8_t buffer[kFrameBytes] = {};
  const auto built = [&buffer] { return Bytes(buffer, buffer + kFrameBytes); };
  ParamBlock block;
  const std::uint16_t head[16] = {250,    0x1234, 0xABCD, 0x00FF, 0xFF00, 0x8001, 0x7FFE, 0xFFFF,
                                  0x0102, 0x0304, 0x0506, 0x0708, 0x090A, 0x0B0C, 0x0D0E, 0x0F10};
  std::copy(std::begin(head), std::end(head), block.pp.begin());
  const std::uint16_t row30[5] = {0xA1B2, 0xC3D4, 0xE5F6, 0x0017, 0x8000};  // words 166..170
  std::copy(std::begin(row30), std::end(row30), block.pp.begin() + 166);
  // Orders 1, 5 and 7 carry words 0..15 as they stand.
  Bytes frame = {0x00, 0x55, 0x00, 0x00, 0x00, 0xFA, 0x12, 0x34, 0xAB, 0xCD, 0x00, 0xFF,
                 0xFF, 0x00, 0x80, 0x01, 0x7F, 0xFE, 0xFF, 0xFF, 0x01, 0x02, 0x03, 0x04,
                 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F, 0x10};
  for (std::uint8_t order : {5, 7, 1}) {
    frame[3] = order;
    BuildFrame(buffer, block, order);
    EXPECT_EQ(built(), frame) << "order " << int(order);
  }
  // The others overwrite the head of the frame before them.
  const Bytes row = {0x00, 0x55, 0x00, 0x02, 0x00, 0x1E, 0xA1, 0xB2,
                     0xC3, 0xD4, 0xE5, 0xF6, 0x00, 0x17, 0x80, 0x00};
  std::copy(row.begin(), row.end(), frame.begin());
  BuildFrame(buffer, block, kOrderWriteRow, 30);
  EXPECT_EQ(built(), frame);
  const Bytes factors = {0x00, 0x55, 0x00, 0x08, 0x03, 0xE8, 0x02, 0xEE, 0x04, 0xE2};
  std::copy(factors.begin(), factors.end(), frame.begin());
  BuildFrame(buffer, block, kOrderWriteFactors, 0, CalibFactors{1000, 750, 1250});
  EXPECT_EQ(built(), frame);
}

}  // namespace
}  // namespace tavix::protocol
