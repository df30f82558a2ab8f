#pragma once
// What the settings store keeps of a window, as plain functions over the
// settings file (ini_file.h): the restore reads a placement record, a start
// state and the stored input values from it, the save writes them back. No
// window is involved; form_storage.h applies what is read to the window and
// hands in what is saved.
//
// Keys of a save, in this order: "FormVersion", "Flags", "ShowCmd",
// "PixelsPerInch", "MinMaxPos(WxH)", "MinMaxPos", "NormPos(WxH)", "NormPos",
// "Visible", then "<Component>_<Property>" for every stored property.
// "(WxH)" is the screen suffix, the size of the primary screen; a position
// is read from the suffixed key first, from the plain one when that is
// absent or empty. Input values are written as stored_number.h describes.

#include "ini_file.h"
#include "window_placement.h"

#include <QChar>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <functional>
#include <optional>
#include <vector>

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

// The stored-property list resolved against a window's components: invalid
// items and items naming no component are dropped, the rest keep their
// order. An item whose component lacks the property stays in the list and
// is skipped by the restore and the save.
class StoredInputs {
 public:
  StoredInputs(ComponentTable components, const QStringList& storedProps);

  // The items left, as given.
  QStringList items() const;

  // Sets every property whose key holds a stored number (read with the
  // locale's decimal `separator`); a property whose key is absent or does
  // not parse keeps its value, and so does one whose setter throws.
  void restore(const IniFile& ini, const QString& section, QChar separator) const;
  // Writes every property in stored number format. Throws IniWriteError.
  void save(IniFile& ini, const QString& section) const;

 private:
  struct Item {
    QString text;      // the item as given
    int component;     // index in components_
    QString property;  // property part, trimmed
  };
  // The item's key, or an empty text when its component lacks the property.
  QString keyOf(const Item& item, const StoredProperty** property) const;

  ComponentTable components_;
  std::vector<Item> items_;
};

// The primary screen as the placement keys name it.
struct StoredScreen {
  QSize size;         // device-independent pixels
  int pixelsPerInch;  // logical, rounded
};

// "(WIDTHxHEIGHT)".
QString screenSuffix(QSize screen);

// Whether a restore goes on: the stored "FormVersion" (0 when absent or
// malformed) is at least `version`.
bool storedVersionAccepted(const IniFile& ini, const QString& section, int version);

// The placement record to apply, or nullopt when the file gives none to
// apply: `current` with "Flags" and the positions found in the file (a
// missing or malformed word keeps the current value, 0 for the minimized and
// maximized positions) and its show command hidden. Nothing is applied when
// neither position key is found, when the stored pixels per inch (the
// screen's when absent or malformed) differ from the screen's, or when the
// normal rectangle's right does not exceed its left or its bottom its top.
std::optional<PlacementRecord> readStoredPlacement(const IniFile& ini, const QString& section,
                                                   const StoredScreen& screen,
                                                   PlacementRecord current);

// The state a window starts in, from "ShowCmd": 2, 6 and 7 minimized, 3
// maximized, anything else (also absent or malformed) normal.
enum class StartState { kNormal, kMinimized, kMaximized };
StartState readStartState(const IniFile& ini, const QString& section);

// Writes the keys of a save up to "Visible", in their order. A failed write
// throws IniWriteError and ends the save at that key.
void writeStoredPlacement(IniFile& ini, const QString& section, int version,
                          const StoredScreen& screen, const PlacementRecord& record, bool visible);

}  // namespace wendra
