#pragma once
// ChartText: the chart's texts in the chart font, each laid out once. The
// layout asks for text widths and label texts of axis values many times per
// repaint, mostly the same ones; the axes draw the same label texts again at
// every relayout. ChartText keeps, per text, its width and its glyph runs
// (drawn with the same pixels as QPainter::drawText), and per axis value its
// label text. What it keeps is dropped when the font or the separators
// change, and when it has grown past a few thousand texts (a long panning
// session meets ever new values).
//
// Thread safety: GUI thread only.
//
// Tested by tests/ui/tst_chart_pixels.cpp (against the reference drawing of
// tests/ui/chart_reference.h, at ratios 1 and 2).

#include <QFont>
#include <QGlyphRun>
#include <QHash>
#include <QList>
#include <QString>

#include <functional>

#include "chart_math.h"

class QPainter;

namespace wendra::chart {

class ChartText {
 public:
  void setFont(const QFont& font);
  void setSeparators(const NumberSeparators& separators);
  const QFont& font() const { return font_; }
  const NumberSeparators& separators() const { return separators_; }

  // h: the height of the text "W".
  int height() const { return height_; }
  // The advance width of a text.
  int width(const QString& text);
  // formatLabel(value) with the separators.
  QString label(double value);
  // Draws `text` in the painter's pen with the top-left corner of its box at
  // (x, top).
  void draw(QPainter& painter, int x, int top, const QString& text);

  // The metrics and label texts for layoutChart(), answered from here.
  TextMetrics metrics();
  std::function<QString(double)> labels();

 private:
  struct Text {
    int width = 0;
    bool laidOut = false;
    QList<QGlyphRun> runs;
  };
  static constexpr qsizetype kMaxTexts = 4096;

  Text& entry(const QString& text);

  QFont font_;
  int height_ = 0;
  NumberSeparators separators_;
  QHash<QString, Text> texts_;
  QHash<quint64, QString> labels_;
};

}  // namespace wendra::chart
