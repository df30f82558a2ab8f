#pragma once
// What an X11 window manager knows about a top-level window and Qt does not
// tell: the window manager's own state flags, the frame it puts around the
// window, and whether there is a window manager at all.
//
// Every function asks the X server (one round trip or a few) through Qt's
// own connection and returns nothing (std::nullopt, false) on any other
// platform (offscreen, Wayland) or when the server does not know.
// Positions and margins are device pixels, as the server keeps them.
//
// GUI thread only.
//
// Tested by tests/e2e/openbox.sh and tests/e2e/xfwm4.sh (real window managers).

#include <QMargins>
#include <QPoint>

#include <optional>

class QWindow;

namespace wendra::x11 {

// Whether the application runs on an X server.
bool available();

// Whether a window manager that follows the desktop conventions runs: the
// root window names a live check window (_NET_SUPPORTING_WM_CHECK).
bool windowManagerRunning();

// The window manager's state of a window (_NET_WM_STATE and WM_STATE).
// Qt reports a window as maximized only when it is maximized both ways;
// a window maximized only vertically or horizontally is "normal" to Qt.
struct WindowManagerState {
  bool maximizedVertically = false;
  bool maximizedHorizontally = false;
  bool fullScreen = false;
  bool hidden = false;  // minimized (_NET_WM_STATE_HIDDEN or WM_STATE Iconic)
};
std::optional<WindowManagerState> windowManagerState(const QWindow* window);

// The frame's extents as the window manager announced them
// (_NET_FRAME_EXTENTS), or nothing while the window has no frame yet.
std::optional<QMargins> frameExtents(const QWindow* window);

// Asks the window manager for the frame it will put around the window when
// it maps it (_NET_REQUEST_FRAME_EXTENTS) and waits up to `timeoutMs` for
// the answer. Meant for a window that is not mapped yet.
std::optional<QMargins> requestFrameExtents(const QWindow* window, int timeoutMs);

// Moves a window that is not mapped yet to `corner` (device pixels on the
// root window), past Qt's conversion from device-independent pixels, which
// cannot reach every device pixel on a scaled screen.
void moveUnmapped(const QWindow* window, QPoint corner);

// The top-left corner of the window's client area on the root window.
std::optional<QPoint> clientOrigin(const QWindow* window);

}  // namespace wendra::x11
