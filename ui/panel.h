#pragma once
// Panel: a plain container with a single raised one-pixel bevel and no
// caption. Its background is the window's (button-face) colour. It has no
// layout: the main window places the panel and its children by hand, so
// every position is pixel-exact.
//
// The bevel covers the outermost ring of pixels; a child at (1, 1) sits just
// inside it.
//
// Tested by tests/ui/tst_main_window.cpp (the window's layout).

#include <QWidget>

namespace wendra {

class Panel : public QWidget {
  Q_OBJECT

 public:
  explicit Panel(QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace wendra
