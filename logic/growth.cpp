#include "logic/growth.h"

#include <algorithm>
#include <cmath>

namespace tavix::logic {

namespace {

enum Word { kX = 0, kY = 1, kCto = 2, kInt = 3, kIto = 4 };

// Centre distance of two rows, truncated towards zero.
std::int32_t Distance(const std::array<std::uint16_t, 5>& a,
                      const std::array<std::uint16_t, 5>& b) {
  const double dx = std::abs(static_cast<int>(a[kX]) - static_cast<int>(b[kX]));
  const double dy = std::abs(static_cast<int>(a[kY]) - static_cast<int>(b[kY]));
  return static_cast<std::int32_t>(std::sqrt(dx * dx + dy * dy));
}

// True when the closed intensity windows INT - ITO .. INT + ITO share a value.
bool WindowsMeet(const std::array<std::uint16_t, 5>& k, const std::array<std::uint16_t, 5>& p) {
  const auto lowK = static_cast<double>(static_cast<std::int32_t>(k[kInt]) - k[kIto]);
  const auto highK = static_cast<double>(static_cast<std::int32_t>(k[kInt]) + k[kIto]);
  const auto lowP = static_cast<double>(static_cast<std::int32_t>(p[kInt]) - p[kIto]);
  const auto highP = static_cast<double>(static_cast<std::int32_t>(p[kInt]) + p[kIto]);
  return (lowP >= lowK && lowP <= highK) || (lowK >= lowP && lowK <= highP);
}

}  // namespace

void GrowTolerances(protocol::TeachTable& ctt, int maxcolno) {
  const int rows = std::clamp(maxcolno, 0, protocol::kTeachRows);
  for (std::uint8_t j = 2; j <= kMaxGrownCto; ++j) {
    for (int k = 0; k < rows; ++k) {
      auto& rowK = ctt[static_cast<std::size_t>(k)];
      const int ck = rowK[kCto];
      bool conflict = false;
      for (int p = 0; p < rows && !conflict; ++p) {
        if (p == k) continue;
        const auto& rowP = ctt[static_cast<std::size_t>(p)];
        if (Distance(rowK, rowP) <= ck + rowP[kCto]) conflict = WindowsMeet(rowK, rowP);
      }
      if (!conflict) rowK[kCto] = j;
    }
  }
}

}  // namespace tavix::logic
