#include "chart_draw.h"

#include <QPainter>

#include "chart_text.h"
#include "device_picture.h"

namespace wendra::chart {

namespace {

const QColor kTickGrey(128, 128, 128);

// Draws a text with the top-left corner of its box at (x, top). The frame's
// few texts go straight to the painter; it draws them once per size.
void drawTextAt(QPainter& painter, int x, int top, const QString& text) {
  painter.drawText(QPoint(x, top + painter.fontMetrics().ascent()), text);
}

void drawLegend(ChartCanvas& canvas, const ChartLayout& layout, const LegendRow (&rows)[2]) {
  const LegendLayout& legend = layout.legend;
  if (!legend.shown) return;
  const Edges& box = legend.box;  // half open
  canvas.fill(box.left + 3, box.top + 3, box.right + 2, box.bottom + 2, Qt::black);
  canvas.fill(box.left - 1, box.top - 1, box.right, box.bottom, Qt::white);
  canvas.frame(box.left - 1, box.top - 1, box.right, box.bottom, Qt::black);

  QPainter& painter = canvas.painter();
  const int h = layout.textHeight;
  for (int i = 0; i < legend.rows; ++i) {
    const int y = legend.rowTop(i, h);
    painter.setPen(Qt::black);
    drawTextAt(painter, legend.textLeft, y, rows[i].title);
    painter.setPen(linePen(rows[i].color, painter.device()->devicePixelRatioF()));
    painter.drawLine(legend.symbolLeft(), y + h / 2, legend.symbolRight(), y + h / 2);
  }
}

void drawAxis(ChartCanvas& canvas, ChartText& texts, const ChartLayout& layout,
              const AxisLayout& axis) {
  const Edges& r = layout.plot;
  const int h = layout.textHeight;
  const bool vertical = axis.map.vertical();
  // The axis line lies just outside the back wall, 2 pixels thick; the left
  // one runs down over the corner so that the two meet.
  const int line = ChartLayout::kAxisLineWidth;
  const int major = ChartLayout::kMajorTickLength;
  const int minor = ChartLayout::kMinorTickLength;

  if (axis.labelsShown) {
    for (const AxisLabel& label : axis.labels) {
      if (vertical)
        canvas.text(texts, layout.leftTickOuter() - label.width, label.pixel - h / 2, label.text,
                    Qt::black);
      else
        canvas.text(texts, label.pixel - label.width / 2, layout.bottomLabelTop(), label.text,
                    Qt::black);
    }
  }

  if (vertical)
    canvas.fill(r.left - line, r.top, r.left - 1, r.bottom + line, Qt::black);
  else
    canvas.fill(r.left - line, r.bottom + 1, r.right, r.bottom + line, Qt::black);
  if (!axis.labelsShown) return;

  // Ticks start next to the axis line and point outward.
  auto tick = [&](int at, int length) {
    if (vertical)
      canvas.fill(r.left - line - length, at, r.left - line - 1, at, kTickGrey);
    else
      canvas.fill(at, r.bottom + line + 1, at, r.bottom + line + length, kTickGrey);
  };
  for (const AxisLabel& label : axis.labels) tick(label.pixel, major);

  // Grid lines run between the walls; one that falls on a wall is left out so
  // that the frame stays whole.
  for (const AxisLabel& label : axis.labels) {
    if (vertical) {
      if (label.pixel > r.top && label.pixel < r.bottom)
        canvas.dotsAcross(label.pixel, r.left + 1, r.right - 1, kTickGrey);
    } else if (label.pixel > r.left && label.pixel < r.right) {
      canvas.dotsDown(label.pixel, r.top + 1, r.bottom - 1, kTickGrey);
    }
  }

  for (int at : axis.minorTicks) tick(at, minor);
}

}  // namespace

void drawFrame(ChartCanvas& canvas, const ChartLayout& layout, const FrameColors& colors,
               const LegendRow (&rows)[2]) {
  // Background and the sunken bevel: shadow on the top and left edge,
  // highlight on the bottom and right edge (which own the two far corners).
  const int w = layout.width;
  const int h = layout.height;
  canvas.fill(0, 0, w - 1, h - 1, colors.background);
  canvas.fill(0, 0, w - 1, 0, colors.shadow);
  canvas.fill(0, 0, 0, h - 1, colors.shadow);
  canvas.fill(w - 1, 0, w - 1, h - 1, colors.highlight);
  canvas.fill(0, h - 1, w - 1, h - 1, colors.highlight);

  drawLegend(canvas, layout, rows);

  canvas.painter().setPen(QColor(0, 0, 255));
  drawTextAt(canvas.painter(), layout.titleLeft, layout.titleTop, QStringLiteral("Fitness"));
}

void drawAxes(ChartCanvas& canvas, ChartText& texts, const ChartLayout& layout) {
  // Back wall: a frame on R's edges; the inside keeps the background.
  const Edges& r = layout.plot;
  canvas.frame(r.left, r.top, r.right, r.bottom, Qt::black);
  drawAxis(canvas, texts, layout, layout.bottom);
  drawAxis(canvas, texts, layout, layout.left);
}

}  // namespace wendra::chart
