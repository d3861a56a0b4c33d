#include "ui/strip_chart.h"

#include <algorithm>
#include <map>

#include <QChart>
#include <QPolygonF>
#include <QStringList>
#include <QValueAxis>

#include "ui/chart_common.h"

namespace tavix::ui {

namespace {

constexpr int kMaxTraces = 64;
constexpr int kMaxPointsPerScreen = 100000;

}  // namespace

StripChart::StripChart(QWidget* parent)
    : QChartView(parent),
      chart_(chart()),
      x_(new QValueAxis),
      y_(new QValueAxis),
      lines_(new LineLayer(chart_, LineLayer::Style::kSharp)) {
  SetUpChart(chart_, x_, y_);
  x_->setLabelsVisible(false);
  SetUpView(this);
  x_->setRange(0, points_ - 1);
  y_->setRange(kDefaultMin, kDefaultMax);
  SetTraceCount(1);
  connect(chart_, &QChart::plotAreaChanged, this, [this] { Place(); });
  connect(x_, &QValueAxis::rangeChanged, this, [this] { Place(); });
  connect(y_, &QValueAxis::rangeChanged, this, [this] { Place(); });
}

StripChart::~StripChart() = default;

void StripChart::ApplyLayoutProperties() {
  const int traces = static_cast<int>(NumberProperty(this, "traces", TraceCount()));
  SetTraceCount(traces);
  SetPointsPerScreen(static_cast<int>(NumberProperty(this, "pointsPerScreen", points_)));
  SetYRange(NumberProperty(this, "ymin", y_->min()), NumberProperty(this, "ymax", y_->max()));
  const QStringList colors = property("traceColors").toString().split(',', Qt::SkipEmptyParts);
  for (int i = 0; i < colors.size() && i < TraceCount(); ++i) {
    const QColor color = QColor::fromString(colors[i].trimmed());
    if (color.isValid()) SetTraceColor(i, color);
  }
}

void StripChart::SetTraceCount(int traces) {
  static constexpr QRgb kColors[] = {0xFF0000, 0x00A000, 0x0000FF, 0x000000,
                                     0xA000A0, 0xFF8000, 0x808080, 0x00A0A0};
  traces = std::clamp(traces, 1, kMaxTraces);
  if (traces == TraceCount()) return;
  traces_.assign(static_cast<std::size_t>(traces), Trace());
  std::map<int, LineLayer::Line>& lines = lines_->lines();
  lines.clear();
  for (int i = 0; i < traces; ++i) lines[i].color = QColor(kColors[i % std::size(kColors)]);
  nextTrace_ = 0;
  lines_->changed();
}

void StripChart::SetPointsPerScreen(int points) {
  points = std::clamp(points, 2, kMaxPointsPerScreen);
  if (points == points_) return;
  points_ = points;
  x_->setRange(0, points_ - 1);
  for (std::size_t i = 0; i < traces_.size(); ++i) {
    Trace& trace = traces_[i];
    if (trace.values.size() > static_cast<std::size_t>(points_)) {
      trace.values.erase(trace.values.begin(), trace.values.end() - points_);
    }
    Redraw(i);
  }
  lines_->changed();
}

void StripChart::SetYRange(double min, double max) {
  if (ValidRange(min, max)) y_->setRange(min, max);
}

void StripChart::YRange(double* min, double* max) const {
  if (min) *min = y_->min();
  if (max) *max = y_->max();
}

void StripChart::Plot(const double* values, int count, int start, int skip) {
  if (values == nullptr || count <= 0 || start < 0 || skip < 0) return;
  const std::size_t step = static_cast<std::size_t>(skip) + 1;
  const std::size_t traces = traces_.size();
  const std::size_t first = nextTrace_;
  for (std::size_t k = 0; k < static_cast<std::size_t>(count); ++k) {
    traces_[nextTrace_].values.push_back(values[static_cast<std::size_t>(start) + k * step]);
    nextTrace_ = (nextTrace_ + 1) % traces;
  }
  // Fewer values than traces reach only some traces; only those are redrawn.
  const std::size_t touched = std::min(traces, static_cast<std::size_t>(count));
  for (std::size_t i = 0; i < traces; ++i) {
    if ((i + traces - first) % traces >= touched) continue;
    Trace& trace = traces_[i];
    if (trace.values.size() > static_cast<std::size_t>(points_)) {
      trace.values.erase(trace.values.begin(), trace.values.end() - points_);
    }
    Redraw(i);
  }
  lines_->changed();
}

void StripChart::Clear() {
  for (std::size_t i = 0; i < traces_.size(); ++i) {
    traces_[i].values.clear();
    Redraw(i);
  }
  nextTrace_ = 0;
  lines_->changed();
}

void StripChart::Redraw(std::size_t trace) {
  // Newest value at the right-hand end of the screen.
  const std::vector<double>& values = traces_[trace].values;
  const std::size_t n = values.size();
  const double offset = static_cast<double>(points_) - static_cast<double>(n);
  QPolygonF& points = lines_->lines()[static_cast<int>(trace)].points;
  points.resize(static_cast<qsizetype>(n));  // keeps its storage from pass to pass
  for (std::size_t i = 0; i < n; ++i) {
    points[static_cast<qsizetype>(i)] = QPointF(offset + static_cast<double>(i), values[i]);
  }
}

void StripChart::Place() {
  CacheAxisItems(chart_);
  const QRectF area = chart_->plotArea();
  lines_->place(area, ValueTransform(area, x_->min(), x_->max(), y_->min(), y_->max()));
}

void StripChart::SetTraceVisible(int trace, bool visible) {
  if (trace < 0 || trace >= TraceCount()) return;
  traces_[static_cast<std::size_t>(trace)].visible = visible;
  lines_->lines()[trace].visible = visible;
  lines_->changed();
}

bool StripChart::TraceVisible(int trace) const {
  return trace >= 0 && trace < TraceCount() && traces_[static_cast<std::size_t>(trace)].visible;
}

void StripChart::SetTraceColor(int trace, QColor color) {
  if (trace < 0 || trace >= TraceCount()) return;
  lines_->lines()[trace].color = color;
  lines_->changed();
}

std::vector<double> StripChart::TraceValues(int trace) const {
  if (trace < 0 || trace >= TraceCount()) return {};
  return traces_[static_cast<std::size_t>(trace)].values;
}

QList<QPointF> StripChart::TracePoints(int trace) const {
  if (trace < 0 || trace >= TraceCount()) return {};
  return lines_->lines().at(trace).points;
}

}  // namespace tavix::ui
