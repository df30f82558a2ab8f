#include "application.h"

#include <QFileInfo>
#include <QIcon>
#include <QMessageBox>
#include <QPointer>
#include <exception>

#include "busy_pointer.h"
#include "x11_desktop.h"
#include <utility>

namespace wendra {

namespace {

Application::ErrorBoxHook& errorBoxHook() {
  static Application::ErrorBoxHook hook;
  return hook;
}

}  // namespace

QString applicationTitleFor(const QString& programFile) {
  const QString fileName = QFileInfo(programFile).fileName();
  const qsizetype dot = fileName.indexOf(u'.');
  QString title = (dot < 0 ? fileName : fileName.left(dot)).toLower();
  if (!title.isEmpty()) title[0] = title[0].toUpper();
  return title;
}

QString withFullStop(const QString& text) {
  if (!text.isEmpty() && text.back() > QChar(u'.')) return text + u'.';
  return text;
}

QIcon applicationIcon() {
  QIcon icon;
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
    icon.addFile(QStringLiteral(":/icons/wendra-%1.png").arg(size), QSize(size, size));
  return icon;
}

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
  // Title bars, task bars and switchers show it (_NET_WM_ICON on X11).
  setWindowIcon(applicationIcon());
}

QString Application::title() {
  // /proc/self/exe on Linux: the program file itself, as the system loaded it.
  return applicationTitleFor(QCoreApplication::applicationFilePath());
}

void Application::activateAtStart(QWidget& window) {
  if (!window.isMinimized() || !x11::windowManagerRunning()) window.activateWindow();
}

void Application::showError(const QString& message) {
  // No parent: like the system's own message box it is centred on the screen
  // and stays up even while the main window closes behind it.
  QPointer<QWidget> previous = QApplication::activeWindow();
  QMessageBox box(QMessageBox::Critical, title(), withFullStop(message), QMessageBox::Ok);
  if (errorBoxHook()) errorBoxHook()(box);
  const NormalPointer pointer;  // also while a batch runs behind it
  box.exec();
  // The window that was active gets the keyboard back, as it would from a
  // window manager; without one nothing else would activate it.
  if (previous && previous->isVisible()) previous->activateWindow();
}

void Application::setErrorBoxHook(ErrorBoxHook hook) { errorBoxHook() = std::move(hook); }

bool Application::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& e) {
    showError(QString::fromLocal8Bit(e.what()));
  } catch (...) {
    showError(QStringLiteral("Unknown error"));
  }
  // The event counts as not handled; delivery of later events is unaffected.
  return false;
}

}  // namespace wendra
