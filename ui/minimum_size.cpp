#include "minimum_size.h"

#include <algorithm>

namespace wendra {

QSize minimumClientSize(const DockedControls& controls) {
  int lowest = 0;
  for (const QRect& control : controls.panel1Controls)
    lowest = std::max(lowest, control.y() + control.height());
  int rightmost = 0;
  for (const QRect& control : controls.panel2LeftAnchored)
    rightmost = std::max(rightmost, control.x() + control.width());
  const int width = std::max(rightmost + controls.panel2RightAnchored.width() + controls.rightMargin,
                             controls.upperPart.width());
  const int height = std::max(lowest, controls.upperPart.height()) + controls.panel2Height;
  return {width, height};
}

}  // namespace wendra
