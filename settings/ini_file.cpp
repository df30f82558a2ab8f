#include "ini_file.h"

#include "profile_text.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

#include <sys/stat.h>
#include <unistd.h>

#include <utility>

namespace wendra {
namespace {

// Writable by the permission check of the kernel and by at least one write
// permission bit; the second test is what holds back a process running as
// root, to which the kernel grants every write.
bool mayWrite(const QString& path) {
  const QByteArray native = QFile::encodeName(path);
  struct stat info;
  if (::stat(native.constData(), &info) != 0) return false;
  if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return false;
  return ::access(native.constData(), W_OK) == 0;
}

}  // namespace

QString DiskFileSystem::localPath(const QString& name) {
  QString path = name;
  path.replace(u'\\', u'/');
  return path;
}

std::optional<QByteArray> DiskFileSystem::read(const QString& name) {
  const QString path = localPath(name);
  // Only a regular file (or a link to one) is read: opening a pipe would
  // wait for a writer forever, and a device such as /dev/zero never ends.
  if (!QFileInfo(path).isFile()) return std::nullopt;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
  return file.readAll();
}

bool DiskFileSystem::exists(const QString& name) {
  return QFileInfo::exists(localPath(name));
}

bool DiskFileSystem::replace(const QString& name, const QByteArray& contents) {
  const QFileInfo info(localPath(name));
  if (info.isDir()) return false;
  if (info.exists() && !mayWrite(info.filePath())) return false;
  if (!mayWrite(info.absolutePath())) return false;

  QSaveFile file(info.filePath());
  if (!file.open(QIODevice::WriteOnly)) return false;
  if (file.write(contents) != contents.size()) return false;  // discards the temporary file
  return file.commit();
}

std::optional<QByteArray> MemoryFileSystem::read(const QString& name) {
  const auto it = files.find(name);
  if (it == files.end()) return std::nullopt;
  return it->second;
}

bool MemoryFileSystem::exists(const QString& name) { return files.count(name) != 0; }

bool MemoryFileSystem::replace(const QString& name, const QByteArray& contents) {
  files[name] = contents;
  return true;
}

IniWriteError::IniWriteError(const QString& fileName)
    : std::runtime_error(("Unable to write to " + fileName).toStdString()) {}

IniFile::IniFile(IniFileSystem& files, QString fileName)
    : files_(files), fileName_(std::move(fileName)) {}

QString IniFile::readString(const QString& section, const QString& key,
                            const QString& fallback) const {
  QString text = fallback;
  if (const std::optional<QByteArray> contents = files_.read(fileName_)) {
    if (const std::optional<QByteArray> value = findProfileValue(*contents, section, key)) {
      // Decoded as it stands: a value that begins with U+FEFF keeps it
      // (QString::fromUtf8 would drop it as a byte-order mark).
      text = QStringDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom).decode(*value);
    }
  }
  if (text.size() > kMaxTextLength) {
    qsizetype length = kMaxTextLength;
    if (text[length - 1].isHighSurrogate()) --length;  // keep pairs whole
    text.truncate(length);
  }
  return text;
}

void IniFile::writeString(const QString& section, const QString& key, const QString& value) {
  const std::optional<QByteArray> read = files_.read(fileName_);
  if (!read && files_.exists(fileName_)) throw IniWriteError(fileName_);
  const QByteArray contents = read.value_or(QByteArray());
  const QByteArray updated =
      setProfileValue(contents, section, key, quoteProfileValue(value.toUtf8()));
  if (!files_.replace(fileName_, updated)) throw IniWriteError(fileName_);
}

int IniFile::readInteger(const QString& section, const QString& key, int fallback) const {
  return parseProfileInteger(readString(section, key, QString()), fallback);
}

void IniFile::writeInteger(const QString& section, const QString& key, int value) {
  writeString(section, key, QString::number(value));
}

void IniFile::writeBool(const QString& section, const QString& key, bool value) {
  writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

}  // namespace wendra
