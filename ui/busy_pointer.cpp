#include "busy_pointer.h"

#include <QApplication>
#include <QCursor>

namespace wendra {
namespace {

// Below this a measurement is mostly overhead that does not scale.
constexpr double kShortestMeasuredSeconds = 0.01;

}  // namespace

void WorkDuration::record(double units, double seconds) {
  if (units > 0 && seconds >= kShortestMeasuredSeconds) secondsPerUnit_ = seconds / units;
}

PointerShape::PointerShape(Qt::CursorShape shape, bool active) : active_(active) {
  // Qt hands the new cursor to the window system at once (on X11 it flushes
  // the request), so it shows even while the work keeps the thread busy.
  if (active_) QApplication::setOverrideCursor(QCursor(shape));
}

PointerShape::~PointerShape() {
  if (active_) QApplication::restoreOverrideCursor();
}

BusyWork::BusyWork(WorkDuration& duration, double units)
    : duration_(duration),
      units_(units),
      pointer_(Qt::WaitCursor, duration.longerThanABlink(units)) {
  clock_.start();
}

BusyWork::~BusyWork() { duration_.record(units_, clock_.nsecsElapsed() / 1e9); }

NormalPointer::NormalPointer()
    : pointer_(Qt::ArrowCursor, QApplication::overrideCursor() != nullptr) {}

}  // namespace wendra
