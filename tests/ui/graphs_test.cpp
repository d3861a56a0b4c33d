// Strip charts: traces, points per screen, scrolling and visibility. X/Y
// graphs: plots, arcs, deletion, axis ranges, what is drawn and the cursor.
// The trend chart: every value kept, drawn decimated to the chart's width.
#include <algorithm>
#include <numeric>

#include <QChart>
#include <QImage>

#include "ui/strip_chart.h"
#include "ui/trend_chart.h"
#include "ui/xy_graph.h"
#include "ui_test_support.h"

namespace tavix::ui::test {
namespace {

TEST_F(UiTest, StripChartShowsTheLastPointsPerScreenOfEachTrace) {
  auto* chart = qobject_cast<StripChart*>(W("GraphRaw1"));
  ASSERT_NE(chart, nullptr);
  EXPECT_EQ(tk.PlotCount(panel, "GraphRaw1"), 7);  // "traces" from the layout
  tk.SetPointsPerScreen(panel, "GraphRaw1", 101);
  tk.SetTraceVisible(panel, "GraphRaw1", 5, false);
  std::vector<double> frames(1400);  // two calls of 100 frames of 7 interleaved traces
  std::iota(frames.begin(), frames.end(), 0.0);
  tk.PlotStripChart(panel, "GraphRaw1", frames.data(), 700, 0, 0);
  EXPECT_EQ(chart->TracePoints(0).front(), QPointF(1, 0));  // the newest at the right-hand end
  EXPECT_EQ(chart->TracePoints(0).back(), QPointF(100, 693));
  tk.SetTraceVisible(panel, "GraphRaw1", 5, true);  // with the data of its hidden time
  EXPECT_EQ(chart->TracePoints(4).back(), QPointF(100, 697));

  // The next call scrolls: one old point stays on a screen of 101, at the
  // left-hand end (the live suite counts the values a screen keeps).
  tk.PlotStripChart(panel, "GraphRaw1", frames.data() + 700, 700, 0, 0);
  EXPECT_EQ(chart->TracePoints(2).front(), QPointF(0, 695));
  tk.DeleteGraphPlot(panel, "GraphRaw1", -1);
  EXPECT_TRUE(tk.TraceValues(panel, "GraphRaw1", 1).empty());
}

TEST_F(UiTest, XYGraphPlotsAndDrawsLinesArcsAndTheCursorWhereTheyAre) {
  Show();
  auto* graph = qobject_cast<XYGraph*>(W("GraphData1"));
  ASSERT_NE(graph, nullptr);
  tk.BringToFront(panel, "GraphData1");
  const std::uint16_t zx[] = {0, 10, 20, 30, 20, 10}, zy[] = {0, 10, 0, 0, 0, 0};
  const int zigzag = tk.PlotXY(panel, "GraphData1", zx, zy, 6, kRed);  // turns and reversals stay
  EXPECT_EQ(graph->PlotPoints(zigzag),
            (QList<QPointF>{{0, 0}, {10, 10}, {20, 0}, {30, 0}, {10, 0}}));
  // A full ellipse in the rectangle (1000, 2000)-(1400, 2200), closed.
  const int circle = tk.PlotArc(panel, "GraphData1", 1000, 2000, 1400, 2200, 0, 3600, kGreen);
  const QList<QPointF> ring = graph->PlotPoints(circle);
  ASSERT_GE(ring.size(), 60);
  for (const QPointF& p : ring) {
    EXPECT_NEAR(std::pow((p.x() - 1200) / 200, 2) + std::pow((p.y() - 2100) / 100, 2), 1, 1e-9);
  }
  EXPECT_EQ(ring.front(), ring.back());
  EXPECT_NE(zigzag, circle);
  double min = 0, max = 0;
  tk.SetAxisRange(panel, "GraphData2", Axis::kLeftY, 10, 10);  // an empty range is ignored
  tk.AxisRange(panel, "GraphData2", Axis::kLeftY, &min, &max);
  EXPECT_EQ(std::pair(min, max), std::pair(-5.0, 5.0));  // from the layout

  for (int r = 0; r < 31; ++r) {
    tk.PlotArc(panel, "GraphData1", 100.0 * r, 50.0 * r, 100.0 * r + 300, 50.0 * r + 300, 0, 3600,
               kRed);
  }
  tk.SetCursorColor(panel, "GraphData1", 1, kGreen);
  tk.SetGraphCursor(panel, "GraphData1", 1, 1000, 3000);
  tk.ProcessSystemEvents();
  // The pixels that pass `is`, in the whole graph or in the square of
  // 2 d + 1 around (x, y) in graph units.
  auto pixels = [&](auto is, double x = -1, double y = 0, int d = 0) {
    const QImage image = graph->grab().toImage();
    const QRectF area = graph->chart()->plotArea();
    const QPoint at = graph->mapFromScene(
        QPointF(area.left() + area.width() * x / 4095, area.bottom() - area.height() * y / 4095));
    const QRect r = x < 0 ? image.rect() : QRect(at - QPoint(d, d), at + QPoint(d, d));
    int n = 0;
    for (int py = r.top(); py <= r.bottom(); ++py) {
      for (int px = r.left(); px <= r.right(); ++px) n += is(image.pixel(px, py)) ? 1 : 0;
    }
    return n;
  };
  // Clearly red (drawn lines are antialiased), exactly the cursor's green.
  auto red = [](QRgb p) { return qRed(p) - std::max(qGreen(p), qBlue(p)) > 80; };
  auto green = [](QRgb p) { return p == qRgb(0, 0x80, 0); };
  EXPECT_GT(pixels(red), 1000);
  EXPECT_GE(pixels(green, 1000, 3000, 2), 15);       // the filled marker
  EXPECT_EQ(pixels(green, 3000, 1000), 0);           // away from marker and crosshair
  EXPECT_EQ(tk.PlotCount(panel, "GraphData1"), 33);  // the cursor is no plot
  tk.DeleteGraphPlot(panel, "GraphData1", -1);
  EXPECT_EQ(tk.PlotCount(panel, "GraphData1"), 0);
  EXPECT_TRUE(graph->PlotPoints(circle).isEmpty());
  EXPECT_EQ(pixels(red), 0);
}

TEST(TrendChart, KeepsEveryValueAndDrawsTheEnvelopeOfEachColumn) {
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
  chart.Clear(0);
  EXPECT_TRUE(chart.Values(0).empty() && chart.TracePoints(0).isEmpty());
}

}  // namespace
}  // namespace tavix::ui::test
