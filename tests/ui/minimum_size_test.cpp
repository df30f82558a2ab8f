// The main window's smallest client area, from its docked controls.

#include "minimum_size.h"

#include <gtest/gtest.h>

namespace wendra {
namespace {

// The design layout: the lowest control of Panel1 is HeightEdit, the
// rightmost left-anchored one of Panel2 is RefreshCount.
DockedControls designed() {
  DockedControls controls;
  controls.panel2Height = 44;
  controls.panel1Controls = {QRect(20, 10, 80, 25), QRect(12, 414, 40, 13), QRect(12, 428, 90, 21)};
  controls.panel2LeftAnchored = {QRect(16, 8, 75, 25), QRect(188, 10, 69, 21), QRect(270, 14, 41, 13),
                                 QRect(312, 10, 69, 21)};
  controls.panel2RightAnchored = QSize(75, 25);
  controls.rightMargin = 10;
  controls.upperPart = QSize(119, 270);
  return controls;
}

TEST(MinimumClientSize, StopClearOfRefreshCountAndHeightEditInsidePanel1) {
  EXPECT_EQ(minimumClientSize(designed()), QSize(381 + 75 + 10, 449 + 44));
}

TEST(MinimumClientSize, FollowsTheControls) {
  DockedControls controls = designed();
  controls.panel2LeftAnchored.append(QRect(400, 10, 50, 21));
  controls.panel1Controls.append(QRect(12, 470, 90, 21));
  EXPECT_EQ(minimumClientSize(controls), QSize(450 + 85, 491 + 44));
}

TEST(MinimumClientSize, TheUpperPartCanSetIt) {
  DockedControls controls;
  controls.panel2Height = 44;
  controls.upperPart = QSize(119, 270);
  EXPECT_EQ(minimumClientSize(controls), QSize(119, 314));
}

}  // namespace
}  // namespace wendra
