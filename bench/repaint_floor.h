#pragma once
// The repaint floor: how many times per second this platform can show the
// areas a display update changes (the chart, the tour view and the three
// status labels) when nothing is drawn but copies of ready pictures. A
// window of the main window's size holds one plain widget per area, at the
// area's place and size; each loop asks all five to repaint and processes
// events, as a batch at refresh 1 does. No window showing those areas can
// repaint faster, so a batch at refresh r cannot beat
//   1 / (1 / engine rate + 1 / (r x floor))
// generations per second.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QWidget>
#include <QWindow>

#include <memory>
#include <vector>

namespace wendra::bench {

inline void waitUntilExposed(QWidget& window) {
  for (int i = 0; i < 1000 && !(window.windowHandle() && window.windowHandle()->isExposed()); ++i)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

// The best rate a batch at refresh r can reach.
inline double batchBound(double engineRate, double floorRate, int refresh) {
  return 1 / (1 / engineRate + 1 / (refresh * floorRate));
}

class RepaintFloor {
 public:
  // `areas` are rectangles in the coordinates of a window of `window` size.
  RepaintFloor(QRect window, const std::vector<QRect>& areas) {
    window_.setGeometry(window);
    window_.setWindowTitle(QStringLiteral("FLOOR"));
    for (const QRect& area : areas) blits_.push_back(std::make_unique<Blit>(&window_, area));
  }

  // Repaints per second over `loops` loops.
  double measure(int loops) {
    window_.show();
    waitUntilExposed(window_);
    for (int i = 0; i < 50; ++i) loop();
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < loops; ++i) loop();
    const double seconds = clock.nsecsElapsed() / 1e9;
    window_.hide();
    QCoreApplication::processEvents();
    return loops / seconds;
  }

 private:
  struct Blit : QWidget {
    QImage picture;
    Blit(QWidget* parent, QRect area)
        : QWidget(parent), picture(area.size(), QImage::Format_RGB32) {
      setGeometry(area);
      picture.fill(Qt::lightGray);
      setAttribute(Qt::WA_OpaquePaintEvent);
    }
    void paintEvent(QPaintEvent*) override { QPainter(this).drawImage(0, 0, picture); }
  };

  void loop() {
    for (const auto& blit : blits_) blit->update();
    QCoreApplication::processEvents();
  }

  QWidget window_;
  std::vector<std::unique_ptr<Blit>> blits_;
};

}  // namespace wendra::bench
