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
// never while typing and never when a button is clicked through its
// accelerator.

#include <QLineEdit>

namespace wendra {

class SpinInput : public QLineEdit {
  Q_OBJECT

 public:
  enum ValueType { vtInteger, vtFloat };

  explicit SpinInput(QWidget* parent = nullptr);

  ValueType valueType() const;
  void setValueType(ValueType type);
  long double minValue() const;
  void setMinValue(long double value);
  long double maxValue() const;
  void setMaxValue(long double value);
  long double increment() const;
  void setIncrement(long double value);
  int decimal() const;            // digits after the separator of a vtFloat text
  void setDecimal(int digits);

  // Parses the current text; no clamping; an unreadable text gives the
  // fallback (MinValue, truncated toward zero for vtInteger).
  long double value() const;
  // Clamps, formats (fixed with Decimal digits, or rounded half to even and
  // written as an integer) and replaces the text.
  void setValue(long double value);
  // The value truncated toward zero; the low 32 bits of the result.
  qint32 asInteger() const;
  // The value rounded to the nearest double.
  double asProbability() const;
  long double clamp(long double value) const;

  void stepUp();
  void stepDown();

 signals:
  // Raised once by a step that changed the text (compared without regard to
  // case).
  void changed();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  class StepButton;
  friend class StepButton;

  StepButton* button_;
  ValueType valueType_ = vtInteger;
  long double minValue_ = 0;
  long double maxValue_ = 0;
  long double increment_ = 1;
  int decimal_ = 2;
};

}  // namespace wendra
