#pragma once
// The text of a private-profile (INI) file, looked up and edited as bytes.
// These functions only transform file contents; reading and replacing the
// file itself is IniFile's job (ini_file.h).
//
// Reading is lenient:
//  - Lines end in "\n" or "\r\n", both in one file if need be; the last line
//    may lack its line end. A UTF-8 byte-order mark before the first line is
//    skipped.
//  - Blanks (space, tab, vertical tab, form feed, carriage return) around
//    section names, key names and values do not count.
//  - A line whose first non-blank character is "[" and that holds a "]"
//    starts a section; its name runs from that "[" to the last "]" of the
//    line. Keys before the first section belong to no section.
//  - A line whose first non-blank character is ";" is a comment.
//  - Any other line holding "=" is a key: the name is the text before the
//    first "=", the value the text after it. Lines without "=" are ignored.
//  - Section and key names match without regard to letter case (names are
//    UTF-8). A section that appears more than once is read as one section,
//    its parts in file order; the first key of a name wins.
//  - A value enclosed in a pair of double quotes, or in a pair of single
//    quotes, reads without that one pair.
//
// Writing is exact:
//  - setProfileValue replaces the whole line of the key that a read would
//    find with "Key=value", the key spelt as the caller spells it, and keeps
//    that line's own line end. A key not yet present goes on a new line
//    right after the last non-blank line of the section's first part, so
//    blank lines that separate it from the next section stay in front of
//    that section. A section not yet present is appended to the end of the
//    file as "[section]" followed by the key.
//  - New lines take the line end of the file's first line ("\r\n" or "\n"),
//    "\n" when the file has none. A last line without a line end gets one
//    when a line is added after it.
//  - Every other byte of the file stays as it was.

#include <QByteArray>
#include <QByteArrayView>
#include <QStringView>

#include <optional>

namespace wendra {

// The raw value of `key` in `section` (blanks trimmed, one enclosing pair of
// quotes removed), or nullopt when the section or the key is absent.
std::optional<QByteArray> findProfileValue(QByteArrayView text, QStringView section,
                                           QStringView key);

// `text` with `key` in `section` set to `value`, written as it is.
// REQUIRES: section, key and value hold no line break; section and key are
// not empty, have no blanks at their ends, and key holds no "=" and does not
// start with ";" or "[".
QByteArray setProfileValue(QByteArrayView text, QStringView section, QStringView key,
                           QByteArrayView value);

// The quoting rule of a written value: a value that both begins and ends
// with a double quote, or both begins and ends with a single quote, is
// wrapped in one more pair of double quotes, so that reading it back (which
// removes one enclosing pair) yields the value itself.
QByteArray quoteProfileValue(QByteArrayView value);

// An integer as the profile reads it (readInteger32 with kProfileIntegerRules,
// number_format.h): optional leading blanks (spaces, tabs), then either
// an optional sign and decimal digits, or hexadecimal digits after "$", "x",
// "X", "0x" or "0X", and nothing after them. Decimal values must lie in the
// signed 32-bit range; hexadecimal ones may use all 32 bits and are taken
// as two's complement ("$FFFFFFFF" is -1). Any other text, the empty text
// included, gives `fallback`.
int parseProfileInteger(QStringView text, int fallback);

}  // namespace wendra
