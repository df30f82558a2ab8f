#include "panel.h"

#include <QPainter>

namespace wendra {

Panel::Panel(QWidget* parent) : QWidget(parent) {
  setAutoFillBackground(true);
  setBackgroundRole(QPalette::Window);
  setFocusPolicy(Qt::NoFocus);
}

void Panel::paintEvent(QPaintEvent*) {
  const int right = width() - 1;
  const int bottom = height() - 1;
  if (right < 0 || bottom < 0) return;
  QPainter painter(this);
  // Highlight along the top and left edges, shadow along the right and
  // bottom edges; the shadow owns the top-right and bottom-left corners.
  painter.setPen(palette().color(QPalette::Light));
  painter.drawLine(0, 0, right - 1, 0);
  painter.drawLine(0, 0, 0, bottom - 1);
  painter.setPen(palette().color(QPalette::Dark));
  painter.drawLine(right, 0, right, bottom);
  painter.drawLine(0, bottom, right, bottom);
}

}  // namespace wendra
