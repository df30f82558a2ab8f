#pragma once
// The seven inputs of the window: kind, range, increment, digits and the
// value they start with. wendra-run takes its defaults and the grid's and
// population's ranges from here too. Plain C++, without Qt, so that
// wendra-run can include it. Covered by tests/ui/tst_main_window.cpp (the
// window's inputs) and tests/cli/run_options_test.cpp (the runner's rules).
//
// A text an input cannot read falls back to its minimum (spin_input.h).

namespace wendra {

struct InputParameter {
  const char* name;             // the input's component name in the window
  bool real;                    // a real input with `decimals` digits; else an integer one
  long double minimum;          // minimum == maximum: no clamping at all
  long double maximum;
  long double increment;        // one arrow step
  int decimals;                 // digits after the separator (real inputs only)
  long double initial;          // the value before the settings are restored
};

inline constexpr InputParameter kStepCountInput{"StepCount", false, 1, 100000, 1, 2, 100};
inline constexpr InputParameter kRefreshCountInput{"RefreshCount", false, 1, 1000, 1, 2, 1};
inline constexpr InputParameter kPopEditInput{"PopEdit", false, 2, 1000000, 1, 2, 100};
inline constexpr InputParameter kPCrossValueInput{"PCrossValue", true, 0, 1, 0.05L, 5, 0.5L};
inline constexpr InputParameter kPMutValueInput{"PMutValue", true, 0, 0, 0.01L, 5, 0.07L};
inline constexpr InputParameter kWidthEditInput{"WidthEdit", false, 4, 100, 1, 2, 10};
inline constexpr InputParameter kHeightEditInput{"HeightEdit", false, 4, 100, 1, 2, 10};

}  // namespace wendra
