#pragma once
// FormStorage: the settings store of the main window. It keeps the values of
// the parameter inputs and the window's placement in the settings file
// (".\wendra.ini", section "first") and puts them back at the next start.
//
// It reads the file once per showing of the window: in the window's show
// event, before the window becomes visible. It writes the file when the
// window is asked to close and, if that save did not complete, once more
// when the window is destroyed. Nothing is written in between.
//
// The reading and writing are the plain functions of stored_form.h; this
// class connects them to the window's show, close and destroy events:
//
//   ComponentTable components;
//   components.addValue("PCrossValue", PCrossValue);   // one per input
//   ...
//   FormStorage1 = new FormStorage(this, std::move(components));
//   FormStorage1->setNumberSeparators(separators);     // the locale's
//   FormStorage1->setErrorReporter(&Application::showError);
//
// The store watches the window's show events itself. The window calls
// formClose() from its closeEvent(), after its own close handling, and
// formDestroy() first in its destructor.
//
// The placement keys are mapped onto Qt as window_placement.h describes.
//
// A stored normal rectangle is applied only when the stored pixels per inch
// equal the screen's and its right exceeds its left and its bottom its top:
// Qt never maps a window without height, so such a window would not appear.
// Applied, it is first made sound: at least the window's minimum size, and
// whole on the screens (window_placement.h, placement_rules.h).
//
// "ShowCmd" 2, 6 or 7 minimizes the window before it is first mapped, so
// that a window manager takes it as iconic from the start; 3 maximizes it.

#include "ini_file.h"
#include "number_format.h"
#include "stored_form.h"
#include "window_placement.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QCloseEvent;
class QWidget;

namespace wendra {

class FormStorage : public QObject {
  Q_OBJECT

 public:
  using Config = FormStorageConfig;
  using ErrorReporter = std::function<void(const QString& message)>;

  // Resolves the stored-property list against `components` (invalid items
  // and items naming no component are dropped, the rest keep their order)
  // and attaches to the window's show and close events. Becomes a child of
  // `form`. `files` (the disk when null) must outlive the store.
  // REQUIRES: form is a top-level widget.
  FormStorage(QWidget* form, ComponentTable components, Config config = Config(),
              IniFileSystem* files = nullptr);
  ~FormStorage() override;

  FormStorage(const FormStorage&) = delete;
  FormStorage& operator=(const FormStorage&) = delete;

  // The window's close handling has run: saves when `event` is still
  // accepted and the window was created, reporting a failure. The window
  // closes or stays as the event says, a failed save notwithstanding.
  // Called from the window's closeEvent() after its own handling.
  void formClose(const QCloseEvent& event);

  // The window is being destroyed: saves once more if no save has completed
  // since the last restore (writing "Visible=1"), reporting a failure, and
  // detaches from the window. Called first in the window's destructor.
  void formDestroy();

  // The restore and the save themselves; the event hooks call them. The
  // restore reports nothing; a failed write ends the save at that key with
  // IniWriteError.
  void restoreFormPlacement();
  void saveFormPlacement();

  bool restored() const { return restored_; }
  bool saved() const { return saved_; }
  bool destroying() const { return destroying_; }
  const Config& config() const { return config_; }
  // The stored-property items left after resolving, as given.
  QStringList storedProps() const { return inputs_.items(); }

  // How a failed save is shown; called with the error's text and expected
  // to return when the user has seen it. The program's window hands in the
  // application's error box (application.h); until one is set a failure is
  // written to the warning log.
  void setErrorReporter(ErrorReporter reporter);
  // The user's separators, which the window hands in when it is built and
  // again on a locale change; the restore reads the stored numbers with the
  // decimal one ("." until one is handed in). The file itself always holds ".".
  void setNumberSeparators(const NumberSeparators& separators);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Runs the restore or the save and reports what it throws.
  template <class Step>
  void reportFailure(Step step);
  void applyStartState(StartState state);
  StoredScreen screen() const;

  QWidget* form_;
  Config config_;
  StoredInputs inputs_;
  std::unique_ptr<IniFileSystem> ownFiles_;
  IniFileSystem* files_;
  WindowPlacement placement_;
  ErrorReporter reporter_;
  NumberSeparators separators_;
  bool restored_ = false;
  bool saved_ = false;
  bool destroying_ = false;
  bool detached_ = false;
};

}  // namespace wendra
