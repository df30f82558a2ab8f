#include "locale_separators.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLocale>
#include <QPointer>

namespace wendra {

namespace {

struct Separators {
  QChar decimal = u'.';
  QChar thousands = u',';
};

struct State {
  Separators fromLocale;
  bool loaded = false;
  Separators pinned;
  bool isPinned = false;
};

State& state() {
  static State s;
  return s;
}

QChar firstOr(const QString& text, QChar fallback) { return text.isEmpty() ? fallback : text.front(); }

// Re-reads the separators when the application is told of a locale change.
class LocaleWatcher : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::LocaleChange) reloadSeparators();
    return QObject::eventFilter(watched, event);
  }
};

// Installed once per application object, as soon as there is one.
void watchLocaleChanges() {
  static QPointer<QObject> watcher;
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr || watcher) return;
  watcher = new LocaleWatcher(app);
  app->installEventFilter(watcher);
}

const Separators& current() {
  State& s = state();
  watchLocaleChanges();
  if (s.isPinned) return s.pinned;
  if (!s.loaded) reloadSeparators();
  return s.fromLocale;
}

}  // namespace

QChar decimalSeparator() { return current().decimal; }

QChar thousandsSeparator() { return current().thousands; }

void reloadSeparators() {
  const QLocale locale;
  State& s = state();
  s.fromLocale.decimal = firstOr(locale.decimalPoint(), u'.');
  s.fromLocale.thousands = firstOr(locale.groupSeparator(), u',');
  s.loaded = true;
}

void pinSeparators(QChar decimal, QChar thousands) {
  State& s = state();
  s.pinned = {decimal, thousands};
  s.isPinned = true;
}

void unpinSeparators() { state().isPinned = false; }

}  // namespace wendra
