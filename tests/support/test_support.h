#pragma once
// Fixtures shared by the tests: the error boxes a test's window shows, the
// leak checker told about Qt's unwinding, and a settings file that stops
// taking writes. A fresh working directory is fresh_directory.h.

#include "application.h"
#include "ini_file.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCursor>
#include <QList>
#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <QTimer>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
// An exception that unwinds through Qt's own frames skips their cleanups (Qt
// is built without exception support): the event copy in
// QApplication::notify and the guard a button holds while it emits clicked()
// are never freed. A few bytes per caught exception, all Qt's; the leak
// checker is told to overlook what is allocated while one of these lives.
using QtUnwindLeaks = __lsan::ScopedDisabler;
#else
struct QtUnwindLeaks {};
#endif

// One error box as it was shown.
struct ShownBox {
  QString title;
  QString text;
  QMessageBox::Icon icon;
  QList<QMessageBox::StandardButton> buttons;
  int pointer;  // the override pointer's shape it appeared with; -1 none
};

// Records every error box the application shows while it lives and closes
// each as soon as its modal loop runs.
class BoxRecorder {
 public:
  BoxRecorder() {
    wendra::Application::setErrorBoxHook([this](QMessageBox& box) {
      const QCursor* pointer = QApplication::overrideCursor();
      ShownBox shown{box.windowTitle(), box.text(), box.icon(), {}, pointer ? int(pointer->shape()) : -1};
      for (QAbstractButton* b : box.buttons()) shown.buttons << box.standardButton(b);
      boxes << shown;
      texts << shown.text;
      pointers << shown.pointer;
      QTimer::singleShot(0, &box, &QMessageBox::accept);
    });
  }
  ~BoxRecorder() { wendra::Application::setErrorBoxHook({}); }
  BoxRecorder(const BoxRecorder&) = delete;
  BoxRecorder& operator=(const BoxRecorder&) = delete;

  // Whether every box was the error box: the application's title, a stop
  // icon and one OK button.
  bool allErrorBoxes() const {
    for (const ShownBox& box : boxes) {
      if (box.title != wendra::Application::title() || box.icon != QMessageBox::Critical ||
          box.buttons != QList<QMessageBox::StandardButton>{QMessageBox::Ok}) {
        return false;
      }
    }
    return true;
  }

  QList<ShownBox> boxes;
  QStringList texts;   // the boxes' texts
  QList<int> pointers;  // the boxes' pointers
};

// Files in memory that take `successes` replaces, then fail every one.
class FailingFileSystem : public wendra::MemoryFileSystem {
 public:
  explicit FailingFileSystem(int successes) : left_(successes) {}
  bool replace(const QString& name, const QByteArray& contents) override {
    ++attempts;
    if (left_ == 0) return false;
    --left_;
    return MemoryFileSystem::replace(name, contents);
  }
  int attempts = 0;

 private:
  int left_;
};
