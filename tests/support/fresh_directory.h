#pragma once
// Gives a test a new, empty working directory for as long as it lives. The
// window reads and writes its settings file (wendra.ini) in the working
// directory, so without this a value one test leaves in an input would be the
// next window's starting value. A test may take the write permission from the
// directory or the file; it is given back at the end so both can be removed.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>

class FreshWorkingDirectory {
 public:
  FreshWorkingDirectory() : previous_(QDir::currentPath()) { QDir::setCurrent(dir_.path()); }
  ~FreshWorkingDirectory() {
    QDir::setCurrent(previous_);
    ::chmod(QFile::encodeName(dir_.path()).constData(), 0700);
    ::chmod(QFile::encodeName(filePath("wendra.ini")).constData(), 0600);
  }
  FreshWorkingDirectory(const FreshWorkingDirectory&) = delete;
  FreshWorkingDirectory& operator=(const FreshWorkingDirectory&) = delete;
  // Whether the directory was made and is the working directory.
  bool isValid() const { return dir_.isValid() && QDir::currentPath() == QDir(dir_.path()).canonicalPath(); }
  QString path() const { return dir_.path(); }
  QString filePath(const QString& name) const { return dir_.filePath(name); }

 private:
  QString previous_;
  QTemporaryDir dir_;
};
