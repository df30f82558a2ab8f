#include "profile_text.h"

#include "number_format.h"

#include <QString>
#include <QStringDecoder>

#include <cstdint>

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

// Names are decoded as they stand: one that begins with U+FEFF keeps it
// (QString::fromUtf8 would drop it as a byte-order mark, and a key or
// section written with it could never be found again). Only the mark at
// the very start of the file is the file's own (see forEachLine).
bool sameName(QByteArrayView name, QStringView wanted) {
  const QString decoded = QStringDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom).decode(name);
  return decoded.compare(wanted, Qt::CaseInsensitive) == 0;
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

// The line that starts at byte `pos` of `text`.
Line lineAt(QByteArrayView text, qsizetype pos) {
  Line line;
  line.begin = pos;
  const qsizetype newline = text.indexOf('\n', pos);
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
  return line;
}

// Calls visit(line) for the lines of `text` in order, until it returns
// false. Lines are looked at one at a time and never kept, so a file of
// millions of lines costs no more memory than its text.
template <class Visit>
void forEachLine(QByteArrayView text, Visit visit) {
  qsizetype pos = text.startsWith("\xEF\xBB\xBF") ? 3 : 0;
  while (pos < text.size()) {
    const Line line = lineAt(text, pos);
    if (!visit(line)) return;
    pos = line.next;
  }
}

// The first line of `key` in any part of `section`.
std::optional<Line> findKeyLine(QByteArrayView text, QStringView section, QStringView key) {
  std::optional<Line> found;
  bool inSection = false;
  forEachLine(text, [&](const Line& line) {
    if (line.kind == LineKind::Section) {
      inSection = sameName(line.name, section);
    } else if (inSection && line.kind == LineKind::Key && sameName(line.name, key)) {
      found = line;
      return false;
    }
    return true;
  });
  return found;
}

QByteArray lineEndOf(QByteArrayView text) {
  const qsizetype newline = text.indexOf('\n');
  if (newline > 0 && text[newline - 1] == '\r') return "\r\n";
  return "\n";
}

}  // namespace

std::optional<QByteArray> findProfileValue(QByteArrayView text, QStringView section,
                                           QStringView key) {
  const std::optional<Line> line = findKeyLine(text, section, key);
  if (!line) return std::nullopt;
  QByteArrayView value = line->value;
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    value = value.sliced(1, value.size() - 2);
  }
  return value.toByteArray();
}

QByteArray setProfileValue(QByteArrayView text, QStringView section, QStringView key,
                           QByteArrayView value) {
  const QByteArray eol = lineEndOf(text);
  const QByteArray keyLine = key.toUtf8() + '=' + value.toByteArray();
  QByteArray result = text.toByteArray();

  if (const std::optional<Line> line = findKeyLine(text, section, key)) {
    return result.replace(line->begin, line->end - line->begin, keyLine);
  }

  // The new key goes after the last non-blank line of the section's first
  // part (its header line at least).
  std::optional<Line> last;
  forEachLine(text, [&](const Line& line) {
    if (line.kind == LineKind::Section) {
      if (last) return false;
      if (sameName(line.name, section)) last = line;
    } else if (last && line.kind != LineKind::Blank) {
      last = line;
    }
    return true;
  });
  if (!last) {
    if (!result.isEmpty() && !result.endsWith('\n')) result += eol;
    return result + '[' + section.toUtf8() + ']' + eol + keyLine + eol;
  }
  // The file's last line may lack its "\n"; one that ends in a lone "\r"
  // lacks it too, and the new key must not join that line.
  if (text[last->next - 1] != '\n') {
    return result.insert(last->next, eol + keyLine + eol);
  }
  return result.insert(last->next, keyLine + eol);
}

QByteArray quoteProfileValue(QByteArrayView value) {
  if (!value.isEmpty() && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    return '"' + value.toByteArray() + '"';
  }
  return value.toByteArray();
}

int parseProfileInteger(QStringView text, int fallback) {
  return readInteger32(text, kProfileIntegerRules).value_or(fallback);
}

}  // namespace wendra
