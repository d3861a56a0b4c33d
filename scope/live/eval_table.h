// What each evaluation mode does to the main panel, as data.
#pragma once

#include <cstdint>

namespace tavix::scope {

inline constexpr int kNotWritten = -1;

struct EvalModeRow {
  std::uint16_t source;  // SOURCE the mode selects
  // Values written to the panel (kNotWritten: left as it is), in this order.
  int trigger;
  int intlim;
  int pmod;
  int maxcolno;
  int outmode;
  // Locked (dimmed) or free.
  bool lockTrigger;
  bool lockIntlim;
  bool lockMaxcolno;
  bool lockOutmode;
  bool lockPmod;
  bool calibButton;  // the 60-degree gloss calibration button is shown
  const char* labels[5];
};

inline constexpr int kEvalModes = 8;
inline constexpr std::uint16_t kModeGloss = 7;

inline constexpr EvalModeRow kEvalModeTable[kEvalModes] = {
    {0,
     kNotWritten,
     kNotWritten,
     kNotWritten,
     kNotWritten,
     kNotWritten,
     false,
     false,
     false,
     false,
     false,
     false,
     {"X", "Y", "CTO", "INT", "ITO"}},
    {0,
     kNotWritten,
     kNotWritten,
     kNotWritten,
     kNotWritten,
     kNotWritten,
     false,
     false,
     false,
     false,
     false,
     false,
     {"X", "Y", "", "", ""}},
    {0,
     0,
     kNotWritten,
     kNotWritten,
     kNotWritten,
     kNotWritten,
     true,
     false,
     false,
     false,
     false,
     false,
     {"X", "Y", "CTO", "INT", "ITO"}},
    {2, 0, 0, 0, 1, 1, true, true, true, true, true, false, {"UL", "LL", "", "", ""}},
    {3, 0, 0, 0, 1, 1, true, true, true, true, true, false, {"UL", "LL", "", "", ""}},
    {4, 0, 0, 0, 1, 1, true, true, true, true, true, false, {"UL", "LL", "", "", ""}},
    {1, 0, 0, 0, 3, 1, true, true, true, true, true, false, {"UL", "LL", "", "", ""}},
    {6,
     0,
     0,
     0,
     kNotWritten,
     kNotWritten,
     true,
     true,
     false,
     false,
     true,
     true,
     {"UL", "LL", "", "", ""}},
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
