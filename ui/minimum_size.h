#pragma once
// The smallest client area of the main window: the size below which the
// docked layout would cut a control or lay one over another. Panel1 keeps
// its width and Panel2 its height, so the controls in Panel1 set the least
// height (the lowest of them, HeightEdit, must stay inside Panel1) and those
// in Panel2 the least width ("&Stop", anchored to the right edge, must stay
// clear of the rightmost control anchored to the left, RefreshCount).
// Measured from the controls' actual geometry, so it scales with them.

#include <QList>
#include <QRect>
#include <QSize>

namespace wendra {

struct DockedControls {
  int panel2Height = 0;
  // Geometries in their panels.
  QList<QRect> panel1Controls;
  QList<QRect> panel2LeftAnchored;
  QSize panel2RightAnchored;  // "&Stop"
  int rightMargin = 0;        // its right edge to Panel2's
  // What the part above Panel2 needs besides (the chart inside Panel3).
  QSize upperPart;
};

// Controls may touch but not overlap; an empty list needs no room.
QSize minimumClientSize(const DockedControls& controls);

}  // namespace wendra
