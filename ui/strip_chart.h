// The strip chart that layouts place as a promoted widget ("StripChart"):
// the last points-per-screen values of several traces.
#pragma once

#include <cstddef>
#include <vector>

#include <QChartView>
#include <QColor>
#include <QList>
#include <QPointF>

class QChart;
class QValueAxis;

namespace tavix::ui {

class LineLayer;

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
  LineLayer* lines_;  // owned by the chart
  std::vector<Trace> traces_;
  int points_ = 101;
  std::size_t nextTrace_ = 0;  // trace of the next value appended
};

}  // namespace tavix::ui
