// Strip charts: traces, points per screen, scrolling and visibility. X/Y
// graphs: plots, arcs, deletion, axis ranges and the cursor.
#include <numeric>

#include <QChart>
#include <QImage>

#include "ui/strip_chart.h"
#include "ui/xy_graph.h"
#include "ui_test_support.h"

namespace tavix::ui::test {
namespace {

// `frames` interleaved frames of `traces` values counting up from `first`.
std::vector<double> Frames(int first, int frames, int traces) {
  std::vector<double> values(static_cast<std::size_t>(frames * traces));
  std::iota(values.begin(), values.end(), static_cast<double>(first));
  return values;
}

// The values trace `trace` (from 0) gets from interleaved frames.
std::vector<double> Column(const std::vector<double>& values, int trace, int traces) {
  std::vector<double> column;
  for (std::size_t i = static_cast<std::size_t>(trace); i < values.size(); i += traces) {
    column.push_back(values[i]);
  }
  return column;
}

// Clearly red (drawn lines are antialiased).
inline bool IsRed(QRgb p) {
  return qRed(p) - std::max(qGreen(p), qBlue(p)) > 80;
}

inline int RedPixels(const QImage& image) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) count += IsRed(image.pixel(x, y)) ? 1 : 0;
  }
  return count;
}

TEST_F(UiTest, StripChartShowsTheLastPointsPerScreenOfEachTrace) {
  auto* chart = qobject_cast<StripChart*>(W("GraphRaw1"));
  ASSERT_NE(chart, nullptr);
  EXPECT_EQ(tk.PlotCount(panel, "GraphRaw1"), 7);  // "traces" from the layout
  tk.SetPointsPerScreen(panel, "GraphRaw1", 101);
  const std::vector<double> first = Frames(0, 100, 7);
  tk.PlotStripChart(panel, "GraphRaw1", first.data(), 700, 0, 0);
  for (int trace = 1; trace <= 7; ++trace) {
    EXPECT_EQ(tk.TraceValues(panel, "GraphRaw1", trace), Column(first, trace - 1, 7)) << trace;
  }
  // Drawn with the newest point at the right-hand end.
  const QList<QPointF> drawn = chart->TracePoints(0);
  ASSERT_EQ(drawn.size(), 100);
  EXPECT_EQ(drawn.front(), QPointF(1, 0));
  EXPECT_EQ(drawn.back(), QPointF(100, 693));

  // The next call scrolls: one old point stays on a screen of 101.
  const std::vector<double> second = Frames(10000, 100, 7);
  tk.PlotStripChart(panel, "GraphRaw1", second.data(), 700, 0, 0);
  std::vector<double> expected = Column(second, 2, 7);
  expected.insert(expected.begin(), first[693 + 2]);
  EXPECT_EQ(tk.TraceValues(panel, "GraphRaw1", 3), expected);
  EXPECT_EQ(chart->TracePoints(2).front(), QPointF(0, first[695]));
  // Fewer points per screen keep the newest.
  tk.SetPointsPerScreen(panel, "GraphRaw1", 10);
  EXPECT_EQ(tk.TraceValues(panel, "GraphRaw1", 3),
            std::vector<double>(expected.end() - 10, expected.end()));
}

TEST_F(UiTest, StripChartTakesStartSkipAndPartialFrames) {
  // GF chart: 3 traces. Values at 1, 3, 5, ... (start 1, skip 1).
  const std::vector<double> values = {-1, 10, -1, 20, -1, 30, -1, 40};
  tk.PlotStripChart(panel, "GraphGF", values.data(), 4, 1, 1);
  EXPECT_EQ(tk.TraceValues(panel, "GraphGF", 1), (std::vector<double>{10, 40}));
  EXPECT_EQ(tk.TraceValues(panel, "GraphGF", 2), (std::vector<double>{20}));
  EXPECT_EQ(tk.TraceValues(panel, "GraphGF", 3), (std::vector<double>{30}));
  const double next = 50;  // continues with trace 2
  tk.PlotStripChart(panel, "GraphGF", &next, 1, 0, 0);
  EXPECT_EQ(tk.TraceValues(panel, "GraphGF", 2), (std::vector<double>{20, 50}));
  tk.DeleteGraphPlot(panel, "GraphGF", -1);
  EXPECT_TRUE(tk.TraceValues(panel, "GraphGF", 1).empty());
}

TEST_F(UiTest, StripChartTracesHideAndShowWithCurrentData) {
  auto* chart = qobject_cast<StripChart*>(W("GraphRaw1"));
  tk.SetTraceVisible(panel, "GraphRaw1", 5, false);
  EXPECT_FALSE(tk.TraceVisible(panel, "GraphRaw1", 5));
  EXPECT_TRUE(tk.TraceVisible(panel, "GraphRaw1", 4));
  const std::vector<double> values = Frames(0, 100, 7);
  tk.PlotStripChart(panel, "GraphRaw1", values.data(), 700, 0, 0);
  tk.SetTraceVisible(panel, "GraphRaw1", 5, true);
  const QList<QPointF> drawn = chart->TracePoints(4);
  ASSERT_EQ(drawn.size(), 100);
  EXPECT_EQ(drawn.back().y(), values[699 - 2]);
}

TEST_F(UiTest, XYGraphPlotsLinesAndArcs) {
  auto* graph = qobject_cast<XYGraph*>(W("GraphData1"));
  ASSERT_NE(graph, nullptr);
  std::vector<std::uint16_t> xs(4096), ys(4096);
  for (int i = 0; i < 4096; ++i) {
    xs[i] = static_cast<std::uint16_t>(i);
    ys[i] = static_cast<std::uint16_t>(4095 - i);
  }
  const int line = tk.PlotXY(panel, "GraphData1", xs.data(), ys.data(), 4096, 0xA0A0A0);
  ASSERT_GT(line, 0);
  EXPECT_EQ(graph->PlotPoints(line), (QList<QPointF>{{0, 4095}, {4095, 0}}));
  EXPECT_EQ(graph->PlotColor(line), QColor(0xA0, 0xA0, 0xA0));
  // Turning points and reversals stay.
  const std::uint16_t zx[] = {0, 10, 20, 30, 20, 10};
  const std::uint16_t zy[] = {0, 10, 0, 0, 0, 0};
  const int zigzag = tk.PlotXY(panel, "GraphData1", zx, zy, 6, kRed);
  EXPECT_EQ(graph->PlotPoints(zigzag),
            (QList<QPointF>{{0, 0}, {10, 10}, {20, 0}, {30, 0}, {10, 0}}));

  // A full ellipse in the rectangle (1000, 2000)-(1400, 2200), closed.
  const int circle = tk.PlotArc(panel, "GraphData1", 1000, 2000, 1400, 2200, 0, 3600, kGreen);
  const QList<QPointF> ring = graph->PlotPoints(circle);
  ASSERT_GE(ring.size(), 60);
  for (const QPointF& p : ring) {
    const double u = (p.x() - 1200) / 200, v = (p.y() - 2100) / 100;
    EXPECT_NEAR(u * u + v * v, 1.0, 1e-9);
  }
  EXPECT_EQ(ring.front(), ring.back());
  // A quarter from 0 to 90 degrees runs from the right to the top.
  const int quarter = tk.PlotArc(panel, "GraphData1", -100, -100, 100, 100, 0, 900, kRed);
  const QList<QPointF> q = graph->PlotPoints(quarter);
  EXPECT_LT(QLineF(q.front(), {100, 0}).length() + QLineF(q.back(), {0, 100}).length(), 1e-9);
  EXPECT_EQ(std::set<int>({line, zigzag, circle, quarter}).size(), 4u);
  tk.DeleteGraphPlot(panel, "GraphData1", zigzag);
  EXPECT_EQ(tk.PlotCount(panel, "GraphData1"), 3);
  EXPECT_TRUE(graph->PlotPoints(zigzag).isEmpty());
  tk.DeleteGraphPlot(panel, "GraphData1", -1);
  EXPECT_EQ(tk.PlotCount(panel, "GraphData1"), 0);
  EXPECT_GT(tk.PlotXY(panel, "GraphData1", xs.data(), ys.data(), 4096, 0xA0A0A0), quarter);
}

TEST_F(UiTest, XYGraphAxesComeFromTheLayoutAndIgnoreEmptyRanges) {
  double min = 0, max = 0;
  tk.AxisRange(panel, "GraphData2", Axis::kX, &min, &max);
  EXPECT_EQ(std::make_pair(min, max), std::make_pair(100.0, 200.0));
  tk.AxisRange(panel, "GraphData2", Axis::kLeftY, &min, &max);
  EXPECT_EQ(std::make_pair(min, max), std::make_pair(-5.0, 5.0));
  tk.AxisRange(panel, "GraphData1", Axis::kX, &min, &max);  // the default
  EXPECT_EQ(std::make_pair(min, max), std::make_pair(0.0, 4095.0));
  tk.SetAxisRange(panel, "GraphData2", Axis::kLeftY, 10, 10);
  tk.AxisRange(panel, "GraphData2", Axis::kLeftY, &min, &max);
  EXPECT_EQ(std::make_pair(min, max), std::make_pair(-5.0, 5.0));
}

TEST_F(UiTest, XYGraphDrawsArcsAndTheCursorWhereTheyAre) {
  Show();
  auto* graph = qobject_cast<XYGraph*>(W("GraphData1"));
  tk.BringToFront(panel, "GraphData1");
  for (int row = 0; row < 31; ++row) {
    tk.PlotArc(panel, "GraphData1", 100.0 * row, 50.0 * row, 100.0 * row + 300, 50.0 * row + 300, 0,
               3600, kRed);
  }
  tk.SetCursorColor(panel, "GraphData1", 1, kGreen);
  tk.SetGraphCursor(panel, "GraphData1", 1, 1000, 3000);
  tk.ProcessSystemEvents();
  const QImage drawn = graph->grab().toImage();
  EXPECT_GT(RedPixels(drawn), 1000);
  const QRectF area = graph->chart()->plotArea();
  auto pixel = [&](double x, double y) {
    return graph->mapFromScene(
        QPointF(area.left() + area.width() * x / 4095, area.bottom() - area.height() * y / 4095));
  };
  int green = 0;
  for (int dy = -2; dy <= 2; ++dy) {
    for (int dx = -2; dx <= 2; ++dx)
      green += drawn.pixel(pixel(1000, 3000) + QPoint(dx, dy)) == qRgb(0, 0x80, 0);
  }
  EXPECT_GE(green, 15);                                         // the filled marker
  EXPECT_NE(drawn.pixel(pixel(3000, 1000)), qRgb(0, 0x80, 0));  // away from marker and crosshair
  EXPECT_EQ(tk.PlotCount(panel, "GraphData1"), 31);             // the cursor is no plot
  tk.DeleteGraphPlot(panel, "GraphData1", -1);
  EXPECT_EQ(RedPixels(graph->grab().toImage()), 0);
}

TEST_F(UiTest, XYGraphDrawsAPlotOfOnePointAsADot) {
  Show();
  auto* graph = qobject_cast<XYGraph*>(W("GraphData1"));
  tk.BringToFront(panel, "GraphData1");
  const std::uint16_t x = 2000, y = 1000;
  tk.PlotXY(panel, "GraphData1", &x, &y, 1, kRed);
  tk.ProcessSystemEvents();
  const QImage drawn = graph->grab().toImage();
  const QRectF area = graph->chart()->plotArea();
  const QPoint at = graph->mapFromScene(
      QPointF(area.left() + area.width() * x / 4095, area.bottom() - area.height() * y / 4095));
  EXPECT_TRUE(IsRed(drawn.pixel(at)));
  EXPECT_GE(RedPixels(drawn), 5);  // a dot, wider than the line's one pixel
}

}  // namespace
}  // namespace tavix::ui::test
