#include "ui/trend_chart.h"

#include <algorithm>
#include <cmath>

#include <QChart>
#include <QPolygonF>
#include <QStringList>
#include <QValueAxis>

#include "ui/chart_common.h"

namespace tavix::ui {

namespace {

constexpr int kMaxTraces = 16;
constexpr int kMinXRange = 10;

// The x range grows in steps of this sequence (times a power of ten), so
// that it changes now and then rather than with every value, and its
// quarters are whole numbers from 100 on.
constexpr double kSteps[] = {1.0, 1.2, 1.6, 2.0, 2.4, 3.2, 4.0, 5.0, 6.0, 8.0};

double XRangeFor(int count) {
  const double n = std::max(count, kMinXRange);
  for (double decade = 1.0;; decade *= 10.0) {
    for (double step : kSteps) {
      if (step * decade >= n) return step * decade;
    }
  }
}

// An axis that follows the values: a little room above and below, whole numbers.
void FitRange(QValueAxis* axis, double low, double high) {
  const double pad = std::max(1.0, 0.05 * (high - low));
  const double min = std::floor(low - pad);
  const double max = std::ceil(high + pad);
  if (min != axis->min() || max != axis->max()) axis->setRange(min, max);
}

}  // namespace

TrendChart::TrendChart(QWidget* parent)
    : QChartView(parent),
      chart_(chart()),
      x_(new QValueAxis),
      y_(new QValueAxis),
      y2_(new QValueAxis),
      left_(new LineLayer(chart_, LineLayer::Style::kSharp)),
      right_(new LineLayer(chart_, LineLayer::Style::kSharp)) {
  SetUpChart(chart_, x_, y_);
  chart_->addAxis(y2_, Qt::AlignRight);
  SetUpAxis(y2_);
  x_->setLabelFormat("%g");
  SetUpView(this);
  x_->setRange(0, XRangeFor(0));
  y_->setRange(kDefaultMin, kDefaultMax);
  y2_->setRange(kDefaultMin, kDefaultMax);
  // New values change only the end of the lines: only that strip repaints.
  left_->setWholeArea(true);
  right_->setWholeArea(true);
  SetTraceCount(1, 0);
  connect(chart_, &QChart::plotAreaChanged, this, [this] { Place(); });
  for (QValueAxis* axis : {x_, y_, y2_}) {
    connect(axis, &QValueAxis::rangeChanged, this, [this] { Place(); });
  }
}

TrendChart::~TrendChart() = default;

void TrendChart::ApplyLayoutProperties() {
  const int traces = static_cast<int>(NumberProperty(this, "traces", TraceCount()));
  SetTraceCount(traces, static_cast<int>(NumberProperty(this, "rightTraces", rightTraces_)));
  const QStringList colors = property("traceColors").toString().split(',', Qt::SkipEmptyParts);
  for (int i = 0; i < colors.size() && i < TraceCount(); ++i) {
    const QColor color = QColor::fromString(colors[i].trimmed());
    if (color.isValid()) SetTraceColor(i, color);
  }
  const char* names[2][2] = {{"ymin", "ymax"}, {"rightYmin", "rightYmax"}};
  QValueAxis* axes[2] = {y_, y2_};
  for (int side = 0; side < 2; ++side) {
    const double min = NumberProperty(this, names[side][0], NAN);
    const double max = NumberProperty(this, names[side][1], NAN);
    extent_[side].fixed = ValidRange(min, max);
    if (extent_[side].fixed) axes[side]->setRange(min, max);
  }
  FitAxes();
}

void TrendChart::SetTraceCount(int traces, int rightTraces) {
  static constexpr QRgb kColors[] = {0xFF0000, 0x00A000, 0x0000FF, 0x000000,
                                     0xA000A0, 0xFF8000, 0x808080, 0x00A0A0};
  traces = std::clamp(traces, 1, kMaxTraces);
  rightTraces = std::clamp(rightTraces, 0, traces - 1);
  if (traces == TraceCount() && rightTraces == rightTraces_) return;
  values_.assign(static_cast<std::size_t>(traces), {});
  rightTraces_ = rightTraces;
  left_->lines().clear();
  right_->lines().clear();
  for (int i = 0; i < traces; ++i) {
    (IsRight(i) ? right_ : left_)->lines()[i].color = QColor(kColors[i % std::size(kColors)]);
  }
  y2_->setVisible(rightTraces_ > 0);
  Clear(0);
}

void TrendChart::SetTraceColor(int trace, QColor color) {
  if (trace < 0 || trace >= TraceCount()) return;
  LineLayer* layer = IsRight(trace) ? right_ : left_;
  layer->lines()[trace].color = color;
  layer->changed();
}

void TrendChart::Clear(int capacity) {
  for (std::vector<double>& trace : values_) {
    trace.clear();
    trace.reserve(static_cast<std::size_t>(std::max(capacity, 0)));
  }
  for (Extent& extent : extent_) extent.empty = true;
  FitAxes();
  Decimate();
}

void TrendChart::Append(const double* values, int count) {
  if (values == nullptr || count != TraceCount()) return;
  for (int i = 0; i < count; ++i) {
    const double v = values[i];
    values_[static_cast<std::size_t>(i)].push_back(v);
    if (!std::isfinite(v)) continue;
    Extent& extent = extent_[IsRight(i) ? 1 : 0];
    extent.low = extent.empty ? v : std::min(extent.low, v);
    extent.high = extent.empty ? v : std::max(extent.high, v);
    extent.empty = false;
  }
  FitAxes();
  if (columns_ != PlotColumns() || width_ != x_->max() / columns_) {
    Decimate();
    return;
  }
  double from = Count();
  for (int t = 0; t < count; ++t) from = std::min(from, Feed(t, Count() - 1));
  left_->changedBetween(from, Count());
  right_->changedBetween(from, Count());
}

void TrendChart::FitAxes() {
  const double xmax = XRangeFor(Count());
  if (x_->max() != xmax || x_->min() != 0.0) x_->setRange(0.0, xmax);
  QValueAxis* axes[2] = {y_, y2_};
  for (int side = 0; side < 2; ++side) {
    const Extent& extent = extent_[side];
    if (!extent.fixed && !extent.empty) FitRange(axes[side], extent.low, extent.high);
  }
}

int TrendChart::PlotColumns() const {
  return std::max(1, static_cast<int>(chart_->plotArea().width()));
}

QPolygonF& TrendChart::Points(int trace) {
  return (IsRight(trace) ? right_ : left_)->lines()[trace].points;
}

void TrendChart::Decimate() {
  columns_ = PlotColumns();
  width_ = x_->max() / columns_;
  open_.assign(values_.size(), OpenColumn());
  for (int t = 0; t < TraceCount(); ++t) {
    QPolygonF& points = Points(t);
    points.resize(0);  // keeps its storage
    points.reserve(2 * columns_ + 2);
    for (int i = 0; i < Count(); ++i) Feed(t, i);
  }
  left_->changed();
  right_->changed();
}

// Value i is drawn at x = i + 1; column c takes the values whose x lies in
// [c, c + 1) * width_. Its lowest and highest value are drawn, in the order
// they came, so the line keeps the shape of the data. Returns the x from
// which the trace's line changed.
double TrendChart::Feed(int trace, int i) {
  const std::vector<double>& v = values_[static_cast<std::size_t>(trace)];
  OpenColumn& open = open_[static_cast<std::size_t>(trace)];
  QPolygonF& points = Points(trace);
  if (open.column < 0 || i + 1 >= open.end) {
    int c = open.column + 1;
    while (i + 1 >= (c + 1) * width_) ++c;  // columns without a value
    open = OpenColumn{c, (c + 1) * width_, i, i, 1};
    const double from = points.isEmpty() ? i + 1 : points.back().x();
    points.append(QPointF(i + 1, v[i]));
    return from;
  }
  const bool lower = v[i] < v[open.lo];
  const bool higher = v[i] > v[open.hi];
  if (!lower && !higher) return i + 1;
  if (lower) open.lo = i;
  if (higher) open.hi = i;
  points.resize(points.size() - open.points);
  const int first = std::min(open.lo, open.hi);
  const int second = std::max(open.lo, open.hi);
  const double from = points.isEmpty() ? first + 1 : points.back().x();
  points.append(QPointF(first + 1, v[first]));
  if (second != first) points.append(QPointF(second + 1, v[second]));
  open.points = second != first ? 2 : 1;
  return from;
}

// The axis items are not kept as pixmaps (CacheAxisItems): the labels of
// this chart change with its ranges, and a cached label keeps its old text.
void TrendChart::Place() {
  const QRectF area = chart_->plotArea();
  left_->place(area, ValueTransform(area, x_->min(), x_->max(), y_->min(), y_->max()));
  right_->place(area, ValueTransform(area, x_->min(), x_->max(), y2_->min(), y2_->max()));
  if (PlotColumns() != columns_) Decimate();
}

const std::vector<double>& TrendChart::Values(int trace) const {
  static const std::vector<double> kNone;
  if (trace < 0 || trace >= TraceCount()) return kNone;
  return values_[static_cast<std::size_t>(trace)];
}

QList<QPointF> TrendChart::TracePoints(int trace) const {
  if (trace < 0 || trace >= TraceCount()) return {};
  return (IsRight(trace) ? right_ : left_)->lines().at(trace).points;
}

void TrendChart::XRange(double* min, double* max) const {
  if (min) *min = x_->min();
  if (max) *max = x_->max();
}

void TrendChart::YRange(bool right, double* min, double* max) const {
  const QValueAxis* axis = right ? y2_ : y_;
  if (min) *min = axis->min();
  if (max) *max = axis->max();
}

}  // namespace tavix::ui
