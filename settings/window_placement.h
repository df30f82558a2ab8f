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
//  "NormPos"    left, top, right, bottom of the window's normal (restored)
//               placement: left and top are where its frame's top-left
//               corner lies (QWidget::pos, where QWidget::move puts it),
//               right - left and bottom - top the size of its client area
//               (QWidget::size). A window manager places a frame by its
//               top-left corner before it has told how large the frame is,
//               so the corner survives a restart exactly, at any scale.
//               Without a window manager (a bare X server) there is no frame
//               and this is the window's outer rectangle. Coordinates are
//               relative to the top-left corner of the primary screen's
//               available area (its work area, without panels), as the
//               record's coordinates are relative to the work area.
//               The normal placement is followed while the window shows it:
//               once its moves and resizes have settled in a state that is
//               neither minimized nor maximized (also not maximized one way
//               only, which Qt does not report), see placement_rules.h. A
//               window manager may resize a window to maximize it before it
//               marks it maximized; the settling waits for the mark.
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
// Setting a record moves and resizes the window to its normal placement;
// it never changes the window state nor shows the window. A placement other
// than the current one is first made sound (placement_rules.h): at least the
// window's minimum size, and whole on the screens' available areas. It is
// meant for a window in the normal state (the settings store sets it before
// the window is first shown).
//
// Tested by tests/settings/tst_window_placement.cpp, tests/settings/stored_form_test.cpp
// and tests/settings/tst_form_storage.cpp.

#include <QBasicTimer>
#include <QMargins>
#include <QObject>
#include <QPoint>
#include <QSize>

#include "placement_rules.h"

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

class WindowPlacement : public QObject {
 public:
  static constexpr int kRestoreToMaximized = 2;

  // REQUIRES: window is a top-level widget that outlives this object.
  explicit WindowPlacement(QWidget* window);

  PlacementRecord get() const;
  // Takes the minimized and maximized positions and applies the normal
  // rectangle when it differs from the current one. Flags and show command
  // are not applied.
  void set(const PlacementRecord& record);

  // Called before a window that is not mapped yet is maximized. A window
  // manager that maps a window maximized may take the corner of its normal
  // rectangle for that of the maximized frame, which has other margins
  // (xfwm4 drops the side borders), and restore it elsewhere; the client
  // area's corner means the same in both, so the window is placed by that,
  // in device pixels (the frame's corner plus the frame the window manager
  // announces), which a scaled screen's widget pixels may not reach.
  void prepareMaximizedStart();

  bool isMinimized() const;

  // Called in the window's first show event, before it is mapped. A frame
  // position given to QWidget::move before the window existed is still
  // pending then, and Qt reports the geometry as if the frame were not
  // there; on platforms that already know the frame then (not X11) this
  // applies it, so that the geometry read is the one shown. It also takes
  // the placement as the normal one, and gives the native window a base
  // size of 0: without one Qt announces -1 scaled by the screen's ratio,
  // which some window managers turn into a window of 65534 x 65534 pixels.
  void prepareShow();

  // The primary screen: size in pixels, logical pixels per inch.
  static QSize screenSize();
  static int pixelsPerInch();
  // The frame metrics of the window (see above).
  QSize frameMetrics() const;

  WindowPlacement(const WindowPlacement&) = delete;
  WindowPlacement& operator=(const WindowPlacement&) = delete;

  // How long the window's geometry must stay put before it counts.
  static constexpr int kSettleMs = 250;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void timerEvent(QTimerEvent* event) override;

 private:
  // Whether the native window has been shown (a widget counts as visible
  // already in its show event, before that).
  bool shown() const;
  // The window's placement now, and its state as the window system has it.
  NormalPlacement currentPlacement() const;
  WindowStateFlags stateFlags() const;
  // The normal placement: the current one while the window shows it.
  NormalPlacement normalPlacement() const;
  // Moves and resizes the window to `placement` as it stands.
  void place(const NormalPlacement& placement);
  // The frame the window has or will get.
  QMargins frameEstimate() const;

  QWidget* window_;
  NormalPlacement normal_;
  bool normalKnown_ = false;
  QBasicTimer settle_;
  QPoint minPosition_{-1, -1};
  QPoint maxPosition_{-1, -1};
};

}  // namespace wendra
