#include "form_storage.h"

#include <QCloseEvent>
#include <QEvent>
#include <QWidget>
#include <QtGlobal>

#include <exception>
#include <utility>

namespace wendra {

FormStorage::FormStorage(QWidget* form, ComponentTable components, Config config,
                         IniFileSystem* files)
    : QObject(form),
      form_(form),
      config_(std::move(config)),
      inputs_(std::move(components), config_.storedProps),
      ownFiles_(files ? nullptr : new DiskFileSystem),
      files_(files ? files : ownFiles_.get()),
      placement_(form),
      reporter_([](const QString& message) { qWarning("%s", qUtf8Printable(message)); }) {
  form_->installEventFilter(this);
}

FormStorage::~FormStorage() = default;

void FormStorage::setErrorReporter(ErrorReporter reporter) { reporter_ = std::move(reporter); }

void FormStorage::setNumberSeparators(const NumberSeparators& separators) {
  separators_ = separators;
}

template <class Step>
void FormStorage::reportFailure(Step step) {
  try {
    step();
  } catch (const std::exception& error) {
    if (reporter_) reporter_(QString::fromUtf8(error.what()));
  }
}

bool FormStorage::eventFilter(QObject* watched, QEvent* event) {
  if (watched == form_ && !detached_ && event->type() == QEvent::Show && !event->spontaneous()) {
    // Runs before the window's own show handling, and before the window is
    // mapped: what the restore sets is what appears.
    reportFailure([this] { restoreFormPlacement(); });
  }
  return false;
}

void FormStorage::formClose(const QCloseEvent& event) {
  if (detached_ || !event.isAccepted() || !form_->windowHandle()) return;
  reportFailure([this] { saveFormPlacement(); });
}

void FormStorage::formDestroy() {
  if (detached_) return;
  if (!saved_) {
    destroying_ = true;
    reportFailure([this] { saveFormPlacement(); });
    destroying_ = false;
  }
  detached_ = true;
  form_->removeEventFilter(this);
}

StoredScreen FormStorage::screen() const {
  return {WindowPlacement::screenSize(), WindowPlacement::pixelsPerInch()};
}

void FormStorage::restoreFormPlacement() {
  // 1. Clear the saved flag and open the file.
  saved_ = false;
  IniFile ini(*files_, config_.iniFileName);
  placement_.prepareShow();
  // 2. A version below ours cancels the whole restore.
  const QString& section = config_.iniSection;
  if (storedVersionAccepted(ini, section, config_.version)) {
    // 3. The placement, 4. the state, 5. the inputs.
    if (const auto record = readStoredPlacement(ini, section, screen(), placement_.get())) {
      placement_.set(*record);
    }
    applyStartState(readStartState(ini, section));
    inputs_.restore(ini, section, separators_.decimal);
  }
  // 6. Restored, also when cancelled.
  restored_ = true;
  // 7. The maximized position lies a frame's width outside the work area.
  PlacementRecord record = placement_.get();
  record.showCmd = kShowHidden;
  const QSize frame = placement_.frameMetrics();
  record.maxPosition = QPoint(-frame.width(), -frame.height());
  placement_.set(record);
}

void FormStorage::applyStartState(StartState state) {
  const Qt::WindowStates normal =
      form_->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen);
  switch (state) {
    case StartState::kMinimized:
      // Minimized before the window is mapped, so that a window manager
      // takes it as iconic from the start (minimizing a window it has
      // already shown would come too late). Restored, it is normal.
      form_->setWindowState(normal | Qt::WindowMinimized);
      return;
    case StartState::kMaximized:
      placement_.prepareMaximizedStart();
      form_->setWindowState(normal | Qt::WindowMaximized);
      return;
    case StartState::kNormal:
      form_->setWindowState(normal);
      return;
  }
}

void FormStorage::saveFormPlacement() {
  if (!restored_) return;
  IniFile ini(*files_, config_.iniFileName);
  PlacementRecord record = placement_.get();
  if (placement_.isMinimized()) record.showCmd = kShowMinimized;
  writeStoredPlacement(ini, config_.iniSection, config_.version, screen(), record, destroying_);
  inputs_.save(ini, config_.iniSection);
  saved_ = true;
}

}  // namespace wendra
