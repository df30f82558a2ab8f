// The session-end watcher: a termination signal closes the watched window as
// a close request does, once; a window that refuses to close stays open; the
// signal handling found before the first watcher comes back when the last
// one goes.

#include <QCloseEvent>
#include <QTest>
#include <QWidget>

#include <csignal>

#include "session_end.h"

namespace {

volatile std::sig_atomic_t earlierHandlerRan = 0;
void earlierHandler(int) { earlierHandlerRan = 1; }

struct Window : QWidget {
  bool refuses = false;
  int closeRequests = 0;
  void closeEvent(QCloseEvent* event) override {
    ++closeRequests;
    event->setAccepted(!refuses);
  }
};

void (*currentHandler(int number))(int) {
  struct sigaction now {};
  ::sigaction(number, nullptr, &now);
  return now.sa_handler;
}

}  // namespace

class TestSessionEnd : public QObject {
  Q_OBJECT

 private slots:
  void signalClosesTheWindowOnce() {
    Window window;
    window.show();
    new wendra::SessionEndWatcher(&window);
    QVERIFY(::raise(SIGHUP) == 0);
    QTRY_VERIFY(!window.isVisible());
    QTest::qWait(20);
    QCOMPARE(window.closeRequests, 1);
  }

  void refusedCloseKeepsTheWindow() {
    Window window;
    window.refuses = true;
    window.show();
    new wendra::SessionEndWatcher(&window);
    QVERIFY(::raise(SIGTERM) == 0);
    QTRY_COMPARE(window.closeRequests, 1);
    QVERIFY(window.isVisible());
  }

  void earlierHandlingComesBack() {
    struct sigaction mine {}, before {};
    mine.sa_handler = earlierHandler;
    sigemptyset(&mine.sa_mask);
    ::sigaction(SIGINT, &mine, &before);
    {
      QWidget first, second;
      new wendra::SessionEndWatcher(&first);
      new wendra::SessionEndWatcher(&second);
      QVERIFY(currentHandler(SIGINT) != earlierHandler);
    }
    QVERIFY(currentHandler(SIGINT) == earlierHandler);
    QVERIFY(::raise(SIGINT) == 0);
    QCOMPARE(int(earlierHandlerRan), 1);
    ::sigaction(SIGINT, &before, nullptr);
  }
};

QTEST_MAIN(TestSessionEnd)
#include "tst_session_end.moc"
