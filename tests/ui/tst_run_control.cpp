// The run control driven through the real window: after every press the
// status labels, the chart's series and the tour picture show what the runner
// (wendra-run) prints for the same inputs and presses. Expected states come
// from rows pinned from wendra-run and from a second engine driven alongside
// the window; the labels are formatted here on their own, not with the
// window's number formats.

#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

#include <cstdint>
#include <functional>
#include <memory>

#include "fresh_directory.h"
#include "application.h"
#include "engines.h"
#include "main_window.h"
#include "run_control.h"
#include "test_support.h"


using wendra::Application;
using wendra::EncodingKind;
using wendra::EvolutionEngine;
using wendra::Grid;
using wendra::TForm1;

Q_DECLARE_METATYPE(EncodingKind)

namespace {

void press(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

QStringList shownLabels(const TForm1& form) {
  return {form.GLMax->text(), form.Best->text(), form.Generation->text()};
}

// The labels for an engine state: "[g]: overall best", generation best,
// generation counter. Lengths are whole numbers.
QStringList labelsFor(const EvolutionEngine& e) {
  return {QStringLiteral("[%1]: %2")
              .arg(e.overallBestGeneration())
              .arg(static_cast<qint64>(e.overallBestLength())),
          QString::number(static_cast<qint64>(e.generationBestLength())),
          QString::number(e.generation())};
}

// A second engine, driven with the same inputs and presses as the window.
struct Reference {
  explicit Reference(EncodingKind kind) : engine(wendra::makeEngine(kind)) {}
  void create(const RunInputs& in) {
    engine->createPopulation(Grid::of(in.width, in.height), in.population, in.pmut, in.pcross);
  }
  void steps(int n) {
    for (int i = 0; i < n; ++i) engine->step();
  }
  std::unique_ptr<EvolutionEngine> engine;
};

// The tour picture a view of the window's picture size shows for `e`.
QImage referencePicture(const TForm1& form, const EvolutionEngine& e) {
  wendra::TourView view;
  view.setPalette(form.Image1->palette());
  view.resize(form.Image1->picture().size());
  view.drawTours(e.grid(), e.generationBestTour(), e.overallBestTour(), form.Panel4->height());
  return view.picture();
}

// Checks the whole display against the reference: labels, the last chart
// point of each series and the tour picture.
void checkDisplay(const TForm1& form, const EvolutionEngine& e, int points) {
  QCOMPARE(shownLabels(form), labelsFor(e));
  QCOMPARE(form.Series1->count(), points);
  QCOMPARE(form.Series2->count(), points);
  if (points > 0) {
    QCOMPARE(form.Series1->yValues()[points - 1], e.averageLength());
    QCOMPARE(form.Series2->yValues()[points - 1], e.generationBestLength());
  }
  QVERIFY(!form.Image1->picture().isNull());
  QCOMPARE(form.Image1->picture(), referencePicture(form, e));
}

// Records the batch index at every event-processing point of a batch and
// runs an action there: it posts itself an event, each processing point
// delivers it, and it posts the next one.
class ProcessingPoints : public QObject {
 public:
  explicit ProcessingPoints(TForm1& form) : form_(form) { post(); }
  QList<int> indexes;
  std::function<void(int index)> action;

 protected:
  bool event(QEvent* e) override {
    if (e->type() != QEvent::User) return QObject::event(e);
    if (form_.batchRunning()) {
      indexes << form_.batchIndex;
      if (action) action(form_.batchIndex);
    }
    post();
    return true;
  }

 private:
  void post() { QCoreApplication::postEvent(this, new QEvent(QEvent::User)); }
  TForm1& form_;
};

std::uint64_t tinyMemory() { return 1000; }

const RunInputs kDefaults;

}  // namespace

class RunControlTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<FreshWorkingDirectory> dir_;
  std::unique_ptr<TForm1> form_;

  TForm1& openForm(EncodingKind kind) {
    form_ = std::make_unique<TForm1>(kind);
    form_->show();
    form_->activateWindow();
    if (!QTest::qWaitForWindowActive(form_.get())) qWarning("window not active");
    return *form_;
  }
  static void altKey(Qt::Key key) {
    QTest::keyClick(QApplication::focusWidget(), key, Qt::AltModifier);
  }

 private slots:
  void initTestCase() { QLocale::setDefault(QLocale::c()); }  // "0.50000", whatever the user's
  void init() { dir_ = std::make_unique<FreshWorkingDirectory>(); }
  void cleanup() {
    form_.reset();
    dir_.reset();
  }

  void labelsFollowTheRunnersRows_data();
  void labelsFollowTheRunnersRows();
  void everyPressMatchesTheEngine_data();
  void everyPressMatchesTheEngine();
  void batchProcessesEventsEveryRefreshGenerations_data();
  void batchProcessesEventsEveryRefreshGenerations();
  void stopAtTheFirstProcessingPoint_data();
  void stopAtTheFirstProcessingPoint();
  void stopWithoutABatchChangesNothing();
  void createDuringABatch();
  void closeDuringABatchRunsToTheLimit();
  void windowDestroyedDuringABatch();
  void twoStartsShowTheSameLabels();
  void doubleClickShowsTheTourInWendra3Only_data();
  void doubleClickShowsTheTourInWendra3Only();
  void acceleratorReadsAreClamped_data();
  void acceleratorReadsAreClamped();
  void batchLimitsAreClamped_data();
  void batchLimitsAreClamped();
  void refusedCreateChangesNothing_data();
  void refusedCreateChangesNothing();
  void resizeRedrawsTheToursOnceThereIsAPopulation();
  void tourTextJoinsCities();
};

void RunControlTest::labelsFollowTheRunnersRows_data() {
  QTest::addColumn<EncodingKind>("kind");
  QTest::addColumn<QStringList>("rows");  // "glmax|best|generation|average", generations 0, 1, ...
  // wendra-run --encoding key --generations 3 (default inputs)
  QTest::newRow("wendra3") << EncodingKind::kRandomKey
                           << QStringList{"[0]: 602|602|0|659.91999999999996",
                                          "[0]: 586|586|1|650.91999999999996",
                                          "[1]: 584|584|2|649.27999999999997",
                                          "[2]: 572|572|3|645.77999999999997"};
  // wendra-run --encoding path --generations 3
  QTest::newRow("wendra1") << EncodingKind::kPath
                           << QStringList{"[0]: 570|570|0|666.62",
                                          "[0]: 548|548|1|629.75999999999999",
                                          "[1]: 534|534|2|609.29999999999995",
                                          "[2]: 518|518|3|589.55999999999995"};
}

void RunControlTest::labelsFollowTheRunnersRows() {
  QFETCH(EncodingKind, kind);
  QFETCH(QStringList, rows);
  TForm1& form = openForm(kind);
  QCOMPARE(shownLabels(form), (QStringList{"0", "0", "0"}));
  QVERIFY(!form.Button1->isEnabled());
  QVERIFY(!form.Button3->isEnabled());

  for (int g = 0; g < rows.size(); ++g) {
    press(g == 0 ? form.CreateButton : form.Button1);
    const QStringList row = rows[g].split(u'|');
    QCOMPARE(shownLabels(form), row.mid(0, 3));
    // The chart is emptied after the creation's update; each step adds one
    // point per series.
    QCOMPARE(form.Series1->count(), g);
    if (g > 0) {
      QCOMPARE(form.Series1->yValues()[g - 1], row[3].toDouble());
      QCOMPARE(form.Series2->yValues()[g - 1], row[1].toDouble());
      QCOMPARE(form.Series1->xValues()[g - 1], double(g - 1));
    }
    QVERIFY(form.Button1->isEnabled());
    QVERIFY(form.Button3->isEnabled());
  }
}

void RunControlTest::everyPressMatchesTheEngine_data() {
  QTest::addColumn<EncodingKind>("kind");
  QTest::addColumn<int>("width");
  QTest::addColumn<int>("height");
  QTest::addColumn<int>("population");
  QTest::addColumn<double>("pcross");
  QTest::addColumn<double>("pmut");
  QTest::newRow("wendra1 4x6, odd P, always crossed")
      << EncodingKind::kPath << 4 << 6 << 7 << 1.0 << 0.0;
  QTest::newRow("wendra3 12x5, P=2, never crossed")
      << EncodingKind::kRandomKey << 12 << 5 << 2 << 0.0 << 0.2;
  QTest::newRow("wendra3 4x4") << EncodingKind::kRandomKey << 4 << 4 << 5 << 0.5 << 0.07;
  QTest::newRow("wendra1 30x9 mutation above 1")
      << EncodingKind::kPath << 30 << 9 << 40 << 0.75 << 1.5;
}

void RunControlTest::everyPressMatchesTheEngine() {
  QFETCH(EncodingKind, kind);
  QFETCH(int, width);
  QFETCH(int, height);
  QFETCH(int, population);
  QFETCH(double, pcross);
  QFETCH(double, pmut);
  const RunInputs in{width, height, population, pcross, pmut};
  TForm1& form = openForm(kind);
  Reference ref(kind);

  // Create, three single steps, a batch of 5, a second Create (continuing
  // the random stream) and one more step.
  enter(form, in);
  press(form.CreateButton);
  ref.create(in);
  QCOMPARE(form.engine().grid(), Grid::of(width, height));
  QCOMPARE(form.engine().populationSize(), population);
  checkDisplay(form, *ref.engine, 0);
  for (int g = 1; g <= 3; ++g) {
    press(form.Button1);
    ref.steps(1);
    checkDisplay(form, *ref.engine, g);
  }
  form.StepCount->setText(QStringLiteral("5"));
  press(form.Button3);
  ref.steps(5);
  checkDisplay(form, *ref.engine, 3 + 5 + 1);
  press(form.CreateButton);
  ref.create(in);
  checkDisplay(form, *ref.engine, 0);
  press(form.Button1);
  ref.steps(1);
  checkDisplay(form, *ref.engine, 1);
}

void RunControlTest::batchProcessesEventsEveryRefreshGenerations_data() {
  QTest::addColumn<int>("refresh");
  QTest::addColumn<QList<int>>("points");
  QTest::newRow("1") << 1 << [] {
    QList<int> all;
    for (int i = 1; i <= 100; ++i) all << i;
    return all;
  }();
  QTest::newRow("10") << 10 << QList<int>{10, 20, 30, 40, 50, 60, 70, 80, 90, 100};
  QTest::newRow("30, not a divisor") << 30 << QList<int>{30, 60, 90};
  QTest::newRow("100") << 100 << QList<int>{100};
  QTest::newRow("above the batch length") << 101 << QList<int>{};
}

void RunControlTest::batchProcessesEventsEveryRefreshGenerations() {
  QFETCH(int, refresh);
  QFETCH(QList<int>, points);
  TForm1& form = openForm(EncodingKind::kRandomKey);
  press(form.CreateButton);
  form.RefreshCount->setText(QString::number(refresh));

  // At every processing point, where the window repaints, the display shows
  // the generation just stepped.
  Reference ref(EncodingKind::kRandomKey);
  ref.create(kDefaults);
  ProcessingPoints recorder(form);
  bool stepsDisabled = true;
  QStringList wrongDisplays;
  recorder.action = [&](int index) {
    stepsDisabled = stepsDisabled && !form.Button1->isEnabled() && !form.Button3->isEnabled();
    ref.steps(index - ref.engine->generation());
    if (shownLabels(form) != labelsFor(*ref.engine) ||
        form.Image1->picture() != referencePicture(form, *ref.engine) ||
        form.Series1->count() != index)
      wrongDisplays << QString::number(index);
  };
  press(form.Button3);
  QCOMPARE(recorder.indexes, points);
  QCOMPARE(wrongDisplays, QStringList());
  QVERIFY(stepsDisabled);
  QVERIFY(form.Button1->isEnabled());
  QVERIFY(form.Button3->isEnabled());
  QVERIFY(!form.batchRunning());

  // 100 generations and the final update: 101 points, the last two equal,
  // X running 0 ... 100; the labels are the runner's row 100
  // (wendra-run --encoding key --generations 100).
  QCOMPARE(form.Series1->count(), 101);
  QCOMPARE(form.Series2->count(), 101);
  for (const wendra::ChartSeries* s : {form.Series1, form.Series2}) {
    QCOMPARE(s->yValues()[100], s->yValues()[99]);
    QCOMPARE(s->xValues()[100], 100.0);
  }
  QCOMPARE(form.Series1->yValues()[100], 633.82000000000005);
  QCOMPARE(shownLabels(form), (QStringList{"[65]: 506", "558", "100"}));
}

void RunControlTest::stopAtTheFirstProcessingPoint_data() {
  QTest::addColumn<bool>("byKey");
  QTest::newRow("click") << false;
  QTest::newRow("Alt+S") << true;
}

void RunControlTest::stopAtTheFirstProcessingPoint() {
  QFETCH(bool, byKey);
  TForm1& form = openForm(EncodingKind::kPath);
  press(form.CreateButton);
  form.RefreshCount->setText(QStringLiteral("10"));

  ProcessingPoints recorder(form);
  recorder.action = [&](int) {
    if (byKey)
      altKey(Qt::Key_S);
    else
      press(form.Button2);
  };
  press(form.Button3);
  QCOMPARE(recorder.indexes, QList<int>{10});
  // wendra-run --encoding path --generations 10, row 10; ten points and the
  // final one.
  QCOMPARE(shownLabels(form), (QStringList{"[8]: 478", "480", "10"}));
  QCOMPARE(form.Series1->count(), 11);
  QCOMPARE(form.Series1->yValues()[10], 555.38);
  QVERIFY(form.Button1->isEnabled());
  QVERIFY(form.Button3->isEnabled());
}

void RunControlTest::stopWithoutABatchChangesNothing() {
  TForm1& form = openForm(EncodingKind::kRandomKey);
  press(form.Button2);
  QCOMPARE(shownLabels(form), (QStringList{"0", "0", "0"}));
  press(form.CreateButton);
  press(form.Button2);
  press(form.Button1);
  Reference ref(EncodingKind::kRandomKey);
  ref.create(kDefaults);
  ref.steps(1);
  checkDisplay(form, *ref.engine, 1);
  // A later batch runs its full length.
  form.StepCount->setText(QStringLiteral("7"));
  press(form.Button3);
  ref.steps(7);
  checkDisplay(form, *ref.engine, 1 + 7 + 1);
}

void RunControlTest::createDuringABatch() {
  TForm1& form = openForm(EncodingKind::kRandomKey);
  press(form.CreateButton);
  form.RefreshCount->setText(QStringLiteral("10"));

  ProcessingPoints recorder(form);
  bool buttonsAfterCreate = true;
  recorder.action = [&](int index) {
    if (index == 10) {
      form.WidthEdit->setText(QStringLiteral("5"));
      form.PopEdit->setText(QStringLiteral("31"));
      press(form.CreateButton);
    } else {
      // The batch keeps the step buttons disabled until it ends.
      buttonsAfterCreate =
          buttonsAfterCreate && !form.Button1->isEnabled() && !form.Button3->isEnabled();
    }
  };
  press(form.Button3);

  // The batch went on with the new population and its old limit: 90 more
  // generations, then the final update.
  RunInputs changed = kDefaults;
  changed.width = 5;
  changed.population = 31;
  Reference ref(EncodingKind::kRandomKey);
  ref.create(kDefaults);
  ref.steps(10);
  ref.create(changed);
  ref.steps(90);
  QCOMPARE(recorder.indexes.size(), 10);
  QVERIFY(buttonsAfterCreate);
  QCOMPARE(form.engine().grid(), Grid::of(5, 10));
  checkDisplay(form, *ref.engine, 91);
  QVERIFY(form.Button1->isEnabled());
  QVERIFY(form.Button3->isEnabled());
}

void RunControlTest::closeDuringABatchRunsToTheLimit() {
  // Without the application's event loop (see tst_run_control_quit for the
  // program's end) the close hides the window and the batch runs on.
  TForm1& form = openForm(EncodingKind::kRandomKey);
  press(form.CreateButton);
  form.RefreshCount->setText(QStringLiteral("10"));
  ProcessingPoints recorder(form);
  recorder.action = [&](int index) {
    if (index == 10) press(form.CloseButton);
  };
  press(form.Button3);
  QVERIFY(!form.isVisible());
  QCOMPARE(recorder.indexes.size(), 10);
  QCOMPARE(form.engine().generation(), 100);
  QCOMPARE(form.Series1->count(), 101);
  QVERIFY(form.Button1->isEnabled());
}

void RunControlTest::windowDestroyedDuringABatch() {
  // Whatever ends the window inside the event processing, the handler
  // returns without touching it.
  auto* form = new TForm1(EncodingKind::kPath);
  form->show();
  QTest::mouseClick(form->CreateButton, Qt::LeftButton);
  form->RefreshCount->setText(QStringLiteral("5"));
  QPointer<TForm1> alive(form);
  int deletedAt = -1;
  auto* killer = new ProcessingPoints(*form);
  killer->action = [&](int index) {
    if (deletedAt >= 0) return;
    deletedAt = index;
    delete form;
  };
  form->Button3Click();
  QVERIFY(alive.isNull());
  QCOMPARE(deletedAt, 5);
  delete killer;
}

void RunControlTest::twoStartsShowTheSameLabels() {
  for (EncodingKind kind : {EncodingKind::kPath, EncodingKind::kRandomKey}) {
    QList<QStringList> seen[2];
    QList<double> averages[2];
    for (auto& labels : seen) {
      const int start = &labels - seen;
      TForm1& form = openForm(kind);
      form.StepCount->setText(QStringLiteral("25"));
      form.RefreshCount->setText(QStringLiteral("4"));
      press(form.CreateButton);
      labels << shownLabels(form);
      press(form.Button1);
      labels << shownLabels(form);
      press(form.Button3);
      labels << shownLabels(form);
      press(form.CreateButton);
      labels << shownLabels(form);
      averages[start] = QList<double>(form.Series1->yValues().values().begin(),
                                      form.Series1->yValues().values().end());
      form_.reset();
    }
    QCOMPARE(seen[0], seen[1]);
    QCOMPARE(averages[0], averages[1]);
    QCOMPARE(seen[0].size(), 4);
  }
}

void RunControlTest::doubleClickShowsTheTourInWendra3Only_data() {
  QTest::addColumn<EncodingKind>("kind");
  QTest::addColumn<int>("side");
  QTest::addColumn<int>("population");
  QTest::addColumn<QString>("tour");
  // wendra-run --encoding key --width 4 --height 4 --population 5
  // --generations 1 --tour: best_tour of generation 1.
  QTest::newRow("wendra3 4x4") << EncodingKind::kRandomKey << 4 << 5
                               << "1;13;2;0;12;8;4;6;5;9;3;15;11;7;14;10";
  // wendra-run --encoding key --generations 1 --tour: a line far wider than
  // the screen, shown wrapped.
  QTest::newRow("wendra3 10x10")
      << EncodingKind::kRandomKey << 10 << 100
      << "61;91;33;47;58;78;84;85;86;38;18;3;51;37;27;70;94;17;14;68;89;93;46;80;32;43;63;4;31;"
         "77;5;75;13;60;0;95;82;96;23;44;98;6;28;88;36;49;53;34;48;59;67;83;22;81;26;41;97;25;19;"
         "65;92;15;20;90;54;57;1;30;72;56;79;69;99;2;21;40;87;62;42;35;45;66;74;73;29;39;55;16;7;"
         "9;24;8;10;11;71;76;52;50;64;12";
  QTest::newRow("wendra1") << EncodingKind::kPath << 4 << 5 << "";
}

void RunControlTest::doubleClickShowsTheTourInWendra3Only() {
  QFETCH(EncodingKind, kind);
  QFETCH(int, side);
  QFETCH(int, population);
  QFETCH(QString, tour);
  TForm1& form = openForm(kind);
  ModalBoxRecorder boxes;
  const QPoint inside(300, 100);

  // No population: nothing to show.
  QTest::mouseDClick(form.Chart1, Qt::LeftButton, {}, inside);
  QCOMPARE(boxes.boxes.size(), 0);

  RunInputs in = kDefaults;
  in.width = in.height = side;
  in.population = population;
  enter(form, in);
  press(form.CreateButton);
  press(form.Button1);
  const QStringList before = shownLabels(form);
  const int points = form.Series1->count();
  QTest::mouseDClick(form.Chart1, Qt::LeftButton, {}, inside);
  // The right button's double click is never the chart's action.
  QTest::mouseDClick(form.Chart1, Qt::RightButton, {}, inside);

  if (kind == EncodingKind::kPath) {
    QCOMPARE(boxes.boxes.size(), 0);
  } else {
    QCOMPARE(boxes.boxes.size(), 1);
    const ShownBox& box = boxes.boxes.first();
    QCOMPARE(box.text, tour);
    QVERIFY(box.wholeTextShown);
    QCOMPARE(box.title, Application::title());
    QCOMPARE(box.icon, QMessageBox::NoIcon);
    QCOMPARE(box.buttons, QList<QMessageBox::StandardButton>{QMessageBox::Ok});
    QVERIFY(!box.hasParent);  // centred on the screen
  }
  // Nothing else changed.
  QCOMPARE(shownLabels(form), before);
  QCOMPARE(form.Series1->count(), points);
  QVERIFY(form.Chart1->bottomAxis().Automatic);
}

void RunControlTest::acceleratorReadsAreClamped_data() {
  QTest::addColumn<QString>("input");
  QTest::addColumn<QString>("text");
  QTest::addColumn<int>("width");
  QTest::addColumn<int>("height");
  QTest::addColumn<int>("population");
  QTest::newRow("width 3") << "WidthEdit" << "3" << 4 << 10 << 100;
  QTest::newRow("width 101") << "WidthEdit" << "101" << 100 << 10 << 100;
  QTest::newRow("width -5") << "WidthEdit" << "-5" << 4 << 10 << 100;
  QTest::newRow("width beyond 32 bits") << "WidthEdit" << "4294967306" << 4 << 10 << 100;
  QTest::newRow("height 0") << "HeightEdit" << "0" << 10 << 4 << 100;
  QTest::newRow("height empty") << "HeightEdit" << "" << 10 << 4 << 100;
  QTest::newRow("height 1-2") << "HeightEdit" << "1-2" << 10 << 4 << 100;
  QTest::newRow("population 1") << "PopEdit" << "1" << 10 << 10 << 2;
  QTest::newRow("population empty") << "PopEdit" << "" << 10 << 10 << 2;
  QTest::newRow("population -100") << "PopEdit" << "-100" << 10 << 10 << 2;
  QTest::newRow("population 0x10") << "PopEdit" << "0x10" << 10 << 10 << 16;
}

void RunControlTest::acceleratorReadsAreClamped() {
  QFETCH(QString, input);
  QFETCH(QString, text);
  QFETCH(int, width);
  QFETCH(int, height);
  QFETCH(int, population);
  TForm1& form = openForm(EncodingKind::kPath);
  auto* edit = form.findChild<wendra::SpinInput*>(input);
  QVERIFY(edit);
  edit->setFocus(Qt::TabFocusReason);
  edit->setText(text);
  altKey(Qt::Key_C);
  // The focus never left the input, so its text is as typed.
  QCOMPARE(QApplication::focusWidget(), edit);
  QCOMPARE(edit->text(), text);

  QCOMPARE(form.engine().grid(), Grid::of(width, height));
  QCOMPARE(form.engine().populationSize(), population);
  Reference ref(EncodingKind::kPath);
  ref.create({width, height, population, 0.5, 0.07});
  checkDisplay(form, *ref.engine, 0);
  // Stepping the clamped population works.
  altKey(Qt::Key_O);
  ref.steps(1);
  checkDisplay(form, *ref.engine, 1);
}

void RunControlTest::batchLimitsAreClamped_data() {
  QTest::addColumn<QString>("steps");
  QTest::addColumn<QString>("refresh");
  QTest::addColumn<bool>("focusOnSteps");
  QTest::addColumn<int>("limit");
  QTest::addColumn<QList<int>>("points");
  QTest::newRow("refresh 0") << "4" << "0" << false << 4 << QList<int>{1, 2, 3, 4};
  QTest::newRow("refresh -3") << "3" << "-3" << false << 3 << QList<int>{1, 2, 3};
  QTest::newRow("refresh empty") << "2" << "" << false << 2 << QList<int>{1, 2};
  QTest::newRow("refresh 5000") << "2500" << "5000" << false << 2500 << QList<int>{1000, 2000};
  QTest::newRow("steps 0") << "0" << "1" << true << 1 << QList<int>{1};
  QTest::newRow("steps -7") << "-7" << "1" << true << 1 << QList<int>{1};
  QTest::newRow("steps empty") << "" << "1" << true << 1 << QList<int>{1};
  QTest::newRow("steps junk") << "1x" << "1" << true << 1 << QList<int>{1};
}

void RunControlTest::batchLimitsAreClamped() {
  QFETCH(QString, steps);
  QFETCH(QString, refresh);
  QFETCH(bool, focusOnSteps);
  QFETCH(int, limit);
  QFETCH(QList<int>, points);
  TForm1& form = openForm(EncodingKind::kRandomKey);
  RunInputs in = kDefaults;
  in.width = in.height = 4;
  in.population = 4;
  enter(form, in);
  press(form.CreateButton);
  form.StepCount->setText(steps);
  form.RefreshCount->setText(refresh);
  (focusOnSteps ? form.StepCount : form.RefreshCount)->setFocus(Qt::TabFocusReason);

  ProcessingPoints recorder(form);
  altKey(Qt::Key_B);
  QCOMPARE(form.batchLimit, limit);
  QCOMPARE(recorder.indexes, points);
  QCOMPARE(form.engine().generation(), limit);
  QCOMPARE(form.Series1->count(), limit + 1);
  QCOMPARE(form.StepCount->text(), steps);
  QCOMPARE(form.RefreshCount->text(), refresh);
}

void RunControlTest::refusedCreateChangesNothing_data() {
  QTest::addColumn<bool>("runFirst");
  QTest::addColumn<bool>("memory");  // else a probability beyond the double range
  QTest::addColumn<QString>("message");
  QTest::newRow("memory, first creation") << false << true << "Not enough memory";
  QTest::newRow("memory, after a run") << true << true << "Not enough memory";
  QTest::newRow("probability 1e400") << true << false << "Floating point overflow.";
}

void RunControlTest::refusedCreateChangesNothing() {
  QFETCH(bool, runFirst);
  QFETCH(bool, memory);
  QFETCH(QString, message);
  [[maybe_unused]] QtUnwindLeaks overlook;
  TForm1& form = openForm(EncodingKind::kRandomKey);
  Reference ref(EncodingKind::kRandomKey);
  if (runFirst) {
    press(form.CreateButton);
    press(form.Button1);
    press(form.Button1);
    ref.create(kDefaults);
    ref.steps(2);
  }
  const QStringList labels = shownLabels(form);
  const int points = form.Series1->count();
  const QImage picture = form.Image1->picture();
  const bool stepping = form.Button1->isEnabled();
  const Grid grid = form.engine().grid();
  const int population = form.engine().populationSize();

  BoxRecorder errors;
  if (memory) {
    form.engine().setMemoryProbe(&tinyMemory);
  } else {
    form.PMutValue->setText(QStringLiteral("1e400"));
  }
  form.WidthEdit->setText(QStringLiteral("7"));
  press(form.CreateButton);

  QCOMPARE(errors.boxes.size(), 1);
  const ShownBox& box = errors.boxes.first();
  QVERIFY2(box.text.startsWith(message), qPrintable(box.text));
  QCOMPARE(box.icon, QMessageBox::Critical);
  QCOMPARE(box.title, Application::title());
  QCOMPARE(shownLabels(form), labels);
  QCOMPARE(form.Series1->count(), points);
  QCOMPARE(form.Series2->count(), points);
  QCOMPARE(form.Image1->picture(), picture);
  QCOMPARE(form.Button1->isEnabled(), stepping);
  QCOMPARE(form.Button3->isEnabled(), stepping);
  QCOMPARE(form.engine().grid(), grid);
  QCOMPARE(form.engine().populationSize(), population);

  // The previous run goes on as if nothing had happened ...
  if (runFirst) {
    press(form.Button1);
    ref.steps(1);
    checkDisplay(form, *ref.engine, points + 1);
  }
  // ... and the next creation that fits continues the random stream.
  form.engine().setMemoryProbe(&wendra::availableMemory);
  form.PMutValue->setText(QStringLiteral("0.07000"));
  press(form.CreateButton);
  RunInputs in = kDefaults;
  in.width = 7;
  ref.create(in);
  checkDisplay(form, *ref.engine, 0);
  QCOMPARE(errors.boxes.size(), 1);
}

void RunControlTest::resizeRedrawsTheToursOnceThereIsAPopulation() {
  TForm1& form = openForm(EncodingKind::kPath);
  form.resize(705, 560);
  QTRY_COMPARE(form.Panel4->height(), 246);
  QVERIFY(form.Image1->picture().isNull());

  RunInputs in = kDefaults;
  in.width = in.height = 4;
  enter(form, in);
  press(form.CreateButton);
  Reference ref(EncodingKind::kPath);
  ref.create(in);
  checkDisplay(form, *ref.engine, 0);

  // The vertical origin follows Panel4's new height: (306 - 120) div 2.
  form.resize(705, 620);
  QTRY_COMPARE(form.Panel4->height(), 306);
  checkDisplay(form, *ref.engine, 0);
  const QImage& picture = form.Image1->picture();
  const int first = ref.engine->overallBestTour().front();
  QCOMPARE(picture.pixelColor(20 + (first % 4) * 30, 93 + (first / 4) * 30 + 2),
           QColor(Qt::black));
}

void RunControlTest::tourTextJoinsCities() {
  const std::int32_t tour[] = {3, 1, 0, 2};
  QCOMPARE(wendra::tourText(tour), QStringLiteral("3;1;0;2"));
  const std::int32_t one[] = {9999};
  QCOMPARE(wendra::tourText(one), QStringLiteral("9999"));
}

int main(int argc, char** argv) {
  Application app(argc, argv);
  RunControlTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "tst_run_control.moc"
