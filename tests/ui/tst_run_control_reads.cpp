// Bad inputs through the program's window, one row each.
//
// Every input's text is read by the button of its accelerator while the
// input keeps the focus, so nothing clamps it first: the run control gets
// the raw value. Each row fixes what must come of it: the count clamped to
// its input's range, the input's fallback for an unreadable text, or an
// error box with the population left as it was. A reference engine created
// with the expected values (from the same start of the random stream) must
// match the window's engine after the press and after one more step.
//
// Then the largest populations the inputs allow, which do not fit in
// memory: refused with the memory message before anything is allocated,
// the previous run kept whole; a size that fits is created.

#include <QFile>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <QtTest>

#include <memory>

#include "application.h"
#include "chart_series.h"
#include "engines.h"
#include "fast_engine.h"
#include "key_layout.h"
#include "main_window.h"
#include "memory.h"
#include "parameters.h"
#include "path_layout.h"
#include "spin_input.h"
#include "test_support.h"


using namespace wendra;

namespace {

// The inputs the rows start from: a small run.
const RunInputs kSmall{5, 4, 10, 0.5, 0.07};

SpinInput* inputNamed(TForm1& form, const QString& name) { return form.findChild<SpinInput*>(name); }

// Gives the input the keyboard focus the way a user would: its label's
// accelerator where it has one, Tab otherwise (StepCount has no label and
// "&Refresh:" is never reached: Alt+R goes to "Pc&ross:").
void focusInput(TForm1& form, SpinInput* input) {
  const QHash<QString, Qt::Key> accelerators = {{"PopEdit", Qt::Key_P},   {"PCrossValue", Qt::Key_R},
                                                {"PMutValue", Qt::Key_M}, {"WidthEdit", Qt::Key_W},
                                                {"HeightEdit", Qt::Key_H}};
  if (accelerators.contains(input->objectName()))
    QTest::keyClick(&form, accelerators[input->objectName()], Qt::AltModifier);
  else
    input->setFocus(Qt::TabFocusReason);
  QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(input));
}

std::unique_ptr<EvolutionEngine> reference(const RunInputs& in, EncodingKind kind = EncodingKind::kRandomKey) {
  auto engine = makeEngine(kind);
  engine->createPopulation(Grid::of(in.width, in.height), in.population, in.pmut, in.pcross);
  return engine;
}

// The window's engine is in the state of `e`.
void compareEngines(const EvolutionEngine& window, const EvolutionEngine& e) {
  QVERIFY(window.grid() == e.grid());
  QCOMPARE(window.populationSize(), e.populationSize());
  QCOMPARE(window.generation(), e.generation());
  QCOMPARE(window.averageLength(), e.averageLength());
  QCOMPARE(window.generationBestTour(), e.generationBestTour());
  QCOMPARE(window.overallBestTour(), e.overallBestTour());
}

// A window for a press that ends in an exception. The window's own
// bookkeeping for guarded pointers to it is allocated now, and the unwinding
// leaves one reference to it behind: allocated here, it is not counted as a
// leak either.
std::unique_ptr<TForm1> windowForAFailure(EncodingKind kind) {
  [[maybe_unused]] QtUnwindLeaks unwinding;
  return std::make_unique<TForm1>(kind);
}

const QString kLongDigits(10000, u'9');

// The count an integer input's `text` gives the run control: the fallback
// when the input cannot read it, else the value read, clamped to the range.
// Of the sixteen texts, "0" and "-5" read below every count's range,
// "0x7FFFFFFF" above it and "$10" (hexadecimal) within it.
double countRead(const InputParameter& input, const QString& text) {
  if (text == "0" || text == "-5") return double(input.minimum);
  if (text == "0x7FFFFFFF") return double(input.maximum);
  if (text == "$10") return 16;
  return double(input.fallback);
}

// The sixteen texts of the matrix.
QList<std::pair<const char*, QString>> texts() {
  return {{"empty", ""},
          {"minus", "-"},
          {"plus", "+"},
          {"1-2", "1-2"},
          {"0", "0"},
          {"-5", "-5"},
          {"2147483648", "2147483648"},
          {"-2147483649", "-2147483649"},
          {"0x7FFFFFFF", "0x7FFFFFFF"},
          {"$10", "$10"},
          {"1e400", "1e400"},
          {"1e-400", "1e-400"},
          {"nan", "nan"},
          {"inf", "inf"},
          {"full-width 12", QString::fromUtf8("\xEF\xBC\x91\xEF\xBC\x92")},
          {"10000 digits", kLongDigits}};
}

}  // namespace

class RunControlReadsTest : public QObject {
  Q_OBJECT

 private slots:
  void init() { QLocale::setDefault(QLocale::c()); }
  void cleanup() { QLocale::setDefault(QLocale::system()); }

  void createReads_data();
  void createReads();
  void batchReads_data();
  void batchReads();
  void populationBeyondMemory_data();
  void populationBeyondMemory();
  void populationThatFits();
};

void RunControlReadsTest::createReads_data() {
  QTest::addColumn<QString>("input");
  QTest::addColumn<QString>("text");
  QTest::addColumn<double>("expected");  // the value the run control uses
  QTest::addColumn<QString>("error");    // or the error box it shows

  // Integer inputs: the fallback for every unreadable text, the range's
  // bound for a value beyond it.
  for (const InputParameter* c : {&kWidthEditInput, &kHeightEditInput, &kPopEditInput}) {
    for (const auto& [name, text] : texts())
      QTest::addRow("%s %s", c->name, name) << c->name << text << countRead(*c, text) << QString();
  }
  // Probabilities: used as read, the fallback when unreadable; beyond the
  // double range an error box, nothing changed.
  for (const InputParameter* p : {&kPCrossValueInput, &kPMutValueInput}) {
    for (const auto& [name, text] : texts()) {
      double expected = double(p->fallback);
      QString error;
      if (text == "-5") expected = -5;
      if (text == "2147483648") expected = 2147483648.0;
      if (text == "-2147483649") expected = -2147483649.0;
      if (text == "1e400") error = "Floating point overflow.";
      QTest::addRow("%s %s", p->name, name) << p->name << text << expected << error;
    }
  }
}

void RunControlReadsTest::createReads() {
  QFETCH(QString, input);
  QFETCH(QString, text);
  QFETCH(double, expected);
  QFETCH(QString, error);

  const std::unique_ptr<TForm1> window =
      error.isEmpty() ? std::make_unique<TForm1>(EncodingKind::kRandomKey) : windowForAFailure(EncodingKind::kRandomKey);
  TForm1& form = *window;
  form.show();
  QVERIFY(QTest::qWaitForWindowActive(&form));
  RunInputs in = kSmall;
  enter(form, in);
  std::unique_ptr<EvolutionEngine> ref;
  if (!error.isEmpty()) {  // a run to keep
    QTest::keyClick(&form, Qt::Key_C, Qt::AltModifier);
    QTest::keyClick(&form, Qt::Key_O, Qt::AltModifier);
    ref = reference(in);
    ref->step();
  }
  const int points = form.Series1->count();

  SpinInput* field = inputNamed(form, input);
  focusInput(form, field);
  field->setText(text);  // pasted: pasting is not checked
  BoxRecorder boxes;
  {
    [[maybe_unused]] QtUnwindLeaks unwinding;
    QTest::keyClick(&form, Qt::Key_C, Qt::AltModifier);
  }
  QCOMPARE(field->text(), text);  // nothing clamped it
  // The focus never left the input (after an error box it comes back).
  QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(field));

  if (!error.isEmpty()) {
    QCOMPARE(boxes.texts, QStringList{error});
    compareEngines(form.engine(), *ref);
    QCOMPARE(form.Series1->count(), points);
    QCOMPARE(form.Generation->text(), "1");
    QVERIFY(form.Button1->isEnabled());
    return;
  }
  QCOMPARE(boxes.texts, QStringList());
  if (input == "WidthEdit") in.width = int(expected);
  if (input == "HeightEdit") in.height = int(expected);
  if (input == "PopEdit") in.population = int(expected);
  if (input == "PCrossValue") in.pcross = expected;
  if (input == "PMutValue") in.pmut = expected;
  ref = reference(in);
  compareEngines(form.engine(), *ref);
  QCOMPARE(form.Generation->text(), "0");
  QCOMPARE(form.Series1->count(), 0);
  // One step more on the same values (not for the largest population:
  // creating a million members is enough).
  if (in.population < 1000000) {
    QTest::keyClick(&form, Qt::Key_O, Qt::AltModifier);
    ref->step();
    compareEngines(form.engine(), *ref);
  }
}

void RunControlReadsTest::batchReads_data() {
  QTest::addColumn<QString>("input");
  QTest::addColumn<QString>("text");
  QTest::addColumn<int>("count");        // the clamped count the batch uses
  QTest::addColumn<int>("generations");  // generations run until "&Stop" took effect

  // "&Stop" is pressed at the first event processing of the batch.
  // StepCount (refresh 1): the batch stops after one generation; its limit
  // is the clamped count. RefreshCount (batch of 2000): the first
  // processing comes after r generations.
  for (const auto& [name, text] : texts()) {
    QTest::addRow("StepCount %s", name) << "StepCount" << text << int(countRead(kStepCountInput, text)) << 1;
    const int refresh = int(countRead(kRefreshCountInput, text));
    QTest::addRow("RefreshCount %s", name) << "RefreshCount" << text << refresh << refresh;
  }
}

void RunControlReadsTest::batchReads() {
  QFETCH(QString, input);
  QFETCH(QString, text);
  QFETCH(int, count);
  QFETCH(int, generations);

  TForm1 form(EncodingKind::kRandomKey);
  form.show();
  QVERIFY(QTest::qWaitForWindowActive(&form));
  enter(form, kSmall);
  form.StepCount->setText("2000");
  form.RefreshCount->setText("1");
  QTest::keyClick(&form, Qt::Key_C, Qt::AltModifier);

  SpinInput* field = inputNamed(form, input);
  focusInput(form, field);
  field->setText(text);
  QTimer::singleShot(0, form.Button2, &QPushButton::click);  // "&Stop" at the first processing
  BoxRecorder boxes;
  QTest::keyClick(&form, Qt::Key_B, Qt::AltModifier);
  QCOMPARE(boxes.texts, QStringList());
  QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(field));
  QCOMPARE(field->text(), text);
  QCOMPARE(form.engine().generation(), generations);
  if (input == "StepCount") QCOMPARE(form.batchLimit, count);
  QVERIFY(form.Button1->isEnabled());
  QVERIFY(form.Button3->isEnabled());
}

void RunControlReadsTest::populationBeyondMemory_data() {
  QTest::addColumn<EncodingKind>("encoding");
  QTest::newRow("wendra3 (random keys)") << EncodingKind::kRandomKey;
  QTest::newRow("wendra1 (paths)") << EncodingKind::kPath;
}

namespace {
// Peak resident memory of this process, KiB.
long peakMemory() {
  QFile status("/proc/self/status");
  if (!status.open(QIODevice::ReadOnly)) return 0;
  for (const QByteArray& line : status.readAll().split('\n'))
    if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').front().toLong();
  return 0;
}
}  // namespace

std::uint64_t eightGigabytes() { return 8000000000ull; }

// The need of P = 1000000 on 100 x 100 from the window's engine as it is.
std::uint64_t largestNeed(const EvolutionEngine& engine) {
  const Grid grid = Grid::of(100, 100);
  if (const auto* key = dynamic_cast<const FastEngine<KeyLayout>*>(&engine))
    return key->creationMemory(grid, 1000000, 0.07).fill;
  return dynamic_cast<const FastEngine<PathLayout>&>(engine).creationMemory(grid, 1000000, 0.07).fill;
}

// P = 1000000 on 100 x 100 (some 20 GB for random keys, 42 GB for paths)
// with 8 GB available is refused by the engine's check before it allocates
// anything; the running population, the chart and the labels stay as they
// were, and stepping goes on from there.
void RunControlReadsTest::populationBeyondMemory() {
  QFETCH(EncodingKind, encoding);
  const std::unique_ptr<TForm1> window = windowForAFailure(encoding);
  TForm1& form = *window;
  form.show();
  QVERIFY(QTest::qWaitForWindowActive(&form));
  const RunInputs in = kSmall;
  enter(form, in);
  QTest::keyClick(&form, Qt::Key_C, Qt::AltModifier);
  for (int i = 0; i < 3; ++i) QTest::keyClick(&form, Qt::Key_O, Qt::AltModifier);
  auto ref = reference(in, encoding);
  for (int i = 0; i < 3; ++i) ref->step();
  const QStringList labels = {form.GLMax->text(), form.Best->text(), form.Generation->text()};

  form.WidthEdit->setText("100");
  form.HeightEdit->setText("100");
  form.PopEdit->setText("1000000");
  form.engine().setMemoryProbe(&eightGigabytes);
  const std::uint64_t needed = largestNeed(form.engine());
  QVERIFY(needed > (encoding == EncodingKind::kPath ? 40000000000ull : 20000000000ull));
  const long peakBefore = peakMemory();
  BoxRecorder boxes;
  {
    [[maybe_unused]] QtUnwindLeaks unwinding;
    QTest::keyClick(&form, Qt::Key_C, Qt::AltModifier);
  }
  QCOMPARE(boxes.texts.size(), 1);
  QCOMPARE(boxes.texts.front(), QStringLiteral("Not enough memory for 1000000 members on a 100 x 100 grid: %1 MB "
                                               "needed, 8000 MB available.")
                                    .arg((needed + 999999) / 1000000));
  // The wait pointer of a creation this large is gone before the box shows.
  QCOMPARE(boxes.pointers, QList<int>{-1});
  QVERIFY(QApplication::overrideCursor() == nullptr);
  QVERIFY2(peakMemory() - peakBefore < 64 * 1024, "the refused population was allocated");

  compareEngines(form.engine(), *ref);
  QCOMPARE(QStringList({form.GLMax->text(), form.Best->text(), form.Generation->text()}), labels);
  QCOMPARE(form.Series1->count(), 3);
  QCOMPARE(form.Series2->count(), 3);
  QVERIFY(form.Button1->isEnabled());
  QTest::keyClick(&form, Qt::Key_O, Qt::AltModifier);
  ref->step();
  compareEngines(form.engine(), *ref);
}

// 100 x 100 with P = 100 needs 14 MB: created.
void RunControlReadsTest::populationThatFits() {
  TForm1 form(EncodingKind::kRandomKey);
  form.show();
  QVERIFY(QTest::qWaitForWindowActive(&form));
  RunInputs in = kSmall;
  in.width = in.height = 100;
  in.population = 100;
  enter(form, in);
  BoxRecorder boxes;
  QTest::keyClick(&form, Qt::Key_C, Qt::AltModifier);
  QCOMPARE(boxes.texts, QStringList());
  QCOMPARE(form.engine().populationSize(), 100);
  QCOMPARE(form.engine().grid().width, 100);
  QCOMPARE(form.Generation->text(), "0");
  QVERIFY(form.Button1->isEnabled());
}

int main(int argc, char** argv) {
  Application app(argc, argv);
  RunControlReadsTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "tst_run_control_reads.moc"
