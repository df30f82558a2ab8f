#pragma once
// Fixtures shared by the tests: the inputs a test types into the window, the
// message boxes it shows, the leak checker told about Qt's unwinding, and a
// settings file that stops taking writes. A fresh working directory is
// fresh_directory.h; whether AddressSanitizer is built in, sanitizer.h.

#include "application.h"
#include "ini_file.h"
#include "main_window.h"
#include "sanitizer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCursor>
#include <QLabel>
#include <QList>
#include <QMessageBox>
#include <QScreen>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QTimerEvent>
#include <QWidget>

// The values "&Create" reads, as a test types them.
struct RunInputs {
  int width = 10;
  int height = 10;
  int population = 100;
  double pcross = 0.5;
  double pmut = 0.07;
};

// Types the inputs' texts (no focus change, so nothing is clamped).
inline void enter(wendra::TForm1& form, const RunInputs& in) {
  form.WidthEdit->setText(QString::number(in.width));
  form.HeightEdit->setText(QString::number(in.height));
  form.PopEdit->setText(QString::number(in.population));
  form.PCrossValue->setText(QString::number(in.pcross, 'f', 5));
  form.PMutValue->setText(QString::number(in.pmut, 'f', 5));
}

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

// One message box as it was shown.
struct ShownBox {
  QString title;
  QString text;
  QMessageBox::Icon icon;
  QList<QMessageBox::StandardButton> buttons;
  int pointer;  // the override pointer's shape it appeared with; -1 none
  bool hasParent;
  bool wholeTextShown;  // by one visible label, with the box on the screen
};

// Whether a visible label of the box shows all of `text` (wrapped anywhere),
// with the box inside the screen.
inline bool showsWholeText(const QMessageBox& box, const QString& text) {
  if (!box.screen()->availableGeometry().contains(box.frameGeometry())) return false;
  for (const QLabel* label : box.findChildren<QLabel*>()) {
    if (!label->isVisible() || label->text() != text) continue;
    const QRect room = label->contentsRect();
    const QRect needed =
        label->fontMetrics().boundingRect(QRect(0, 0, room.width(), 1 << 20), Qt::TextWrapAnywhere, text);
    return needed.height() <= room.height() && needed.width() <= room.width();
  }
  return false;
}

inline ShownBox describe(const QMessageBox& box) {
  const QCursor* pointer = QApplication::overrideCursor();
  ShownBox shown{box.windowTitle(), box.text(), box.icon(), {}, pointer ? int(pointer->shape()) : -1,
                 box.parentWidget() != nullptr, showsWholeText(box, box.text())};
  for (QAbstractButton* b : box.buttons()) shown.buttons << box.standardButton(b);
  return shown;
}

// Records every error box the application shows while it lives and closes
// each as soon as its modal loop runs.
class BoxRecorder {
 public:
  BoxRecorder() {
    wendra::Application::setErrorBoxHook([this](QMessageBox& box) {
      const ShownBox shown = describe(box);
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

// Records and closes any other message box that a handler runs modally
// (not through the application's error box), looking every 5 ms.
class ModalBoxRecorder : public QObject {
 public:
  ModalBoxRecorder() { startTimer(5); }
  QList<ShownBox> boxes;

 protected:
  void timerEvent(QTimerEvent*) override {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      auto* box = qobject_cast<QMessageBox*>(w);
      if (box && box->isVisible()) {
        boxes << describe(*box);
        box->accept();
      }
    }
  }
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
