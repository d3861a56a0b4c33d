// Array routines on doubles used by the live history.
#pragma once

#include <cstdint>

namespace tavix::scope {

inline constexpr std::int32_t kErrCountTooSmall = -20003;  // n < 1
inline constexpr std::int32_t kErrShiftTooLarge = -20102;  // |shift| >= n

// Copies n elements from input to output. 0, or kErrCountTooSmall.
std::int32_t Copy1D(const double* input, int n, double* output);

// Shifts n elements by `shift` places (negative: towards the start), filling
// the places left behind with 0. Works in place (input == output). 0, or an
// error code.
std::int32_t Shift(const double* input, int n, int shift, double* output);

}  // namespace tavix::scope
