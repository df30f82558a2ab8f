#include "stored_form.h"

#include "profile_text.h"
#include "stored_number.h"

#include <exception>
#include <utility>

namespace wendra {
namespace {

// Removes spaces and control characters from both ends.
QString trimControls(QStringView text) {
  qsizetype begin = 0;
  qsizetype end = text.size();
  while (begin < end && text[begin] <= u' ') ++begin;
  while (end > begin && text[end - 1] <= u' ') --end;
  return text.sliced(begin, end - begin).toString();
}

// The words of a position text: separated by blanks and commas, a run of
// separators counting as one.
QStringList positionWords(const QString& text) {
  QStringList words;
  QString word;
  for (QChar c : text) {
    if (c == u' ' || c == u'\t' || c == u',') {
      if (!word.isEmpty()) words.append(std::exchange(word, QString()));
    } else {
      word += c;
    }
  }
  if (!word.isEmpty()) words.append(word);
  return words;
}

int wordAsInteger(const QStringList& words, int index, int fallback) {
  return index < words.size() ? parseProfileInteger(words[index], fallback) : fallback;
}

QString positionText(int a, int b, int c, int d) {
  return QString::asprintf("%d,%d,%d,%d", a, b, c, d);
}

// The suffixed key's text, the plain key's when that is empty.
QString readPositionText(const IniFile& ini, const QString& section, const QString& key,
                         const QString& suffix) {
  QString text = ini.readString(section, key + suffix, QString());
  if (text.isEmpty()) text = ini.readString(section, key, QString());
  return text;
}

}  // namespace

void ComponentTable::addProperty(const QString& component, StoredProperty property) {
  int index = findComponent(component);
  if (index < 0) {
    components_.push_back({component, {}});
    index = static_cast<int>(components_.size()) - 1;
  }
  components_[index].properties.push_back(std::move(property));
}

int ComponentTable::findComponent(QStringView name) const {
  for (std::size_t i = 0; i < components_.size(); ++i) {
    if (components_[i].name.compare(name, Qt::CaseInsensitive) == 0) return static_cast<int>(i);
  }
  return -1;
}

const StoredProperty* ComponentTable::findProperty(int component, QStringView name) const {
  for (const StoredProperty& property : components_[component].properties) {
    if (property.name.compare(name, Qt::CaseInsensitive) == 0) return &property;
  }
  return nullptr;
}

StoredInputs::StoredInputs(ComponentTable components, const QStringList& storedProps)
    : components_(std::move(components)) {
  for (const QString& text : storedProps) {
    const qsizetype dot = text.indexOf(u'.');
    if (dot < 0) continue;
    const QString component = trimControls(QStringView(text).first(dot));
    const QString property = trimControls(QStringView(text).sliced(dot + 1));
    if (component.isEmpty() || property.isEmpty()) continue;
    const int index = components_.findComponent(component);
    if (index < 0) continue;
    items_.push_back({text, index, property});
  }
}

QStringList StoredInputs::items() const {
  QStringList list;
  for (const Item& item : items_) list.append(item.text);
  return list;
}

QString StoredInputs::keyOf(const Item& item, const StoredProperty** property) const {
  *property = components_.findProperty(item.component, item.property);
  if (!*property) return QString();
  // The component's name and the property's name as its type spells them;
  // the stored number format has no blanks to trim.
  return components_.component(item.component).name + u'_' + (*property)->name;
}

void StoredInputs::restore(const IniFile& ini, const QString& section, QChar separator) const {
  for (const Item& item : items_) {
    try {
      const StoredProperty* property = nullptr;
      const QString key = keyOf(item, &property);
      if (!property) continue;
      const QString text = ini.readString(section, key, formatStoredNumber(property->get()));
      if (const std::optional<long double> value = readStoredNumber(text, separator)) {
        property->set(*value);
      }
    } catch (const std::exception&) {
      // The input keeps its value; the next one is restored.
    }
  }
}

void StoredInputs::save(IniFile& ini, const QString& section) const {
  for (const Item& item : items_) {
    const StoredProperty* property = nullptr;
    const QString key = keyOf(item, &property);
    if (property) ini.writeString(section, key, formatStoredNumber(property->get()));
  }
}

QString screenSuffix(QSize screen) {
  return QString::asprintf("(%dx%d)", screen.width(), screen.height());
}

bool storedVersionAccepted(const IniFile& ini, const QString& section, int version) {
  return ini.readInteger(section, QStringLiteral("FormVersion"), 0) >= version;
}

std::optional<PlacementRecord> readStoredPlacement(const IniFile& ini, const QString& section,
                                                   const StoredScreen& screen,
                                                   PlacementRecord record) {
  record.showCmd = kShowHidden;  // not yet visible
  record.flags = ini.readInteger(section, QStringLiteral("Flags"), record.flags);

  const QString suffix = screenSuffix(screen.size);
  bool found = false;
  const QString minMax = readPositionText(ini, section, QStringLiteral("MinMaxPos"), suffix);
  if (!minMax.isEmpty()) {
    const QStringList words = positionWords(minMax);
    record.minPosition = QPoint(wordAsInteger(words, 0, 0), wordAsInteger(words, 1, 0));
    record.maxPosition = QPoint(wordAsInteger(words, 2, 0), wordAsInteger(words, 3, 0));
    found = true;
  }
  const QString normal = readPositionText(ini, section, QStringLiteral("NormPos"), suffix);
  if (!normal.isEmpty()) {
    const QStringList words = positionWords(normal);
    PlacementRect& rect = record.normalPosition;
    rect = {wordAsInteger(words, 0, rect.left), wordAsInteger(words, 1, rect.top),
            wordAsInteger(words, 2, rect.right), wordAsInteger(words, 3, rect.bottom)};
    found = true;
  }
  const int pixelsPerInch =
      ini.readInteger(section, QStringLiteral("PixelsPerInch"), screen.pixelsPerInch);

  // A rectangle without height is not applied either: Qt does not map a
  // window of height 0, so the window would never appear.
  const PlacementRect& rect = record.normalPosition;
  if (found && pixelsPerInch == screen.pixelsPerInch && rect.right > rect.left &&
      rect.bottom > rect.top) {
    return record;
  }
  return std::nullopt;
}

StartState readStartState(const IniFile& ini, const QString& section) {
  switch (ini.readInteger(section, QStringLiteral("ShowCmd"), 0)) {
    case 2:
    case 6:
    case 7:
      return StartState::kMinimized;
    case 3:
      return StartState::kMaximized;
    default:
      return StartState::kNormal;
  }
}

void writeStoredPlacement(IniFile& ini, const QString& section, int version,
                          const StoredScreen& screen, const PlacementRecord& record, bool visible) {
  ini.writeInteger(section, QStringLiteral("FormVersion"), version);
  const QString suffix = screenSuffix(screen.size);
  const QString minMax = positionText(record.minPosition.x(), record.minPosition.y(),
                                      record.maxPosition.x(), record.maxPosition.y());
  const PlacementRect& rect = record.normalPosition;
  const QString normal = positionText(rect.left, rect.top, rect.right, rect.bottom);
  ini.writeInteger(section, QStringLiteral("Flags"), record.flags);
  ini.writeInteger(section, QStringLiteral("ShowCmd"), record.showCmd);
  ini.writeInteger(section, QStringLiteral("PixelsPerInch"), screen.pixelsPerInch);
  ini.writeString(section, QStringLiteral("MinMaxPos") + suffix, minMax);
  ini.writeString(section, QStringLiteral("MinMaxPos"), minMax);
  ini.writeString(section, QStringLiteral("NormPos") + suffix, normal);
  ini.writeString(section, QStringLiteral("NormPos"), normal);
  ini.writeBool(section, QStringLiteral("Visible"), visible);
}

}  // namespace wendra
