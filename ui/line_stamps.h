#pragma once
// LineStamps: solid 1-pixel lines of the raster engine, drawn without its
// per-line cost. LineStamps asks the painter once for the pixels of a line,
// drawn in a picture of its own, keeps them, and from then on writes them
// itself wherever they are the same: the painter still decides every pixel,
// but a line costs about a nanosecond per pixel instead of a fraction of a
// microsecond plus its pixels.
//
// The engine's cosmetic line rasteriser works in fixed point from the line's
// ends. For ends at whole pixels inside the picture, the pixels it sets
// depend only on the difference between the ends, shifted to where the line
// starts: one learnt line serves every line of that shape. A line reaching
// out of the picture is first cut at the picture's edges, and its pixels
// then depend on where exactly it lies: such a line is learnt in a picture
// of the same size and serves that same line again (a tour drawing meets the
// same lines between its grid points time and again). A line too long to
// learn, or one met when the store is full, goes to the painter as it is.
//
// Only for pictures at a device pixel ratio of 1 in Format_RGB32, opaque
// colours and the default square-capped 1-pixel pen without transform or
// antialiasing. Thread safety: GUI thread only.

#include <QHash>
#include <QImage>
#include <QLine>
#include <QPainter>
#include <QRect>

#include <cstdint>
#include <vector>

namespace wendra {

class LineStamps {
 public:
  // Draws `segments` in `color` into `picture`, only where `clip` (a
  // rectangle inside the picture, as the painter's clip leaves it) allows.
  // `painter` is active on `picture` with that clip and a 1-pixel pen in
  // `color`; it draws the lines that cannot be stamped.
  void draw(QImage& picture, QPainter& painter, const std::vector<QLine>& segments, QRgb color,
            const QRect& clip);

 private:
  // The pixels of a line, as offsets from its start: (x, y) and, for the
  // picture's row length in `stride`, the offsets in its pixel array.
  struct Stamp {
    std::vector<std::int32_t> x, y;
    int left = 0, top = 0, right = 0, bottom = 0;  // their box
    qsizetype stride = -1;
    std::vector<qsizetype> at;
  };

  // A line by its shape (ends relative to its start) when it lies inside
  // the picture, by its place otherwise.
  struct Key {
    bool placed;  // by place: the line reaches out of the picture
    int x1, y1, x2, y2;
    bool operator==(const Key&) const = default;
  };
  friend size_t qHash(const Key& k, size_t seed) {
    return qHashMulti(seed, k.placed, k.x1, k.y1, k.x2, k.y2);
  }

  // The pixels of `line` as the painter sets them in `picture` (null: one
  // just large enough), relative to the line's start. Leaves the pixels in
  // the box between its ends changed.
  static Stamp learn(QLine line, QImage* picture);
  Stamp* stampFor(QLine line, QSize picture);

  static constexpr int kLongestSide = 640;       // lines learnt up to this long
  static constexpr qsizetype kMaxStamps = 16384;  // lines kept at most
  QHash<Key, Stamp> stamps_;
  QImage scratch_;              // where lines reaching out are learnt
  std::vector<QLine> painted_;  // the lines left to the painter
};

}  // namespace wendra
