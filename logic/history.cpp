#include "logic/history.h"

#include <cstdlib>

namespace tavix::logic {

std::int32_t Copy1D(const double* input, int n, double* output) {
  if (n < 1) return kErrCountTooSmall;
  for (int k = 0; k < n; ++k) output[k] = input[k];
  return 0;
}

std::int32_t Shift(const double* input, int n, int shift, double* output) {
  if (n < 1) return kErrCountTooSmall;
  if (std::abs(shift) >= n) return kErrShiftTooLarge;
  if (shift == 0) return Copy1D(input, n, output);
  if (shift < 0) {
    const int s = -shift;
    // Upwards, so that an in-place shift reads each element before it is overwritten.
    for (int k = s; k < n; ++k) output[k - s] = input[k];
    for (int k = n - s; k < n; ++k) output[k] = 0.0;
  } else {
    for (int k = n - 1; k >= shift; --k) output[k] = input[k - shift];
    for (int k = 0; k < shift; ++k) output[k] = 0.0;
  }
  return 0;
}

namespace {

template <std::size_t N, std::size_t W>
void Push(std::array<double, N>& history, const std::array<double, W>& frame) {
  constexpr int n = static_cast<int>(N);
  constexpr int w = static_cast<int>(W);
  Shift(history.data(), n, -w, history.data());
  for (int k = 0; k < w; ++k) history[static_cast<std::size_t>(n - w + k)] = frame[k];
}

}  // namespace

void PushFrame(ChannelHistory& alldata, const std::array<double, kChannelWords>& frame) {
  Push(alldata, frame);
}

void PushFrame(GlossHistory& gfbuf, const std::array<double, kGlossWords>& frame) {
  Push(gfbuf, frame);
}

}  // namespace tavix::logic
