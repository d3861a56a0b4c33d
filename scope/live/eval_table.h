// What each evaluation mode does to the main panel, as data.
#pragma once

#include <array>
#include <cstdint>

namespace tavix::scope {

inline constexpr int kNotWritten = -1;

struct EvalModeRow {
  std::uint16_t source = 0;  // SOURCE the mode selects
  // Values written to the panel (kNotWritten: left as it is), in this order.
  int trigger = kNotWritten;
  int intlim = kNotWritten;
  int pmod = kNotWritten;
  int maxcolno = kNotWritten;
  int outmode = kNotWritten;
  // Locked (dimmed) or free.
  bool lockTrigger = false;
  bool lockIntlim = false;
  bool lockMaxcolno = false;
  bool lockOutmode = false;
  bool lockPmod = false;
  bool calibButton = false;  // the 60-degree gloss calibration button is shown
  std::array<const char*, 5> labels{};
};

inline constexpr std::array<const char*, 5> kVectorLabels = {"X", "Y", "CTO", "INT", "ITO"};
inline constexpr std::array<const char*, 5> kLimitLabels = {"UL", "LL", "", "", ""};

// The channel-limit modes (3 to 6): one signal against upper and lower
// limits, every parameter the mode fixes written and locked.
constexpr EvalModeRow ChannelLimitMode(std::uint16_t source, int maxcolno) {
  return {.source = source,
          .trigger = 0,
          .intlim = 0,
          .pmod = 0,
          .maxcolno = maxcolno,
          .outmode = 1,
          .lockTrigger = true,
          .lockIntlim = true,
          .lockMaxcolno = true,
          .lockOutmode = true,
          .lockPmod = true,
          .labels = kLimitLabels};
}

inline constexpr int kEvalModes = 8;
inline constexpr std::uint16_t kModeGloss = 7;

inline constexpr EvalModeRow kEvalModeTable[kEvalModes] = {
    /* 0 X/Y/INT */ {.source = 0, .labels = kVectorLabels},
    /* 1 X/Y */ {.source = 0, .labels = {"X", "Y", "", "", ""}},
    /* 2 X/Y/INT CONT */
    {.source = 0, .trigger = 0, .lockTrigger = true, .labels = kVectorLabels},
    /* 3 20DEG UL/LL */ ChannelLimitMode(2, 1),
    /* 4 60DEG UL/LL */ ChannelLimitMode(3, 1),
    /* 5 80DEG UL/LL */ ChannelLimitMode(4, 1),
    /* 6 20/60/80DEG UL/LL */ ChannelLimitMode(1, 3),
    /* 7 GF 60DEG */
    {.source = 6,
     .trigger = 0,
     .intlim = 0,
     .pmod = 0,
     .lockTrigger = true,
     .lockIntlim = true,
     .lockPmod = true,
     .calibButton = true,
     .labels = kLimitLabels},
};

// Visibility of the display groups by SOURCE.
struct SourceRow {
  bool channelNumerics;
  bool colourValues;
  bool vno;
  bool gloss;
  bool xyGraph;
  bool channelChart;
  bool glossChart;
};

inline constexpr int kSources = 7;
inline constexpr SourceRow kSourceTable[kSources] = {
    {false, true, true, false, true, false, false},   // 0 X/Y
    {true, false, false, false, false, true, false},  // 1 20/60/80DEG
    {true, false, false, false, false, true, false},  // 2 20DEG
    {true, false, false, false, false, true, false},  // 3 60DEG
    {true, false, false, false, false, true, false},  // 4 80DEG
    {false, true, true, false, false, true, false},   // 5 INT
    {true, false, true, true, false, false, true},    // 6 GF
};

// Channel chart traces 1..5 shown by SOURCE 1..5, and the evaluation mode
// whose limit lines (traces 6, 7) go with them (-1: always).
struct TraceRow {
  bool traces[5];
  int limitMode;
};
inline constexpr TraceRow kTraceTable[kSources] = {
    {{false, false, false, false, false}, 0},  // 0: traces left as they are
    {{true, true, true, false, false}, 6},
    {{true, false, false, false, false}, 3},
    {{false, true, false, false, false}, 4},
    {{false, false, true, false, false}, 5},
    {{false, false, false, true, false}, -1},
    {{false, false, false, false, false}, 0},  // 6: traces left as they are
};

}  // namespace tavix::scope
