#include "window_placement.h"

#include <QGuiApplication>
#include <QMargins>
#include <QRect>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace wendra {
namespace {

QMargins frameMargins(const QWidget* window) {
  const QRect frame = window->frameGeometry();
  const QRect client = window->geometry();
  return QMargins(client.left() - frame.left(), client.top() - frame.top(),
                  frame.right() - client.right(), frame.bottom() - client.bottom());
}

QPoint workAreaOrigin() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->availableGeometry().topLeft() : QPoint();
}

// The size of the whole desktop (all screens together).
QSize largestWindow() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  const QSize desktop = screen ? screen->virtualSize() : QSize();
  if (desktop.isEmpty()) return QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  return desktop.boundedTo(QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
}

}  // namespace

WindowPlacement::WindowPlacement(QWidget* window) : window_(window) {}

PlacementRecord WindowPlacement::get() const {
  PlacementRecord record;
  const Qt::WindowStates state = window_->windowState();
  if (state & Qt::WindowMinimized) {
    record.showCmd = kShowMinimized;
    if (state & Qt::WindowMaximized) record.flags = kRestoreToMaximized;
  } else if (state & (Qt::WindowMaximized | Qt::WindowFullScreen)) {
    record.showCmd = kShowMaximized;
  }
  record.minPosition = minPosition_;
  record.maxPosition = maxPosition_;

  QRect normal = window_->normalGeometry();
  if (!normal.isValid()) normal = window_->geometry();
  normal.translate(-workAreaOrigin());
  record.normalPosition = {normal.x(), normal.y(), normal.x() + normal.width(),
                           normal.y() + normal.height()};
  return record;
}

void WindowPlacement::set(const PlacementRecord& record) {
  minPosition_ = record.minPosition;
  maxPosition_ = record.maxPosition;
  const PlacementRect& normal = record.normalPosition;
  const PlacementRect current = get().normalPosition;
  if (normal.left == current.left && normal.top == current.top && normal.right == current.right &&
      normal.bottom == current.bottom) {
    return;  // unchanged: leaves a maximized window alone
  }
  // A hand-edited file may hold any 32-bit numbers. Sides and corners are
  // worked out in 64 bits, so nothing overflows; corners stay within what a
  // widget can take, and a side is never longer than the desktop, as no
  // window may grow beyond it (the platform keeps a picture of the whole
  // window: 60000 x 60000 pixels would take 14 GB).
  const QPoint origin = workAreaOrigin();
  const QSize largest = largestWindow();
  auto coordinate = [](qint64 value) { return int(std::clamp<qint64>(value, -QWIDGETSIZE_MAX, QWIDGETSIZE_MAX)); };
  auto side = [](qint64 value, int most) { return int(std::clamp<qint64>(value, 0, most)); };
  window_->setGeometry(coordinate(qint64(normal.left) + origin.x()), coordinate(qint64(normal.top) + origin.y()),
                       side(qint64(normal.right) - normal.left, largest.width()),
                       side(qint64(normal.bottom) - normal.top, largest.height()));
}

void WindowPlacement::settleFramePosition() {
  const QPoint frame = window_->pos();  // the pending position, when there is one
  if (frame != window_->frameGeometry().topLeft()) window_->move(frame);
}

bool WindowPlacement::isMinimized() const { return window_->isMinimized(); }

QSize WindowPlacement::screenSize() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->geometry().size() : QSize();
}

int WindowPlacement::pixelsPerInch() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? qRound(screen->logicalDotsPerInchY()) : 96;
}

QSize WindowPlacement::frameMetrics() const {
  const QMargins frame = frameMargins(window_);
  return QSize(frame.left(), frame.bottom());
}

}  // namespace wendra
