#include "stored_number.h"

#include "decimal_digits.h"
#include "number_format.h"

#include <cmath>
#include <string>

namespace wendra {

QString formatStoredNumber(long double value) {
  if (std::isnan(value)) return QStringLiteral("NAN");
  if (std::isinf(value)) return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
  if (value == 0) return QStringLiteral("0");

  // The value is 0.d1...dn x 10^E, to 18 significant digits.
  const DecimalDigits d = decimalDigits(value, 18);
  const std::string& digits = d.digits;
  const int E = d.exponent;
  const int n = static_cast<int>(digits.size());
  std::string out = d.negative ? "-" : "";
  if (E >= -3 && E <= 18) {
    if (E <= 0) {
      out += "0." + std::string(-E, '0') + digits;
    } else if (n <= E) {
      out += digits + std::string(E - n, '0');
    } else {
      out += digits.substr(0, E) + "." + digits.substr(E);
    }
  } else {
    out += digits[0];
    if (n > 1) out += "." + digits.substr(1);
    out += "E" + std::to_string(E - 1);
  }
  return QString::fromLatin1(out);
}

std::optional<long double> readStoredNumber(QStringView text, QChar decimalSeparator) {
  qsizetype begin = 0;
  qsizetype end = text.size();
  while (begin < end && text[begin] <= u' ') ++begin;
  while (end > begin && text[end - 1] <= u' ') --end;
  QString number = text.sliced(begin, end - begin).toString();
  number.replace(u'.', decimalSeparator);
  return readReal(number, decimalSeparator);
}

}  // namespace wendra
