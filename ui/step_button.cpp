#include "step_button.h"

#include <QPainter>

namespace wendra {

void SpinInput::StepButton::paintArrow(QPainter& p, QPoint centre, bool up, bool sunken) const {
  // A 5 x 3 triangle centred in a 6 x 6 glyph box; shifted one pixel when
  // its half is held down.
  if (sunken) centre += QPoint(1, 1);
  auto draw = [&](QPoint at, const QColor& colour) {
    p.setPen(colour);
    for (int row = 0; row < 3; ++row) {
      const int y = up ? at.y() - 1 + row : at.y() + 1 - row;
      p.drawLine(at.x() - row, y, at.x() + row, y);
    }
  };
  if (isEnabled()) {
    draw(centre, palette().color(QPalette::Active, QPalette::ButtonText));
  } else {
    draw(centre + QPoint(1, 1), palette().color(QPalette::Light));
    draw(centre, palette().color(QPalette::Disabled, QPalette::Dark));
  }
}

void SpinInput::StepButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const int w = width(), h = height();
  if (w < 4 || h < 4) return;
  const QPalette& pal = palette();
  const QColor light = pal.color(QPalette::Light);
  const QColor dark = pal.color(QPalette::Dark);
  const QColor shadow = pal.color(QPalette::Shadow);
  // The held half is drawn sunken only while the pointer is over it.
  const bool upSunken = held_ == Up && pointerOnHeld_;
  const bool downSunken = held_ == Down && pointerOnHeld_;

  p.fillRect(rect(), pal.color(QPalette::Button));

  // Upper-left half: its top and left edges, and the diagonal as its
  // lower-right edge (the last pixels that still step up).
  p.setPen(upSunken ? shadow : light);
  p.drawLine(0, 0, w - 2, 0);
  p.drawLine(0, 0, 0, h - 2);
  p.setPen(upSunken ? light : dark);
  p.drawLine(1, h - 1, w - 1, 1);

  // Lower-right half: the diagonal just below as its upper-left edge, then
  // its bottom and right edges, doubled when raised.
  p.setPen(downSunken ? shadow : light);
  p.drawLine(2, h - 1, w - 1, 2);
  p.setPen(downSunken ? light : shadow);
  p.drawLine(0, h - 1, w - 1, h - 1);
  p.drawLine(w - 1, 0, w - 1, h - 1);
  if (!downSunken) {
    p.setPen(dark);
    p.drawLine(3, h - 2, w - 2, h - 2);
    p.drawLine(w - 2, 3, w - 2, h - 2);
  }

  // Glyphs in the outer corner of each half.
  const QPoint upCentre(w / 4 + 1, h / 4);
  paintArrow(p, upCentre, true, upSunken);
  paintArrow(p, QPoint(w - 1 - upCentre.x(), h - 1 - upCentre.y()), false, downSunken);
}

}  // namespace wendra
