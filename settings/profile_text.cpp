#include "profile_text.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace wendra {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r'; }

QByteArrayView trimmed(QByteArrayView s) {
  qsizetype begin = 0;
  qsizetype end = s.size();
  while (begin < end && isBlank(s[begin])) ++begin;
  while (end > begin && isBlank(s[end - 1])) --end;
  return s.sliced(begin, end - begin);
}

bool sameName(QByteArrayView name, QStringView wanted) {
  return QString::fromUtf8(name).compare(wanted, Qt::CaseInsensitive) == 0;
}

enum class LineKind { Blank, Comment, Section, Key, Other };

struct Line {
  qsizetype begin = 0;  // first byte of the line
  qsizetype end = 0;    // first byte after its content (before "\r\n" or "\n")
  qsizetype next = 0;   // first byte of the next line
  LineKind kind = LineKind::Other;
  QByteArrayView name;   // section or key name, trimmed
  QByteArrayView value;  // key value, trimmed
};

std::vector<Line> splitLines(QByteArrayView text) {
  std::vector<Line> lines;
  qsizetype pos = 0;
  if (text.startsWith("\xEF\xBB\xBF")) pos = 3;
  while (pos < text.size()) {
    Line line;
    line.begin = pos;
    qsizetype newline = text.indexOf('\n', pos);
    line.next = newline < 0 ? text.size() : newline + 1;
    line.end = newline < 0 ? text.size() : newline;
    if (line.end > line.begin && text[line.end - 1] == '\r') --line.end;
    const QByteArrayView content = trimmed(text.sliced(line.begin, line.end - line.begin));
    const qsizetype close = content.lastIndexOf(']');
    const qsizetype equals = content.indexOf('=');
    if (content.isEmpty()) {
      line.kind = LineKind::Blank;
    } else if (content.front() == ';') {
      line.kind = LineKind::Comment;
    } else if (content.front() == '[' && close > 0) {
      line.kind = LineKind::Section;
      line.name = trimmed(content.sliced(1, close - 1));
    } else if (equals >= 0) {
      line.kind = LineKind::Key;
      line.name = trimmed(content.first(equals));
      line.value = trimmed(content.sliced(equals + 1));
    }
    lines.push_back(line);
    pos = line.next;
  }
  return lines;
}

// Index of the first line of `key` in any part of `section`, or -1.
qsizetype findKeyLine(const std::vector<Line>& lines, QStringView section, QStringView key) {
  bool inSection = false;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const Line& line = lines[i];
    if (line.kind == LineKind::Section) {
      inSection = sameName(line.name, section);
    } else if (inSection && line.kind == LineKind::Key && sameName(line.name, key)) {
      return static_cast<qsizetype>(i);
    }
  }
  return -1;
}

QByteArray lineEndOf(QByteArrayView text) {
  const qsizetype newline = text.indexOf('\n');
  if (newline > 0 && text[newline - 1] == '\r') return "\r\n";
  return "\n";
}

}  // namespace

std::optional<QByteArray> findProfileValue(QByteArrayView text, QStringView section,
                                           QStringView key) {
  const std::vector<Line> lines = splitLines(text);
  const qsizetype index = findKeyLine(lines, section, key);
  if (index < 0) return std::nullopt;
  QByteArrayView value = lines[index].value;
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.sliced(1, value.size() - 2);
  }
  return value.toByteArray();
}

QByteArray setProfileValue(QByteArrayView text, QStringView section, QStringView key,
                           QByteArrayView value) {
  const std::vector<Line> lines = splitLines(text);
  const QByteArray eol = lineEndOf(text);
  const QByteArray keyLine = key.toUtf8() + '=' + value.toByteArray();
  QByteArray result = text.toByteArray();

  const qsizetype found = findKeyLine(lines, section, key);
  if (found >= 0) {
    const Line& line = lines[found];
    return result.replace(line.begin, line.end - line.begin, keyLine);
  }

  // The new key goes after the last non-blank line of the section's first
  // part (its header line at least).
  qsizetype last = -1;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const Line& line = lines[i];
    if (line.kind == LineKind::Section) {
      if (last >= 0) break;
      if (sameName(line.name, section)) last = static_cast<qsizetype>(i);
    } else if (last >= 0 && line.kind != LineKind::Blank) {
      last = static_cast<qsizetype>(i);
    }
  }
  if (last < 0) {
    if (!result.isEmpty() && !result.endsWith('\n')) result += eol;
    return result + '[' + section.toUtf8() + ']' + eol + keyLine + eol;
  }
  const Line& after = lines[last];
  if (after.next == after.end) {  // the file's last line, without a line end
    return result.insert(after.next, eol + keyLine + eol);
  }
  return result.insert(after.next, keyLine + eol);
}

QByteArray quoteProfileValue(QByteArrayView value) {
  if (!value.isEmpty() && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    return '"' + value.toByteArray() + '"';
  }
  return value.toByteArray();
}

int parseProfileInteger(QStringView text, int fallback) {
  qsizetype i = 0;
  while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) ++i;
  text = text.sliced(i);
  if (text.isEmpty()) return fallback;

  int base = 10;
  bool negative = false;
  if (text.startsWith(u'$') || text.startsWith(u'x') || text.startsWith(u'X')) {
    base = 16;
    text = text.sliced(1);
  } else if (text.startsWith(u"0x") || text.startsWith(u"0X")) {
    base = 16;
    text = text.sliced(2);
  } else if (text.startsWith(u'-') || text.startsWith(u'+')) {
    negative = text.front() == u'-';
    text = text.sliced(1);
  }
  if (text.isEmpty()) return fallback;

  const std::uint64_t limit = base == 16 ? 0xFFFFFFFFu : (negative ? 0x80000000u : 0x7FFFFFFFu);
  std::uint64_t magnitude = 0;
  for (QChar c : text) {
    int digit;
    if (c >= u'0' && c <= u'9') {
      digit = c.unicode() - u'0';
    } else if (base == 16 && c >= u'a' && c <= u'f') {
      digit = c.unicode() - u'a' + 10;
    } else if (base == 16 && c >= u'A' && c <= u'F') {
      digit = c.unicode() - u'A' + 10;
    } else {
      return fallback;
    }
    magnitude = magnitude * base + digit;
    if (magnitude > limit) return fallback;
  }
  const std::uint32_t bits =
      static_cast<std::uint32_t>(negative ? 0u - magnitude : magnitude);
  return static_cast<int>(bits);
}

}  // namespace wendra
