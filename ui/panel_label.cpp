#include "panel_label.h"

#include <QEvent>
#include <QFontMetrics>

namespace wendra {

PanelLabel::PanelLabel(const QString& caption, int height, QWidget* parent)
    : QLabel(caption, parent), height_(height) {
  // Text at the top of the label, no indent, no wrapping.
  setAlignment(Qt::AlignLeft | Qt::AlignTop);
  setIndent(0);
  setMargin(0);
  setWordWrap(false);
  setTextFormat(Qt::PlainText);
  fitToCaption();
}

void PanelLabel::setCaption(const QString& caption) {
  // The status labels get their captions after every generation, mostly the
  // same ones: an unchanged caption is neither laid out nor repainted.
  if (caption == text()) return;
  setText(caption);
  fitToCaption();
}

void PanelLabel::fitToCaption() {
  // With a focus control the "&" marks the underlined letter and takes no
  // room; without one QLabel shows it as it is.
  const int flags = buddy() ? Qt::TextShowMnemonic : 0;
  if (flags != widthsFlags_) {
    widths_.clear();
    widthsFlags_ = flags;
  }
  auto known = widths_.constFind(text());
  if (known == widths_.constEnd()) {
    if (widths_.size() >= kMaxWidths) widths_.clear();
    known = widths_.insert(text(), QFontMetrics(font()).size(flags, text()).width());
  }
  resize(*known, height_);
}

void PanelLabel::changeEvent(QEvent* event) {
  QLabel::changeEvent(event);
  if (event->type() == QEvent::FontChange) {
    widths_.clear();
    fitToCaption();
  }
}

}  // namespace wendra
