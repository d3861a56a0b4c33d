// The trend chart: every value kept, drawn decimated to the chart's width,
// two axes that follow their own traces. And the wait that runs events
// until a deadline or a flag.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <algorithm>

#include <QApplication>
#include <QTest>
#include <QTimer>

#include "ui/toolkit.h"
#include "ui/trend_chart.h"

namespace tavix::ui::test {
namespace {

// Two traces on the left axis, one on the right.
class TrendChartTest : public ::testing::Test {
 protected:
  void SetUp() override {
    chart.SetTraceCount(3, 1);
    chart.resize(500, 300);
    chart.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&chart));
  }
  void Append(double a, double b, double gf) {
    const double frame[] = {a, b, gf};
    chart.Append(frame, 3);
  }
  TrendChart chart;
};

TEST_F(TrendChartTest, FewValuesAreDrawnAsTheyAre) {
  chart.Clear(10);
  for (int i = 0; i < 5; ++i) Append(100 + i, 200 - i, 850 + i);
  EXPECT_EQ(chart.Count(), 5);
  EXPECT_EQ(chart.TracePoints(1),
            (QList<QPointF>{{1, 200}, {2, 199}, {3, 198}, {4, 197}, {5, 196}}));
  EXPECT_EQ(chart.TracePoints(2).back(), QPointF(5, 854));
  // Each axis around its own traces.
  double min = 0, max = 0;
  chart.YRange(false, &min, &max);
  EXPECT_LE(min, 100);
  EXPECT_GE(max, 200);
  EXPECT_GT(min, 50);
  chart.YRange(true, &min, &max);
  EXPECT_LE(min, 850);
  EXPECT_GE(max, 854);
  EXPECT_GT(min, 800);
  chart.XRange(&min, &max);
  EXPECT_EQ(min, 0);
  EXPECT_GE(max, 5);

  // A frame of the wrong size is refused; Clear starts over.
  const double two[] = {1, 2};
  chart.Append(two, 2);
  EXPECT_EQ(chart.Count(), 5);
  chart.Clear(0);
  EXPECT_EQ(chart.Count(), 0);
  EXPECT_TRUE(chart.TracePoints(0).isEmpty());
}

TEST_F(TrendChartTest, ManyValuesAreKeptWholeAndDrawnAsTheEnvelopeOfEachColumn) {
  constexpr int kCount = 50000;
  constexpr int kSpike = 31337;
  chart.Clear(kCount);
  for (int i = 0; i < kCount; ++i) {
    Append(i == kSpike ? 4000 : 1000 + i % 7, i == kSpike - 5 ? 3 : 2000, 500);
  }
  ASSERT_EQ(chart.Values(0).size(), std::size_t(kCount));
  EXPECT_EQ(chart.Values(0)[kSpike], 4000);
  EXPECT_EQ(chart.Values(0)[kSpike + 1], 1000 + (kSpike + 1) % 7);

  const QList<QPointF> drawn = chart.TracePoints(0);
  EXPECT_LE(drawn.size(), 2 * 500 + 2);  // at most two points per pixel column
  EXPECT_GT(drawn.size(), 100);
  // The lone spike and the extremes of the data are still drawn, where they are.
  EXPECT_TRUE(drawn.contains(QPointF(kSpike + 1, 4000)));
  const QList<QPointF> second = chart.TracePoints(1);
  EXPECT_TRUE(second.contains(QPointF(kSpike - 4, 3)));
  const auto [lo, hi] = std::minmax_element(drawn.begin(), drawn.end(),
                                            [](QPointF a, QPointF b) { return a.y() < b.y(); });
  EXPECT_EQ(lo->y(), 1000);
  EXPECT_EQ(hi->y(), 4000);
  EXPECT_TRUE(std::is_sorted(drawn.begin(), drawn.end(),
                             [](QPointF a, QPointF b) { return a.x() < b.x(); }));
  double min = 0, max = 0;
  chart.XRange(&min, &max);
  EXPECT_GE(max, kCount);
  EXPECT_LE(max, 1.25 * kCount);
}

// The wait of a loop that lets the user act: events run at once, the wait
// ends when one clears the flag, and it sleeps meanwhile.
TEST(Toolkit, WaitRunsEventsUntilTheDeadlineOrTheFlagWithoutSpinning) {
  Toolkit tk;
  std::uint16_t flag = 1;
  int ran = 0;
  QTimer::singleShot(50, [&] { ++ran; });
  auto cpu = [] {
    rusage u{};
    getrusage(RUSAGE_THREAD, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
  };
  double start = Timer();
  const double cpuStart = cpu();
  tk.ProcessSystemEventsUntil(start + 0.6, flag);
  const double waited = Timer() - start;
  EXPECT_EQ(ran, 1);
  EXPECT_GE(waited, 0.6);
  EXPECT_LT(waited, 0.7);
  EXPECT_LT(cpu() - cpuStart, 0.05);

  double cleared = 0.0;
  QTimer::singleShot(200, [&] {
    flag = 0;
    cleared = Timer();
  });
  start = Timer();
  tk.ProcessSystemEventsUntil(start + 60.0, flag);
  EXPECT_EQ(flag, 0);
  EXPECT_LT(Timer() - cleared, 0.1);
}

}  // namespace
}  // namespace tavix::ui::test
