// The value codes of the parameter words and of the programs' selections,
// as the layouts, the parameter files and the sensor use them. A word read
// from the sensor, a file or a control may hold any value, so words stay
// plain 16-bit numbers and are compared with these codes.
#pragma once

#include <cstdint>
#include <type_traits>

namespace tavix::protocol {

// Power mode; the sensor treats every value other than STAT as DYN.
enum class Pmod : std::uint16_t { kStat = 0, kDyn = 1 };

enum class Trigger : std::uint16_t { kCont = 0, kExt = 1 };

enum class Outmode : std::uint16_t { kDirectLo = 0, kBinary = 1, kDirectHi = 2 };

enum class Evalmode : std::uint16_t {
  kXyInt = 0,
  kXy = 1,
  kXyIntCont = 2,
  k20DegLimits = 3,
  k60DegLimits = 4,
  k80DegLimits = 5,
  kAllDegLimits = 6,  // 20/60/80DEG UL/LL
  kGloss60Deg = 7,
};
inline constexpr int kEvalmodes = 8;

// The signal the scope shows.
enum class Source : std::uint16_t {
  kXy = 0,
  kAllDeg = 1,  // 20/60/80DEG
  k20Deg = 2,
  k60Deg = 3,
  k80Deg = 4,
  kInt = 5,
  kGloss = 6,
};
inline constexpr int kSources = 7;

// Where a parameter set goes to or comes from.
enum class Target : std::uint16_t { RAM = 1, EEPROM = 2, DATFILE = 3 };

template <class E>
concept ValueCode =
    std::is_same_v<E, Pmod> || std::is_same_v<E, Trigger> || std::is_same_v<E, Outmode> ||
    std::is_same_v<E, Evalmode> || std::is_same_v<E, Source> || std::is_same_v<E, Target>;

// The word a code stands for.
template <ValueCode E>
constexpr std::uint16_t Word(E code) {
  return static_cast<std::uint16_t>(code);
}

// A word against a code (and, rewritten, a code against a word; != too).
template <ValueCode E>
constexpr bool operator==(std::uint16_t word, E code) {
  return word == Word(code);
}

}  // namespace tavix::protocol
