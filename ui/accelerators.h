#pragma once
// Accelerators: the keyboard interface of one top-level window, resolved by
// the window itself instead of Qt's shortcut map. Qt's map leaves ambiguous
// letters to chance (it cycles between claimants), clicks a button 100 ms
// late, ignores a letter typed without Alt and lets an unclaimed Alt+letter
// type into a line edit; here every key has one defined outcome.
//
// Installed as an application event filter; it looks only at key events whose
// receiver belongs to its window, and nothing while another modal window is
// up. It handles:
//
// - Alt+letter or Alt+digit (Shift ignored, either case): the letter is
//   offered to the window's controls (see trigger()). The key is consumed
//   even when no control claims it, so it never types into an input.
// - The letter or digit alone (with or without Shift) while a button has the
//   focus: offered the same way; consumed only when a control claims it.
// - Enter (main or keypad, no modifier) on the focused button: clicks it at
//   once. Space is left to the button (down on press, click on release).
// - Left/Up and Right/Down on the focused button (no Alt or Ctrl): move the
//   focus backwards / forwards in tab order among the focusable controls that
//   share the button's parent (its panel), wrapping around within it;
//   disabled and hidden controls are skipped.
// - Alt+F4: closes the window (a window manager, where there is one, sees the
//   key first and makes the same close request).
//
// Qt's own mnemonics (QLabel buddies, "&" in button texts) stay registered
// for their underlines and accessibility, but never fire for these keys: the
// filter accepts the ShortcutOverride event first, so the shortcut map is
// skipped and the key arrives as a plain KeyPress, which the filter consumes.
//
// Tested by tests/ui/tst_keyboard.cpp (keys through the real window).

#include <QChar>
#include <QObject>
#include <QString>

class QWidget;

namespace wendra {

// The accelerator letter of a caption: the character after the first single
// "&" ("&&" is a literal ampersand), upper case; a null QChar if none.
QChar acceleratorOf(const QString& caption);

class Accelerators : public QObject {
  Q_OBJECT

 public:
  // Becomes a child of `window` and filters its key events from then on.
  explicit Accelerators(QWidget* window);
  ~Accelerators() override;
  Accelerators(const Accelerators&) = delete;
  Accelerators& operator=(const Accelerators&) = delete;

  // The control that claims `letter` now, or nullptr. The letter is offered
  // container by container in creation order (the window's panels in the
  // order they were made), and within each container first to its labels,
  // then to its other controls, recursing into child containers, each group
  // in creation order. A label claims it when the letter is its caption's
  // accelerator and its focus control (buddy) is enabled and visible; a
  // button claims it when the letter is its caption's accelerator and the
  // button is enabled and visible.
  QWidget* claimant(QChar letter) const;

  // Offers `letter` (case-insensitive) and lets the first claimant act: a
  // label moves the focus to its focus control (as a keyboard focus change,
  // so an input selects its text); a button is clicked synchronously and does
  // not take the focus. Returns whether a control claimed it.
  bool trigger(QChar letter);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* window_;
};

}  // namespace wendra
