#pragma once
// The seven inputs of the window: kind, range, increment, digits and the
// value they start with. wendra-run takes its defaults and the grid's and
// population's ranges from here too. Plain C++, without Qt, so that
// wendra-run can include it. Covered by tests/ui/tst_main_window.cpp (the
// window's inputs) and tests/cli/run_options_test.cpp (the runner's rules).
//
// A text an input cannot read gives its fallback: the input's minimum,
// truncated toward zero for an integer input (spin_input.h). The column
// states that value for each input, and the compiler holds it to the rule.
//
// Tested by tests/ui/tst_spin_input.cpp and tests/cli/run_options_test.cpp (the inputs and wendra-
// run read it).

namespace wendra {

struct InputParameter {
  const char* name;             // the input's component name in the window
  bool real;                    // a real input with `decimals` digits; else an integer one
  long double minimum;          // minimum == maximum: no clamping at all
  long double maximum;
  long double increment;        // one arrow step
  int decimals;                 // digits after the separator (real inputs only)
  long double initial;          // the value before the settings are restored
  long double fallback;         // what a text the input cannot read gives
};

inline constexpr InputParameter kStepCountInput{"StepCount", false, 1, 100000, 1, 2, 100, 1};
inline constexpr InputParameter kRefreshCountInput{"RefreshCount", false, 1, 1000, 1, 2, 1, 1};
inline constexpr InputParameter kPopEditInput{"PopEdit", false, 2, 1000000, 1, 2, 100, 2};
inline constexpr InputParameter kPCrossValueInput{"PCrossValue", true, 0, 1, 0.05L, 5, 0.5L, 0};
inline constexpr InputParameter kPMutValueInput{"PMutValue", true, 0, 0, 0.01L, 5, 0.07L, 0};
inline constexpr InputParameter kWidthEditInput{"WidthEdit", false, 4, 100, 1, 2, 10, 4};
inline constexpr InputParameter kHeightEditInput{"HeightEdit", false, 4, 100, 1, 2, 10, 4};

// All seven, in the order of the window's fields.
inline constexpr const InputParameter* kInputParameters[] = {
    &kStepCountInput, &kRefreshCountInput, &kPopEditInput,   &kPCrossValueInput,
    &kPMutValueInput, &kWidthEditInput,    &kHeightEditInput,
};

constexpr bool fallbacksFollowTheMinimum() {
  for (const InputParameter* input : kInputParameters) {
    const long double expected = input->real ? input->minimum : static_cast<long long>(input->minimum);
    if (input->fallback != expected) return false;
  }
  return true;
}
static_assert(fallbacksFollowTheMinimum());

}  // namespace wendra
