#include "logic/teach_in.h"

#include <algorithm>

#include "protocol/codes.h"

namespace tavix::logic {

namespace {

using protocol::Evalmode;

constexpr std::uint16_t kWindowHalf = 150;  // channel windows UL/LL = v +- 150
constexpr std::uint16_t kGlossHalf = 25;    // gloss windows UL/LL = v +- 25
constexpr std::uint16_t kCircle = 150;      // CTO and ITO of a colour vector
constexpr std::uint16_t kCircleXY = 50;     // CTO in the X/Y-only mode

void Add(TeachInPlan& plan, int row, int col, int value) {
  plan.writes[static_cast<std::size_t>(plan.writeCount++)] =
      CellWrite{row, col, static_cast<std::uint16_t>(value)};
}

// A channel window around v, kept inside 0..4095.
void ChannelWindow(TeachInPlan& plan, int row, std::uint16_t channel) {
  const int v = std::max(std::min<int>(channel, 3945), 150);
  Add(plan, row, 0, v + kWindowHalf);
  Add(plan, row, 1, v - kWindowHalf);
}

void Advance(TeachInPlan& plan, std::uint16_t n, int radioInc) {
  plan.no = (radioInc == 1 && n < kLastTeachRow) ? static_cast<std::uint16_t>(n + 1) : n;
}

}  // namespace

TeachInPlan PlanTeachIn(std::uint16_t evalmode, std::uint16_t n, int radioInc,
                        const protocol::DataVars& data) {
  TeachInPlan plan;
  plan.no = n;
  switch (static_cast<Evalmode>(evalmode)) {
    case Evalmode::k20DegLimits:
    case Evalmode::k60DegLimits:
    case Evalmode::k80DegLimits: {
      const std::uint16_t v = evalmode == Evalmode::k20DegLimits   ? data.dataR
                              : evalmode == Evalmode::k60DegLimits ? data.dataG
                                                                   : data.dataB;
      plan.resetFirst = true;
      ChannelWindow(plan, 0, v);
      plan.no = 0;
      return plan;
    }
    case Evalmode::kAllDegLimits:
      plan.resetFirst = true;
      ChannelWindow(plan, 0, data.dataR);
      ChannelWindow(plan, 1, data.dataG);
      ChannelWindow(plan, 2, data.dataB);
      plan.no = 0;
      return plan;
    default:
      break;
  }

  if (n > kLastTeachRow) return plan;  // no such row
  if (evalmode == Evalmode::kXy) {
    Add(plan, n, 0, data.dataX);
    Add(plan, n, 1, data.dataY);
    Add(plan, n, 2, kCircleXY);
  } else if (evalmode == Evalmode::kGloss60Deg) {
    const int v = std::max(std::min<int>(data.dataGF, 975), 25);
    Add(plan, n, 0, v + kGlossHalf);
    Add(plan, n, 1, v - kGlossHalf);
  } else {  // X/Y/INT, X/Y/INT CONT and any other value
    Add(plan, n, 0, data.dataX);
    Add(plan, n, 1, data.dataY);
    Add(plan, n, 2, kCircle);
    Add(plan, n, 3, data.dataINT);
    Add(plan, n, 4, kCircle);
  }
  Advance(plan, n, radioInc);
  return plan;
}

protocol::TeachTable EmptyTeachTable() {
  protocol::TeachTable table;
  for (auto& row : table) row.fill(1);
  return table;
}

protocol::TeachTable ApplyTeachIn(const TeachInPlan& plan, const protocol::TeachTable& before) {
  protocol::TeachTable table = plan.resetFirst ? EmptyTeachTable() : before;
  for (int i = 0; i < plan.writeCount; ++i) {
    const CellWrite& w = plan.writes[static_cast<std::size_t>(i)];
    table[static_cast<std::size_t>(w.row)][static_cast<std::size_t>(w.col)] = w.value;
  }
  return table;
}

}  // namespace tavix::logic
