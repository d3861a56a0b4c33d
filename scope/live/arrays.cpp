#include "scope/live/arrays.h"

#include <cstdlib>

namespace tavix::scope {

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

}  // namespace tavix::scope
