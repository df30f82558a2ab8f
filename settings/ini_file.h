#pragma once
// The settings file: named keys in named sections of an INI text file.
//
// Every operation is one whole read of the file, and every write one whole
// rewrite of it; nothing is kept between calls, so two programs sharing the
// file see each other's writes, and for each key the last writer wins. The
// text rules (blanks, comments, case, line ends, quoting) are those of
// profile_text.h.
//
// The file itself is reached through IniFileSystem, a seam to the operating
// system with an in-memory stand-in for tests.

#include <QByteArray>
#include <QString>

#include <map>
#include <optional>
#include <stdexcept>

namespace wendra {

// Whole-file access by name.
class IniFileSystem {
 public:
  virtual ~IniFileSystem() = default;

  // The file's bytes, or nullopt when it does not exist or cannot be read
  // (on disk also when it is not a regular file: a folder, a pipe, a device).
  virtual std::optional<QByteArray> read(const QString& name) = 0;

  // Whether something exists under the name, readable or not.
  virtual bool exists(const QString& name) = 0;

  // Replaces the file's bytes with `contents` as one step: whatever happens
  // to the process, the file afterwards holds either its old bytes or the
  // new ones. Creates the file when absent. False when it cannot be written;
  // the file is then unchanged.
  virtual bool replace(const QString& name, const QByteArray& contents) = 0;
};

// The disk. A name is taken in the original platform's spelling and
// backslashes separate folders, so ".\wendra.ini" is the file wendra.ini in
// the process's current working directory.
//
// A replace writes the new bytes to a temporary file beside the old one,
// flushes them to disk and renames the temporary file over the old one
// (QSaveFile). The file keeps its permission bits. It fails, leaving the
// file as it was, when the name is a folder, when the existing file or its
// folder may not be written, or when it has no write permission bit at all:
// a read-only file stays read-only also for a process running as root.
class DiskFileSystem : public IniFileSystem {
 public:
  std::optional<QByteArray> read(const QString& name) override;
  bool exists(const QString& name) override;
  bool replace(const QString& name, const QByteArray& contents) override;

  // The local path of a name: backslashes become slashes.
  static QString localPath(const QString& name);
};

// Files held in memory, for tests.
class MemoryFileSystem : public IniFileSystem {
 public:
  std::optional<QByteArray> read(const QString& name) override;
  bool exists(const QString& name) override;
  bool replace(const QString& name, const QByteArray& contents) override;

  std::map<QString, QByteArray> files;
};

// A write to the settings file failed. what() is "Unable to write to "
// followed by the file name as the program gives it.
class IniWriteError : public std::runtime_error {
 public:
  explicit IniWriteError(const QString& fileName);
  QString message() const { return QString::fromUtf8(what()); }
};

// The operations on one file. Values are UTF-8 text in the file.
class IniFile {
 public:
  // Texts read are cut to this many characters.
  static constexpr int kMaxTextLength = 2047;

  // `files` must outlive this object.
  IniFile(IniFileSystem& files, QString fileName);

  const QString& fileName() const { return fileName_; }

  // The stored text, or `fallback` when the file, the section or the key is
  // absent; at most kMaxTextLength characters either way.
  QString readString(const QString& section, const QString& key, const QString& fallback) const;

  // Sets the key (applying the quoting rule to the value), creating the
  // file and the section when needed.
  // REQUIRES: as setProfileValue in profile_text.h.
  // Throws IniWriteError when the file cannot be written, and also when it
  // exists but cannot be read (rewriting it would lose its other keys); the
  // file is then unchanged.
  void writeString(const QString& section, const QString& key, const QString& value);

  // The stored text parsed as by parseProfileInteger, or `fallback` when the
  // key is absent, empty or malformed.
  int readInteger(const QString& section, const QString& key, int fallback) const;

  // Decimal text. Throws IniWriteError as writeString.
  void writeInteger(const QString& section, const QString& key, int value);

  // "1" for true, "0" for false. Throws IniWriteError as writeString.
  void writeBool(const QString& section, const QString& key, bool value);

 private:
  IniFileSystem& files_;
  QString fileName_;
};

}  // namespace wendra
