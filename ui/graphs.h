// The two graph widgets that layouts place as promoted widgets: an X/Y graph
// with manual axes, line plots, ellipse arcs and cursors, and a strip chart
// that shows the last points-per-screen values of several traces.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include <QChartView>
#include <QColor>
#include <QList>
#include <QPointF>

class QChart;
class QValueAxis;

namespace tavix::ui {

class CursorItem;
class PlotLayer;
class TraceLayer;

// Plots are drawn by one item in value coordinates, so that a change of the
// axis ranges costs one transform, whatever the number of plots.
class XYGraph : public QChartView {
  Q_OBJECT

 public:
  explicit XYGraph(QWidget* parent = nullptr);
  ~XYGraph() override;

  // Reads the layout's dynamic properties "xmin", "xmax", "ymin", "ymax".
  void ApplyLayoutProperties();

  // Plot handles are > 0 and unique within the graph.
  int PlotXY(const std::uint16_t* xs, const std::uint16_t* ys, int count, QColor color);
  int PlotArc(double x1, double y1, double x2, double y2, int beginAngle, int arcAngle,
              QColor color);
  void DeletePlot(int plot);  // -1 deletes every plot
  int PlotCount() const;
  // The handles of the plots on the graph, oldest first.
  std::vector<int> PlotHandles() const;
  // The points a plot is drawn through (after dropping collinear interior points).
  QList<QPointF> PlotPoints(int plot) const;
  QColor PlotColor(int plot) const;

  // Manual axis ranges; a range with min >= max or a non-finite bound is ignored.
  void SetXRange(double min, double max);
  void SetYRange(double min, double max);
  void XRange(double* min, double* max) const;
  void YRange(double* min, double* max) const;

  // Cursors are numbered from 1; a cursor becomes visible when first placed.
  void SetCursor(int cursor, double x, double y);
  void CursorPosition(int cursor, double* x, double* y) const;
  void SetCursorColor(int cursor, QColor color);
  QColor CursorColor(int cursor) const;
  bool CursorShown(int cursor) const;

 private:
  int AddPlot(QList<QPointF> points, QColor color);
  CursorItem* CursorAt(int cursor);
  void Place();  // maps the plots and cursors onto the current plot area and ranges

  QChart* chart_;
  QValueAxis* x_;
  QValueAxis* y_;
  PlotLayer* plots_;
  std::map<int, CursorItem*> cursors_;
  int nextPlot_ = 1;
};

class StripChart : public QChartView {
  Q_OBJECT

 public:
  explicit StripChart(QWidget* parent = nullptr);
  ~StripChart() override;

  // Reads the layout's dynamic properties "traces", "ymin", "ymax",
  // "pointsPerScreen" and "traceColors".
  void ApplyLayoutProperties();

  void SetTraceCount(int traces);
  int TraceCount() const { return static_cast<int>(traces_.size()); }
  void SetPointsPerScreen(int points);
  int PointsPerScreen() const { return points_; }
  void SetYRange(double min, double max);
  void YRange(double* min, double* max) const;

  // Appends `count` values taken from values[start], values[start + skip + 1], ...;
  // consecutive values belong to consecutive traces.
  void Plot(const double* values, int count, int start, int skip);
  void Clear();

  // Traces are numbered from 0 here.
  void SetTraceVisible(int trace, bool visible);
  bool TraceVisible(int trace) const;
  void SetTraceColor(int trace, QColor color);
  std::vector<double> TraceValues(int trace) const;  // on screen, oldest first
  QList<QPointF> TracePoints(int trace) const;       // as drawn

 private:
  struct Trace {
    std::vector<double> values;  // at most points_, oldest first
    bool visible = true;
  };
  void Redraw(std::size_t trace);  // the trace's points from its values
  void Place();                    // maps the traces onto the current plot area and ranges

  QChart* chart_;
  QValueAxis* x_;
  QValueAxis* y_;
  TraceLayer* lines_;  // owned by the chart
  std::vector<Trace> traces_;
  int points_ = 101;
  std::size_t nextTrace_ = 0;  // trace of the next value appended
};

}  // namespace tavix::ui
