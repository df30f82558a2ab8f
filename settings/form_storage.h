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
// Attaching it to a window (the window class does this while it builds its
// controls, before its creation handler runs):
//
//   ComponentTable components;
//   components.addValue("PCrossValue", PCrossValue);   // one per input
//   ...
//   FormStorage1 = new FormStorage(this, std::move(components));
//
// and its destructor calls FormStorage1->formDestroy() before anything else.
// The store installs an event filter on the window for its show and close
// events; it needs nothing else from it.
//
// Keys of a save, in this order: "FormVersion", "Flags", "ShowCmd",
// "PixelsPerInch", "MinMaxPos(WxH)", "MinMaxPos", "NormPos(WxH)", "NormPos",
// "Visible", then "<Component>_<Property>" for every stored property. The
// placement keys are mapped onto Qt as window_placement.h describes, the
// input values are written as stored_number.h describes.
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
#include "window_placement.h"

#include <QChar>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <functional>
#include <memory>
#include <vector>

class QWidget;

namespace wendra {

// A floating-point property of a window component that the store can read
// and set.
struct StoredProperty {
  QString name;  // as the component's type spells it: "Value"
  std::function<long double()> get;
  std::function<void(long double)> set;
};

// The components of a window that the store may reach, by name. Component
// and property names match without regard to letter case.
class ComponentTable {
 public:
  struct Component {
    QString name;
    std::vector<StoredProperty> properties;
  };

  void addProperty(const QString& component, StoredProperty property);

  // The property "Value" of an input with `long double value()` and
  // `void setValue(long double)`. The input must outlive the store's last
  // use of it (the window's destruction).
  template <class Input>
  void addValue(const QString& component, Input* input) {
    addProperty(component,
                {QStringLiteral("Value"), [input] { return input->value(); },
                 [input](long double value) { input->setValue(value); }});
  }

  // Index of the component, or -1.
  int findComponent(QStringView name) const;
  const Component& component(int index) const { return components_[index]; }
  // The component's property, or nullptr.
  const StoredProperty* findProperty(int component, QStringView name) const;

 private:
  std::vector<Component> components_;
};

// What the window's description fixes for a settings store.
struct FormStorageConfig {
  QString iniFileName = QStringLiteral(".\\wendra.ini");
  QString iniSection = QStringLiteral("first");
  // "Component.Property"; an item is split at its first full stop and both
  // parts are trimmed of spaces and control characters.
  QStringList storedProps = {
      QStringLiteral("PCrossValue.Value"), QStringLiteral("PMutValue.Value"),
      QStringLiteral("PopEdit.Value"),     QStringLiteral("RefreshCount.Value"),
      QStringLiteral("StepCount.Value"),   QStringLiteral("HeightEdit.Value"),
      QStringLiteral("WidthEdit.Value")};
  int version = 0;
};

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
  QStringList storedProps() const;

  // How a failed save is shown. The default shows an error box (stop icon,
  // OK button, the application's name; a full stop added to a message whose
  // last character sorts after ".") and returns when it is closed; the
  // program's window hands in its own error box.
  void setErrorReporter(ErrorReporter reporter);
  // Where the locale's decimal separator comes from; the default is the
  // first character of QLocale().decimalPoint(), "." when it has none.
  void setDecimalSeparator(std::function<QChar()> separator);


 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Item {
    QString text;      // the item as given
    int component;     // index in components_
    QString property;  // property part, trimmed
  };

  void restorePlacement(IniFile& ini);
  void restoreState(IniFile& ini);
  void restoreInputs(IniFile& ini);
  QString readPositionText(const IniFile& ini, const QString& key) const;
  QString keyOf(const Item& item, const StoredProperty& property) const;
  QString screenSuffix() const;
  void report(const std::exception& error);

  QWidget* form_;
  ComponentTable components_;
  Config config_;
  std::vector<Item> items_;
  std::unique_ptr<IniFileSystem> ownFiles_;
  IniFileSystem* files_;
  WindowPlacement placement_;
  ErrorReporter reporter_;
  std::function<QChar()> decimalSeparator_;
  bool restored_ = false;
  bool saved_ = false;
  bool destroying_ = false;
  bool detached_ = false;
};

}  // namespace wendra
