// The trend chart that layouts place as a promoted widget ("TrendChart"):
// every value its traces were given, against the value's number (1, 2, ...),
// some traces on the left axis and the rest on a right axis of their own.
// The values are kept whole; each trace is drawn decimated to the plot's
// width (the lowest and the highest value of each pixel column, in the
// order they came), so a lone spike still shows, and a new value changes
// only the last column: an update costs the same at 50 000 values as at 50.
#pragma once

#include <vector>

#include <QChartView>
#include <QColor>
#include <QList>
#include <QPointF>
#include <QPolygonF>

class QChart;
class QValueAxis;

namespace tavix::ui {

class LineLayer;

class TrendChart : public QChartView {
  Q_OBJECT

 public:
  explicit TrendChart(QWidget* parent = nullptr);
  ~TrendChart() override;

  // Reads the layout's dynamic properties "traces", "rightTraces" (the last
  // that many traces use the right axis), "traceColors", and "ymin"/"ymax",
  // "rightYmin"/"rightYmax" (a fixed range; without one the axis follows
  // the values).
  void ApplyLayoutProperties();

  void SetTraceCount(int traces, int rightTraces);
  int TraceCount() const { return static_cast<int>(values_.size()); }
  void SetTraceColor(int trace, QColor color);  // traces numbered from 0

  // Empties every trace and makes room for `capacity` values each, so that
  // appending up to that many allocates nothing for the data.
  void Clear(int capacity);
  // Appends values[i] to trace i; `count` must be the number of traces.
  void Append(const double* values, int count);
  int Count() const { return values_.empty() ? 0 : static_cast<int>(values_[0].size()); }

  const std::vector<double>& Values(int trace) const;  // all of them, oldest first
  QList<QPointF> TracePoints(int trace) const;         // as drawn: (number, value)
  void XRange(double* min, double* max) const;
  void YRange(bool right, double* min, double* max) const;

 private:
  struct Extent {
    bool fixed = false;
    bool empty = true;
    double low = 0.0;
    double high = 0.0;
  };
  // The pixel column that takes the newest values of a trace.
  struct OpenColumn {
    int column = -1;
    double end = 0.0;  // x limit of the column
    int lo = 0;        // indices of its lowest and highest value
    int hi = 0;
    int points = 0;  // points it put at the end of the trace's line
  };
  bool IsRight(int trace) const { return trace >= TraceCount() - rightTraces_; }
  int PlotColumns() const;
  QPolygonF& Points(int trace);
  void FitAxes();                 // x to the count, automatic y axes to the values
  void Decimate();                // every trace's points again, when columns or x range changed
  double Feed(int trace, int i);  // value i (the newest) into the trace's points
  void Place();                   // maps the lines onto the plot area and the ranges

  QChart* chart_;
  QValueAxis* x_;
  QValueAxis* y_;
  QValueAxis* y2_;
  LineLayer* left_;   // owned by the chart
  LineLayer* right_;  // owned by the chart
  std::vector<std::vector<double>> values_;
  int rightTraces_ = 0;
  Extent extent_[2];  // left, right
  std::vector<OpenColumn> open_;
  int columns_ = 0;     // pixel columns the points were decimated for
  double width_ = 0.0;  // x range of one column
};

}  // namespace tavix::ui
