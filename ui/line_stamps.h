#pragma once
// LineStamps: the pixels that the raster engine's plain 1-pixel pen sets for
// a line between two neighbouring pixel columns, (x, y) to (x + 1, y + rise)
// or (x - 1, y + rise), recorded once per direction and rise by drawing that
// line into a small picture, and then set again straight into the chart's
// picture wherever such a line lies well inside the clip. The pen's
// rasterisation of a line with whole-pixel ends does not depend on where the
// line lies (tests/ui/line_stamps_test.cpp checks it against the painter at
// many places), so a recorded line is the painter's line anywhere; lines at
// or across the clip's edges are left to the painter.
//
// Thread safety: none; GUI thread only.

#include <QImage>
#include <QPoint>

#include <cstdint>
#include <vector>

namespace wendra::chart {

class LineStamps {
 public:
  // The pixels of the line from (0, 0) to (step, rise), step -1 or 1,
  // relative to its start.
  const std::vector<QPoint>& of(int step, int rise);

  // Sets the pixels of the line from `from` to (from.x() + step, from.y() +
  // rise) in `picture` (Format_RGB32, ratio 1) to `value`.
  // REQUIRES: all of them lie in the picture.
  void stamp(QImage& picture, QPoint from, int step, int rise, QRgb value);

 private:
  static std::vector<QPoint> record(int step, int rise);
  // By step > 0, rise >= 0 and |rise|; empty until recorded (a line has at
  // least one pixel).
  std::vector<std::vector<QPoint>> lines_[2][2];
};

}  // namespace wendra::chart
