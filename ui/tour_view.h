#pragma once
// TourView: the picture area below the chart (Image1). It shows two tours as
// closed polylines over the city grid: the generation best on the left, the
// overall best on the right, shifted by W x 30 + 10. Cities are not marked.
//
// City c of the left tour lies at
//   x = 20 + (c mod W) * 30,  y = origin + (c div W) * 30 + 2,
//   origin = max(0, (panel4Height - H * 30) div 2).
//
// The tours are drawn into a retained picture, created at the first
// drawTours() with the widget's size at that moment and never resized:
// whatever falls outside it is lost. The widget shows the picture unscaled at
// its top-left corner over the button face (palette Button). Before the first
// drawTours() it shows only the button face.
//
// The picture is made at the widget's device pixel ratio and drawn into in
// widget pixels (device_picture.h). When the window moves to a screen of
// another ratio the picture keeps its size in widget pixels and is made anew
// at the new ratio, with the tours it showed drawn again.
//
// The two drawings never share a pixel column: the left one ends at
// x = 20 + (W - 1) x 30, the right one starts 40 pixels further, and a line's
// pixels stay within the box between its ends (at a ratio above 1, within a
// pixel of it). So a redraw repaints only the side whose tour (or the grid,
// the origin or the button face) changed, and asks to show only that side;
// segments that cannot touch the picture are left out, and the rest go to
// the painter in one call.

#include <QImage>
#include <QLine>
#include <QWidget>

#include <cstdint>
#include <vector>

#include "grid.h"
#include "line_stamps.h"

namespace wendra {

// Pixel positions of the tour drawing; pure arithmetic, no painter.
struct TourGeometry {
  static constexpr int kCellSize = 30;
  static constexpr int kLeftMargin = 20;
  static constexpr int kTopOffset = 2;
  static constexpr int kGap = 10;

  Grid grid;
  int panel4Height = 0;

  int origin() const;
  int rightShift() const { return grid.width * kCellSize + kGap; }
  QPoint leftCity(std::int32_t city) const;
  QPoint rightCity(std::int32_t city) const { return leftCity(city) + QPoint(rightShift(), 0); }
};

class TourView : public QWidget {
  Q_OBJECT

 public:
  explicit TourView(QWidget* parent = nullptr);

  // Redraws both tours into the retained picture (created now if this is the
  // first call) and requests a repaint. `panel4Height` is the current height
  // of the panel holding the view.
  // REQUIRES: both tours hold cities of `grid`; neither is empty.
  void drawTours(const Grid& grid, const std::vector<std::int32_t>& generationBest,
                 const std::vector<std::int32_t>& overallBest, int panel4Height);

  // The retained picture; null before the first drawTours() (and after it if
  // the view had no area then). Its size is in device pixels.
  const QImage& picture() const { return picture_; }

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  // What one side of the picture shows now.
  struct Side {
    bool drawn = false;
    Grid grid;
    int origin = 0;
    QRgb face = 0;
    std::vector<std::int32_t> tour;
    bool shows(const Grid& g, int o, QRgb f, const std::vector<std::int32_t>& t) const {
      return drawn && grid == g && origin == o && face == f && tour == t;
    }
  };

  // Fills `area` with the button face and draws `tour` shifted by `shift`.
  void drawSide(QPainter& painter, const QRect& area, const TourGeometry& geometry,
                const std::vector<std::int32_t>& tour, int shift);
  // Sets the lines of segments_ that lie inside `area` and leaves only the
  // others there (at ratio 1).
  void stampInside(const QRect& area);

  // Draws what the picture showed again, at the screen's ratio now.
  void redrawAtNewRatio();

  QImage picture_;
  QSize pictureSize_;  // in widget pixels, fixed at the first drawTours()
  bool pictureCreated_ = false;
  Side left_, right_;
  int panel4Height_ = 0;  // as given to the last drawTours()
  std::vector<QLine> segments_;  // reused by every side drawn
  LineStamps stamps_;
};

}  // namespace wendra
