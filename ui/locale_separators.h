#pragma once
// The user's decimal and thousands separators, as the window's number
// formats and inputs use them. Read from the locale on first use (the
// default QLocale, which is the system locale from LC_ALL / LC_NUMERIC / LANG
// unless the program chose another default) and read again whenever Qt
// announces a locale change (QEvent::LocaleChange to the application or any
// of its objects).
//
// Thread safety: GUI thread only.
//
// Tested by tests/ui/tst_spin_input.cpp and tests/ui/tst_run_control.cpp (pinned separators).

#include <QChar>

namespace wendra {

// The first character of the locale's decimal separator; "." when the locale
// gives none.
QChar decimalSeparator();

// The first character of the locale's thousands (group) separator; "," when
// the locale gives none.
QChar thousandsSeparator();

// Reads both separators from the locale again.
void reloadSeparators();

// For tests and for a program that wants fixed separators: both calls return
// these until unpinSeparators(), whatever the locale says or announces.
void pinSeparators(QChar decimal, QChar thousands);
void unpinSeparators();

}  // namespace wendra
