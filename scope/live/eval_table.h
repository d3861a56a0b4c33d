// What each evaluation mode does to the main panel, as data.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "protocol/codes.h"

namespace tavix::scope {

using PanelValue =
    std::optional<std::uint16_t>;  // a value written to the panel; none: left as it is

struct EvalModeRow {
  protocol::Source source = protocol::Source::kXy;  // SOURCE the mode selects
  // Values written to the panel, in this order.
  PanelValue trigger{};
  PanelValue intlim{};
  PanelValue pmod{};
  PanelValue maxcolno{};
  PanelValue outmode{};
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

inline constexpr std::uint16_t kCont = protocol::Word(protocol::Trigger::kCont);
inline constexpr std::uint16_t kStat = protocol::Word(protocol::Pmod::kStat);

// The channel-limit modes: one signal against upper and lower limits,
// every parameter the mode fixes written and locked.
constexpr EvalModeRow ChannelLimitMode(protocol::Source source, std::uint16_t maxcolno) {
  return {.source = source,
          .trigger = kCont,
          .intlim = 0,
          .pmod = kStat,
          .maxcolno = maxcolno,
          .outmode = protocol::Word(protocol::Outmode::kBinary),
          .lockTrigger = true,
          .lockIntlim = true,
          .lockMaxcolno = true,
          .lockOutmode = true,
          .lockPmod = true,
          .labels = kLimitLabels};
}

// Indexed by the evaluation mode's code.
inline constexpr EvalModeRow kEvalModeTable[protocol::kEvalmodes] = {
    /* X/Y/INT */ {.labels = kVectorLabels},
    /* X/Y */ {.labels = {"X", "Y", "", "", ""}},
    /* X/Y/INT CONT */ {.trigger = kCont, .lockTrigger = true, .labels = kVectorLabels},
    /* 20DEG UL/LL */ ChannelLimitMode(protocol::Source::k20Deg, 1),
    /* 60DEG UL/LL */ ChannelLimitMode(protocol::Source::k60Deg, 1),
    /* 80DEG UL/LL */ ChannelLimitMode(protocol::Source::k80Deg, 1),
    /* 20/60/80DEG UL/LL */ ChannelLimitMode(protocol::Source::kAllDeg, 3),
    /* GF 60DEG */
    {.source = protocol::Source::kGloss,
     .trigger = kCont,
     .intlim = 0,
     .pmod = kStat,
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

// Indexed by the SOURCE code.
inline constexpr SourceRow kSourceTable[protocol::kSources] = {
    {false, true, true, false, true, false, false},   // X/Y
    {true, false, false, false, false, true, false},  // 20/60/80DEG
    {true, false, false, false, false, true, false},  // 20DEG
    {true, false, false, false, false, true, false},  // 60DEG
    {true, false, false, false, false, true, false},  // 80DEG
    {false, true, true, false, false, true, false},   // INT
    {true, false, true, true, false, false, true},    // GF
};

// Channel chart traces 1..5 shown by SOURCE, and the evaluation mode whose
// limit lines (traces 6, 7) go with them (none: always). X/Y and GF have no
// channel traces.
struct TraceRow {
  bool traces[5];
  std::optional<protocol::Evalmode> limitMode;
};
inline constexpr TraceRow kTraceTable[protocol::kSources] = {
    {{false, false, false, false, false}, {}},  // X/Y: not used
    {{true, true, true, false, false}, protocol::Evalmode::kAllDegLimits},
    {{true, false, false, false, false}, protocol::Evalmode::k20DegLimits},
    {{false, true, false, false, false}, protocol::Evalmode::k60DegLimits},
    {{false, false, true, false, false}, protocol::Evalmode::k80DegLimits},
    {{false, false, false, true, false}, {}},
    {{false, false, false, false, false}, {}},  // GF: not used
};

}  // namespace tavix::scope
