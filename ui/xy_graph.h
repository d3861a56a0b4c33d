// The X/Y graph that layouts place as a promoted widget ("XYGraph"): manual
// axes, line plots, ellipse arcs and cursors.
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
class LineLayer;

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
  LineLayer* plots_;  // owned by the chart
  std::map<int, CursorItem*> cursors_;
  int nextPlot_ = 1;
};

}  // namespace tavix::ui
