// Fuzzes the settings restore: a settings file with arbitrary content is
// restored into the program's real window (offscreen, never shown), through
// the settings store over an in-memory file.
//
// The first input byte picks the window (path or random-key program), the
// decimal separator ("." or ",") and how the rest becomes the file: either
// the bytes as they are, or one value per line for the sixteen keys the
// store reads, in its order, under "[first]".
//
// Checked: the restore never fails; every input shows what a plain model of
// the stored-number syntax and the input's range and format rules gives
// (or keeps its design text when the value does not parse, the key is
// absent or the version is below 0); the window keeps a usable size. Then
// the store saves into the memory file and a second window restores that
// file: its inputs, state and normal rectangle equal the first window's.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <locale.h>
#include <memory>
#include <optional>
#include <string>

#include <QApplication>
#include <QCoreApplication>
#include <QByteArray>
#include <QEvent>
#include <QLocale>
#include <QString>

#include "form_storage.h"
#include "ini_file.h"
#include "main_window.h"
#include "number_model.h"
#include "number_format.h"
#include "spin_input.h"

namespace {

using namespace wendra;

const QString kFile = QStringLiteral(".\\wendra.ini");

const char* const kKeys[] = {
    "FormVersion", "Flags", "ShowCmd", "PixelsPerInch", "MinMaxPos(800x800)", "MinMaxPos",
    "NormPos(800x800)", "NormPos", "PCrossValue_Value", "PMutValue_Value", "PopEdit_Value",
    "RefreshCount_Value", "StepCount_Value", "HeightEdit_Value", "WidthEdit_Value", "Visible"};

const char* const kInputs[] = {"PCrossValue", "PMutValue", "PopEdit", "RefreshCount",
                               "StepCount",   "HeightEdit", "WidthEdit"};

[[noreturn]] void fail(const char* what, const QString& detail) {
  std::fprintf(stderr, "%s: %s\n", what, detail.left(400).toUtf8().constData());
  std::abort();
}

// A stored value as the restore reads it: control characters and spaces
// off both ends, "." standing for the separator, then the real syntax.
std::optional<long double> storedNumberModel(const QString& raw, QChar sep) {
  QString text = raw;
  while (!text.isEmpty() && text.front() <= u' ') text.remove(0, 1);
  while (!text.isEmpty() && text.back() <= u' ') text.chop(1);
  text.replace(u'.', sep);
  return realModel(text.toStdU16String(), sep.unicode());
}

QString expectedText(const SpinInput& input, long double value, QChar sep) {
  const long double clamped = input.clamp(value);
  if (input.valueType() == SpinInput::vtFloat) return formatFixed(clamped, input.decimal(), sep);
  return formatWholeNumber(roundHalfEven(clamped));
}

// The program's windows, built once per program (building one takes long)
// and put back to their design state before every run.
struct Window {
  std::unique_ptr<TForm1> form;
  QRect designGeometry;
  long double designValues[std::size(kInputs)];

  explicit Window(EncodingKind encoding) : form(new TForm1(encoding)), designGeometry(form->geometry()) {
    for (std::size_t k = 0; k < std::size(kInputs); ++k) designValues[k] = input(k)->value();
  }
  SpinInput* input(std::size_t k) const { return form->findChild<SpinInput*>(QLatin1String(kInputs[k])); }
  void reset() {
    QCoreApplication::removePostedEvents(form.get());  // a minimize the restore asked for
    form->setWindowState(Qt::WindowNoState);
    form->setGeometry(designGeometry);
    // Formatted with the separator of this run, as a window built now would be.
    for (std::size_t k = 0; k < std::size(kInputs); ++k) input(k)->setValue(designValues[k]);
  }
};

Window* windows[2][2];  // [path, random key][first, second]

// A window with a settings store of its own over `files`, as the window's
// own store is made.
struct Restored {
  Window& window;
  FormStorage* storage = nullptr;

  Restored(Window& w, IniFileSystem& files) : window(w) {
    window.reset();
    ComponentTable components;
    for (std::size_t k = 0; k < std::size(kInputs); ++k) components.addValue(QLatin1String(kInputs[k]), window.input(k));
    storage = new FormStorage(window.form.get(), std::move(components), FormStorage::Config(), &files);
    storage->setNumberSeparators(window.form->numberSeparators());
    storage->setErrorReporter([](const QString& message) { fail("error reported", message); });
  }
  ~Restored() { delete storage; }
  TForm1* form() const { return window.form.get(); }
  SpinInput* input(std::size_t k) const { return window.input(k); }
};

// A locale with `sep` as its decimal separator, announced to the windows as a
// change of the user's locale is.
void useSeparator(QChar sep) {
  static QChar current;
  if (sep == current) return;
  current = sep;
  QLocale::setDefault(sep == u',' ? QLocale(QLocale::German, QLocale::Germany) : QLocale::c());
  QEvent change(QEvent::LocaleChange);
  for (Window* const* pair : windows)
    for (int w = 0; w < 2; ++w) QCoreApplication::sendEvent(pair[w]->form.get(), &change);
}

QByteArray structuredFile(const std::uint8_t* data, std::size_t size) {
  const QList<QByteArray> values =
      QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)).split('\n');
  QByteArray file = "[first]\n";
  for (qsizetype k = 0; k < qsizetype(std::size(kKeys)) && k < values.size(); ++k)
    file += QByteArray(kKeys[k]) + '=' + values[k] + '\n';
  return file;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "form_storage_fuzz";
  static char* argv[] = {name, nullptr};
  static QApplication app(argc, argv);
  for (int e = 0; e < 2; ++e)
    for (int w = 0; w < 2; ++w) windows[e][w] = new Window(e ? EncodingKind::kRandomKey : EncodingKind::kPath);
  // One run in every mode first: Qt fills its caches then, not in a run
  // that the leak check would then have to look at.
  for (std::uint8_t mode = 0; mode < 8; ++mode) {
    const std::uint8_t input[] = {mode, '3', '\n', '0', '\n', '2'};
    LLVMFuzzerTestOneInput(input, sizeof input);
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::uint8_t mode = *data++;
  --size;
  const QChar sep = mode & 2 ? u',' : u'.';
  useSeparator(sep);
  Window** pair = windows[mode & 4 ? 0 : 1];
  const QByteArray file = mode & 1 ? structuredFile(data, size)
                                   : QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

  MemoryFileSystem files;
  files.files[kFile] = file;
  const IniFile ini(files, kFile);
  const bool cancelled = ini.readInteger(QStringLiteral("first"), QStringLiteral("FormVersion"), 0) < 0;

  Restored first(*pair[0], files);
  QString designTexts[std::size(kInputs)];
  for (std::size_t k = 0; k < std::size(kInputs); ++k) designTexts[k] = first.input(k)->text();
  first.storage->restoreFormPlacement();
  if (!first.storage->restored()) fail("not restored", QString());

  for (std::size_t k = 0; k < std::size(kInputs); ++k) {
    const SpinInput& input = *first.input(k);
    QString want = designTexts[k];
    if (!cancelled) {
      const QString key = QLatin1String(kInputs[k]) + QStringLiteral("_Value");
      const QString stored = ini.readString(QStringLiteral("first"), key, designTexts[k]);
      if (const std::optional<long double> value = storedNumberModel(stored, sep))
        want = expectedText(input, *value, sep);
    }
    if (input.text() != want)
      fail(kInputs[k], QStringLiteral("shows '%1', want '%2'").arg(input.text(), want));
  }
  const QRect geometry = first.form()->normalGeometry().isValid() ? first.form()->normalGeometry()
                                                                 : first.form()->geometry();
  if (geometry.width() <= 0 || geometry.height() <= 0)
    fail("window without size", QStringLiteral("%1 x %2").arg(geometry.width()).arg(geometry.height()));

  // Save, and restore the saved file into a second window.
  first.storage->saveFormPlacement();
  if (!first.storage->saved()) fail("not saved", QString());
  Restored second(*pair[1], files);
  second.storage->restoreFormPlacement();
  for (std::size_t k = 0; k < std::size(kInputs); ++k) {
    if (second.input(k)->text() != first.input(k)->text())
      fail(kInputs[k], QStringLiteral("restored '%1' from the saved '%2'")
                           .arg(second.input(k)->text(), first.input(k)->text()));
  }
  const Qt::WindowStates sizeStates = Qt::WindowMaximized | Qt::WindowFullScreen;
  if ((second.form()->windowState() & sizeStates) != (first.form()->windowState() & sizeStates))
    fail("state not restored", QString::fromUtf8(files.files[kFile]));
  const QRect again = second.form()->normalGeometry().isValid() ? second.form()->normalGeometry()
                                                               : second.form()->geometry();
  if (again != geometry)
    fail("normal rectangle not restored",
         QStringLiteral("%1,%2 %3x%4 became %5,%6 %7x%8")
             .arg(geometry.x()).arg(geometry.y()).arg(geometry.width()).arg(geometry.height())
             .arg(again.x()).arg(again.y()).arg(again.width()).arg(again.height()));
  // Events the restore posted (a minimize) are dropped with the run.
  for (int w = 0; w < 2; ++w) QCoreApplication::removePostedEvents(pair[w]->form.get());
  return 0;
}
