// The trend chart: every value kept, drawn decimated to the chart's width,
// two axes that follow their own traces.
#include <gtest/gtest.h>

#include <algorithm>

#include <QTest>

#include "ui/trend_chart.h"

namespace tavix::ui::test {
namespace {

TEST(TrendChart, KeepsEveryValueAndDrawsTheEnvelopeOfEachColumnOnItsOwnAxis) {
  TrendChart chart;
  chart.SetTraceCount(3, 1);  // two traces on the left axis, one on the right
  chart.resize(500, 300);
  chart.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&chart));
  auto append = [&](double a, double b, double gf) {
    const double frame[] = {a, b, gf};
    chart.Append(frame, 3);
  };
  chart.Clear(10);
  for (int i = 0; i < 5; ++i) append(100 + i, 200 - i, 850);
  EXPECT_EQ(chart.TracePoints(1),
            (QList<QPointF>{{1, 200}, {2, 199}, {3, 198}, {4, 197}, {5, 196}}));
  chart.Append(std::array<double, 2>{1, 2}.data(), 2);  // a frame of the wrong size is refused
  EXPECT_EQ(chart.Count(), 5);

  constexpr int kCount = 50000, kSpike = 31337;
  chart.Clear(kCount);
  for (int i = 0; i < kCount; ++i) {
    append(i == kSpike ? 4000 : 1000 + i % 7, i == kSpike - 5 ? 3 : 2000, 500 + i % 2);
  }
  ASSERT_EQ(chart.Values(0).size(), std::size_t(kCount));
  EXPECT_EQ(chart.Values(0)[kSpike], 4000);
  EXPECT_EQ(chart.Values(0)[kSpike + 1], 1000 + (kSpike + 1) % 7);
  const QList<QPointF> drawn = chart.TracePoints(0);
  EXPECT_LE(drawn.size(), 2 * 500 + 2);  // at most two points per pixel column
  // The lone spikes and the extremes of the data are still drawn, where they are.
  EXPECT_TRUE(drawn.contains(QPointF(kSpike + 1, 4000)));
  EXPECT_TRUE(chart.TracePoints(1).contains(QPointF(kSpike - 4, 3)));
  auto byY = [](QPointF a, QPointF b) { return a.y() < b.y(); };
  EXPECT_EQ(std::min_element(drawn.begin(), drawn.end(), byY)->y(), 1000);
  EXPECT_TRUE(std::is_sorted(drawn.begin(), drawn.end(),
                             [](QPointF a, QPointF b) { return a.x() < b.x(); }));
  double min = 0, max = 0;
  chart.XRange(&min, &max);
  EXPECT_TRUE(max >= kCount && max <= 1.25 * kCount) << max;
  chart.YRange(false, &min, &max);
  EXPECT_TRUE(min > -400 && min <= 3 && max >= 4000 && max < 4500) << min << " " << max;
  chart.YRange(true, &min, &max);
  EXPECT_TRUE(min > 400 && min <= 500 && max >= 501 && max < 600) << min << " " << max;
  chart.Clear(0);
  EXPECT_TRUE(chart.Values(0).empty() && chart.TracePoints(0).isEmpty());
}

}  // namespace
}  // namespace tavix::ui::test
