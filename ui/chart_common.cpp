#include "ui/chart_common.h"

#include <algorithm>
#include <cmath>

#include <QChart>
#include <QChartView>
#include <QGraphicsItem>
#include <QGraphicsTextItem>
#include <QLegend>
#include <QPainter>
#include <QValueAxis>

namespace tavix::ui {

double NumberProperty(const QObject* object, const char* name, double fallback) {
  const QVariant value = object->property(name);
  if (!value.isValid()) return fallback;
  bool ok = false;
  const double number = value.toDouble(&ok);
  return ok && std::isfinite(number) ? number : fallback;
}

bool ValidRange(double min, double max) {
  return std::isfinite(min) && std::isfinite(max) && min < max;
}

void SetUpAxis(QValueAxis* axis) {
  axis->setLabelFormat("%.0f");
  axis->setTickCount(5);
  // Grid and axis lines with zero-width pens: one pixel wide as before, but
  // a line item with such a pen knows its bounds at once, where a wider pen
  // has it build the line's outline every time it is asked (at every repaint).
  QPen grid = axis->gridLinePen();
  grid.setWidth(0);
  axis->setGridLinePen(grid);
  QPen minor = axis->minorGridLinePen();
  minor.setWidth(0);
  axis->setMinorGridLinePen(minor);
  QPen line = axis->linePen();
  line.setWidth(0);
  axis->setLinePen(line);
}

void SetUpChart(QChart* chart, QValueAxis* x, QValueAxis* y) {
  chart->legend()->hide();
  chart->setAnimationOptions(QChart::NoAnimation);
  chart->setBackgroundRoundness(0);
  // The view paints the white background (SetUpView); the chart's own, a
  // filled outline, would cover it again at every repaint.
  chart->setBackgroundVisible(false);
  chart->setMargins(QMargins(2, 2, 2, 2));
  chart->addAxis(x, Qt::AlignBottom);
  chart->addAxis(y, Qt::AlignLeft);
  SetUpAxis(x);
  SetUpAxis(y);
}

// Grid and axis lines change only with the axes. Kept as pixmaps, they are
// blitted when the plots or cursors over them change instead of being drawn
// again. The labels are not: a cached label is lost when a new range gives
// it another text.
void CacheAxisItems(QGraphicsItem* root) {
  for (QGraphicsItem* item : root->childItems()) {
    const bool axisPart = qgraphicsitem_cast<QGraphicsLineItem*>(item) != nullptr;
    if (axisPart && item->cacheMode() != QGraphicsItem::DeviceCoordinateCache) {
      item->setCacheMode(QGraphicsItem::DeviceCoordinateCache);
    }
    CacheAxisItems(item);
  }
}

// The view is opaque, so a repaint of the chart does not also repaint the
// panel behind it.
void SetUpView(QChartView* view) {
  view->setFrameShape(QFrame::NoFrame);
  QPalette palette = view->viewport()->palette();
  palette.setColor(QPalette::Window, Qt::white);
  view->viewport()->setPalette(palette);
  view->viewport()->setBackgroundRole(QPalette::Window);
  view->viewport()->setAutoFillBackground(true);
}

QPen ThinPen(QColor color) {
  QPen pen(color);
  pen.setWidthF(1.0);
  pen.setCosmetic(true);
  return pen;
}

QTransform ValueTransform(const QRectF& area, double xmin, double xmax, double ymin, double ymax) {
  const double sx = area.width() / (xmax - xmin);
  const double sy = area.height() / (ymax - ymin);
  return QTransform(sx, 0, 0, -sy, area.left() - xmin * sx, area.bottom() + ymin * sy);
}

// ------------------------------------------------------------- LineLayer

LineLayer::LineLayer(QGraphicsItem* parent, Style style) : QGraphicsItem(parent), style_(style) {
  setZValue(500);
  if (style_ == Style::kSmooth) setCacheMode(QGraphicsItem::DeviceCoordinateCache);
}

void LineLayer::changed() {
  prepareGeometryChange();
  bounds_ = Bounds();
  update();
}

void LineLayer::setWholeArea(bool on) {
  wholeArea_ = on;
  changed();
}

void LineLayer::changedBetween(double x0, double x1) {
  if (!wholeArea_) {
    changed();
    return;
  }
  const double left = transform_.map(QPointF(x0, 0.0)).x();
  const double right = transform_.map(QPointF(x1, 0.0)).x();
  update(QRectF(QPointF(std::min(left, right) - 2.0, area_.top()),
                QPointF(std::max(left, right) + 2.0, area_.bottom()))
             .intersected(area_));
}

void LineLayer::place(const QRectF& area, const QTransform& transform) {
  area_ = area;
  transform_ = transform;
  changed();
}

// The part of the plot area the visible lines cover, with room for the pen
// and for a dot. Only that part repaints when the lines change.
QRectF LineLayer::Bounds() const {
  if (wholeArea_) return area_;
  // Corners, not QRectF::united(): that drops the empty rectangle of a lone point.
  QPolygonF corners;
  for (const auto& [key, line] : lines_) {
    if (!line.visible || line.points.isEmpty()) continue;
    const QRectF r = line.points.boundingRect();
    corners << r.topLeft() << r.bottomRight();
  }
  if (corners.isEmpty() || area_.isEmpty()) return QRectF();
  return transform_.mapRect(corners.boundingRect()).adjusted(-2, -2, 2, 2).intersected(area_);
}

void LineLayer::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) {
  if (area_.isEmpty()) return;
  const bool smooth = style_ == Style::kSmooth;
  painter->save();
  painter->setClipRect(area_);
  painter->setRenderHint(QPainter::Antialiasing, smooth);
  const QTransform item = painter->worldTransform();
  for (const auto& [key, line] : lines_) {
    if (!line.visible || line.points.isEmpty()) continue;
    painter->setPen(ThinPen(line.color));
    if (line.points.size() > 1 && !smooth && item.type() <= QTransform::TxTranslate) {
      // On the pixel grid, in whole device pixels: the points a pixel column
      // takes become one vertical span (reaching the column before, so the
      // line stays joined), and only a step over empty columns is a slanted
      // segment. A dense line costs its pixels once instead of a zigzag
      // over them, and the raster engine draws straight integer lines fast.
      const QTransform toDevice = transform_ * item;
      deviceLines_.resize(0);
      QPoint last = toDevice.map(line.points.front()).toPoint();
      int lo = last.y();
      int hi = last.y();
      bool slanted = false;  // the column's one pixel is the end of a slanted segment
      for (const QPointF& p : line.points) {
        const QPoint d = toDevice.map(p).toPoint();
        if (d.x() != last.x()) {
          const bool step = std::abs(d.x() - last.x()) > 1;
          // A column of one pixel that a slanted segment reaches needs no span.
          if (hi > lo || !(slanted || step)) deviceLines_.append(QLine(last.x(), lo, last.x(), hi));
          if (step) {
            deviceLines_.append(QLine(last, d));
            lo = hi = d.y();
          } else {
            lo = std::min(last.y(), d.y());
            hi = std::max(last.y(), d.y());
          }
          slanted = step;
        }
        lo = std::min(lo, d.y());
        hi = std::max(hi, d.y());
        last = d;
      }
      if (hi > lo || !slanted) deviceLines_.append(QLine(last.x(), lo, last.x(), hi));
      painter->resetTransform();
      painter->drawLines(deviceLines_);
      painter->setWorldTransform(item);
    } else if (line.points.size() > 1) {
      // Through the painter's transform, not as a mapped copy of the points:
      // the cosmetic pen keeps the line one pixel wide.
      painter->setWorldTransform(transform_ * item);
      painter->drawPolyline(line.points);
      painter->setWorldTransform(item);
    } else if (smooth) {
      painter->setBrush(line.color);
      painter->drawEllipse(transform_.map(line.points.front()), 1.5, 1.5);
      painter->setBrush(Qt::NoBrush);
    } else {
      painter->drawPoint(transform_.map(line.points.front()));
    }
  }
  painter->restore();
}

}  // namespace tavix::ui
