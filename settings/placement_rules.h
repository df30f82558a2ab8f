#pragma once
// The rules that keep the main window's stored placement sound, as pure
// functions of rectangles and flags (no window, no screen):
//
//  - which states show the window's normal rectangle, so that only those
//    geometries are taken as the rectangle to store;
//  - bringing a stored rectangle onto the screens: at least the window's
//    minimum size, at most what a screen's available area holds, and whole
//    on the available area.
//
// Rectangles are in one coordinate system (device-independent pixels of the
// desktop); sizes and margins are never negative.

#include <QList>
#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>

namespace wendra {

// What the window system says about a window's state. Qt reports a window as
// maximized only when it is maximized both ways; the window manager may also
// maximize it one way only.
struct WindowStateFlags {
  bool minimized = false;
  bool maximized = false;
  bool fullScreen = false;
  bool maximizedVertically = false;
  bool maximizedHorizontally = false;
};

// True when the window shows its normal rectangle: neither minimized nor
// maximized, full screen or maximized one way.
bool showsNormalRectangle(const WindowStateFlags& state);

// A window's normal placement: where its frame's top-left corner lies and
// how large its client area is.
struct NormalPlacement {
  QPoint framePosition;
  QSize clientSize;

  friend bool operator==(const NormalPlacement&, const NormalPlacement&) = default;
};

// `placement` made sound for the screens whose available areas are `areas`
// (the first being the primary screen's), for a window whose frame adds
// `frame` around the client area and whose client area may not be smaller
// than `minimum`:
//  1. the client area is enlarged to the minimum;
//  2. when the frame rectangle lies whole on the available areas, the
//     placement stays where it is;
//  3. otherwise it goes to the screen whose area it overlaps most (the one
//     nearest to it when it overlaps none), shrunk to that area but not below
//     the minimum, and moved just far enough to lie whole on it (its
//     top-left corner first, so the title bar stays reachable when it is
//     still too large).
// With no areas at all only step 1 applies. Coordinates up to the 32-bit
// range do not overflow.
NormalPlacement bringOntoScreens(const NormalPlacement& placement, const QMargins& frame,
                                 const QSize& minimum, const QList<QRect>& areas);

}  // namespace wendra
