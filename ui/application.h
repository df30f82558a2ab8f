#pragma once
// The application object of both programs: it knows the program's title and
// shows an error that escapes an event handler instead of ending the program.
//
// Application title: the program file's name up to its first dot, its first
// letter upper case and every later letter lower case ("wendra3" gives
// "Wendra3"). It captions every message box of the program. It is kept apart
// from QGuiApplication::applicationDisplayName on purpose: setting that makes
// the X11 platform append it to every window title ("WENDRA3 — Wendra3").
//
// Errors: an exception thrown while an event is delivered (a clicked slot, a
// timer, a paint, a key handler) is caught in notify(). Its text is shown in a
// message box with a stop icon, one OK button and the application title; a
// full stop is appended when the text's last character sorts after ".". The
// handler that failed is not resumed; the program goes on with the next
// event. Everything runs on the GUI thread.

#include <QApplication>
#include <QString>
#include <functional>

class QIcon;
class QMessageBox;

namespace wendra {

// The title for a program file (a path or a bare file name).
QString applicationTitleFor(const QString& programFile);

// The program's icon (the project's picture of a tour over a grid) in the
// sizes 16, 22, 24, 32, 48, 64, 128 and 256 pixels.
QIcon applicationIcon();

// `text` with a full stop appended when its last character sorts after ".";
// an empty text stays empty.
QString withFullStop(const QString& text);

class Application : public QApplication {
  Q_OBJECT

 public:
  Application(int& argc, char** argv);

  // The title of the running program (from its executable's file name).
  static QString title();

  // Activates the program's window right after its first show(): without a
  // window manager nothing activates a new window, and the first activation
  // is what gives the focus to "Close". A window manager activates a new
  // window itself, and would restore a minimized one that asks for it, so a
  // window that starts minimized there is left as it is.
  static void activateAtStart(QWidget& window);

  // Shows `message` (full-stop rule applied) in the modal error box and
  // returns when the box is closed.
  static void showError(const QString& message);

  // Tests: called with the fully set up error box right before it runs its
  // modal loop; the hook can read it and arrange for it to close (for example
  // QTimer::singleShot(0, &box, &QMessageBox::accept)). Empty: no hook.
  using ErrorBoxHook = std::function<void(QMessageBox& box)>;
  static void setErrorBoxHook(ErrorBoxHook hook);

  bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace wendra
