#pragma once
// SpinInput: the numeric input of the seven parameters. A one-line edit box
// with a two-way step button inside its right end. Its value lives only in
// its text: every read parses the text, every write replaces it.
//
// Values, bounds and steps are extended reals (long double, 80-bit on x86-64);
// they are rounded to a double only where a probability is handed on.
//
// Clamping to [MinValue, MaxValue] (off when MinValue == MaxValue) happens on
// set, on step and when the focus moves to another control of the window;
// never while typing, never when another window or a popup takes the focus,
// and never when a button is clicked through its accelerator.
//
// Keyboard: digits, "+", "-" and control characters may be typed; a vtFloat
// input also takes the locale's decimal separator and "E"/"e", each only
// while the whole text has none. Anything else is dropped with the default
// beep. Pasting is unchecked. Enter and Escape are ignored (left to the
// window); Up and Down step and are consumed; Page Up, Page Down and the
// wheel do not step. Entering by Tab, Backtab or an accelerator selects the
// whole text; a click places the caret.
//
// Step button: a square of side (height - 3) flush with the right inner edge,
// split by its lower-left to upper-right diagonal. A left press takes the
// focus, steps once up (above the diagonal) or down (below), and repeats at
// 400 ms and then every 100 ms after the press while the pointer stays over
// the pressed half; the release ends it.
//
// Thread safety: GUI thread only. The decimal separator is the one last
// handed to setNumberSeparators() ("." until then), used at every read and
// write; a new one leaves the text as it is.

#include <QLineEdit>

#include <functional>

#include "number_format.h"
#include "parameters.h"

namespace wendra {

class SpinInput : public QLineEdit {
  Q_OBJECT

 public:
  enum ValueType { vtInteger, vtFloat };

  // One row of the window's input table, for configure().
  struct Setup {
    ValueType valueType = vtInteger;
    long double minValue = 0;
    long double maxValue = 0;
    long double increment = 1;
    int decimal = 2;
    long double value = 0;  // set through setValue(), so clamped and formatted

    // The setup of one of the window's inputs (parameters.h).
    static Setup of(const InputParameter& input) {
      return {input.real ? vtFloat : vtInteger, input.minimum, input.maximum,
              input.increment, input.decimals, input.initial};
    }
  };

  explicit SpinInput(QWidget* parent = nullptr);

  // Stores type, bounds, increment and digits, then sets the value.
  void configure(const Setup& setup);

  ValueType valueType() const;
  void setValueType(ValueType type);
  long double minValue() const;
  void setMinValue(long double value);
  long double maxValue() const;
  void setMaxValue(long double value);
  long double increment() const;
  void setIncrement(long double value);
  int decimal() const;            // digits after the separator of a vtFloat text
  void setDecimal(int digits);    // kept within 0 ... 255
  // The user's separators; only the decimal one matters here.
  void setNumberSeparators(const NumberSeparators& separators);
  // The setters above only store; the text changes at the next set or step.

  // Parses the current text; no clamping; an unreadable text gives the
  // fallback (MinValue, truncated toward zero for vtInteger).
  long double value() const;
  // Clamps, formats (fixed with Decimal digits, or rounded half to even and
  // written as an integer) and replaces the text.
  void setValue(long double value);
  // The value truncated toward zero; the low 32 bits of the result.
  qint32 asInteger() const;
  // The value rounded to the nearest double. Throws std::overflow_error
  // ("Floating point overflow") when it lies beyond the double range, which
  // only an unbounded input can hold.
  double asProbability() const;
  long double clamp(long double value) const;

  void stepUp();
  void stepDown();

  // The step button child (for tests and layout checks).
  QWidget* stepButton() const;

  // Replaces the default beep of a refused keystroke (QApplication::beep);
  // an empty function restores it. For tests.
  static void setBeepHandler(std::function<void()> beep);

 signals:
  // The change notification: raised when the text changes (typing, paste,
  // set). A step replaces the text silently and then raises it once, only
  // if the new text differs from the old one without regard to case.
  void changed();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  class StepButton;
  friend class StepButton;

  // Whether `typed` may be typed into the current text, character by
  // character (a separator or an E typed earlier in `typed` counts).
  bool acceptsTyped(const QString& typed) const;
  void step(int direction);
  void recheckRange();
  static void beep();

  StepButton* button_;
  ValueType valueType_ = vtInteger;
  long double minValue_ = 0;
  long double maxValue_ = 0;
  long double increment_ = 1;
  int decimal_ = 2;
  NumberSeparators separators_;
  bool stepping_ = false;  // a step is replacing the text
};

}  // namespace wendra
