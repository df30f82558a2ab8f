// Fuzzes how the parameter inputs read their text, for both value types.
//
// The input is a text (Latin-1, UTF-8 or raw UTF-16, chosen by the first
// byte, which also picks "." or "," as the decimal separator). readReal and
// readInteger32 are compared with a plain model of the reading rules that
// checks the syntax character by character and takes the number from the C
// library (strtold, strtoll). Then the text is put into each of the window's
// seven inputs: its value is the model's or the input's fallback, the
// integer and probability views agree with it, and setting, stepping and
// re-reading keep every ranged input inside its range.
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <locale.h>
#include <optional>
#include <stdexcept>
#include <string>

#include <QApplication>
#include <QString>

#include "number_model.h"
#include "number_format.h"
#include "spin_input.h"

namespace {

using wendra::SpinInput;

[[noreturn]] void fail(const char* what, const QString& text, long double got, long double want) {
  std::fprintf(stderr, "%s: text '%s' got %.21Lg want %.21Lg\n", what, text.left(200).toUtf8().constData(),
               got, want);
  std::abort();
}

bool hexDigit(char16_t c) { return digit(c) || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F'); }

// The integer syntax: blanks, then sign and decimal digits, or "$", "x",
// "X", "0x", "0X" and hexadecimal digits; the 32-bit signed range.
std::optional<std::int32_t> integerModel(const std::u16string& t) {
  std::size_t i = 0;
  const std::size_t n = t.size();
  while (i < n && t[i] == u' ') ++i;
  const std::u16string rest = t.substr(i);
  std::size_t prefix = 0;
  if (!rest.empty() && (rest[0] == u'$' || rest[0] == u'x' || rest[0] == u'X')) prefix = 1;
  if (rest.size() >= 2 && rest[0] == u'0' && (rest[1] == u'x' || rest[1] == u'X')) prefix = 2;
  std::string body;
  if (prefix) {
    for (std::size_t j = prefix; j < rest.size(); ++j) {
      if (!hexDigit(rest[j])) return std::nullopt;
      body += static_cast<char>(rest[j]);
    }
  } else {
    for (std::size_t j = 0; j < rest.size(); ++j) {
      const bool sign = j == 0 && (rest[j] == u'+' || rest[j] == u'-');
      if (!sign && !digit(rest[j])) return std::nullopt;
      body += static_cast<char>(rest[j]);
    }
    if (!body.empty() && (body[0] == '+' || body[0] == '-') && body.size() == 1) return std::nullopt;
  }
  if (body.empty()) return std::nullopt;
  errno = 0;
  const long long value = std::strtoll(body.c_str(), nullptr, prefix ? 16 : 10);
  if (errno == ERANGE || value < INT32_MIN || value > INT32_MAX) return std::nullopt;
  return static_cast<std::int32_t>(value);
}

struct Input {
  const char* name;
  SpinInput::Setup setup;
  SpinInput* widget = nullptr;
};

// The window's seven inputs.
Input inputs[] = {
    {"StepCount", {SpinInput::vtInteger, 1, 100000, 1, 2, 100}},
    {"RefreshCount", {SpinInput::vtInteger, 1, 1000, 1, 2, 1}},
    {"PopEdit", {SpinInput::vtInteger, 2, 1000000, 1, 2, 100}},
    {"PCrossValue", {SpinInput::vtFloat, 0, 1, 0.05L, 5, 0.5L}},
    {"PMutValue", {SpinInput::vtFloat, 0, 0, 0.01L, 5, 0.07L}},
    {"WidthEdit", {SpinInput::vtInteger, 4, 100, 1, 2, 10}},
    {"HeightEdit", {SpinInput::vtInteger, 4, 100, 1, 2, 10}},
};

bool inRange(const SpinInput& input, long double value) {
  return input.minValue() == input.maxValue() ||
         (value >= input.minValue() && value <= input.maxValue());
}

void checkInput(Input& in, const QString& text, char16_t sep) {
  SpinInput& input = *in.widget;
  input.setText(text);
  const QString shown = input.text();  // a line edit keeps at most 32767 characters
  const std::u16string s(reinterpret_cast<const char16_t*>(shown.utf16()), static_cast<std::size_t>(shown.size()));
  long double want;
  if (in.setup.valueType == SpinInput::vtFloat) {
    const std::optional<long double> read = realModel(s, sep);
    want = read ? *read : in.setup.minValue;
  } else {
    const std::optional<std::int32_t> read = integerModel(s);
    want = read ? *read : std::trunc(in.setup.minValue);
  }
  const long double value = input.value();
  if (!(value == want)) fail(in.name, text, value, want);
  if (input.asInteger() != wendra::truncateToInt32(value)) fail("asInteger", text, input.asInteger(), value);
  try {
    const double p = input.asProbability();
    if (p != static_cast<double>(value)) fail("asProbability", text, p, value);
  } catch (const std::overflow_error&) {
    if (std::isfinite(static_cast<double>(value))) fail("asProbability overflow", text, value, value);
  }

  // Set: clamped, formatted, and read back as the clamped value (to the
  // input's digits).
  input.setValue(value);
  const long double set = input.value();
  const long double clamped = input.clamp(value);
  if (!inRange(input, set)) fail("set out of range", text, set, clamped);
  if (in.setup.valueType == SpinInput::vtInteger) {
    if (set != wendra::roundHalfEven(clamped)) fail("set integer", text, set, clamped);
  } else {
    // Rounded twice (18 digits, then the shown ones): a hair over half a unit.
    const long double tolerance = std::max(0.5e-5L, std::fabs(clamped) * 5e-15L) * 1.002L;
    if (std::fabs(set - clamped) > tolerance) fail("set real", text, set, clamped);
  }
  // Steps from the set value stay in range and re-read the shown text.
  input.stepUp();
  if (!inRange(input, input.value())) fail("step up out of range", text, input.value(), set);
  input.stepDown();
  input.stepDown();
  if (!inRange(input, input.value())) fail("step down out of range", text, input.value(), set);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "spin_input_fuzz";
  static char* argv[] = {name, nullptr};
  static QApplication app(argc, argv);
  for (Input& in : inputs) {
    in.widget = new SpinInput;
    in.widget->setObjectName(QLatin1String(in.name));
    in.widget->configure(in.setup);
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::uint8_t mode = *data++;
  --size;
  const char16_t sep = mode & 1 ? u',' : u'.';
  QString text;
  switch ((mode >> 1) % 3) {
    case 0: text = QString::fromLatin1(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)); break;
    case 1: text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)); break;
    default:
      text = QString(reinterpret_cast<const QChar*>(data), static_cast<qsizetype>(size / 2));
      break;
  }
  // What the window hands its inputs under a locale with this separator.
  const wendra::NumberSeparators separators{QChar(sep), sep == u',' ? QChar(u'.') : QChar(u',')};
  for (Input& in : inputs) in.widget->setNumberSeparators(separators);
  const std::u16string t(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size()));

  // The pure readers against the model.
  const std::optional<long double> real = wendra::readReal(text, QChar(sep));
  const std::optional<long double> realWant = realModel(t, sep);
  if (real.has_value() != realWant.has_value() ||
      (real && (*real != *realWant || std::signbit(*real) != std::signbit(*realWant))))
    fail("readReal", text, real.value_or(-1), realWant.value_or(-1));
  const std::optional<std::int32_t> integer = wendra::readInteger32(text);
  const std::optional<std::int32_t> integerWant = integerModel(t);
  if (integer != integerWant) fail("readInteger32", text, integer.value_or(-1), integerWant.value_or(-1));

  for (Input& in : inputs) checkInput(in, text, sep);
  return 0;
}
