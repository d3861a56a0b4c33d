// What the X/Y graph and the strip chart share: the chart and view set-up,
// the mapping of values into the plot area, and layout property reading.
#pragma once

#include <QColor>
#include <QPen>
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

// A plain chart: no legend, no animation, small margins.
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

}  // namespace tavix::ui
