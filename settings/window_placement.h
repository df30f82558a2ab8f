#pragma once
// The placement record of the main window, as the settings file keeps it,
// mapped onto a Qt top-level widget.
//
// The file's placement keys come from a record with five parts: flags, a
// show command, a minimized position, a maximized position and the normal
// (restored) rectangle. Qt knows window states and geometries but no such
// record, so this is the mapping, in the file's key names:
//
//  "Flags"      0, or 2 ("restore to maximized") while the window is
//               minimized from the maximized state. Read back into the
//               record, it has no effect on a Qt window.
//  "ShowCmd"    1 normal, 2 minimized, 3 maximized (full screen counts as
//               maximized), from QWidget::windowState(). When a window is
//               both minimized and maximized, minimized wins.
//  "PixelsPerInch"
//               the primary screen's logical dots per inch (vertical),
//               rounded: 96 on a plain X server.
//  "MinMaxPos"  minimized x, y and maximized x, y. Qt windows have neither
//               position, so they live in this object: both start at -1,-1
//               ("not set"), a restored record sets them, and the settings
//               store sets the maximized position to minus the frame metrics
//               below. A save writes back what they hold.
//  "NormPos"    left, top, right, bottom of the window's client area in its
//               normal state (QWidget::normalGeometry, also while the window
//               is maximized or minimized), restored with
//               QWidget::setGeometry. The frame is left out because X11
//               tells it only after a window manager has framed the window,
//               later than the restore runs: client geometry is what
//               survives a restart unchanged under any window manager.
//               Without a window manager (a bare X server) there is no frame
//               and this is the window's outer rectangle. Coordinates are
//               relative to the top-left corner of the primary screen's
//               available area (its work area, without panels), as the
//               record's coordinates are relative to the work area.
//  screen suffix
//               "(WIDTHxHEIGHT)" of the primary screen's geometry, in
//               device-independent pixels.
//  frame metrics (width and height of a sizeable window's frame)
//               the window's own frame as the window system reports it: the
//               left and the bottom frame margins (frameGeometry() around
//               geometry()). The store reads them while the window is being
//               shown for the first time, when X11 has no frame yet: they
//               are 0 there, with or without a window manager (and an X11
//               window manager puts a maximized window's frame at the work
//               area's corner anyway). The offscreen platform reports 2.
//
// Setting a record moves and resizes the window to its normal rectangle; it
// never changes the window state nor shows the window. A side longer than
// the desktop (all screens together) is cut to the desktop's. It is meant for a
// window in the normal state (the settings store sets it before the window
// is first shown).

#include <QPoint>
#include <QSize>

class QWidget;

namespace wendra {

// Show commands of the record.
enum ShowCommand : int {
  kShowHidden = 0,
  kShowNormal = 1,
  kShowMinimized = 2,
  kShowMaximized = 3,
};

// Right and bottom are exclusive: right - left is the width.
struct PlacementRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};

struct PlacementRecord {
  int flags = 0;
  int showCmd = kShowNormal;
  QPoint minPosition{-1, -1};
  QPoint maxPosition{-1, -1};
  PlacementRect normalPosition;
};

class WindowPlacement {
 public:
  static constexpr int kRestoreToMaximized = 2;

  // REQUIRES: window is a top-level widget that outlives this object.
  explicit WindowPlacement(QWidget* window);

  PlacementRecord get() const;
  // Takes the minimized and maximized positions and applies the normal
  // rectangle when it differs from the current one. Flags and show command
  // are not applied.
  void set(const PlacementRecord& record);

  bool isMinimized() const;

  // A frame position given to QWidget::move before the window existed is
  // still pending in its first show event, where Qt reports the geometry as
  // if the frame were not there; on platforms that already know the frame
  // then (not X11) this applies it, so that the geometry read and the one
  // Qt keeps as normal geometry on maximizing are the ones shown.
  void settleFramePosition();

  // The primary screen: size in pixels, logical pixels per inch.
  static QSize screenSize();
  static int pixelsPerInch();
  // The frame metrics of the window (see above).
  QSize frameMetrics() const;

  WindowPlacement(const WindowPlacement&) = delete;
  WindowPlacement& operator=(const WindowPlacement&) = delete;

 private:
  QWidget* window_;
  QPoint minPosition_{-1, -1};
  QPoint maxPosition_{-1, -1};
};

}  // namespace wendra
