// Teach-in of live values into the teach table, as a plan of cell writes
// that the panel carries out. No widgets here.
#pragma once

#include <array>
#include <cstdint>

#include "protocol/params.h"

namespace tavix::logic {

// One cell of the teach table: row 0..30, column 0..4 (as in ctt).
struct CellWrite {
  int row = 0;
  int col = 0;
  std::uint16_t value = 0;
};

// What one teach-in does: reset the table first (every cell 1) or not, then
// write the cells in order; afterwards the "No.:" field holds `no`.
struct TeachInPlan {
  bool resetFirst = false;
  std::array<CellWrite, 15> writes{};
  int writeCount = 0;
  std::uint16_t no = 0;
};

// Highest row the "No.:" field names.
inline constexpr std::uint16_t kLastTeachRow = 30;

// The teach-in for evaluation mode `evalmode`, "No.:" field `n`, auto
// increment switch `radioInc` (1 = on) and the live values `data`.
// A field value beyond 30 writes nothing and leaves the field as it is.
TeachInPlan PlanTeachIn(std::uint16_t evalmode, std::uint16_t n, int radioInc,
                        const protocol::DataVars& data);

// The table after a plan: `before` reset first where the plan says so, then written.
protocol::TeachTable ApplyTeachIn(const TeachInPlan& plan, const protocol::TeachTable& before);

// A table with every cell 1 (the empty state).
protocol::TeachTable EmptyTeachTable();

}  // namespace tavix::logic
