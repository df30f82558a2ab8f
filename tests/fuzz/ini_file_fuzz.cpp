// Fuzzes the settings file's INI layer over an in-memory file.
//
// The input is the file. Every key the settings store uses and every key
// name found in the file is read as text in section "first" and in every
// section found, and in "first" also as an integer (checked against a plain
// model of the integer syntax). Then keys are written: each of the store's
// keys with a value cut from the file's own lines, and some of the file's
// keys with their value read back. After every write the key reads back
// what was written (cut to the reader's 2047 characters), and at the end
// every other key still reads what it read at the start: a write never
// changes or hides another key.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <QByteArray>
#include <QString>
#include <QStringDecoder>
#include <QStringList>

#include "ini_file.h"
#include "profile_text.h"

namespace {

using wendra::IniFile;
using wendra::MemoryFileSystem;

const QString kFile = QStringLiteral(".\\wendra.ini");
const QString kAbsent = QStringLiteral("\x01<absent>");

const char* const kStoreKeys[] = {
    "FormVersion", "Flags", "ShowCmd", "PixelsPerInch", "MinMaxPos(800x800)", "MinMaxPos",
    "NormPos(800x800)", "NormPos", "Visible", "PCrossValue_Value", "PMutValue_Value",
    "PopEdit_Value", "RefreshCount_Value", "StepCount_Value", "HeightEdit_Value", "WidthEdit_Value"};

[[noreturn]] void fail(const char* what, const QString& section, const QString& key, const QString& got,
                       const QString& want) {
  std::fprintf(stderr, "%s: [%s] %s: got '%s' want '%s'\n", what, section.toUtf8().constData(),
               key.toUtf8().constData(), got.left(300).toUtf8().constData(),
               want.left(300).toUtf8().constData());
  std::abort();
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r'; }

QByteArray trimBlanks(QByteArray s) {
  qsizetype b = 0, e = s.size();
  while (b < e && isBlank(s[b])) ++b;
  while (e > b && isBlank(s[e - 1])) --e;
  return s.mid(b, e - b);
}

// Bytes as text, a leading U+FEFF kept (QString::fromUtf8 drops it).
QString decoded(const QByteArray& bytes) {
  return QStringDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom).decode(bytes);
}

// Section and key names as a reader of the file sees them, collected
// without the INI layer: one line at a time, blanks at the ends dropped.
void collectNames(const QByteArray& file, QStringList& sections, QStringList& keys) {
  // The file's own byte-order mark, if any, opens it and belongs to no line.
  const QByteArray text = file.startsWith("\xEF\xBB\xBF") ? file.mid(3) : file;
  for (const QByteArray& raw : text.split('\n')) {
    const QByteArray line = trimBlanks(raw);
    if (line.isEmpty() || line[0] == ';') continue;
    const qsizetype close = line.lastIndexOf(']');
    if (line[0] == '[' && close > 0) {
      const QString name = decoded(trimBlanks(line.mid(1, close - 1)));
      if (!name.isEmpty() && sections.size() < 4 && !sections.contains(name, Qt::CaseInsensitive))
        sections.append(name);
      continue;
    }
    const qsizetype eq = line.indexOf('=');
    if (eq <= 0) continue;
    const QString name = decoded(trimBlanks(line.left(eq)));
    if (!name.isEmpty() && keys.size() < 28 && !keys.contains(name, Qt::CaseInsensitive)) keys.append(name);
  }
}

// A name the writer may take: not empty, no line break, no blanks at the
// ends, no "=", not starting with ";" or "[".
bool writableKey(const QString& key) {
  const QByteArray bytes = key.toUtf8();
  return !bytes.isEmpty() && trimBlanks(bytes) == bytes && !bytes.contains('\n') && !bytes.contains('=') &&
         bytes[0] != ';' && bytes[0] != '[';
}

bool writableSection(const QString& section) {
  const QByteArray bytes = section.toUtf8();
  return !bytes.isEmpty() && trimBlanks(bytes) == bytes && !bytes.contains('\n');
}

// A value as the store could write it: no line breaks, no blanks at the ends.
QString valueFrom(const QByteArray& line) {
  QString value = decoded(line);
  value.remove(u'\n').remove(u'\r');
  auto blank = [](QChar c) { return c == u' ' || c == u'\t' || c == u'\v' || c == u'\f'; };
  while (!value.isEmpty() && blank(value.front())) value.remove(0, 1);
  while (!value.isEmpty() && blank(value.back())) value.chop(1);
  return value;
}

// What a read gives for a written value: at most 2047 characters, a
// surrogate pair never cut in two.
QString asRead(QString value) {
  if (value.size() > IniFile::kMaxTextLength) {
    qsizetype length = IniFile::kMaxTextLength;
    if (value[length - 1].isHighSurrogate()) --length;
    value.truncate(length);
  }
  return value;
}

// The integer syntax of the file: blanks (space, tab), then sign and decimal
// digits in the signed 32-bit range, or "$", "x", "X", "0x", "0X" and up to
// 32 bits of hexadecimal digits.
int integerModel(const QString& text, int fallback) {
  std::string s = text.toStdString();
  std::size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  s = s.substr(i);
  int base = 10;
  if (!s.empty() && (s[0] == '$' || s[0] == 'x' || s[0] == 'X'))
    base = 16, s = s.substr(1);
  else if (s.size() >= 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X'))
    base = 16, s = s.substr(2);
  if (s.empty()) return fallback;
  for (std::size_t j = 0; j < s.size(); ++j) {
    const char c = s[j];
    const bool ok = base == 16 ? std::isxdigit(static_cast<unsigned char>(c)) != 0
                               : (std::isdigit(static_cast<unsigned char>(c)) || (j == 0 && (c == '+' || c == '-')));
    if (!ok) return fallback;
  }
  if (base == 10 && (s == "+" || s == "-")) return fallback;
  errno = 0;
  const long long value = std::strtoll(s.c_str(), nullptr, base);
  if (errno == ERANGE) return fallback;
  if (base == 16) return value > 0xFFFFFFFFLL ? fallback : static_cast<int>(static_cast<std::uint32_t>(value));
  return value < INT32_MIN || value > INT32_MAX ? fallback : static_cast<int>(value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QByteArray contents(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  MemoryFileSystem files;
  files.files[kFile] = contents;
  IniFile ini(files, kFile);

  QStringList sections = {QStringLiteral("first")};
  QStringList keys;
  for (const char* key : kStoreKeys) keys.append(QLatin1String(key));
  collectNames(contents, sections, keys);

  // Read everything once.
  std::map<std::pair<QString, QString>, QString> before;
  for (const QString& section : sections) {
    for (const QString& key : keys) {
      const QString text = ini.readString(section, key, kAbsent);
      if (text.size() > IniFile::kMaxTextLength) fail("read too long", section, key, text, QString());
      before[{section.toCaseFolded(), key.toCaseFolded()}] = text;
      if (section != sections.front()) continue;  // integers: in "first" only
      const int fallback = static_cast<int>(size);
      const int number = ini.readInteger(section, key, fallback);
      const int want = integerModel(text == kAbsent ? QString() : text, fallback);
      if (number != want) fail("readInteger", section, key, QString::number(number), QString::number(want));
    }
  }

  // Write: the store's keys with values cut from the file's lines, then the
  // file's own keys with what they read (in every section found).
  const QList<QByteArray> lines = contents.split('\n');
  std::vector<std::pair<std::pair<QString, QString>, QString>> writes;
  for (std::size_t k = 0; k < std::size(kStoreKeys); ++k) {
    const QByteArray line = static_cast<qsizetype>(k) < lines.size() ? lines[static_cast<qsizetype>(k)] : QByteArray();
    writes.push_back({{QStringLiteral("first"), QLatin1String(kStoreKeys[k])}, valueFrom(line)});
  }
  for (const QString& section : sections) {
    if (!writableSection(section)) continue;
    for (qsizetype k = std::size(kStoreKeys); k < keys.size() && k < qsizetype(std::size(kStoreKeys)) + 4; ++k) {
      if (!writableKey(keys[k])) continue;
      const QString old = before[{section.toCaseFolded(), keys[k].toCaseFolded()}];
      writes.push_back({{section, keys[k]}, old == kAbsent ? QStringLiteral("1") : valueFrom(old.toUtf8())});
    }
  }

  std::map<std::pair<QString, QString>, QString> written;
  for (const auto& [name, value] : writes) {
    const auto& [section, key] = name;
    try {
      ini.writeString(section, key, value);
    } catch (const std::exception&) {
      fail("write failed", section, key, value, QString());
    }
    const QString read = ini.readString(section, key, kAbsent);
    if (read != asRead(value)) fail("written value does not read back", section, key, read, asRead(value));
    written[{section.toCaseFolded(), key.toCaseFolded()}] = asRead(value);
  }

  // Every key reads what was last written to it, or what it read before.
  for (const auto& [name, old] : before) {
    const auto& [section, key] = name;
    const auto w = written.find(name);
    const QString want = w == written.end() ? old : w->second;
    const QString read = ini.readString(section, key, kAbsent);
    if (read != want) fail("key changed by another write", section, key, read, want);
  }
  return 0;
}
