#pragma once
// The two-way step button inside a SpinInput's right end, for spin_input.cpp
// and step_button.cpp only. Tested by tests/ui/tst_spin_input.cpp.
//
// The diagonal from its lower-left to its upper-right corner splits it: a
// press above it steps up, below it steps down. Holding the mouse repeats the
// step, first after 400 ms and then every 100 ms, while the pointer stays over
// the pressed half.

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QTimer>
#include <QWidget>

#include "spin_input.h"

namespace wendra {

inline constexpr int kFirstRepeatMs = 400;
inline constexpr int kRepeatMs = 100;

class SpinInput::StepButton : public QWidget {
 public:
  enum Half { None, Up, Down };

  explicit StepButton(SpinInput* input) : QWidget(input), input_(input) {
    setFocusPolicy(Qt::NoFocus);
    setContextMenuPolicy(Qt::PreventContextMenu);
    setCursor(Qt::ArrowCursor);
    repeat_.setSingleShot(true);
    repeat_.setTimerType(Qt::PreciseTimer);
    connect(&repeat_, &QTimer::timeout, this, [this] { tick(); });
  }

  // y > h - (h / w) * x lies below the diagonal; compared in integers, which
  // is exact.
  Half halfAt(QPoint p) const {
    if (!rect().contains(p)) return None;
    const long long w = width(), h = height();
    return static_cast<long long>(p.y()) * w > h * (w - p.x()) ? Down : Up;
  }

  bool isHeld() const { return held_ != None; }

  void press(QPoint p) {
    if (held_ != None) return;
    const Half half = halfAt(p);
    if (half == None) return;
    if (!input_->hasFocus()) input_->setFocus(Qt::MouseFocusReason);
    held_ = half;
    pointerOnHeld_ = true;
    // Follow the pointer and the release wherever they are delivered while
    // the button holds the mouse.
    qApp->installEventFilter(this);
    update();
    input_->step(held_ == Up ? +1 : -1);
    // The input may have gone away from under the pointer (hidden, disabled).
    if (held_ == None) return;
    clock_.start();
    nextDueMs_ = kFirstRepeatMs;
    repeat_.start(kFirstRepeatMs);
  }

  void moveTo(QPoint p) {
    if (held_ == None) return;
    const bool on = halfAt(p) == held_;
    if (on != pointerOnHeld_) {
      pointerOnHeld_ = on;
      update();
    }
  }

  void release() {
    repeat_.stop();
    if (held_ == None) return;
    qApp->removeEventFilter(this);
    held_ = None;
    pointerOnHeld_ = false;
    update();
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::MouseMove) {
      moveTo(mapFromGlobal(static_cast<QMouseEvent*>(event)->globalPosition()).toPoint());
    } else if (event->type() == QEvent::MouseButtonRelease &&
               static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
      release();
    }
    return QWidget::eventFilter(watched, event);
  }
  void mousePressEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton) press(event->position().toPoint());
    event->accept();
  }
  // A double click brings its own press first; only a lone one steps.
  void mouseDoubleClickEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton && held_ == None) press(event->position().toPoint());
    event->accept();
  }
  void mouseMoveEvent(QMouseEvent* event) override {
    moveTo(event->position().toPoint());
    event->accept();
  }
  void mouseReleaseEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton) release();
    event->accept();
  }
  void hideEvent(QHideEvent*) override { release(); }
  void changeEvent(QEvent* event) override {
    if (event->type() == QEvent::EnabledChange && !isEnabled()) release();
    if (event->type() == QEvent::ActivationChange && !isActiveWindow()) release();
    QWidget::changeEvent(event);
  }

  void paintEvent(QPaintEvent*) override;

 private:
  // Ticks are due at fixed times after the press (400, 500, 600 ms ...), so
  // late timer events do not push the later ones back; a tick that comes
  // more than a period late stands for all it missed.
  void tick() {
    if (held_ == None) return;
    if (pointerOnHeld_) input_->step(held_ == Up ? +1 : -1);
    if (held_ == None) return;
    const qint64 now = clock_.elapsed();
    nextDueMs_ += kRepeatMs;
    while (nextDueMs_ <= now) nextDueMs_ += kRepeatMs;
    repeat_.start(static_cast<int>(nextDueMs_ - now));
  }

  void paintArrow(QPainter& p, QPoint centre, bool up, bool sunken) const;

  SpinInput* input_;
  QTimer repeat_;
  QElapsedTimer clock_;
  qint64 nextDueMs_ = 0;
  Half held_ = None;
  bool pointerOnHeld_ = false;
};

}  // namespace wendra
