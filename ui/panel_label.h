#pragma once
// PanelLabel: a one-line label that sizes itself to its caption. Its top-left
// corner stays where it was placed; its width follows the caption's text
// width and its height is the window's label height (13 pixels at the design
// font). A caption with "&" underlines the next letter when the label has a
// focus control (buddy); the accelerator itself is resolved by the window's
// key dispatcher (accelerators.h), not by the label.
//
// Tested by tests/ui/tst_main_window.cpp (the status labels).

#include <QHash>
#include <QLabel>

namespace wendra {

class PanelLabel : public QLabel {
  Q_OBJECT

 public:
  // `height` is the label height in pixels (13 at the design font).
  PanelLabel(const QString& caption, int height, QWidget* parent);

  // Replaces the text and resizes the label to it. Use this, not setText(),
  // so the label keeps fitting its caption. The same caption again changes
  // nothing.
  void setCaption(const QString& caption);

  // Resizes the label to its current text (after setText or a font change).
  void fitToCaption();

 protected:
  void changeEvent(QEvent* event) override;  // refits after a font change

 private:
  static constexpr qsizetype kMaxWidths = 512;

  int height_;
  // Caption widths measured in the current font (the status labels come back
  // to the same few lengths time and again).
  QHash<QString, int> widths_;
  int widthsFlags_ = -1;
};

}  // namespace wendra
