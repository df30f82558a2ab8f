#pragma once
// The parts of the chart picture that do not depend on the series' values,
// drawn from a ChartLayout in the order of the drawing steps:
//   drawFrame: background, sunken bevel, legend, title (steps 3, 5, 6);
//   drawAxes:  back wall and both axes, bottom first: labels, axis line,
//              major ticks, grid lines, minor ticks (steps 9, 10).
// The chart keeps the first in one picture and the first with the second in
// another, and puts the series on a copy (chart.h).
//
// Tested by tests/ui/tst_chart_pixels.cpp (against the reference drawing of
// tests/ui/chart_reference.h, at ratios 1 and 2).

#include <QColor>
#include <QString>

#include "chart_canvas.h"
#include "chart_math.h"

namespace wendra::chart {

class ChartText;

// The system colours of the frame.
struct FrameColors {
  QColor background;  // button face
  QColor shadow;      // bevel, top and left edge
  QColor highlight;   // bevel, bottom and right edge
  bool operator==(const FrameColors&) const = default;
};

// One legend row: a series' title and colour.
struct LegendRow {
  QString title;
  QColor color;
};

void drawFrame(ChartCanvas& canvas, const ChartLayout& layout, const FrameColors& colors,
               const LegendRow (&rows)[2]);
void drawAxes(ChartCanvas& canvas, ChartText& texts, const ChartLayout& layout);

}  // namespace wendra::chart
