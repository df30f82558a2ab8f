#pragma once
// Numbers as the settings file holds the input values.
//
// Written: the value rounded to 18 significant decimal digits, trailing
// zeros dropped; with the value as 0.d1...dn x 10^E, fixed notation when
// -3 <= E <= 18 ("0.07", "100", "1000000", "0.0001"), otherwise d1, "." and
// the other digits if any, "E", "-" for a negative exponent and the exponent
// E-1 ("1E-5", "1.5E19"). Zero is "0"; a negative value starts with "-". The
// decimal point is always ".", whatever the locale.
//
// Read: "." stands for the locale's decimal separator, so a file written
// under any locale reads back under any other.

#include <QChar>
#include <QString>
#include <QStringView>

#include <optional>

namespace wendra {

QString formatStoredNumber(long double value);

// A stored text as the restore reads it: spaces and control characters at
// both ends removed, every "." replaced with `decimalSeparator`, then read
// by readReal (number_format.h), the grammar of the window's inputs.
std::optional<long double> readStoredNumber(QStringView text, QChar decimalSeparator);

}  // namespace wendra
