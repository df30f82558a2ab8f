#include "window_placement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QMargins>
#include <QRect>
#include <QScreen>
#include <QTimerEvent>
#include <QWidget>
#include <QWindow>

#include <algorithm>

#include "x11_desktop.h"

namespace wendra {
namespace {

// How long the window manager may take to tell the frame it will draw.
constexpr int kFrameRequestMs = 200;

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

// The screens' available areas, the primary screen's first.
QList<QRect> availableAreas() {
  QList<QRect> areas;
  if (const QScreen* primary = QGuiApplication::primaryScreen()) areas.append(primary->availableGeometry());
  for (const QScreen* screen : QGuiApplication::screens()) {
    if (screen != QGuiApplication::primaryScreen()) areas.append(screen->availableGeometry());
  }
  return areas;
}

// Device pixels to device-independent ones, as Qt converts a window's
// position: a screen's top-left corner is the same in both, the distance
// from it scales.
QPoint toLogical(QPoint native, const QWindow* window) {
  const QScreen* screen = window->screen();
  const QPoint origin = screen ? screen->geometry().topLeft() : QPoint();
  const qreal ratio = window->devicePixelRatio();
  return origin + (QPointF(native - origin) / ratio).toPoint();
}

QPoint toNative(QPoint logical, const QWindow* window) {
  const QScreen* screen = window->screen();
  const QPoint origin = screen ? screen->geometry().topLeft() : QPoint();
  return origin + (QPointF(logical - origin) * window->devicePixelRatio()).toPoint();
}

QMargins toLogical(const QMargins& native, const QWindow* window) {
  const qreal ratio = window->devicePixelRatio();
  return QMargins(qRound(native.left() / ratio), qRound(native.top() / ratio),
                  qRound(native.right() / ratio), qRound(native.bottom() / ratio));
}

}  // namespace

WindowPlacement::WindowPlacement(QWidget* window) : window_(window) {
  window_->installEventFilter(this);
}

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

  const NormalPlacement normal = normalPlacement();
  const QPoint corner = normal.framePosition - workAreaOrigin();
  record.normalPosition = {corner.x(), corner.y(), corner.x() + normal.clientSize.width(),
                           corner.y() + normal.clientSize.height()};
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
  const NormalPlacement requested{
      QPoint(coordinate(qint64(normal.left) + origin.x()), coordinate(qint64(normal.top) + origin.y())),
      QSize(side(qint64(normal.right) - normal.left, largest.width()),
            side(qint64(normal.bottom) - normal.top, largest.height()))};
  // Qt takes the frame it knows now as the one it positions by (none yet on
  // X11): asked first, before the window manager is asked for its frame.
  window_->frameGeometry();
  const NormalPlacement placed =
      bringOntoScreens(requested, frameEstimate(), window_->minimumSize(), availableAreas());

  place(placed);
  normal_ = {placed.framePosition, window_->size()};
  normalKnown_ = true;
}

void WindowPlacement::prepareShow() {
  const QPoint frame = window_->pos();  // the pending position, when there is one
  if (frame != window_->frameGeometry().topLeft()) window_->move(frame);
  if (QWindow* handle = window_->windowHandle()) handle->setBaseSize(QSize(0, 0));
  normal_ = currentPlacement();
  normalKnown_ = true;
}

void WindowPlacement::prepareMaximizedStart() {
  QWindow* handle = window_->windowHandle();
  if (!handle || shown() || !x11::windowManagerRunning()) return;
  window_->frameGeometry();  // see set()
  const std::optional<QMargins> native = x11::requestFrameExtents(handle, kFrameRequestMs);
  if (!native) return;
  const NormalPlacement normal = normalKnown_ ? normal_ : currentPlacement();
  const QPoint client =
      toNative(normal.framePosition, handle) + QPoint(native->left(), native->top());
  window_->move(normal.framePosition);  // clears a pending frame position
  window_->setGeometry(QRect(toLogical(client, handle), normal.clientSize));
  // On a scaled screen not every device pixel has a widget pixel; the
  // window goes to the exact one (Qt maps it where its geometry says).
  x11::moveUnmapped(handle, client);
}

void WindowPlacement::place(const NormalPlacement& placement) {
  QWindow* handle = window_->windowHandle();
  if (handle && !shown() && x11::available()) {
    // Not mapped yet: the window manager is to put the frame's corner where
    // asked (frame-inclusive, north-west gravity), which is what
    // QWindow::setFramePosition asks for. Qt drops that request while
    // showing unless its widget geometry agrees with the window's, and
    // corrects a pending frame position by a frame it may know by now: the
    // move clears that, the geometry makes the two agree.
    window_->move(placement.framePosition);
    window_->setGeometry(QRect(placement.framePosition, placement.clientSize));
    handle->setFramePosition(placement.framePosition);
  } else {
    window_->resize(placement.clientSize);
    window_->move(placement.framePosition);
  }
}

bool WindowPlacement::isMinimized() const { return stateFlags().minimized; }

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

bool WindowPlacement::eventFilter(QObject* watched, QEvent* event) {
  if (watched == window_ && shown()) {
    switch (event->type()) {
      case QEvent::Move:
      case QEvent::Resize:
      case QEvent::WindowStateChange:
        settle_.start(kSettleMs, this);
        break;
      default:
        break;
    }
  }
  return false;
}

void WindowPlacement::timerEvent(QTimerEvent* event) {
  if (event->timerId() != settle_.timerId()) return QObject::timerEvent(event);
  settle_.stop();
  if (shown() && showsNormalRectangle(stateFlags())) {
    normal_ = currentPlacement();
    normalKnown_ = true;
  }
}

bool WindowPlacement::shown() const {
  const QWindow* handle = window_->windowHandle();
  return handle && handle->isVisible();
}

NormalPlacement WindowPlacement::currentPlacement() const {
  NormalPlacement placement{window_->pos(), window_->size()};
  // Qt rounds the client area's position and the frame's margins apart when
  // the screen is scaled; the frame's corner in device pixels converts
  // without that error.
  const QWindow* handle = window_->windowHandle();
  if (shown()) {
    const std::optional<QPoint> client = x11::clientOrigin(handle);
    const std::optional<QMargins> frame = x11::frameExtents(handle);
    if (client && frame) {
      placement.framePosition = toLogical(*client - QPoint(frame->left(), frame->top()), handle);
    }
  }
  return placement;
}

WindowStateFlags WindowPlacement::stateFlags() const {
  const Qt::WindowStates state = window_->windowState();
  WindowStateFlags flags;
  flags.minimized = state & Qt::WindowMinimized;
  flags.maximized = state & Qt::WindowMaximized;
  flags.fullScreen = state & Qt::WindowFullScreen;
  if (shown()) {
    if (const auto manager = x11::windowManagerState(window_->windowHandle())) {
      flags.minimized |= manager->hidden;
      flags.fullScreen |= manager->fullScreen;
      flags.maximizedVertically = manager->maximizedVertically;
      flags.maximizedHorizontally = manager->maximizedHorizontally;
    }
  }
  return flags;
}

NormalPlacement WindowPlacement::normalPlacement() const {
  if (shown() && showsNormalRectangle(stateFlags())) return currentPlacement();
  if (normalKnown_) return normal_;
  return currentPlacement();
}

QMargins WindowPlacement::frameEstimate() const {
  const QWindow* handle = window_->windowHandle();
  if (handle && x11::available()) {
    if (shown()) {
      if (const std::optional<QMargins> frame = x11::frameExtents(handle)) return toLogical(*frame, handle);
    } else if (const std::optional<QMargins> frame = x11::requestFrameExtents(handle, kFrameRequestMs)) {
      return toLogical(*frame, handle);
    }
  }
  return frameMargins(window_);
}

}  // namespace wendra
