// The placement rules: which states show the normal rectangle, and how a
// stored rectangle is brought onto the screens.

#include "placement_rules.h"

#include <gtest/gtest.h>

#include <climits>

namespace wendra {

void PrintTo(const NormalPlacement& p, std::ostream* out) {
  *out << p.framePosition.x() << "," << p.framePosition.y() << " " << p.clientSize.width() << "x"
       << p.clientSize.height();
}

namespace {

const QSize kMinimum(466, 493);
const QMargins kNoFrame;
const QMargins kFrame(1, 20, 1, 5);  // openbox
const QRect kScreen(0, 0, 1280, 1024);

NormalPlacement at(int x, int y, int width, int height) { return {QPoint(x, y), QSize(width, height)}; }

TEST(ShowsNormalRectangle, OnlyWhenNeitherMinimizedNorMaximizedAnyWay) {
  EXPECT_TRUE(showsNormalRectangle({}));
  EXPECT_FALSE(showsNormalRectangle({.minimized = true}));
  EXPECT_FALSE(showsNormalRectangle({.maximized = true}));
  EXPECT_FALSE(showsNormalRectangle({.fullScreen = true}));
  // What Qt calls normal but the window manager has stretched one way.
  EXPECT_FALSE(showsNormalRectangle({.maximizedVertically = true}));
  EXPECT_FALSE(showsNormalRectangle({.maximizedHorizontally = true}));
}

TEST(BringOntoScreens, AWholeRectangleStaysAsItIs) {
  EXPECT_EQ(bringOntoScreens(at(238, 106, 705, 520), kFrame, kMinimum, {kScreen}), at(238, 106, 705, 520));
  // Touching the edges with its frame is still whole.
  EXPECT_EQ(bringOntoScreens(at(0, 0, 1278, 999), kFrame, kMinimum, {kScreen}), at(0, 0, 1278, 999));
}

TEST(BringOntoScreens, ATooSmallRectangleGrowsToTheMinimum) {
  EXPECT_EQ(bringOntoScreens(at(100, 100, 1, 1), kFrame, kMinimum, {kScreen}), at(100, 100, 466, 493));
  EXPECT_EQ(bringOntoScreens(at(100, 100, 0, 700), kNoFrame, kMinimum, {kScreen}), at(100, 100, 466, 700));
  // Grown past the screen's edge, it then moves back whole onto it.
  EXPECT_EQ(bringOntoScreens(at(1200, 900, 1, 1), kNoFrame, kMinimum, {kScreen}), at(814, 531, 466, 493));
}

TEST(BringOntoScreens, ARectangleOffTheScreenMovesJustOntoIt) {
  // Frame included: 707 x 545 ends at the screen's corner.
  EXPECT_EQ(bringOntoScreens(at(5000, 5000, 705, 520), kFrame, kMinimum, {kScreen}), at(573, 479, 705, 520));
  EXPECT_EQ(bringOntoScreens(at(-3000, 300, 705, 520), kFrame, kMinimum, {kScreen}), at(0, 300, 705, 520));
  // Partly off: moved the least way, the other coordinate kept.
  EXPECT_EQ(bringOntoScreens(at(1000, 300, 705, 520), kFrame, kMinimum, {kScreen}), at(573, 300, 705, 520));
  EXPECT_EQ(bringOntoScreens(at(300, -10, 705, 520), kFrame, kMinimum, {kScreen}), at(300, 0, 705, 520));
}

TEST(BringOntoScreens, ARectangleLargerThanTheScreenIsShrunkToIt) {
  EXPECT_EQ(bringOntoScreens(at(10, 10, 3000, 3000), kFrame, kMinimum, {kScreen}), at(0, 0, 1278, 999));
  // Never below the minimum: on a tiny screen the top-left corner wins.
  EXPECT_EQ(bringOntoScreens(at(50, 50, 600, 600), kNoFrame, kMinimum, {QRect(0, 0, 400, 300)}),
            at(0, 0, 466, 493));
}

TEST(BringOntoScreens, TheAvailableAreaLeavesPanelsOut) {
  const QRect belowAPanel(0, 30, 1280, 994);
  EXPECT_EQ(bringOntoScreens(at(100, 0, 705, 520), kFrame, kMinimum, {belowAPanel}), at(100, 30, 705, 520));
}

TEST(BringOntoScreens, SeveralScreens) {
  const QList<QRect> two = {kScreen, QRect(1280, 0, 1920, 1080)};
  // Spanning both is whole on them.
  EXPECT_EQ(bringOntoScreens(at(1000, 100, 705, 520), kFrame, kMinimum, two), at(1000, 100, 705, 520));
  // Mostly on the second screen's part below the first's bottom: onto the second.
  EXPECT_EQ(bringOntoScreens(at(1500, 900, 705, 520), kFrame, kMinimum, two), at(1500, 535, 705, 520));
  // Overlapping none: onto the nearest, the second one.
  EXPECT_EQ(bringOntoScreens(at(4000, 200, 705, 520), kFrame, kMinimum, two), at(2493, 200, 705, 520));
  // Off to the top-left of both: the first is nearest.
  EXPECT_EQ(bringOntoScreens(at(-5000, -5000, 705, 520), kFrame, kMinimum, two), at(0, 0, 705, 520));
}

TEST(BringOntoScreens, ExtremeNumbersDoNotOverflow) {
  EXPECT_EQ(bringOntoScreens(at(INT_MAX, INT_MAX, INT_MAX, INT_MAX), kFrame, kMinimum, {kScreen}),
            at(0, 0, 1278, 999));
  EXPECT_EQ(bringOntoScreens(at(INT_MIN, INT_MIN, 705, 520), kFrame, kMinimum, {kScreen}), at(0, 0, 705, 520));
}

TEST(BringOntoScreens, WithoutScreensOnlyTheMinimumApplies) {
  EXPECT_EQ(bringOntoScreens(at(-9000, 9000, 1, 1), kFrame, kMinimum, {}), at(-9000, 9000, 466, 493));
}

}  // namespace
}  // namespace wendra
