#include "chart_math.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace wendra::chart {
namespace {

// Text metrics with every character 6 pixels wide and h = 13 (the digit
// advance and text height of the chart font), so layouts can be worked out by
// hand.
TextMetrics fixedMetrics() {
  TextMetrics m;
  m.height = 13;
  m.width = [](const QString& text) { return 6 * static_cast<int>(text.size()); };
  return m;
}

LayoutInput chartInput(int width, int height) {
  LayoutInput input;
  input.width = width;
  input.height = height;
  input.metrics = fixedMetrics();
  input.title1 = QStringLiteral("Average");
  input.title2 = QStringLiteral("Best");
  return input;
}

TEST(ChartRoundingTest, HalvesGoToEvenOrAwayFromZero) {
  EXPECT_EQ(roundHalfEven(2.5), 2);
  EXPECT_EQ(roundHalfEven(3.5), 4);
  EXPECT_EQ(roundHalfEven(-2.5), -2);
  EXPECT_EQ(roundHalfEven(2.6), 3);
  // Every half and its neighbours, as nearbyint rounds them, up to 2^53.
  for (double base : {0.0, 1.0, 2.0, 1e6, 2147483646.0, 1125899906842623.0, 2251799813685247.0,
                      2251799813685248.0, 4503599627370495.0}) {
    for (double v : {base, base + 0.5, base + 0.25, base + 0.75, std::nextafter(base + 0.5, 0.0),
                     std::nextafter(base + 0.5, 1e300)}) {
      EXPECT_EQ(roundHalfEven(v), static_cast<std::int64_t>(std::nearbyint(v))) << v;
      EXPECT_EQ(roundHalfEven(-v), static_cast<std::int64_t>(std::nearbyint(-v))) << -v;
    }
  }
  EXPECT_EQ(roundHalfAway(2.5), 3);
  EXPECT_EQ(roundHalfAway(-2.5), -3);
  EXPECT_EQ(roundHalfAway(2.4), 2);
}

struct FormatCase {
  double value;
  const char* text;
};

TEST(ChartFormatTest, PointAndCommaSeparators) {
  const NumberSeparators point{QLatin1Char('.'), QLatin1Char(',')};
  const std::vector<FormatCase> cases = {
      {0, "0"},
      {12, "12"},
      {1234.5, "1,234.5"},
      {-1234.5, "-1,234.5"},
      {100, "100"},
      {999, "999"},
      {1000, "1,000"},
      {1234567.891, "1,234,567.891"},
      {0.05, "0.05"},
      {0.1 + 0.2, "0.3"},               // 0.30000000000000004
      {300.0 + 7 * 0.05, "300.35"},     // 300.34999999999997
      {0.0004, "0"},
      {-0.0004, "0"},                    // no "-0"
      {0.0005, "0.001"},                 // half away from zero
      {-0.0005, "-0.001"},
      {999.9996, "1,000"},               // the carry reaches a new group
      {2.0625, "2.063"},
      {1e15, "1,000,000,000,000,000"},
      {5e-13, "0"},
  };
  for (const FormatCase& c : cases)
    EXPECT_EQ(formatLabel(c.value, point).toStdString(), c.text) << "value " << c.value;
}

TEST(ChartFormatTest, CommaLocaleAndNoGrouping) {
  const NumberSeparators comma{QLatin1Char(','), QLatin1Char('.')};
  EXPECT_EQ(formatLabel(1234.5, comma), QStringLiteral("1.234,5"));
  EXPECT_EQ(formatLabel(0.25, comma), QStringLiteral("0,25"));
  EXPECT_EQ(formatLabel(1234567, comma), QStringLiteral("1.234.567"));
  const NumberSeparators space{QLatin1Char(','), QChar(0x00A0)};
  EXPECT_EQ(formatLabel(12345.678, space), QStringLiteral(u"12\u00A0345,678"));
  const NumberSeparators none{QLatin1Char('.'), QChar()};
  EXPECT_EQ(formatLabel(12345.678, none), QStringLiteral("12345.678"));
}

TEST(ChartStepTest, StepsRunOneTwoFive) {
  std::vector<double> seen;
  for (LabelStep s{1, -2}; s.exponent < 2; s = s.next()) seen.push_back(s.value());
  const std::vector<double> expected = {0.01, 0.02, 0.05, 0.1, 0.2, 0.5, 1, 2, 5, 10, 20, 50};
  EXPECT_EQ(seen, expected);
  EXPECT_EQ((LabelStep{1, -12}).value(), 1e-12);
  EXPECT_EQ((LabelStep{5, 3}).value(), 5000);
}

struct StepCase {
  double range;
  int axisSize;
  int labelSize;
  double step;
};

TEST(ChartStepTest, StepTable) {
  const std::vector<StepCase> cases = {
      // The default chart: 209-pixel left axis (h 13, n 15), 440-pixel
      // bottom axis with labels "0" .. "100" (18 wide, n 22).
      {400, 209, 13, 50},   // 20 labels of 20 are too many, 8 of 50 fit
      {406, 209, 13, 50},
      {100, 440, 18, 5},    // 20 <= 22
      {100, 440, 30, 10},   // n = 440 / 33 = 13
      {1, 440, 6, 1},
      {0.37, 209, 13, 0.05},  // from 1e-12 upwards: 0.02 gives 18 > 15
      {0.01, 209, 13, 0.001},
      {1e12, 200, 13, 1e11},
      {5, 63, 13, 2},       // n = round(63 / 14 = 4.5) = 4, half to even
      {100, 440, 0, 100},   // no label size: n = 1
      {100, 5, 13, 1e-12},  // n = 0: shorter than half a label
      {-3, 209, 13, 1},     // |range| >= 1 starts at 1
      {-3e9, 209, 13, 2},   // a quotient beyond 32 bits takes the next step
  };
  for (const StepCase& c : cases) {
    EXPECT_DOUBLE_EQ(labelStep(c.range, c.axisSize, c.labelSize).value(), c.step)
        << "range " << c.range << " size " << c.axisSize << " label " << c.labelSize;
  }
}

TEST(ChartStepTest, RangeZeroKeepsTheSmallestStep) {
  EXPECT_EQ(labelStep(0, 209, 13), (LabelStep{1, -12}));
  EXPECT_EQ(labelStep(0, 440, 6), (LabelStep{1, -12}));
}

TEST(ChartAxisMapTest, HorizontalAndVerticalPixels) {
  const AxisMap x(0, 100, 48, 488, false);
  EXPECT_EQ(x.toPixel(0), 48);
  EXPECT_EQ(x.toPixel(100), 488);
  EXPECT_EQ(x.toPixel(50), 268);
  EXPECT_EQ(x.toPixel(-10), 4);
  const AxisMap y(250, 650, 29, 238, true);
  EXPECT_EQ(y.toPixel(650), 29);
  EXPECT_EQ(y.toPixel(250), 238);
  EXPECT_EQ(y.toPixel(450), 134);  // 238 - round(104.5)
  const AxisMap quarters(0, 4, 0, 10, false);
  EXPECT_EQ(quarters.toPixel(1), 2);  // 2.5 -> 2
  EXPECT_EQ(quarters.toPixel(3), 8);  // 7.5 -> 8
}

TEST(ChartAxisMapTest, RangeZeroAndHugeOffsetsMapToTheMiddle) {
  const AxisMap flat(300, 300, 29, 238, true);
  EXPECT_EQ(flat.toPixel(300), 133);
  EXPECT_EQ(flat.toPixel(1e9), 133);
  const AxisMap x(0, 1, 10, 110, false);
  EXPECT_EQ(x.toPixel(3e7), 60);   // offset 3e9
  EXPECT_EQ(x.toPixel(-3e7), 60);
  EXPECT_EQ(x.toPixel(21474836.46), 2147483647);  // just below the limit: 10 + 2147483646 saturates
  EXPECT_EQ(x.toPixel(21474836.47), 60);                // at it
  const AxisMap tiny(0, 1e-300, 0, 100, false);
  EXPECT_EQ(tiny.toPixel(1), 50);
}

TEST(ChartAxisMapTest, PixelToValue) {
  const AxisMap x(0, 100, 48, 488, false);
  EXPECT_DOUBLE_EQ(x.toValue(48), 0);
  EXPECT_DOUBLE_EQ(x.toValue(488), 100);
  EXPECT_DOUBLE_EQ(x.toValue(158), 25);
  const AxisMap y(250, 650, 29, 238, true);
  EXPECT_DOUBLE_EQ(y.toValue(29), 650);
  EXPECT_DOUBLE_EQ(y.toValue(238), 250);
  EXPECT_EQ(AxisMap(0, 100, 50, 50, false).toValue(70), 0);  // size < 1
  EXPECT_EQ(AxisMap(0, 100, 50, 40, true).toValue(45), 0);
}

TEST(ChartLabelTest, ValuesFromTheTopDown) {
  LabelValues v = labelValues(0, 100, 5);
  ASSERT_TRUE(v.shown);
  ASSERT_EQ(v.values.size(), 21u);
  EXPECT_EQ(v.values.front(), 100);
  EXPECT_EQ(v.values.back(), 0);

  v = labelValues(244.3, 651, 50);
  const std::vector<double> expected = {650, 600, 550, 500, 450, 400, 350, 300, 250};
  EXPECT_EQ(v.values, expected);

  v = labelValues(-7, -1, 5);  // trunc(-1 / 5) * 5 = 0 exceeds -1
  EXPECT_EQ(v.values, std::vector<double>{-5});
}

TEST(ChartLabelTest, RangeZeroGivesOneLabel) {
  const LabelValues v = labelValues(0, 0, 1e-12);
  ASSERT_TRUE(v.shown);
  EXPECT_EQ(v.values, std::vector<double>{0});
  EXPECT_EQ(labelValues(312, 312, 1e-12).values, std::vector<double>{312});
}

TEST(ChartLabelTest, ToleranceKeepsALabelJustBelowTheMinimum) {
  // 1 - 7 * 0.1 = 0.29999999999999993 lies a hair below 0.1 + 0.2.
  const LabelValues v = labelValues(0.1 + 0.2, 1, 0.1);
  ASSERT_EQ(v.values.size(), 8u);
  EXPECT_NEAR(v.values.back(), 0.3, 1e-12);
}

TEST(ChartLabelTest, TenThousandLabelsAreTooMany) {
  EXPECT_TRUE(labelValues(0, 9999, 1).shown);
  EXPECT_EQ(labelValues(0, 9999, 1).values.size(), 10000u);
  const LabelValues cut = labelValues(0, 10000, 1);
  EXPECT_FALSE(cut.shown);
  EXPECT_TRUE(cut.values.empty());
  // An axis too short for half a label gets the step 1e-12 and so no labels.
  EXPECT_FALSE(labelValues(0, 1, labelStep(1, 5, 13).value()).shown);
}

TEST(ChartTickTest, MinorTicksQuarterEveryGapAndOneBeyond) {
  // Gaps of 22: quarters 5.5, 11, 16.5 round to 6, 11, 16.
  EXPECT_EQ(minorTicks({45, 67, 89}, 30, 110),
            (std::vector<int>{39, 34, 51, 56, 61, 73, 78, 83, 95, 100, 105}));
  // Labels come largest first, so bottom-axis pixels fall.
  EXPECT_EQ(minorTicks({89, 67, 45}, 45, 89),
            (std::vector<int>{83, 78, 73, 61, 56, 51}));
  // Only strictly inside the axis.
  EXPECT_EQ(minorTicks({10, 18}, 10, 18), (std::vector<int>{12, 14, 16}));
  EXPECT_TRUE(minorTicks({60}, 0, 120).empty());
  EXPECT_TRUE(minorTicks({}, 0, 120).empty());
}

TEST(ChartLayoutTest, EmptyChartAtItsWindowSize) {
  const ChartLayout l = layoutChart(chartInput(586, 268));
  // Margins 18 (17.58) and 11 (10.72); legend T 42, s 6, box from x 505
  // to 563, y 27 to 55; R.right = 505 - 17 (16.5 away from zero).
  EXPECT_TRUE(l.legend.shown);
  EXPECT_EQ(l.legend.rows, 2);
  EXPECT_EQ(l.legend.symbolWidth, 6);
  EXPECT_EQ(l.legend.box, (Edges{505, 27, 563, 55}));
  EXPECT_EQ(l.legend.textLeft, 519);
  EXPECT_EQ(l.legend.rowTop(1, 13), 41);
  EXPECT_EQ(l.titleLeft, (18 + 488 - 42) / 2);
  EXPECT_EQ(l.titleTop, 11);
  // Left: label "0" 6 wide + space 6 + 6.
  EXPECT_EQ(l.plot, (Edges{36, 29, 488, 238}));
  ASSERT_TRUE(l.bottom.labelsShown);
  ASSERT_EQ(l.bottom.labels.size(), 1u);
  EXPECT_EQ(l.bottom.labels[0].text, QStringLiteral("0"));
  EXPECT_EQ(l.bottom.labels[0].pixel, (36 + 488) / 2);
  ASSERT_EQ(l.left.labels.size(), 1u);
  EXPECT_EQ(l.left.labels[0].pixel, (29 + 238) / 2);
  EXPECT_TRUE(l.bottom.minorTicks.empty());
}

TEST(ChartLayoutTest, DataRangesAndLabels) {
  LayoutInput input = chartInput(586, 268);
  input.data = {true, 0, 100, 250, 650};
  const ChartLayout l = layoutChart(input);
  // Left labels "250" .. "650" reserve 18 + 6 + 6.
  EXPECT_EQ(l.plot, (Edges{48, 29, 488, 238}));
  EXPECT_EQ(l.left.step.value(), 50);
  ASSERT_EQ(l.left.labels.size(), 9u);
  EXPECT_EQ(l.left.labels[0].pixel, 29);
  EXPECT_EQ(l.left.labels[4].text, QStringLiteral("450"));
  EXPECT_EQ(l.left.labels[4].pixel, 134);
  EXPECT_EQ(l.left.labels[8].pixel, 238);
  EXPECT_EQ(l.bottom.step.value(), 5);
  ASSERT_EQ(l.bottom.labels.size(), 21u);
  EXPECT_EQ(l.bottom.labels[10].pixel, 268);
  EXPECT_EQ(l.bottom.minorTicks.size(), 20u * 3);
}

TEST(ChartLayoutTest, ManualAxesKeepTheirRange) {
  LayoutInput input = chartInput(586, 268);
  input.data = {true, 0, 100, 250, 650};
  input.bottom = {false, 40, 60};
  const ChartLayout l = layoutChart(input);
  EXPECT_EQ(l.bottom.map.minimum(), 40);
  EXPECT_EQ(l.bottom.map.maximum(), 60);
  EXPECT_EQ(l.left.map.minimum(), 250);  // still automatic
}

TEST(ChartLayoutTest, PlotMarginHalvesGoAwayFromZero) {
  const ChartLayout l = layoutChart(chartInput(550, 268));
  // 3 % of 550 is 16.5: 17, not 16.
  EXPECT_EQ(l.legend.box.right, 550 - 17 - 5);
  EXPECT_EQ(l.bottom.map.start(), 17 + 6 + 6 + 6);
}

TEST(ChartLayoutTest, LegendRowsFollowTheHeight) {
  // R.bottom 29, box top 3: (29 - 2 - 3) div 13 = 1 row.
  ChartLayout l = layoutChart(chartInput(586, 30));
  EXPECT_EQ(l.legend.rows, 1);
  EXPECT_EQ(l.legend.box.bottom, 3 + 13 + 2);
  // R.bottom 14, box top 2: no row, no legend, R keeps its width.
  l = layoutChart(chartInput(586, 15));
  EXPECT_FALSE(l.legend.shown);
  EXPECT_EQ(l.plot.right, 586 - 18);
}

TEST(ChartLayoutTest, PanningStartsInsideTheFrameOrOnAnAxis) {
  LayoutInput input = chartInput(586, 268);
  input.data = {true, 0, 100, 250, 650};
  const ChartLayout l = layoutChart(input);  // R = 48, 29, 488, 238
  EXPECT_TRUE(l.startsPanning(48, 29));
  EXPECT_TRUE(l.startsPanning(488, 238));
  EXPECT_TRUE(l.startsPanning(42, 100));    // outer end of the left ticks
  EXPECT_FALSE(l.startsPanning(41, 100));   // on a label
  EXPECT_TRUE(l.startsPanning(200, 244));   // outer end of the bottom ticks
  EXPECT_FALSE(l.startsPanning(200, 245));
  EXPECT_FALSE(l.startsPanning(42, 240));   // below the left axis
  EXPECT_FALSE(l.startsPanning(250, 15));   // title
  EXPECT_FALSE(l.startsPanning(530, 40));   // legend
  EXPECT_TRUE(l.insidePlot(488, 29));
  EXPECT_FALSE(l.insidePlot(489, 29));
}

}  // namespace
}  // namespace wendra::chart
