// Generations per second of "&Batch" in the real window, everything
// included: the engine's step, the display update after every generation
// (average, chart points, tour picture, labels) and the repaints of chart,
// tour view and labels at every event-processing point. Each iteration
// creates a fresh population (not timed) and runs one batch.
//
// Every batch case measures, in the same run, right before and right after
// its batch (the mean of the two; the machine is shared and its speed moves):
//   engine/s  the same generations of the same engine without a window;
//   floor/s   the repaint floor (repaint_floor.h) for the window's areas
//             (floor:ab: the floor after the batch over the one before);
//   bound/s   1 / (1 / engine + 1 / (refresh x floor)), the best a batch at
//             that refresh can do here;
//   share     gen/s as a part of bound/s.
// The long cases (a batch of 20000) also give the rate over the first 2000
// generations and over the rest, and their ratio.
//
// Cases: both programs at the default inputs (10 x 10, P = 100) with a batch
// of 100 and refresh 1, 10 and 100; wendra3 with a batch of 20000 at refresh
// 1 and 10; both programs on a 100 x 100 grid with P = 100 and a batch of
// 200. BM_DisplayUpdate times one display update after a step (the step
// not timed) without a repaint, BM_ChartRepaint one chart repaint after two
// new points with the series at a given length.
//
//   build/bench/ui_batch --benchmark_counters_tabular=true
// runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise
// (QT_QPA_PLATFORM=xcb DISPLAY=:n for a real window under Xvfb).

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cmath>

#include "engines.h"
#include "main_window.h"
#include "repaint_floor.h"

namespace {

using wendra::EncodingKind;
using wendra::TForm1;
using wendra::bench::batchBound;
using wendra::bench::waitUntilExposed;

constexpr int kPopulation = 100;

// Removes the settings file that the previous case's window saved when it
// closed, so that the next window starts from its design values.
struct NoSettingsFile {
  NoSettingsFile() { QFile::remove(QStringLiteral("wendra.ini")); }
};

// The window, shown, with the given inputs.
struct ShownForm : NoSettingsFile {
  TForm1 form;
  ShownForm(EncodingKind kind, int side, int batchLength, int refresh) : form(kind) {
    form.show();
    waitUntilExposed(form);
    form.WidthEdit->setText(QString::number(side));
    form.HeightEdit->setText(QString::number(side));
    form.PopEdit->setText(QString::number(kPopulation));
    form.StepCount->setText(QString::number(batchLength));
    form.RefreshCount->setText(QString::number(refresh));
  }
};

// Generations per second of the engine alone on the window's inputs.
double engineRate(EncodingKind kind, int side, int generations) {
  const auto engine = wendra::makeEngine(kind);
  engine->createPopulation(wendra::Grid::of(side, side), kPopulation, 0.07, 0.5);
  QElapsedTimer clock;
  clock.start();
  for (int g = 0; g < generations; ++g) {
    engine->step();
    benchmark::DoNotOptimize(engine->averageLength());
  }
  return generations / (clock.nsecsElapsed() / 1e9);
}

// The floor for the areas of `form` that a display update repaints.
double repaintFloor(TForm1& form) {
  std::vector<QRect> areas;
  for (QWidget* area : std::initializer_list<QWidget*>{form.Chart1, form.Image1, form.GLMax,
                                                       form.Best, form.Generation})
    areas.emplace_back(area->mapTo(&form, QPoint(0, 0)), area->size());
  // The floor's window covers the form's while it measures.
  wendra::bench::RepaintFloor floor(form.geometry(), areas);
  return floor.measure(2000);
}

// The floor and the engine rate, measured around the batch.
struct Limits {
  double floor = 0, engine = 0, floorRatio = 1;
};

Limits measureLimits(TForm1& form, EncodingKind kind, int side, int generations) {
  return {repaintFloor(form), engineRate(kind, side, generations), 1};
}

Limits meanOf(const Limits& before, const Limits& after) {
  return {(before.floor + after.floor) / 2, (before.engine + after.engine) / 2,
          after.floor / before.floor};
}

void reportShares(benchmark::State& state, double rate, const Limits& limits, int refresh) {
  const double engine = limits.engine, floor = limits.floor;
  const double bound = batchBound(engine, floor, refresh);
  state.counters["gen/s"] = rate;
  state.counters["engine/s"] = engine;
  state.counters["floor/s"] = floor;
  state.counters["floor:ab"] = limits.floorRatio;
  state.counters["bound/s"] = bound;
  state.counters["share"] = rate / bound;
}

// Notes the time of the first chart paint at or after generation `mark`.
class MarkClock : public QObject {
 public:
  MarkClock(TForm1& form, int mark, const QElapsedTimer& clock)
      : form_(form), mark_(mark), clock_(clock) {
    form.Chart1->installEventFilter(this);
  }
  ~MarkClock() override { form_.Chart1->removeEventFilter(this); }
  double seconds() const { return ns_ / 1e9; }
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint && ns_ < 0 && form_.engine().generation() >= mark_)
      ns_ = clock_.nsecsElapsed();
    return false;
  }

 private:
  TForm1& form_;
  int mark_;
  const QElapsedTimer& clock_;
  qint64 ns_ = -1;
};

void BM_Batch(benchmark::State& state, EncodingKind kind, int side, int batchLength) {
  const int refresh = static_cast<int>(state.range(0));
  ShownForm shown(kind, side, batchLength, refresh);
  TForm1& form = shown.form;
  form.CreateButtonClick();
  QCoreApplication::processEvents();
  const Limits before = measureLimits(form, kind, side, batchLength);

  double seconds = 0;
  for (auto _ : state) {
    form.CreateButtonClick();
    QCoreApplication::processEvents();
    QElapsedTimer clock;
    clock.start();
    form.Button3Click();
    // The repaint that shows the batch's last update belongs to it.
    QCoreApplication::processEvents();
    state.SetIterationTime(clock.nsecsElapsed() / 1e9);
    seconds += clock.nsecsElapsed() / 1e9;
  }
  reportShares(state, state.iterations() * batchLength / seconds,
               meanOf(before, measureLimits(form, kind, side, batchLength)), refresh);
}

// One batch of `batchLength` generations; the rates before and after
// generation 2000.
void BM_LongBatch(benchmark::State& state, EncodingKind kind, int batchLength) {
  constexpr int kMark = 2000;
  const int refresh = static_cast<int>(state.range(0));
  ShownForm shown(kind, 10, batchLength, refresh);
  TForm1& form = shown.form;
  form.CreateButtonClick();
  QCoreApplication::processEvents();
  const Limits before = measureLimits(form, kind, 10, batchLength);

  for (auto _ : state) {
    form.CreateButtonClick();
    QCoreApplication::processEvents();
    QElapsedTimer clock;
    MarkClock mark(form, kMark, clock);
    clock.start();
    form.Button3Click();
    QCoreApplication::processEvents();
    const double seconds = clock.nsecsElapsed() / 1e9;
    state.SetIterationTime(seconds);
    reportShares(state, batchLength / seconds, meanOf(before, measureLimits(form, kind, 10, batchLength)),
                 refresh);
    const double first = kMark / mark.seconds();
    const double rest = (batchLength - kMark) / (seconds - mark.seconds());
    state.counters["first/s"] = first;
    state.counters["rest/s"] = rest;
    state.counters["rest:first"] = rest / first;
  }
}

void BM_EngineOnly(benchmark::State& state, EncodingKind kind, int side, int batchLength) {
  const auto engine = wendra::makeEngine(kind);
  for (auto _ : state) {
    state.PauseTiming();
    engine->createPopulation(wendra::Grid::of(side, side), kPopulation, 0.07, 0.5);
    state.ResumeTiming();
    for (int g = 0; g < batchLength; ++g) {
      engine->step();
      benchmark::DoNotOptimize(engine->averageLength());
    }
  }
  state.counters["gen/s"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * batchLength, benchmark::Counter::kIsRate);
}

// One display update without a repaint: the part of a generation that a
// batch spends on the display between two processing points. The engine
// steps before each one (not timed), so that the tours change as in a batch.
void BM_DisplayUpdate(benchmark::State& state, EncodingKind kind, int side) {
  ShownForm shown(kind, side, 100, 1);
  TForm1& form = shown.form;
  form.CreateButtonClick();
  int sinceClear = 0;
  for (auto _ : state) {
    state.PauseTiming();
    wendra::EvolutionEngine& engine = form.engine();
    engine.step();
    // The engine finishes a generation's lengths and tours when first asked.
    benchmark::DoNotOptimize(engine.averageLength() + engine.generationBestLength() +
                             engine.overallBestLength());
    benchmark::DoNotOptimize(engine.generationBestTour().data());
    benchmark::DoNotOptimize(engine.overallBestTour().data());
    state.ResumeTiming();
    form.displayUpdate();
    if (++sinceClear == 1000) {  // keeps the series at a batch's size
      state.PauseTiming();
      form.Series1->Clear();
      form.Series2->Clear();
      sinceClear = 0;
      state.ResumeTiming();
    }
  }
}

// A chart repaint after one new point in each series, with the series held
// at about `state.range(0)` points: what a repaint costs as a run grows.
void BM_ChartRepaint(benchmark::State& state) {
  const int points = static_cast<int>(state.range(0));
  ShownForm shown(EncodingKind::kRandomKey, 10, 100, 1);
  TForm1& form = shown.form;
  int i = 0;
  auto refill = [&] {
    form.Series1->Clear();
    form.Series2->Clear();
    for (i = 0; i < points; ++i) {
      // A decaying run with some noise, like a batch's averages and bests.
      form.Series1->Add(std::round(300 + 350 * std::exp(-i / 2500.0) + 20 * std::sin(i * 0.7)));
      form.Series2->Add(std::round(250 + 300 * std::exp(-i / 2000.0) + 10 * std::sin(i * 1.3)));
    }
    form.Chart1->repaint();
  };
  refill();
  for (auto _ : state) {
    form.Series1->Add(std::round(300 + 350 * std::exp(-i / 2500.0) + 20 * std::sin(i * 0.7)));
    form.Series2->Add(std::round(250 + 300 * std::exp(-i / 2000.0) + 10 * std::sin(i * 1.3)));
    ++i;
    form.Chart1->repaint();
    if (i >= points + 1000) {
      state.PauseTiming();
      refill();
      state.ResumeTiming();
    }
  }
}

}  // namespace

BENCHMARK_CAPTURE(BM_DisplayUpdate, wendra1_10x10, EncodingKind::kPath, 10);
BENCHMARK_CAPTURE(BM_DisplayUpdate, wendra3_10x10, EncodingKind::kRandomKey, 10);
BENCHMARK_CAPTURE(BM_DisplayUpdate, wendra1_100x100, EncodingKind::kPath, 100);
BENCHMARK_CAPTURE(BM_DisplayUpdate, wendra3_100x100, EncodingKind::kRandomKey, 100);
BENCHMARK(BM_ChartRepaint)->Arg(1000)->Arg(20000);
BENCHMARK_CAPTURE(BM_Batch, wendra1_10x10, EncodingKind::kPath, 10, 100)
    ->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK_CAPTURE(BM_Batch, wendra3_10x10, EncodingKind::kRandomKey, 10, 100)
    ->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK_CAPTURE(BM_LongBatch, wendra3_10x10_20000, EncodingKind::kRandomKey, 20000)
    ->Arg(1)->Arg(10)->Iterations(1)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK_CAPTURE(BM_Batch, wendra1_100x100, EncodingKind::kPath, 100, 200)
    ->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK_CAPTURE(BM_Batch, wendra3_100x100, EncodingKind::kRandomKey, 100, 200)
    ->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK_CAPTURE(BM_EngineOnly, wendra1_10x10, EncodingKind::kPath, 10, 100)
    ->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_EngineOnly, wendra3_10x10, EncodingKind::kRandomKey, 10, 100)
    ->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_EngineOnly, wendra1_100x100, EncodingKind::kPath, 100, 200)
    ->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_EngineOnly, wendra3_100x100, EncodingKind::kRandomKey, 100, 200)
    ->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QLocale::setDefault(QLocale::c());  // the windows show "0.50000", whatever the user's locale
  // The windows save their settings file here, not where the bench started.
  QTemporaryDir folder;
  QDir::setCurrent(folder.path());
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
