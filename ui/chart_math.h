#pragma once
// The arithmetic of the fitness chart, kept apart from any painter: rounding,
// the label step, the label values, value-to-pixel maps, the minor ticks and the layout of the whole chart (plot rectangle,
// legend, title, both axes). Chart::paintEvent only turns a ChartLayout into
// pixels; the series line is chart_polyline.h.
//
// Pixel conventions:
//  - The plot rectangle `plot` (R) is given by its edges; its frame (the back
//    wall) lies ON those edges, both corners included. Axis values map onto
//    the edges: the smallest X onto plot.left, the largest onto plot.right,
//    the largest Y onto plot.top, the smallest onto plot.bottom.
//  - Every other rectangle here (legend box) is half open like a device
//    rectangle: it covers left .. right - 1 and top .. bottom - 1.
//  - Texts are placed by the top-left corner of their box; a text box is
//    `width(text)` wide and h high.

#include <QChar>
#include <QString>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "number_format.h"

namespace wendra::chart {

// Rounds half to even (the default rounding of every position).
inline std::int64_t roundHalfEven(double value) {
  return static_cast<std::int64_t>(::wendra::roundHalfEven(value));
}
// Rounds half away from zero (only the plot margins and the legend margin).
std::int64_t roundHalfAway(double value);

// The label format and the separators it uses (number_format.h).
using ::wendra::formatLabel;
using ::wendra::NumberSeparators;

// Steps run 1, 2, 5, 10, 20, 50, ... and 0.5, 0.2, 0.1, ... down to 1e-12:
// mantissa times ten to the exponent. value() is the double nearest to it.
struct LabelStep {
  int mantissa = 1;  // 1, 2 or 5
  int exponent = 0;
  double value() const;
  LabelStep next() const;  // 1 -> 2 -> 5 -> 10 -> ...
  bool operator==(const LabelStep&) const = default;
};

inline constexpr double kSmallestStep = 1e-12;

// The label step of an axis whose values span `range` (Maximum - Minimum)
// over `axisSize` pixels (end - start), with labels `labelSize` pixels long
// along the axis (h for the left axis, the wider end label for the bottom one):
//   n = round(axisSize / (labelSize + round(10 * labelSize / 100))), 1 when
//   labelSize is 0; below 1 the step is 1e-12;
//   otherwise start at 1 (|range| >= 1) or 1e-12 and take the next step while
//   round(range / step) > n or range / step does not fit a signed 32-bit
//   integer.
LabelStep labelStep(double range, int axisSize, int labelSize);
// The greatest number of labels n of the rule above.
std::int64_t greatestLabelCount(int axisSize, int labelSize);

// A linear map between axis values and pixels. Horizontal: Minimum at start,
// Maximum at end. Vertical: Maximum at start, Minimum at end.
class AxisMap {
 public:
  AxisMap() = default;
  AxisMap(double minimum, double maximum, int start, int end, bool vertical)
      : minimum_(minimum), maximum_(maximum), start_(start), end_(end), vertical_(vertical) {}

  double minimum() const { return minimum_; }
  double maximum() const { return maximum_; }
  double range() const { return maximum_ - minimum_; }
  int start() const { return start_; }
  int end() const { return end_; }
  int size() const { return end_ - start_; }
  bool vertical() const { return vertical_; }
  // (start + end) div 2, rounded down.
  int middle() const {
    const std::int64_t sum = static_cast<std::int64_t>(start_) + end_;
    return static_cast<int>(sum >= 0 ? sum / 2 : -((-sum + 1) / 2));
  }

  // start + round((v - Minimum) * size / range), or for a vertical axis
  // end - round(...); the middle when the range is 0 or the offset is
  // 2147483647 or more in magnitude. Saturates at the int range.
  int toPixel(double value) const { return scaledPixel(value).value_or(middle()); }
  // toPixel(value) when the value maps by the linear rule, none when it maps
  // to the middle (range 0, or an offset too large). On any interval whose
  // two ends have a scaled pixel, every value has one and toPixel is
  // monotone.
  std::optional<int> scaledPixel(double value) const {
    const double range = maximum_ - minimum_;
    if (range == 0) return std::nullopt;
    const double offset = (value - minimum_) * size() / range;
    if (!(std::fabs(offset) < 2147483647.0)) return std::nullopt;
    const std::int64_t rounded = roundHalfEven(offset);
    // |rounded| < 2^31, so the pixel fits once the far side is cut off.
    const std::int64_t pixel = vertical_ ? static_cast<std::int64_t>(end_) - rounded
                                         : static_cast<std::int64_t>(start_) + rounded;
    return static_cast<int>(std::clamp<std::int64_t>(pixel, INT32_MIN, INT32_MAX));
  }
  // Minimum + (p - start) * range / size, or for a vertical axis
  // Maximum - (p - start) * range / size; 0 when size < 1.
  double toValue(int pixel) const;

 private:
  double minimum_ = 0;
  double maximum_ = 0;
  int start_ = 0;
  int end_ = 0;
  bool vertical_ = false;
};

// Label values of an axis with the given step, in drawing order (largest
// first). Empty with `shown` false when |range / step| >= 10000 (then the axis
// has no labels, ticks or grid). With range 0 the single value Minimum.
struct LabelValues {
  bool shown = false;
  std::vector<double> values;
};
LabelValues labelValues(double minimum, double maximum, double step);

// Minor tick positions for major ticks at `majors` (pixels, in label order):
// each gap between neighbours divided into 4 equal parts (3 ticks, each
// major + round(j * gap / 4)), the first and the last gap's division continued
// once beyond the end ticks; only positions strictly between start and end
// (either order) are kept. Fewer than two majors give none.
std::vector<int> minorTicks(const std::vector<int>& majors, int start, int end);

// What the layout needs to know of the text.
struct TextMetrics {
  int height = 0;                            // h: height of "W"
  std::function<int(const QString&)> width;  // advance width of a text
};

// Axis state: `Automatic` axes follow the data at every layout.
struct AxisState {
  bool Automatic = true;
  double Minimum = 0;
  double Maximum = 0;
};

// Smallest and largest coordinates over all points of all series; `any` is
// false when no series has a point (then both ranges are 0 .. 0).
struct DataExtent {
  bool any = false;
  double xMinimum = 0, xMaximum = 0;
  double yMinimum = 0, yMaximum = 0;
};

struct AxisLabel {
  double value = 0;
  QString text;
  int width = 0;
  int pixel = 0;  // position along the axis
  // What the drawing shows of a label (its value only through these).
  bool drawsLike(const AxisLabel& other) const {
    return text == other.text && width == other.width && pixel == other.pixel;
  }
};

struct AxisLayout {
  AxisMap map;
  LabelStep step;
  bool labelsShown = false;
  std::vector<AxisLabel> labels;  // largest value first
  std::vector<int> minorTicks;
};

struct Edges {
  int left = 0, top = 0, right = 0, bottom = 0;
  bool operator==(const Edges&) const = default;
};

struct LegendLayout {
  bool shown = false;
  int rows = 0;
  int titleWidth = 0;   // T: the wider series title
  int symbolWidth = 0;  // s = round((T + 10) * 12 / 100)
  Edges box;            // half open; drawn enlarged by 1 with a frame
  int textLeft = 0;     // x_t
  int rowTop(int row, int h) const { return box.top + 1 + row * h; }
  bool operator==(const LegendLayout&) const = default;
  int symbolLeft() const { return textLeft - 4 - symbolWidth; }
  int symbolRight() const { return textLeft - 4; }
};

struct ChartLayout {
  int width = 0, height = 0;
  int textHeight = 0;  // h
  Edges plot;          // R: the back wall lies on these edges
  LegendLayout legend;
  int titleLeft = 0, titleTop = 0;
  AxisLayout bottom;  // X
  AxisLayout left;    // Y
  // Constants of the axis drawing, outward from the back wall.
  static constexpr int kAxisLineWidth = 2;
  static constexpr int kMajorTickLength = 4;
  static constexpr int kMinorTickLength = 2;
  // Pixel column where the left axis's ticks end outside (labels end here).
  int leftTickOuter() const { return plot.left - kAxisLineWidth - kMajorTickLength; }
  // First pixel row below the bottom axis's ticks (labels start here).
  int bottomLabelTop() const { return plot.bottom + kAxisLineWidth + kMajorTickLength + 1; }
  // Whether a right-button press at (x, y) starts panning: inside R (edges
  // included) or on an axis band, which runs from the outer end of the ticks
  // to 3 pixels inside R along the axis.
  bool insidePlot(int x, int y) const;
  bool startsPanning(int x, int y) const;
};

struct LayoutInput {
  int width = 0, height = 0;
  TextMetrics metrics;
  NumberSeparators separators;
  // The label text of an axis value; formatLabel with `separators` when not
  // set (the chart answers from its cache of label texts).
  std::function<QString(double)> label;
  QString title1, title2;  // the series titles, listed in this order
  AxisState bottom, left;
  DataExtent data;
};

// Whether two layouts draw the same frame (background, bevel, legend and
// title), and the same walls and axes (labels, lines, ticks and grid). The
// axis ranges themselves only matter to the series.
bool sameFrame(const ChartLayout& a, const ChartLayout& b);
bool sameAxes(const ChartLayout& a, const ChartLayout& b);

// The drawing steps up to the series: margins, legend, title, axis ranges,
// space for the axes, label steps, labels and ticks. The returned maps carry
// the ranges in effect (for Automatic axes those of the data).
ChartLayout layoutChart(const LayoutInput& input);

}  // namespace wendra::chart
