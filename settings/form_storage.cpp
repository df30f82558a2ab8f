#include "form_storage.h"

#include "profile_text.h"
#include "stored_number.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QEvent>
#include <QLocale>
#include <QMessageBox>
#include <QWidget>

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

FormStorage::FormStorage(QWidget* form, ComponentTable components, Config config,
                         IniFileSystem* files)
    : QObject(form),
      form_(form),
      components_(std::move(components)),
      config_(std::move(config)),
      ownFiles_(files ? nullptr : new DiskFileSystem),
      files_(files ? files : ownFiles_.get()),
      placement_(form),
      reporter_([](const QString& message) {
        QString text = message;
        if (!text.isEmpty() && text.back() > QChar(u'.')) text += u'.';
        QMessageBox box(QMessageBox::Critical, QCoreApplication::applicationName(), text,
                        QMessageBox::Ok);
        box.exec();
      }),
      decimalSeparator_([] {
        const QString point = QLocale().decimalPoint();
        return point.isEmpty() ? QChar(u'.') : point.front();
      }) {
  for (const QString& text : config_.storedProps) {
    const qsizetype dot = text.indexOf(u'.');
    if (dot < 0) continue;
    const QString component = trimControls(QStringView(text).first(dot));
    const QString property = trimControls(QStringView(text).sliced(dot + 1));
    if (component.isEmpty() || property.isEmpty()) continue;
    const int index = components_.findComponent(component);
    if (index < 0) continue;
    items_.push_back({text, index, property});
  }
  form_->installEventFilter(this);
}

FormStorage::~FormStorage() = default;

QStringList FormStorage::storedProps() const {
  QStringList list;
  for (const Item& item : items_) list.append(item.text);
  return list;
}

void FormStorage::setErrorReporter(ErrorReporter reporter) { reporter_ = std::move(reporter); }

void FormStorage::setDecimalSeparator(std::function<QChar()> separator) {
  decimalSeparator_ = std::move(separator);
}

bool FormStorage::eventFilter(QObject* watched, QEvent* event) {
  if (watched != form_ || detached_) return false;
  if (event->type() == QEvent::Show && !event->spontaneous()) {
    // Runs before the window's own show handling, and before the window is
    // mapped: what the restore sets is what appears.
    try {
      restoreFormPlacement();
    } catch (const std::exception& error) {
      report(error);
    }
    return false;
  }
  if (event->type() == QEvent::Close) {
    // The window's own close handling first; the save runs only if it still
    // lets the window close. The event is then handled: the window closes
    // when it stays accepted, a failed save notwithstanding.
    static_cast<QObject*>(form_)->event(event);
    if (event->isAccepted() && form_->windowHandle()) {
      try {
        saveFormPlacement();
      } catch (const std::exception& error) {
        report(error);
      }
    }
    return true;
  }
  return false;
}

void FormStorage::formDestroy() {
  if (detached_) return;
  if (!saved_) {
    destroying_ = true;
    try {
      saveFormPlacement();
    } catch (const std::exception& error) {
      report(error);
    }
    destroying_ = false;
  }
  detached_ = true;
  form_->removeEventFilter(this);
}

void FormStorage::report(const std::exception& error) {
  if (reporter_) reporter_(QString::fromUtf8(error.what()));
}

QString FormStorage::keyOf(const Item& item, const StoredProperty& property) const {
  // The component's name and the property's name as its type spells them;
  // the stored number format has no blanks to trim.
  return components_.component(item.component).name + u'_' + property.name;
}

QString FormStorage::screenSuffix() const {
  const QSize screen = WindowPlacement::screenSize();
  return QString::asprintf("(%dx%d)", screen.width(), screen.height());
}

QString FormStorage::readPositionText(const IniFile& ini, const QString& key) const {
  QString text = ini.readString(config_.iniSection, key + screenSuffix(), QString());
  if (text.isEmpty()) text = ini.readString(config_.iniSection, key, QString());
  return text;
}

void FormStorage::restoreFormPlacement() {
  // 1. Clear the saved flag and open the file.
  saved_ = false;
  IniFile ini(*files_, config_.iniFileName);
  placement_.prepareShow();
  // 2. A version below ours cancels the whole restore.
  if (ini.readInteger(config_.iniSection, QStringLiteral("FormVersion"), 0) >= config_.version) {
    restorePlacement(ini);  // 3.
    restoreState(ini);      // 4.
    restoreInputs(ini);     // 5.
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

void FormStorage::restorePlacement(IniFile& ini) {
  const QString& section = config_.iniSection;
  PlacementRecord record = placement_.get();
  record.showCmd = kShowHidden;  // not yet visible
  record.flags = ini.readInteger(section, QStringLiteral("Flags"), record.flags);

  bool found = false;
  const QString minMax = readPositionText(ini, QStringLiteral("MinMaxPos"));
  if (!minMax.isEmpty()) {
    const QStringList words = positionWords(minMax);
    record.minPosition = QPoint(wordAsInteger(words, 0, 0), wordAsInteger(words, 1, 0));
    record.maxPosition = QPoint(wordAsInteger(words, 2, 0), wordAsInteger(words, 3, 0));
    found = true;
  }
  const QString normal = readPositionText(ini, QStringLiteral("NormPos"));
  if (!normal.isEmpty()) {
    const QStringList words = positionWords(normal);
    PlacementRect& rect = record.normalPosition;
    rect = {wordAsInteger(words, 0, rect.left), wordAsInteger(words, 1, rect.top),
            wordAsInteger(words, 2, rect.right), wordAsInteger(words, 3, rect.bottom)};
    found = true;
  }
  const int screenPixelsPerInch = WindowPlacement::pixelsPerInch();
  const int pixelsPerInch =
      ini.readInteger(section, QStringLiteral("PixelsPerInch"), screenPixelsPerInch);

  // A rectangle without height is not applied either: Qt does not map a
  // window of height 0, so the window would never appear.
  const PlacementRect& rect = record.normalPosition;
  if (found && pixelsPerInch == screenPixelsPerInch && rect.right > rect.left &&
      rect.bottom > rect.top) {
    placement_.set(record);
  }
}

void FormStorage::restoreState(IniFile& ini) {
  const Qt::WindowStates state = form_->windowState();
  const Qt::WindowStates normal =
      state & ~(Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen);
  switch (ini.readInteger(config_.iniSection, QStringLiteral("ShowCmd"), 0)) {
    case 2:
    case 6:
    case 7:
      // Minimized before the window is mapped, so that a window manager
      // takes it as iconic from the start (minimizing a window it has
      // already shown would come too late). Restored, it is normal.
      form_->setWindowState(normal | Qt::WindowMinimized);
      return;
    case 3:
      placement_.prepareMaximizedStart();
      form_->setWindowState(normal | Qt::WindowMaximized);
      return;
    default:
      form_->setWindowState(normal);
      return;
  }
}

void FormStorage::restoreInputs(IniFile& ini) {
  for (const Item& item : items_) {
    try {
      const StoredProperty* property = components_.findProperty(item.component, item.property);
      if (!property) continue;
      const QString fallback = formatStoredNumber(property->get());
      const QString text = ini.readString(config_.iniSection, keyOf(item, *property), fallback);
      if (const std::optional<long double> value = readStoredNumber(text, decimalSeparator_())) {
        property->set(*value);
      }
    } catch (const std::exception&) {
      // The input keeps its value; the next one is restored.
    }
  }
}

void FormStorage::saveFormPlacement() {
  if (!restored_) return;
  const QString& section = config_.iniSection;
  IniFile ini(*files_, config_.iniFileName);
  ini.writeInteger(section, QStringLiteral("FormVersion"), config_.version);

  PlacementRecord record = placement_.get();
  if (placement_.isMinimized()) record.showCmd = kShowMinimized;
  const QString suffix = screenSuffix();
  const QString minMax = positionText(record.minPosition.x(), record.minPosition.y(),
                                      record.maxPosition.x(), record.maxPosition.y());
  const PlacementRect& rect = record.normalPosition;
  const QString normal = positionText(rect.left, rect.top, rect.right, rect.bottom);
  ini.writeInteger(section, QStringLiteral("Flags"), record.flags);
  ini.writeInteger(section, QStringLiteral("ShowCmd"), record.showCmd);
  ini.writeInteger(section, QStringLiteral("PixelsPerInch"), WindowPlacement::pixelsPerInch());
  ini.writeString(section, QStringLiteral("MinMaxPos") + suffix, minMax);
  ini.writeString(section, QStringLiteral("MinMaxPos"), minMax);
  ini.writeString(section, QStringLiteral("NormPos") + suffix, normal);
  ini.writeString(section, QStringLiteral("NormPos"), normal);
  ini.writeBool(section, QStringLiteral("Visible"), destroying_);

  for (const Item& item : items_) {
    const StoredProperty* property = components_.findProperty(item.component, item.property);
    if (!property) continue;
    ini.writeString(section, keyOf(item, *property), formatStoredNumber(property->get()));
  }
  saved_ = true;
}

}  // namespace wendra
