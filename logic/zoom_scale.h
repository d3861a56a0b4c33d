// Tolerance circles, the view box of the zoom graph and its rescaling for
// each live frame. Integer arithmetic as the zoom defines it; no widgets.
#pragma once

#include <array>
#include <cstdint>

#include "protocol/params.h"

namespace tavix::logic {

// Circle colours: the first 15 are used row after row; white is never used.
inline constexpr std::array<double, 16> sicolarr = {
    0xFF0000, 0x80FF00, 0x0000FF, 0x000000, 0xFF80C0, 0xFFFF00, 0x808000, 0x800080,
    0x80FFFF, 0xFF0080, 0x400080, 0xFF00FF, 0x008000, 0x408080, 0x800000, 0xFFFFFF};
inline constexpr int kCircleColours = 15;

// View box of the zoom graph, fixed when the zoom starts.
struct ZoomBox {
  int minX = 4096;
  int maxX = 0;
  int minY = 4096;
  int maxY = 0;
};

// One ellipse outline, bounded by (x1, y1)-(x2, y2), drawn as a full arc.
struct CircleArc {
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  std::uint32_t rgb = 0;
};
inline constexpr int kArcsPerRow = 3;
inline constexpr int kCircleArcs = protocol::kTeachRows * kArcsPerRow;  // 93

// The three outlines of every row's circle, row 0 first, whatever MAXVEC-No. says.
std::array<CircleArc, kCircleArcs> CircleArcs(const protocol::TeachTable& ctt);

// The box around every taught circle (rows with X > 10 or Y > 10); with no
// such row 0..4096 on both axes.
ZoomBox ViewBox(const protocol::TeachTable& ctt);

// Axis ranges of the zoom graph for one live point, and the values they come from.
struct ZoomView {
  int spanX = 0, spanY = 0;
  int cX = 0, cY = 0;
  int S = 0;
  int xmin = 0, xmax = 0, ymin = 0, ymax = 0;
};
ZoomView RescaleZoom(const ZoomBox& box, int x, int y);

// Cursor colour: green while the sensor reports a matching row, red for 255.
std::uint32_t ZoomCursorColour(std::uint16_t dataCOL);

}  // namespace tavix::logic
