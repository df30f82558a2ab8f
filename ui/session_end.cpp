#include "session_end.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QList>
#include <QSessionManager>
#include <QSocketNotifier>
#include <QWidget>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <iterator>
#include <vector>

namespace wendra {
namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

// What all watchers share: one pipe, one notifier, the handlers replaced.
struct SignalRoute {
  int pipe[2] = {-1, -1};
  QSocketNotifier* notifier = nullptr;
  struct sigaction previous[std::size(kSignals)] = {};
  std::vector<SessionEndWatcher*> watchers;
};

SignalRoute* route = nullptr;
volatile int signalWriteEnd = -1;  // read by the handler

void onSignal(int number) {
  const int savedErrno = errno;
  const char byte = static_cast<char>(number);
  [[maybe_unused]] const ssize_t written = ::write(signalWriteEnd, &byte, 1);
  errno = savedErrno;
}

void readSignals() {
  char bytes[16];
  bool any = false;
  while (::read(route->pipe[0], bytes, sizeof bytes) > 0) any = true;
  if (!any) return;
  QList<QPointer<SessionEndWatcher>> watchers;
  for (SessionEndWatcher* watcher : route->watchers) watchers.append(watcher);
  for (const QPointer<SessionEndWatcher>& watcher : watchers) {
    if (watcher) watcher->endSession();
  }
}

void openRoute() {
  route = new SignalRoute;
  if (::pipe2(route->pipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
  signalWriteEnd = route->pipe[1];
  route->notifier = new QSocketNotifier(route->pipe[0], QSocketNotifier::Read);
  QObject::connect(route->notifier, &QSocketNotifier::activated, &readSignals);

  struct sigaction action {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART | SA_RESETHAND;  // a second signal ends the program
  for (std::size_t i = 0; i < std::size(kSignals); ++i) {
    ::sigaction(kSignals[i], &action, &route->previous[i]);
  }
}

void closeRoute() {
  if (route->notifier) {
    for (std::size_t i = 0; i < std::size(kSignals); ++i) {
      ::sigaction(kSignals[i], &route->previous[i], nullptr);
    }
    signalWriteEnd = -1;
    delete route->notifier;
    ::close(route->pipe[0]);
    ::close(route->pipe[1]);
  }
  delete route;
  route = nullptr;
}

}  // namespace

SessionEndWatcher::SessionEndWatcher(QWidget* window) : QObject(window), window_(window) {
  if (!route) openRoute();
  route->watchers.push_back(this);

#ifndef QT_NO_SESSIONMANAGER
  if (auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
    connect(application, &QGuiApplication::commitDataRequest, this,
            [this](QSessionManager&) { endSession(); });
  }
#endif
}

SessionEndWatcher::~SessionEndWatcher() {
  std::erase(route->watchers, this);
  if (route->watchers.empty()) closeRoute();
}

void SessionEndWatcher::endSession() {
  if (window_ && !window_->close()) return;
  QCoreApplication::quit();
}

}  // namespace wendra
