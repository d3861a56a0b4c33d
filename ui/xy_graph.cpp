#include "ui/xy_graph.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include <QChart>
#include <QGraphicsItem>
#include <QPainter>
#include <QPolygonF>
#include <QValueAxis>

#include "ui/chart_common.h"

namespace tavix::ui {

namespace {

constexpr int kFullCircleSegments = 120;  // segments of a 360-degree arc

// True when `b` lies on the straight segment from `a` to `c` (integer points).
bool OnSegment(QPointF a, QPointF b, QPointF c) {
  const auto ax = static_cast<std::int64_t>(a.x()), ay = static_cast<std::int64_t>(a.y());
  const auto bx = static_cast<std::int64_t>(b.x()), by = static_cast<std::int64_t>(b.y());
  const auto cx = static_cast<std::int64_t>(c.x()), cy = static_cast<std::int64_t>(c.y());
  const std::int64_t cross = (bx - ax) * (cy - ay) - (by - ay) * (cx - ax);
  const std::int64_t dot = (bx - ax) * (cx - bx) + (by - ay) * (cy - by);
  return cross == 0 && dot >= 0;
}

}  // namespace

// One piece of a cursor: the horizontal or the vertical line across the
// plot area, or the dot. Each piece is an item of its own, drawn once into a
// pixmap and moved, so that a move of the cursor repaints two thin strips and
// a small square at each position instead of the whole plot area.
class CursorPiece : public QGraphicsItem {
 public:
  enum class Kind { kHorizontal, kVertical, kDot };

  CursorPiece(QGraphicsItem* parent, Kind kind) : QGraphicsItem(parent), kind_(kind) {
    setCacheMode(QGraphicsItem::DeviceCoordinateCache);
  }

  void setColor(QColor color) {
    color_ = color;
    update();
  }

  // Moves the piece to `point` (whole pixels) inside `area`; hidden outside it.
  void place(const QRectF& area, QPointF point) {
    const bool inside = area.adjusted(-0.5, -0.5, 0.5, 0.5).contains(point);
    setVisible(inside);
    if (!inside) return;
    const QRect pixels = area.toAlignedRect();
    const QPoint p = point.toPoint();
    const int length = kind_ == Kind::kHorizontal ? pixels.width() : pixels.height();
    if (kind_ != Kind::kDot && length != length_) {
      prepareGeometryChange();
      length_ = length;
    }
    switch (kind_) {
      case Kind::kHorizontal:
        setPos(pixels.left(), p.y());
        break;
      case Kind::kVertical:
        setPos(p.x(), pixels.top());
        break;
      case Kind::kDot:
        setPos(p);
        break;
    }
  }

  QRectF boundingRect() const override {
    switch (kind_) {
      case Kind::kHorizontal:
        return QRectF(-1, -1, length_ + 2, 3);
      case Kind::kVertical:
        return QRectF(-1, -1, 3, length_ + 2);
      case Kind::kDot:
        break;
    }
    const double r = kRadius + 1.5;
    return QRectF(-r, -r, 2 * r, 2 * r);
  }

  void paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*) override {
    painter->save();
    painter->setPen(ThinPen(color_));
    // The lines run along the pixel grid: sharp without antialiasing.
    painter->setRenderHint(QPainter::Antialiasing, kind_ == Kind::kDot);
    switch (kind_) {
      case Kind::kHorizontal:
        painter->drawLine(QPoint(0, 0), QPoint(length_ - 1, 0));
        break;
      case Kind::kVertical:
        painter->drawLine(QPoint(0, 0), QPoint(0, length_ - 1));
        break;
      case Kind::kDot:
        painter->setBrush(color_);
        painter->drawEllipse(QPointF(0, 0), kRadius, kRadius);
        break;
    }
    painter->restore();
  }

 private:
  static constexpr double kRadius = 4.0;
  Kind kind_;
  QColor color_ = Qt::red;
  int length_ = 0;
};

// Cursor of an X/Y graph: a filled circle at the cursor's position with a
// crosshair across the plot area, drawn above every plot. It draws nothing
// itself; its three pieces do.
class CursorItem : public QGraphicsItem {
 public:
  explicit CursorItem(QGraphicsItem* parent) : QGraphicsItem(parent) {
    setFlag(QGraphicsItem::ItemHasNoContents);
    setZValue(1000);
    for (auto kind :
         {CursorPiece::Kind::kHorizontal, CursorPiece::Kind::kVertical, CursorPiece::Kind::kDot}) {
      pieces_.push_back(new CursorPiece(this, kind));
    }
    setColor(color_);
    hide();
  }

  QPointF value() const { return value_; }
  void setValue(QPointF value) { value_ = value; }
  QColor color() const { return color_; }
  void setColor(QColor color) {
    color_ = color;
    for (CursorPiece* piece : pieces_) piece->setColor(color);
  }

  void place(const QRectF& area, const QTransform& transform) {
    const QPointF point = transform.map(value_);
    for (CursorPiece* piece : pieces_) piece->place(area, point);
  }

  QRectF boundingRect() const override { return QRectF(); }
  void paint(QPainter*, const QStyleOptionGraphicsItem*, QWidget*) override {}

 private:
  QPointF value_;
  QColor color_ = Qt::red;
  std::vector<CursorPiece*> pieces_;  // children: owned by this item
};

XYGraph::XYGraph(QWidget* parent)
    : QChartView(parent),
      chart_(chart()),
      x_(new QValueAxis),
      y_(new QValueAxis),
      plots_(new LineLayer(chart_, LineLayer::Style::kSmooth)) {
  SetUpChart(chart_, x_, y_);
  x_->setRange(kDefaultMin, kDefaultMax);
  y_->setRange(kDefaultMin, kDefaultMax);
  // Plots and cursors smooth their own lines; the grid and the axes stay on
  // the pixel grid, where antialiasing costs much and shows nothing.
  setRenderHint(QPainter::Antialiasing, false);
  SetUpView(this);
  connect(chart_, &QChart::plotAreaChanged, this, [this] { Place(); });
  connect(x_, &QValueAxis::rangeChanged, this, [this] { Place(); });
  connect(y_, &QValueAxis::rangeChanged, this, [this] { Place(); });
}

XYGraph::~XYGraph() = default;

void XYGraph::ApplyLayoutProperties() {
  const double xmin = NumberProperty(this, "xmin", x_->min());
  const double xmax = NumberProperty(this, "xmax", x_->max());
  const double ymin = NumberProperty(this, "ymin", y_->min());
  const double ymax = NumberProperty(this, "ymax", y_->max());
  SetXRange(xmin, xmax);
  SetYRange(ymin, ymax);
}

int XYGraph::AddPlot(QList<QPointF> points, QColor color) {
  const int handle = nextPlot_++;
  plots_->lines()[handle] = LineLayer::Line{QPolygonF(std::move(points)), color};
  plots_->changed();
  return handle;
}

int XYGraph::PlotXY(const std::uint16_t* xs, const std::uint16_t* ys, int count, QColor color) {
  if (xs == nullptr || ys == nullptr || count <= 0) return -1;
  QList<QPointF> points;
  points.reserve(count);
  for (int i = 0; i < count; ++i) {
    const QPointF p(xs[i], ys[i]);
    // Interior points on a straight run add nothing to the picture.
    while (points.size() >= 2 && OnSegment(points[points.size() - 2], points.back(), p)) {
      points.removeLast();
    }
    points.append(p);
  }
  return AddPlot(std::move(points), color);
}

int XYGraph::PlotArc(double x1, double y1, double x2, double y2, int beginAngle, int arcAngle,
                     QColor color) {
  if (!std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) || !std::isfinite(y2)) {
    return -1;
  }
  const int arc = std::clamp(arcAngle, -3600, 3600);
  const double cx = (x1 + x2) / 2.0, cy = (y1 + y2) / 2.0;
  const double rx = std::abs(x2 - x1) / 2.0, ry = std::abs(y2 - y1) / 2.0;
  const int segments =
      std::max(2, static_cast<int>(std::ceil(kFullCircleSegments * std::abs(arc) / 3600.0)));
  QList<QPointF> points;
  points.reserve(segments + 1);
  for (int i = 0; i <= segments; ++i) {
    const double tenths = beginAngle + static_cast<double>(arc) * i / segments;
    const double radians = tenths / 10.0 * std::numbers::pi / 180.0;
    points.append(QPointF(cx + rx * std::cos(radians), cy + ry * std::sin(radians)));
  }
  return AddPlot(std::move(points), color);
}

void XYGraph::DeletePlot(int plot) {
  if (plot == -1) {
    plots_->lines().clear();
  } else {
    plots_->lines().erase(plot);
  }
  plots_->changed();
}

int XYGraph::PlotCount() const {
  return static_cast<int>(plots_->lines().size());
}

std::vector<int> XYGraph::PlotHandles() const {
  std::vector<int> handles;
  handles.reserve(plots_->lines().size());
  for (const auto& entry : plots_->lines()) handles.push_back(entry.first);
  return handles;
}

QList<QPointF> XYGraph::PlotPoints(int plot) const {
  const auto it = plots_->lines().find(plot);
  return it == plots_->lines().end() ? QList<QPointF>() : QList<QPointF>(it->second.points);
}

QColor XYGraph::PlotColor(int plot) const {
  const auto it = plots_->lines().find(plot);
  return it == plots_->lines().end() ? QColor() : it->second.color;
}

void XYGraph::SetXRange(double min, double max) {
  if (ValidRange(min, max)) x_->setRange(min, max);
}

void XYGraph::SetYRange(double min, double max) {
  if (ValidRange(min, max)) y_->setRange(min, max);
}

void XYGraph::XRange(double* min, double* max) const {
  if (min) *min = x_->min();
  if (max) *max = x_->max();
}

void XYGraph::YRange(double* min, double* max) const {
  if (min) *min = y_->min();
  if (max) *max = y_->max();
}

CursorItem* XYGraph::CursorAt(int cursor) {
  CursorItem*& item = cursors_[cursor];
  if (item == nullptr) item = new CursorItem(chart_);
  return item;
}

void XYGraph::SetCursor(int cursor, double x, double y) {
  if (cursor < 1 || !std::isfinite(x) || !std::isfinite(y)) return;
  CursorItem* item = CursorAt(cursor);
  item->setValue(QPointF(x, y));
  item->place(chart_->plotArea(),
              ValueTransform(chart_->plotArea(), x_->min(), x_->max(), y_->min(), y_->max()));
  item->show();
}

void XYGraph::CursorPosition(int cursor, double* x, double* y) const {
  const auto it = cursors_.find(cursor);
  const QPointF value = it == cursors_.end() ? QPointF() : it->second->value();
  if (x) *x = value.x();
  if (y) *y = value.y();
}

void XYGraph::SetCursorColor(int cursor, QColor color) {
  if (cursor >= 1) CursorAt(cursor)->setColor(color);
}

QColor XYGraph::CursorColor(int cursor) const {
  const auto it = cursors_.find(cursor);
  return it == cursors_.end() ? QColor(Qt::red) : it->second->color();
}

bool XYGraph::CursorShown(int cursor) const {
  const auto it = cursors_.find(cursor);
  return it != cursors_.end() && it->second->isVisible();
}

void XYGraph::Place() {
  CacheAxisItems(chart_);
  const QRectF area = chart_->plotArea();
  const QTransform transform = ValueTransform(area, x_->min(), x_->max(), y_->min(), y_->max());
  plots_->place(area, transform);
  for (auto& entry : cursors_) entry.second->place(area, transform);
}

}  // namespace tavix::ui
