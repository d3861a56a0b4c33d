#include "logic/zoom_scale.h"

#include <algorithm>
#include <utility>

#include "base/colours.h"

namespace tavix::logic {

namespace {

constexpr int kEmptyLimit = 10;  // rows with X and Y both at most 10 are left out of the box
constexpr int kMargin = 25;

// Span and centre of one axis: the box widened towards a point outside it.
void Axis(int v, int min, int max, int* span, int* centre) {
  if (v > max) {
    *span = v - min;
    *centre = min + *span / 2;
  } else if (v < min) {
    *span = max - v;
    *centre = v + *span / 2;
  } else {
    *span = max - min;
    *centre = min + *span / 2;
  }
}

}  // namespace

std::array<CircleArc, kCircleArcs> CircleArcs(const protocol::TeachTable& ctt) {
  std::array<CircleArc, kCircleArcs> arcs{};
  int c = 0;
  for (int r = 0; r < protocol::kTeachRows; ++r) {
    const auto& row = ctt[static_cast<std::size_t>(r)];
    const int x = row[0], y = row[1], cto = row[2];
    const double x1 = x - cto, y1 = y - cto, x2 = x + cto, y2 = y + cto;
    const auto rgb = static_cast<std::uint32_t>(sicolarr[static_cast<std::size_t>(c)]);
    CircleArc* out = &arcs[static_cast<std::size_t>(r * kArcsPerRow)];
    out[0] = CircleArc{x1, y1, x2, y2, rgb};
    out[1] = CircleArc{x1 + 0.025, y1 + 0.025, x2 + 0.025, y2 + 0.025, rgb};
    out[2] = CircleArc{x1 + 0.05, y1 + 0.05, x2 + 0.005, y2 + 0.005, rgb};
    if (++c > kCircleColours - 1) c = 0;
  }
  return arcs;
}

ZoomBox ViewBox(const protocol::TeachTable& ctt) {
  ZoomBox box;
  for (const auto& row : ctt) {
    const int x = row[0], y = row[1], cto = row[2];
    if (x <= kEmptyLimit && y <= kEmptyLimit) continue;
    box.minX = std::min(box.minX, x - cto);
    box.maxX = std::max(box.maxX, x + cto);
    box.minY = std::min(box.minY, y - cto);
    box.maxY = std::max(box.maxY, y + cto);
  }
  if (box.maxX < box.minX) std::swap(box.minX, box.maxX);
  if (box.maxY < box.minY) std::swap(box.minY, box.maxY);
  return box;
}

ZoomView RescaleZoom(const ZoomBox& box, int x, int y) {
  ZoomView v;
  Axis(x, box.minX, box.maxX, &v.spanX, &v.cX);
  Axis(y, box.minY, box.maxY, &v.spanY, &v.cY);
  v.S = v.spanX < v.spanY ? v.spanY : v.spanX;
  v.xmin = (v.cX - v.S / 2) - kMargin;
  v.xmax = (v.cX + v.S / 2) + kMargin;
  v.ymin = (v.cY - v.S / 2) - kMargin;
  v.ymax = (v.cY + v.S / 2) + kMargin;
  return v;
}

std::uint32_t ZoomCursorColour(std::uint16_t dataCOL) {
  return dataCOL < 255 ? kGreen : kRed;
}

}  // namespace tavix::logic
