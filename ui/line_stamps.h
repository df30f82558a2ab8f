#pragma once
// LineStamps: the pixels that the raster engine's plain 1-pixel pen sets for
// a line with whole-pixel ends, recorded once per offset between its ends by
// drawing it into a small picture, and then set again straight into a
// picture wherever such a line lies well inside the clip. The pen's
// rasterisation of such a line does not depend on where it lies
// (tests/ui/line_stamps_test.cpp checks it against the painter at many
// places), so a recorded line is the painter's line anywhere. Lines at or
// across a clip's edge, and long lines (see keeps()), are left to the
// painter. The chart sets its lines between neighbouring pixel columns this
// way, the tour view its tours.
//
// Thread safety: none; GUI thread only.

#include <QImage>
#include <QPoint>

#include <cstdint>
#include <cstdlib>
#include <unordered_map>
#include <vector>

namespace wendra {

class LineStamps {
 public:
  // The longest rise of a line at most one column wide, and the longest
  // side of the box of any other line, that are kept (recording a line costs
  // the pixels of its box).
  static constexpr int kLongestStep = 400;
  static constexpr int kLongest = 64;

  // Whether a line with this offset between its ends is kept here.
  static bool keeps(QPoint offset) {
    const int across = std::abs(offset.x()), down = std::abs(offset.y());
    return across <= 1 ? down <= kLongestStep : across <= kLongest && down <= kLongest;
  }

  // The pixels of the line from (0, 0) to `offset`, relative to its start.
  // REQUIRES: keeps(offset).
  const std::vector<QPoint>& of(QPoint offset);

  // Sets the pixels of the line from `from` to `from + offset` in `picture`
  // (Format_RGB32, ratio 1) to `value`.
  // REQUIRES: keeps(offset); all of them lie in the picture.
  void stamp(QImage& picture, QPoint from, QPoint offset, QRgb value);

 private:
  static std::vector<QPoint> record(QPoint offset);
  // Lines one column wide or less by direction and rise (the chart's many
  // short ones), the others by offset; empty until recorded (a line has at
  // least one pixel).
  std::vector<std::vector<QPoint>> steps_[3][2];
  std::unordered_map<std::int64_t, std::vector<QPoint>> others_;
  std::size_t othersSize_ = 0;  // their pixels, held below kMostPixels
  static constexpr std::size_t kMostPixels = 1 << 20;
};

}  // namespace wendra
