// The live history: the last 100 frames of the channel chart and of the
// gloss chart, newest at the end, and the array routines that shift it.
#pragma once

#include <array>
#include <cstdint>

namespace tavix::logic {

inline constexpr int kHistoryFrames = 100;
inline constexpr int kChannelWords = 7;  // R, G, B, INT, COL, upper, lower
inline constexpr int kGlossWords = 3;    // GF, upper, lower
inline constexpr int kChannelValues = kHistoryFrames * kChannelWords;  // 700
inline constexpr int kGlossValues = kHistoryFrames * kGlossWords;      // 300

using ChannelHistory = std::array<double, kChannelValues>;  // alldata
using GlossHistory = std::array<double, kGlossValues>;      // gfbuf

inline constexpr std::int32_t kErrCountTooSmall = -20003;  // n < 1
inline constexpr std::int32_t kErrShiftTooLarge = -20102;  // |shift| >= n

// Copies n elements from input to output. 0, or kErrCountTooSmall.
std::int32_t Copy1D(const double* input, int n, double* output);

// Shifts n elements by `shift` places (negative: towards the start), filling
// the places left behind with 0. Works in place (input == output). 0, or an
// error code.
std::int32_t Shift(const double* input, int n, int shift, double* output);

// Drops the oldest frame and appends `frame` as the newest.
void PushFrame(ChannelHistory& alldata, const std::array<double, kChannelWords>& frame);
void PushFrame(GlossHistory& gfbuf, const std::array<double, kGlossWords>& frame);

}  // namespace tavix::logic
