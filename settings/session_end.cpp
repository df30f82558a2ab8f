#include "session_end.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QSessionManager>
#include <QSocketNotifier>
#include <QWidget>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace wendra {
namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

int signalPipe[2] = {-1, -1};
struct sigaction previousActions[std::size(kSignals)];

void onSignal(int number) {
  const int savedErrno = errno;
  const char byte = static_cast<char>(number);
  [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
  errno = savedErrno;
}

}  // namespace

SessionEndWatcher::SessionEndWatcher(QWidget* window) : QObject(window), window_(window) {
  if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
  notifier_ = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &SessionEndWatcher::readSignals);

  struct sigaction action {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART | SA_RESETHAND;
  for (std::size_t i = 0; i < std::size(kSignals); ++i) {
    ::sigaction(kSignals[i], &action, &previousActions[i]);
  }

#ifndef QT_NO_SESSIONMANAGER
  if (auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
    connect(application, &QGuiApplication::commitDataRequest, this,
            [this](QSessionManager&) { endSession(); });
  }
#endif
}

SessionEndWatcher::~SessionEndWatcher() {
  if (!notifier_) return;
  for (std::size_t i = 0; i < std::size(kSignals); ++i) {
    ::sigaction(kSignals[i], &previousActions[i], nullptr);
  }
  delete notifier_;
  ::close(signalPipe[0]);
  ::close(signalPipe[1]);
  signalPipe[0] = signalPipe[1] = -1;
}

void SessionEndWatcher::readSignals() {
  char bytes[16];
  bool any = false;
  while (::read(signalPipe[0], bytes, sizeof bytes) > 0) any = true;
  if (any) endSession();
}

void SessionEndWatcher::endSession() {
  if (window_ && !window_->close()) return;
  QCoreApplication::quit();
}

}  // namespace wendra
