#include "spin_input.h"

#include <QApplication>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <utility>

#include "number_format.h"
#include "step_button.h"

namespace wendra {

namespace {

constexpr int kBorder = 2;          // sunken frame, each side
constexpr int kTextGap = 2;         // between the text area and the button
constexpr int kMaxDecimal = 255;

std::function<void()>& beepHandler() {
  static std::function<void()> handler;
  return handler;
}

bool isControl(QChar c) { return c.unicode() < 32 || c.unicode() == 127; }

bool containsE(const QString& text) {
  return text.contains(u'E') || text.contains(u'e');
}

}  // namespace

SpinInput::SpinInput(QWidget* parent) : QLineEdit(parent), button_(new StepButton(this)) {
  setFrame(false);  // the sunken border is drawn in paintEvent
  setContentsMargins(kBorder, kBorder, kBorder, kBorder);
  setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  setAutoFillBackground(true);
  setBackgroundRole(QPalette::Base);
  connect(this, &QLineEdit::textChanged, this, [this] {
    if (!stepping_) emit changed();
  });
}

void SpinInput::configure(const Setup& setup) {
  setValueType(setup.valueType);
  setMinValue(setup.minValue);
  setMaxValue(setup.maxValue);
  setIncrement(setup.increment);
  setDecimal(setup.decimal);
  setValue(setup.value);
}

SpinInput::ValueType SpinInput::valueType() const { return valueType_; }
void SpinInput::setValueType(ValueType type) { valueType_ = type; }
long double SpinInput::minValue() const { return minValue_; }
void SpinInput::setMinValue(long double value) { minValue_ = value; }
long double SpinInput::maxValue() const { return maxValue_; }
void SpinInput::setMaxValue(long double value) { maxValue_ = value; }
long double SpinInput::increment() const { return increment_; }
void SpinInput::setIncrement(long double value) { increment_ = value; }
int SpinInput::decimal() const { return decimal_; }
void SpinInput::setDecimal(int digits) { decimal_ = std::clamp(digits, 0, kMaxDecimal); }
void SpinInput::setNumberSeparators(const NumberSeparators& separators) { separators_ = separators; }

QWidget* SpinInput::stepButton() const { return button_; }

void SpinInput::setBeepHandler(std::function<void()> beep) { beepHandler() = std::move(beep); }

void SpinInput::beep() {
  if (beepHandler()) {
    beepHandler()();
  } else {
    QApplication::beep();
  }
}

long double SpinInput::value() const {
  if (valueType_ == vtFloat) {
    const std::optional<long double> read = readReal(text(), separators_.decimal);
    return read ? *read : minValue_;
  }
  const std::optional<std::int32_t> read = readInteger32(text());
  return read ? static_cast<long double>(*read) : std::trunc(minValue_);
}

long double SpinInput::clamp(long double value) const {
  if (minValue_ == maxValue_) return value;
  if (value < minValue_) return minValue_;
  if (value > maxValue_) return maxValue_;
  return value;
}

void SpinInput::setValue(long double value) {
  const long double clamped = clamp(value);
  if (valueType_ == vtFloat) {
    setText(formatFixed(clamped, decimal_, separators_.decimal));
  } else {
    setText(formatWholeNumber(roundHalfEven(clamped)));
  }
}

qint32 SpinInput::asInteger() const { return truncateToInt32(value()); }

double SpinInput::asProbability() const {
  const long double v = value();
  // Beyond this the nearest double is an infinity.
  constexpr long double kDoubleOverflow = 0x1.fffffffffffff8p1023L;
  if (std::isnan(v) || std::fabs(v) >= kDoubleOverflow) throw std::overflow_error("Floating point overflow");
  return static_cast<double>(v);
}

void SpinInput::stepUp() { step(+1); }
void SpinInput::stepDown() { step(-1); }

// Every step re-reads the text, so rounding errors never accumulate: ten
// steps of 0.05 from 0.50000 show 1.00000.
void SpinInput::step(int direction) {
  const QString before = text();
  stepping_ = true;
  setValue(direction > 0 ? value() + increment_ : value() - increment_);
  stepping_ = false;
  if (QString::compare(before, text(), Qt::CaseInsensitive) != 0) {
    setModified(true);
    emit changed();
  }
}

// ---------------------------------------------------------------------------
// Typing

bool SpinInput::acceptsTyped(const QString& typed) const {
  const QChar separator = separators_.decimal;
  bool hasSeparator = text().contains(separator);
  bool hasE = containsE(text());
  for (QChar c : typed) {
    if (isControl(c) || (c >= u'0' && c <= u'9') || c == u'+' || c == u'-') continue;
    if (valueType_ != vtFloat) return false;
    if (c == separator && !hasSeparator) {
      hasSeparator = true;
    } else if ((c == u'E' || c == u'e') && !hasE) {
      hasE = true;
    } else {
      return false;
    }
  }
  return true;
}

void SpinInput::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
      // Dialog keys: offered to the window, never to the text.
      event->ignore();
      return;
    case Qt::Key_Up:
      stepUp();
      event->accept();
      return;
    case Qt::Key_Down:
      stepDown();
      event->accept();
      return;
    default:
      break;
  }

  const QString typed = event->text();
  const bool printable = std::any_of(typed.begin(), typed.end(), [](QChar c) { return !isControl(c); });
  if (printable) {
    const Qt::KeyboardModifiers mods = event->modifiers();
    const bool ctrl = mods & Qt::ControlModifier;
    const bool alt = mods & (Qt::AltModifier | Qt::MetaModifier);
    if (alt && !ctrl) {
      // Alt+letter is a window accelerator, never typing.
      event->ignore();
      return;
    }
    if (!(ctrl && !alt) && !acceptsTyped(typed)) {
      beep();
      event->accept();
      return;
    }
    // Ctrl+letter (no AltGr) is a shortcut such as copy or paste: the line
    // edit handles it and inserts nothing.
  }
  QLineEdit::keyPressEvent(event);
}

void SpinInput::inputMethodEvent(QInputMethodEvent* event) {
  if (!event->commitString().isEmpty() && !acceptsTyped(event->commitString())) {
    beep();
    QInputMethodEvent stripped(event->preeditString(), event->attributes());
    QLineEdit::inputMethodEvent(&stripped);
    return;
  }
  QLineEdit::inputMethodEvent(event);
}

// The wheel does not step; let the window have it.
void SpinInput::wheelEvent(QWheelEvent* event) { event->ignore(); }

// ---------------------------------------------------------------------------
// Focus

void SpinInput::recheckRange() {
  const long double read = value();
  const long double clamped = clamp(read);
  if (clamped != read) setValue(clamped);
}

void SpinInput::focusOutEvent(QFocusEvent* event) {
  // Only a move to another control of this window (or to the window itself)
  // re-checks; activating another window or opening a popup does not.
  const Qt::FocusReason reason = event->reason();
  const QWidget* next = QApplication::focusWidget();
  const bool leavesWindow = next != nullptr && next->window() != window();
  if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason && !leavesWindow && next != this) {
    recheckRange();
  }
  QLineEdit::focusOutEvent(event);
}

void SpinInput::focusInEvent(QFocusEvent* event) {
  QLineEdit::focusInEvent(event);
  const Qt::FocusReason reason = event->reason();
  if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason || reason == Qt::ShortcutFocusReason) {
    selectAll();
  }
}

// ---------------------------------------------------------------------------
// Geometry, mouse and look

void SpinInput::resizeEvent(QResizeEvent* event) {
  QLineEdit::resizeEvent(event);
  // A square of side (height - 3) flush with the right inner edge: 18 x 18
  // in a 21-high input.
  const int side = std::max(0, height() - 3);
  button_->setGeometry(width() - kBorder - side, (height() - side) / 2, side, side);
  // The line edit keeps a 2-pixel margin inside its text rectangle; with it,
  // the text area ends kTextGap pixels left of the button.
  setTextMargins(0, 0, side + kTextGap - 2, 0);
}

// Presses that reach the input itself at the button's place (for example
// synthesised ones) are the button's.
void SpinInput::mousePressEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  if (event->button() == Qt::LeftButton && button_->geometry().contains(p)) {
    button_->press(p - button_->pos());
    event->accept();
    return;
  }
  QLineEdit::mousePressEvent(event);
}

void SpinInput::mouseDoubleClickEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  if (event->button() == Qt::LeftButton && (button_->isHeld() || button_->geometry().contains(p))) {
    if (!button_->isHeld()) button_->press(p - button_->pos());
    event->accept();
    return;
  }
  QLineEdit::mouseDoubleClickEvent(event);
}

void SpinInput::mouseMoveEvent(QMouseEvent* event) {
  if (button_->isHeld()) {
    button_->moveTo(event->position().toPoint() - button_->pos());
    event->accept();
    return;
  }
  QLineEdit::mouseMoveEvent(event);
}

void SpinInput::mouseReleaseEvent(QMouseEvent* event) {
  if (button_->isHeld()) {
    if (event->button() == Qt::LeftButton) button_->release();
    event->accept();
    return;
  }
  QLineEdit::mouseReleaseEvent(event);
}

void SpinInput::paintEvent(QPaintEvent* event) {
  QLineEdit::paintEvent(event);
  // Sunken single border: shadow outside and dark shadow inside along the
  // top and left, highlight outside and light inside along the bottom and
  // right.
  QPainter p(this);
  const QPalette& pal = palette();
  const int r = width() - 1, b = height() - 1;
  p.setPen(pal.color(QPalette::Dark));
  p.drawLine(0, 0, r - 1, 0);
  p.drawLine(0, 0, 0, b - 1);
  p.setPen(pal.color(QPalette::Shadow));
  p.drawLine(1, 1, r - 2, 1);
  p.drawLine(1, 1, 1, b - 2);
  p.setPen(pal.color(QPalette::Light));
  p.drawLine(0, b, r, b);
  p.drawLine(r, 0, r, b);
  p.setPen(pal.color(QPalette::Midlight));
  p.drawLine(1, b - 1, r - 1, b - 1);
  p.drawLine(r - 1, 1, r - 1, b - 1);
}

}  // namespace wendra
