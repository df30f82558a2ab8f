#pragma once
// Gives a test a new, empty working directory for as long as it lives. The
// window reads and writes its settings file (wendra.ini) in the working
// directory, so without this a value one test leaves in an input would be the
// next window's starting value.

#include <QDir>
#include <QTemporaryDir>

class FreshWorkingDirectory {
 public:
  FreshWorkingDirectory() : previous_(QDir::currentPath()) { QDir::setCurrent(dir_.path()); }
  ~FreshWorkingDirectory() { QDir::setCurrent(previous_); }
  FreshWorkingDirectory(const FreshWorkingDirectory&) = delete;
  FreshWorkingDirectory& operator=(const FreshWorkingDirectory&) = delete;
  QString path() const { return dir_.path(); }

 private:
  QString previous_;
  QTemporaryDir dir_;
};
