// What the X/Y graph and the strip chart share: the chart and view set-up,
// the mapping of values into the plot area, layout property reading, and
// the item that draws their lines.
#pragma once

#include <map>

#include <QColor>
#include <QGraphicsItem>
#include <QLine>
#include <QList>
#include <QPen>
#include <QPolygonF>
#include <QRectF>
#include <QTransform>

class QChart;
class QChartView;
class QGraphicsItem;
class QObject;
class QValueAxis;

namespace tavix::ui {

// Axis range of a graph before a layout or the program sets one.
inline constexpr double kDefaultMin = 0.0;
inline constexpr double kDefaultMax = 4095.0;

// Reads a numeric dynamic property; `fallback` when absent or not a number.
double NumberProperty(const QObject* object, const char* name, double fallback);

bool ValidRange(double min, double max);

// Whole-number labels, five ticks, one-pixel lines. After the axis was
// added to its chart: the chart's theme gives it its pens.
void SetUpAxis(QValueAxis* axis);

// A plain chart: no legend, no animation, small margins; x at the bottom,
// y on the left, both set up by SetUpAxis.
void SetUpChart(QChart* chart, QValueAxis* x, QValueAxis* y);

// Keeps grid lines, axis lines and axis labels below `root` as pixmaps.
// Charts create these items as their axes need them: call again whenever
// the plot area or a range changes.
void CacheAxisItems(QGraphicsItem* root);

// Gives the view under a chart an opaque white background of its own.
void SetUpView(QChartView* view);

// One pixel wide at any scale.
QPen ThinPen(QColor color);

// Maps graph values into the plot area for the given axis ranges.
QTransform ValueTransform(const QRectF& area, double xmin, double xmax, double ymin, double ymax);

// The lines of a chart (X/Y plots, strip chart traces), drawn by one item in
// value coordinates and clipped to the plot area. A change of the axis
// ranges costs one transform, whatever the number of lines; the chart's own
// line series would also rebuild their geometry and hit-test outlines at
// every change.
class LineLayer : public QGraphicsItem {
 public:
  enum class Style {
    // Antialiased, a lone point as a dot, and kept as a picture so that
    // cursors moving over the lines do not redraw them. For lines that
    // change seldom.
    kSmooth,
    // One pixel on the pixel grid, drawn at every repaint: for lines that
    // change with every new value, where a picture would be drawn in vain.
    kSharp,
  };

  struct Line {
    QPolygonF points;  // in values
    QColor color;
    bool visible = true;
  };

  LineLayer(QGraphicsItem* parent, Style style);

  // Drawn in key order. Call changed() after changing them.
  std::map<int, Line>& lines() { return lines_; }
  const std::map<int, Line>& lines() const { return lines_; }
  // Repaints where the lines were and where they are now.
  void changed();
  // For lines that grow with every value: the layer covers the whole plot
  // area, so that a change need not repaint the lines' whole extent.
  void setWholeArea(bool on);
  // With the whole area: the lines changed only between x0 and x1 (in
  // values), and only that strip repaints.
  void changedBetween(double x0, double x1);
  // Takes a new plot area and value transform (ValueTransform).
  void place(const QRectF& area, const QTransform& transform);

  QRectF boundingRect() const override { return bounds_; }
  void paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) override;

 private:
  QRectF Bounds() const;

  Style style_;
  std::map<int, Line> lines_;
  QRectF area_;
  QTransform transform_;
  QRectF bounds_;
  bool wholeArea_ = false;
  QList<QLine> deviceLines_;  // a sharp line in device pixels, kept between paints
};

}  // namespace tavix::ui
