#include "chart_text.h"

#include <QFontMetrics>
#include <QPainter>
#include <QTextLayout>

#include <cstring>

namespace wendra::chart {

void ChartText::setFont(const QFont& font) {
  if (font == font_ && height_ > 0) return;
  font_ = font;
  height_ = QFontMetrics(font).size(0, QStringLiteral("W")).height();
  texts_.clear();
}

void ChartText::setSeparators(const NumberSeparators& separators) {
  if (separators == separators_) return;
  separators_ = separators;
  labels_.clear();
}

ChartText::Text& ChartText::entry(const QString& text) {
  auto found = texts_.find(text);
  if (found != texts_.end()) return *found;
  if (texts_.size() >= kMaxTexts) texts_.clear();
  Text measured;
  measured.width = QFontMetrics(font_).horizontalAdvance(text);
  return *texts_.insert(text, std::move(measured));
}

int ChartText::width(const QString& text) { return entry(text).width; }

QString ChartText::label(double value) {
  quint64 key;
  std::memcpy(&key, &value, sizeof key);
  auto found = labels_.find(key);
  if (found != labels_.end()) return *found;
  if (labels_.size() >= kMaxTexts) labels_.clear();
  return *labels_.insert(key, formatLabel(value, separators_));
}

void ChartText::draw(QPainter& painter, int x, int top, const QString& text) {
  Text& t = entry(text);
  if (!t.laidOut) {
    // One line without a width limit: the glyphs where drawText puts them,
    // relative to the top-left corner of the text's box.
    QTextLayout layout(text, font_);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    t.runs = layout.glyphRuns();
    t.laidOut = true;
  }
  for (const QGlyphRun& run : t.runs) painter.drawGlyphRun(QPointF(x, top), run);
}

std::function<QString(double)> ChartText::labels() {
  return [this](double value) { return label(value); };
}

TextMetrics ChartText::metrics() {
  TextMetrics result;
  result.height = height_;
  result.width = [this](const QString& text) { return width(text); };
  return result;
}

}  // namespace wendra::chart
