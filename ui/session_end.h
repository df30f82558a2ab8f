#pragma once
// SessionEndWatcher: the program ends like its "Close" button when the
// system or the desktop session asks it to stop, so the settings are saved.
//
// SIGTERM, SIGINT and SIGHUP, and the session manager's request to commit
// data (logout, shutdown), close the window as a close request does (its
// close handling and the settings store's save run) and, when the window
// did close, ask the application to quit, also while some other top-level
// window such as a message box is still open.
//
// A signal handler only writes the signal's number into a pipe; the window
// is closed from the event loop, when it next takes events (inside a
// running batch: at its next message processing). Each handler is installed
// for one delivery: a second signal of a kind while the first is still
// being handled has the system's default effect and ends the program at
// once. The handlers are installed while at least one watcher exists; the
// last one to go restores the handling found before the first.
//
// REQUIRES: a QApplication exists; GUI thread only.
//
// Tested by tests/ui/tst_session_end.cpp; tests/settings/tst_form_storage.cpp
// (signals close and save) and tests/e2e/settings_file.sh (the real program
// ended by a signal) cover it with the window.

#include <QObject>
#include <QPointer>

class QWidget;

namespace wendra {

class SessionEndWatcher : public QObject {
  Q_OBJECT

 public:
  // Becomes a child of `window`.
  explicit SessionEndWatcher(QWidget* window);
  ~SessionEndWatcher() override;

  SessionEndWatcher(const SessionEndWatcher&) = delete;
  SessionEndWatcher& operator=(const SessionEndWatcher&) = delete;

  // Closes the window as a close request does; quits when it closed.
  void endSession();

 private:
  QPointer<QWidget> window_;
};

}  // namespace wendra
