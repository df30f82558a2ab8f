#pragma once
// The pointer over the program's windows while the GUI thread works.
//
// "&Create" and "&One Step" compute in one go: no event is processed until
// they end, so the pointer can only change before they start. Whether a
// piece of work will outlast a blink is judged beforehand from the work done
// before: how long it took per unit of size (population size times cities),
// a first guess before anything has been measured. Longer work shows the
// wait pointer (Qt::WaitCursor) from its start to its end; shorter work
// leaves the pointer alone, so that fast steps do not make it flicker.
//
// A batch processes events as it goes: it shows the working pointer (the
// arrow with a busy sign, Qt::BusyCursor) for as long as it runs. A message
// box shown meanwhile shows the normal pointer.
//
// The shapes are Qt's override cursors, a stack: each guard pushes one and
// pops it when it ends, also when the work ends in an exception, so nested
// handlers (a "&Create" inside a batch's event processing) give back the
// pointer they found. GUI thread only.

#include <QElapsedTimer>
#include <Qt>

namespace wendra {

// How long work takes per unit of its size, from the last piece measured.
class WorkDuration {
 public:
  // A blink: work expected to take longer shows the wait pointer.
  static constexpr double kBlinkSeconds = 0.15;
  // Before any measurement: about what creating or stepping a population of
  // random keys costs per city and member on a 2-core machine.
  static constexpr double kFirstGuessSecondsPerUnit = 2e-9;

  bool longerThanABlink(double units) const { return units * secondsPerUnit_ > kBlinkSeconds; }
  // Work of `units` took `seconds`. Tiny pieces tell too little to go by.
  void record(double units, double seconds);
  double secondsPerUnit() const { return secondsPerUnit_; }

 private:
  double secondsPerUnit_ = kFirstGuessSecondsPerUnit;
};

// Pushes `shape` as the override cursor for its lifetime (when `active`).
class PointerShape {
 public:
  explicit PointerShape(Qt::CursorShape shape, bool active = true);
  ~PointerShape();
  bool active() const { return active_; }

  PointerShape(const PointerShape&) = delete;
  PointerShape& operator=(const PointerShape&) = delete;

 private:
  bool active_;
};

// One piece of work done in one go: the wait pointer while it runs, when
// `duration` expects it to outlast a blink; its time recorded when it ends.
class BusyWork {
 public:
  BusyWork(WorkDuration& duration, double units);
  ~BusyWork();

  BusyWork(const BusyWork&) = delete;
  BusyWork& operator=(const BusyWork&) = delete;

 private:
  WorkDuration& duration_;
  double units_;
  QElapsedTimer clock_;
  PointerShape pointer_;
};

// The normal pointer over a message box, when some work's pointer is shown.
class NormalPointer {
 public:
  NormalPointer();

 private:
  PointerShape pointer_;
};

}  // namespace wendra
