#pragma once
// The message box for a long plain text without blanks (a tour's city
// numbers). Covered by tests/ui/tst_run_control.cpp (Chart2DblClick's box).
//
// Tested by tests/ui/tst_run_control.cpp (the tour's message box).

#include <QString>

namespace wendra {

// Shows `text` in the framework's message box: no icon, one OK button, the
// application title, no parent (so centred on the screen). The box's own
// label keeps the text (it stays the box's text()) but gives its place to
// one that wraps it anywhere, as wide as a message box may grow on this
// screen and at most as high as the screen leaves room for. The box's label
// leaves the box altogether, so that screen readers meet the text once; it
// outlives the box, which still refers to it.
// The normal pointer shows while the box is open (busy_pointer.h).
void showPlainMessage(const QString& text);

}  // namespace wendra
