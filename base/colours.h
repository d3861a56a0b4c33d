// Colours are 24-bit RGB values written 0xRRGGBB. These mark states the
// programs show in more than one place: active and inactive teach-table
// rows and the zoom cursor (green, red), and a button whose long operation
// runs (red) or has ended (light grey).
#pragma once

#include <cstdint>

namespace tavix {

inline constexpr std::uint32_t kRed = 0xFF0000;
inline constexpr std::uint32_t kGreen = 0x008000;
inline constexpr std::uint32_t kLightGrey = 0xE0E0E0;

}  // namespace tavix
