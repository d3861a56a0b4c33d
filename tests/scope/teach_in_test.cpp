// Teach-in of live values, mode by mode.
#include <gtest/gtest.h>

#include <algorithm>

#include "scope/teach/teach_in.h"

namespace tavix::scope {
namespace {

using Row = std::array<std::uint16_t, 5>;

// A table whose cells all differ from 1 and from each other.
link::TeachTable Filled() {
  link::TeachTable t{};
  for (int r = 0; r < link::kTeachRows; ++r) {
    for (int c = 0; c < link::kTeachCols; ++c)
      t[r][c] = static_cast<std::uint16_t>(1000 + 10 * r + c);
  }
  return t;
}

link::DataVars Live() {
  link::DataVars d;
  d.dataR = 2100;
  d.dataG = 1900;
  d.dataB = 1700;
  d.dataX = 1366;
  d.dataY = 1241;
  d.dataINT = 1890;
  d.dataCOL = 3;
  d.dataGF = 640;
  return d;
}

// Every row except `rows` is as in `before`.
void ExpectOtherRowsKept(const link::TeachTable& after, const link::TeachTable& before,
                         std::initializer_list<int> rows) {
  for (int r = 0; r < link::kTeachRows; ++r) {
    if (std::find(rows.begin(), rows.end(), r) != rows.end()) continue;
    EXPECT_EQ(after[r], before[r]) << "row " << r;
  }
}

TEST(TeachIn, ColourModesWriteTheRowAndAdvanceTheField) {
  const link::TeachTable before = Filled();
  for (std::uint16_t mode : {0, 2, 8, 65535}) {  // 0, 2 and any other value
    SCOPED_TRACE(mode);
    TeachInPlan plan = PlanTeachIn(mode, 4, 1, Live());
    EXPECT_FALSE(plan.resetFirst);
    link::TeachTable after = ApplyTeachIn(plan, before);
    EXPECT_EQ(after[4], (Row{1366, 1241, 150, 1890, 150}));
    ExpectOtherRowsKept(after, before, {4});
    EXPECT_EQ(plan.no, 5);

    plan = PlanTeachIn(mode, 30, 1, Live());  // the last row: written, field stays
    after = ApplyTeachIn(plan, before);
    EXPECT_EQ(after[30], (Row{1366, 1241, 150, 1890, 150}));
    EXPECT_EQ(plan.no, 30);

    EXPECT_EQ(PlanTeachIn(mode, 4, 0, Live()).no, 4);  // auto increment off
  }
}

TEST(TeachIn, XYModeWritesRadius50AndKeepsTheIntensityColumns) {
  const link::TeachTable before = Filled();
  const TeachInPlan plan = PlanTeachIn(1, 7, 1, Live());
  const link::TeachTable after = ApplyTeachIn(plan, before);
  EXPECT_EQ(after[7], (Row{1366, 1241, 50, before[7][3], before[7][4]}));
  ExpectOtherRowsKept(after, before, {7});
  EXPECT_EQ(plan.no, 8);
}

TEST(TeachIn, ChannelWindowModesResetTheTableAndLimitTheWindow) {
  const link::TeachTable before = Filled();
  struct Case {
    std::uint16_t mode;
    std::uint16_t link::DataVars::*channel;
  };
  for (const Case c : {Case{3, &link::DataVars::dataR}, Case{4, &link::DataVars::dataG},
                       Case{5, &link::DataVars::dataB}}) {
    SCOPED_TRACE(c.mode);
    link::DataVars live = Live();
    for (int inc : {0, 1}) {
      live.*c.channel = 4000;
      TeachInPlan plan = PlanTeachIn(c.mode, 12, inc, live);
      EXPECT_TRUE(plan.resetFirst);
      EXPECT_EQ(plan.no, 0);  // whatever the auto increment says
      link::TeachTable after = ApplyTeachIn(plan, before);
      EXPECT_EQ(after[0], (Row{4095, 3795, 1, 1, 1}));
      ExpectOtherRowsKept(after, EmptyTeachTable(), {0});

      live.*c.channel = 20;
      after = ApplyTeachIn(PlanTeachIn(c.mode, 12, inc, live), before);
      EXPECT_EQ(after[0], (Row{300, 0, 1, 1, 1}));
    }
    live.*c.channel = 2000;  // inside the limits: v +- 150
    EXPECT_EQ(ApplyTeachIn(PlanTeachIn(c.mode, 0, 1, live), before)[0], (Row{2150, 1850, 1, 1, 1}));
  }
}

TEST(TeachIn, ThreeChannelModeWritesRowsZeroToTwoEachWithItsOwnLimit) {
  link::DataVars live = Live();
  live.dataR = 4000;
  live.dataG = 20;
  live.dataB = 2000;
  const TeachInPlan plan = PlanTeachIn(6, 9, 1, live);
  EXPECT_TRUE(plan.resetFirst);
  EXPECT_EQ(plan.no, 0);
  const link::TeachTable after = ApplyTeachIn(plan, Filled());
  EXPECT_EQ(after[0], (Row{4095, 3795, 1, 1, 1}));
  EXPECT_EQ(after[1], (Row{300, 0, 1, 1, 1}));
  EXPECT_EQ(after[2], (Row{2150, 1850, 1, 1, 1}));
  ExpectOtherRowsKept(after, EmptyTeachTable(), {0, 1, 2});
}

TEST(TeachIn, GlossModeWritesALimitedWindowIntoTheSelectedRow) {
  const link::TeachTable before = Filled();
  link::DataVars live = Live();
  live.dataGF = 990;
  TeachInPlan plan = PlanTeachIn(7, 6, 1, live);
  EXPECT_FALSE(plan.resetFirst);
  link::TeachTable after = ApplyTeachIn(plan, before);
  EXPECT_EQ(after[6], (Row{1000, 950, before[6][2], before[6][3], before[6][4]}));
  ExpectOtherRowsKept(after, before, {6});
  EXPECT_EQ(plan.no, 7);

  live.dataGF = 10;
  EXPECT_EQ(ApplyTeachIn(PlanTeachIn(7, 6, 1, live), before)[6][1], 0);
  EXPECT_EQ(ApplyTeachIn(PlanTeachIn(7, 6, 1, live), before)[6][0], 50);
  live.dataGF = 500;
  EXPECT_EQ(ApplyTeachIn(PlanTeachIn(7, 6, 1, live), before)[6][0], 525);
}

TEST(TeachIn, AFieldBeyondTheLastRowWritesNothing) {
  for (std::uint16_t mode : {0, 1, 7}) {
    const TeachInPlan plan = PlanTeachIn(mode, 31, 1, Live());
    EXPECT_EQ(plan.writeCount, 0);
    EXPECT_FALSE(plan.resetFirst);
    EXPECT_EQ(plan.no, 31);
  }
}

}  // namespace
}  // namespace tavix::scope
