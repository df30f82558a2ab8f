#include "accelerators.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QWidget>

namespace wendra {

namespace {

// A control can take the focus or act only while it and all its ancestors are
// enabled and shown.
bool canFocus(const QWidget* w) { return w->isEnabled() && w->isVisible(); }

// The letter or digit of a key, or a null QChar.
QChar letterOf(int key) {
  if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9))
    return QChar(key);
  return {};
}

QWidget* findClaimant(const QWidget* container, QChar letter) {
  const QObjectList& children = container->children();  // creation order
  for (QObject* child : children) {
    auto* label = qobject_cast<QLabel*>(child);
    if (label && !label->isWindow() && label->buddy() && label->isEnabled() &&
        acceleratorOf(label->text()) == letter && canFocus(label->buddy()))
      return label;
  }
  for (QObject* child : children) {
    auto* w = qobject_cast<QWidget*>(child);
    if (!w || w->isWindow() || qobject_cast<QLabel*>(w)) continue;
    if (auto* button = qobject_cast<QAbstractButton*>(w)) {
      if (acceleratorOf(button->text()) == letter && canFocus(button)) return button;
      continue;
    }
    if (QWidget* inner = findClaimant(w, letter)) return inner;
  }
  return nullptr;
}

// The next (or previous) control in tab order that shares `current`'s parent
// and can take the focus; wraps around; `current` itself if there is none.
QWidget* neighbourInParent(QWidget* current, bool forward) {
  const QWidget* parent = current->parentWidget();
  QWidget* w = current;
  do {
    w = forward ? w->nextInFocusChain() : w->previousInFocusChain();
    if (w->parentWidget() == parent && !w->isWindow() && w->focusPolicy() != Qt::NoFocus &&
        canFocus(w))
      return w;
  } while (w && w != current);
  return current;
}

}  // namespace

QChar acceleratorOf(const QString& caption) {
  for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != u'&') continue;
    if (caption[i + 1] == u'&') {
      ++i;  // "&&" shows one ampersand
      continue;
    }
    return caption[i + 1].toUpper();
  }
  return {};
}

Accelerators::Accelerators(QWidget* window) : QObject(window), window_(window) {
  qApp->installEventFilter(this);
}

Accelerators::~Accelerators() {
  if (qApp) qApp->removeEventFilter(this);
}

QWidget* Accelerators::claimant(QChar letter) const {
  if (letter.isNull()) return nullptr;
  return findClaimant(window_, letter.toUpper());
}

bool Accelerators::trigger(QChar letter) {
  QWidget* control = claimant(letter);
  if (!control) return false;
  if (auto* label = qobject_cast<QLabel*>(control)) {
    label->buddy()->setFocus(Qt::ShortcutFocusReason);
  } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
    button->click();
  }
  return true;
}

bool Accelerators::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::ShortcutOverride && type != QEvent::KeyPress) return false;
  auto* receiver = qobject_cast<QWidget*>(watched);
  if (!receiver || receiver->window() != window_) return false;
  if (QWidget* modal = QApplication::activeModalWidget(); modal && modal != window_) return false;

  // A key event that nobody accepts travels up to the parents and passes
  // through this filter again; every decision below depends only on the key
  // and the focus widget, never on the receiver, so it is the same each time.
  auto* key = static_cast<QKeyEvent*>(event);
  const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
  const bool press = type == QEvent::KeyPress;
  QWidget* focus = QApplication::focusWidget();
  auto* focusButton = focus && focus->window() == window_ ? qobject_cast<QAbstractButton*>(focus)
                                                          : nullptr;

  if (const QChar letter = letterOf(key->key()); !letter.isNull()) {
    const bool alt = mods == Qt::AltModifier || mods == (Qt::AltModifier | Qt::ShiftModifier);
    const bool plain = mods == Qt::NoModifier || mods == Qt::ShiftModifier;
    if (!alt && !(plain && focusButton && claimant(letter))) return false;
    if (press) {
      trigger(letter);
    } else {
      key->accept();  // keeps Qt's shortcut map out; the key comes as a KeyPress
    }
    return true;
  }

  if (!press) return false;
  switch (key->key()) {
    case Qt::Key_F4:
      if (mods != Qt::AltModifier) return false;
      window_->close();
      return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      if (mods != Qt::NoModifier || !focusButton || !focusButton->isEnabled()) return false;
      focusButton->click();
      return true;
    case Qt::Key_Left:
    case Qt::Key_Up:
    case Qt::Key_Right:
    case Qt::Key_Down: {
      if (!focusButton || (mods & (Qt::AltModifier | Qt::ControlModifier | Qt::MetaModifier)))
        return false;
      const bool forward = key->key() == Qt::Key_Right || key->key() == Qt::Key_Down;
      QWidget* next = neighbourInParent(focusButton, forward);
      if (next != focusButton)
        next->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
      return true;
    }
    default:
      return false;
  }
}

}  // namespace wendra
