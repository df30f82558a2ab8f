#include "chart_math.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

namespace wendra::chart {

namespace {

constexpr double kInt32Max = 2147483647.0;
constexpr double kInt32Min = -2147483648.0;

int floorDiv2(std::int64_t value) {
  return static_cast<int>(value >= 0 ? value / 2 : -((-value + 1) / 2));
}

// 10^e as the double nearest to it for |e| <= 22 (both factors exact).
double powerOfTen(int exponent) {
  static constexpr double kExact[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                      1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                      1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  if (exponent >= 0 && exponent <= 22) return kExact[exponent];
  return std::pow(10.0, exponent);
}

// round(q) as a signed 32-bit integer, if it is one.
bool roundsToInt32(double q) {
  if (!std::isfinite(q)) return false;
  const double r = std::nearbyint(q);
  return r >= kInt32Min && r <= kInt32Max;
}

}  // namespace

std::int64_t roundHalfAway(double value) { return static_cast<std::int64_t>(std::round(value)); }

double LabelStep::value() const {
  if (exponent >= 0) return mantissa * powerOfTen(exponent);
  return mantissa / powerOfTen(-exponent);
}

LabelStep LabelStep::next() const {
  switch (mantissa) {
    case 1:
      return {2, exponent};
    case 2:
      return {5, exponent};
    default:
      return {1, exponent + 1};
  }
}

std::int64_t greatestLabelCount(int axisSize, int labelSize) {
  if (labelSize == 0) return 1;
  const std::int64_t spacing = labelSize + roundHalfEven(10.0 * labelSize / 100.0);
  if (spacing == 0) return 1;
  return roundHalfEven(static_cast<double>(axisSize) / static_cast<double>(spacing));
}

LabelStep labelStep(double range, int axisSize, int labelSize) {
  constexpr LabelStep kSmallest{1, -12};
  const std::int64_t n = greatestLabelCount(axisSize, labelSize);
  if (n < 1) return kSmallest;
  LabelStep step = std::fabs(range) >= 1 ? LabelStep{1, 0} : kSmallest;
  // The exponent bound only stops a loop on a range no step can cover.
  while (step.exponent < 308) {
    const double q = range / step.value();
    if (roundsToInt32(q) && roundHalfEven(q) <= n) break;
    step = step.next();
  }
  return step;
}

double AxisMap::toValue(int pixel) const {
  const int axisSize = size();
  if (axisSize < 1) return 0;
  const double range = maximum_ - minimum_;
  const double offset = static_cast<double>(pixel - start_) * range / axisSize;
  return vertical_ ? maximum_ - offset : minimum_ + offset;
}

LabelValues labelValues(double minimum, double maximum, double step) {
  LabelValues result;
  const double range = maximum - minimum;
  const double count = range / step;
  if (!(std::fabs(count) < 10000)) return result;
  result.shown = true;
  if (range == 0) {
    result.values.push_back(minimum);
    return result;
  }
  double first = std::trunc(maximum / step) * step;
  if (first > maximum) first -= step;
  const double limit = (minimum - kSmallestStep) / 1.000000000001;
  // |range / step| < 10000 bounds the count; the cap guards against rounding.
  for (int k = 0; k <= 10002; ++k) {
    const double v = first - k * step;
    if (v < limit) break;
    result.values.push_back(v);
  }
  return result;
}

std::vector<int> minorTicks(const std::vector<int>& majors, int start, int end) {
  std::vector<int> result;
  const std::size_t m = majors.size();
  if (m < 2) return result;
  const int low = std::min(start, end);
  const int high = std::max(start, end);
  auto add = [&](std::int64_t p) {
    if (p > low && p < high) result.push_back(static_cast<int>(p));
  };
  const double firstQuarter = (majors[1] - majors[0]) / 4.0;
  for (int j = 1; j <= 3; ++j) add(majors[0] - roundHalfEven(j * firstQuarter));
  for (std::size_t k = 0; k + 1 < m; ++k) {
    const double quarter = (majors[k + 1] - majors[k]) / 4.0;
    for (int j = 1; j <= 3; ++j) add(majors[k] + roundHalfEven(j * quarter));
  }
  const double lastQuarter = (majors[m - 1] - majors[m - 2]) / 4.0;
  for (int j = 1; j <= 3; ++j) add(majors[m - 1] + roundHalfEven(j * lastQuarter));
  return result;
}

bool sameFrame(const ChartLayout& a, const ChartLayout& b) {
  return a.width == b.width && a.height == b.height && a.textHeight == b.textHeight &&
         a.legend == b.legend && a.titleLeft == b.titleLeft && a.titleTop == b.titleTop;
}

namespace {

bool sameAxis(const AxisLayout& a, const AxisLayout& b) {
  return a.labelsShown == b.labelsShown && a.minorTicks == b.minorTicks &&
         std::equal(a.labels.begin(), a.labels.end(), b.labels.begin(), b.labels.end(),
                    [](const AxisLabel& x, const AxisLabel& y) { return x.drawsLike(y); });
}

}  // namespace

bool sameAxes(const ChartLayout& a, const ChartLayout& b) {
  return a.plot == b.plot && a.textHeight == b.textHeight && sameAxis(a.bottom, b.bottom) &&
         sameAxis(a.left, b.left);
}

bool ChartLayout::insidePlot(int x, int y) const {
  return x >= plot.left && x <= plot.right && y >= plot.top && y <= plot.bottom;
}

bool ChartLayout::startsPanning(int x, int y) const {
  if (insidePlot(x, y)) return true;
  const bool onLeftAxis =
      x >= leftTickOuter() && x <= plot.left + 3 && y >= plot.top && y <= plot.bottom;
  const bool onBottomAxis = y >= plot.bottom - 3 &&
                            y <= plot.bottom + kAxisLineWidth + kMajorTickLength &&
                            x >= plot.left && x <= plot.right;
  return onLeftAxis || onBottomAxis;
}

namespace {

QString labelText(const LayoutInput& input, double value) {
  return input.label ? input.label(value) : formatLabel(value, input.separators);
}

void placeLabels(AxisLayout& axis, const LayoutInput& input) {
  const LabelValues values =
      labelValues(axis.map.minimum(), axis.map.maximum(), axis.step.value());
  axis.labelsShown = values.shown;
  std::vector<int> majors;
  for (double v : values.values) {
    AxisLabel label;
    label.value = v;
    label.text = labelText(input, v);
    label.width = input.metrics.width(label.text);
    label.pixel = axis.map.toPixel(v);
    majors.push_back(label.pixel);
    axis.labels.push_back(std::move(label));
  }
  axis.minorTicks = minorTicks(majors, axis.map.start(), axis.map.end());
}

}  // namespace

namespace {

// The legend on the right, inside the plot margins; narrows R to leave it
// room.
void placeLegend(ChartLayout& layout, Edges& r, const LayoutInput& input) {
  const int h = input.metrics.height;
  LegendLayout& legend = layout.legend;
  legend.titleWidth = std::max(input.metrics.width(input.title1), input.metrics.width(input.title2));
  legend.symbolWidth = static_cast<int>(roundHalfEven((legend.titleWidth + 10) * 12 / 100.0));
  legend.box.top = static_cast<int>(roundHalfEven(10.0 * input.height / 100.0));
  const int available = r.bottom - 2 - legend.box.top;
  const int fitting = h > 0 ? static_cast<int>(std::floor(static_cast<double>(available) / h)) : 2;
  legend.rows = std::min(2, fitting);
  if (legend.rows < 1) {
    legend.rows = 0;
    return;
  }
  legend.shown = true;
  legend.box.right = r.right - 2 - 3;
  legend.textLeft = legend.box.right - legend.titleWidth - 2;
  legend.box.left = legend.textLeft - legend.symbolWidth - 8;
  legend.box.bottom = legend.box.top + legend.rows * h + 2;
  r.right = legend.box.left - static_cast<int>(roundHalfAway(3.0 * (r.right - r.left) / 100.0));
}

// The axes' maps and label steps: space below R for the bottom axis, then to
// its left for the left one, whose labels must be known to reserve their
// width.
void placeAxes(ChartLayout& layout, Edges& r, const LayoutInput& input) {
  const int h = input.metrics.height;
  auto textWidth = [&](const QString& text) { return input.metrics.width(text); };
  double xMin = input.bottom.Minimum, xMax = input.bottom.Maximum;
  double yMin = input.left.Minimum, yMax = input.left.Maximum;
  if (input.bottom.Automatic) {
    xMin = input.data.any ? input.data.xMinimum : 0;
    xMax = input.data.any ? input.data.xMaximum : 0;
  }
  if (input.left.Automatic) {
    yMin = input.data.any ? input.data.yMinimum : 0;
    yMax = input.data.any ? input.data.yMaximum : 0;
  }

  r.bottom -= h + 6;
  layout.left.map = AxisMap(yMin, yMax, r.top, r.bottom, true);
  layout.left.step = labelStep(yMax - yMin, r.bottom - r.top, h);
  const double leftStep = layout.left.step.value();
  const int reserved =
      std::max(textWidth(labelText(input, std::trunc(yMin / leftStep) * leftStep)),
               textWidth(labelText(input, std::trunc(yMax / leftStep) * leftStep)));
  r.left += reserved + textWidth(QStringLiteral(" ")) + ChartLayout::kAxisLineWidth +
            ChartLayout::kMajorTickLength;

  const int bottomLabelSize = std::max(textWidth(labelText(input, xMin)),
                                       textWidth(labelText(input, xMax)));
  layout.bottom.map = AxisMap(xMin, xMax, r.left, r.right, false);
  layout.bottom.step = labelStep(xMax - xMin, r.right - r.left, bottomLabelSize);
}

}  // namespace

ChartLayout layoutChart(const LayoutInput& input) {
  ChartLayout layout;
  const int w = input.width;
  const int hChart = input.height;
  const int h = input.metrics.height;
  layout.width = w;
  layout.height = hChart;
  layout.textHeight = h;

  // Margins of the plot area.
  const int marginX = static_cast<int>(roundHalfAway(3.0 * w / 100.0));
  const int marginY = static_cast<int>(roundHalfAway(4.0 * hChart / 100.0));
  Edges r{marginX, marginY, w - marginX, hChart - marginY};
  placeLegend(layout, r, input);

  // Title, centred over what is left.
  layout.titleTop = r.top;
  layout.titleLeft = floorDiv2(static_cast<std::int64_t>(r.left) + r.right -
                               input.metrics.width(QStringLiteral("Fitness")));
  r.top += h + 5;

  placeAxes(layout, r, input);
  layout.plot = r;
  placeLabels(layout.bottom, input);
  placeLabels(layout.left, input);
  return layout;
}

}  // namespace wendra::chart
