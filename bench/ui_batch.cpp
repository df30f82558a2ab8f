// Generations per second of "&Batch" in the real window (offscreen platform),
// everything included: the engine's step, the display update after every
// generation (average, chart points, tour picture, labels) and the repaints
// of chart, tour view and labels at every event-processing point. Each
// iteration creates a fresh population (not timed) and runs one batch.
//
// Cases: both programs at the default inputs (10 x 10, P = 100, batch of 100)
// and on a 100 x 100 grid with P = 100 (batch of 20), each with refresh 1, 10
// and 100. BM_EngineOnly gives the same engines' steps without a window, for
// the cost of the display.
//
//   build/bench/ui_batch --benchmark_counters_tabular=true

#include <QApplication>
#include <QCoreApplication>
#include <QWindow>

#include <benchmark/benchmark.h>

#include "engines.h"
#include "locale_separators.h"
#include "main_window.h"

namespace {

using wendra::EncodingKind;
using wendra::TForm1;

void waitUntilExposed(QWidget& window) {
  for (int i = 0; i < 1000 && !(window.windowHandle() && window.windowHandle()->isExposed());
       ++i)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

void BM_Batch(benchmark::State& state, EncodingKind kind, int side, int batchLength) {
  const int refresh = static_cast<int>(state.range(0));
  TForm1 form(kind);
  form.show();
  waitUntilExposed(form);
  form.WidthEdit->setText(QString::number(side));
  form.HeightEdit->setText(QString::number(side));
  form.StepCount->setText(QString::number(batchLength));
  form.RefreshCount->setText(QString::number(refresh));

  for (auto _ : state) {
    state.PauseTiming();
    form.CreateButtonClick();
    QCoreApplication::processEvents();
    state.ResumeTiming();
    form.Button3Click();
    // The repaint that shows the batch's last update belongs to it.
    QCoreApplication::processEvents();
  }
  state.counters["gen/s"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * batchLength, benchmark::Counter::kIsRate);
}

void BM_EngineOnly(benchmark::State& state, EncodingKind kind, int side, int batchLength) {
  const auto engine = wendra::makeEngine(kind);
  for (auto _ : state) {
    state.PauseTiming();
    engine->createPopulation(wendra::Grid::of(side, side), 100, 0.07, 0.5);
    state.ResumeTiming();
    for (int g = 0; g < batchLength; ++g) {
      engine->step();
      benchmark::DoNotOptimize(engine->averageLength());
    }
  }
  state.counters["gen/s"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * batchLength, benchmark::Counter::kIsRate);
}

// One display update without a step or a repaint: the part of a generation
// that a batch spends on the display between two processing points.
void BM_DisplayUpdate(benchmark::State& state, EncodingKind kind, int side) {
  TForm1 form(kind);
  form.show();
  waitUntilExposed(form);
  form.WidthEdit->setText(QString::number(side));
  form.HeightEdit->setText(QString::number(side));
  form.CreateButtonClick();
  int sinceClear = 0;
  for (auto _ : state) {
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

}  // namespace

BENCHMARK_CAPTURE(BM_DisplayUpdate, wendra1_10x10, EncodingKind::kPath, 10);
BENCHMARK_CAPTURE(BM_DisplayUpdate, wendra3_10x10, EncodingKind::kRandomKey, 10);
BENCHMARK_CAPTURE(BM_DisplayUpdate, wendra1_100x100, EncodingKind::kPath, 100);
BENCHMARK_CAPTURE(BM_DisplayUpdate, wendra3_100x100, EncodingKind::kRandomKey, 100);
BENCHMARK_CAPTURE(BM_Batch, wendra1_10x10, EncodingKind::kPath, 10, 100)
    ->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Batch, wendra3_10x10, EncodingKind::kRandomKey, 10, 100)
    ->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Batch, wendra1_100x100, EncodingKind::kPath, 100, 20)
    ->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Batch, wendra3_100x100, EncodingKind::kRandomKey, 100, 20)
    ->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_EngineOnly, wendra1_10x10, EncodingKind::kPath, 10, 100)
    ->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_EngineOnly, wendra3_10x10, EncodingKind::kRandomKey, 10, 100)
    ->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_EngineOnly, wendra1_100x100, EncodingKind::kPath, 100, 20)
    ->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_EngineOnly, wendra3_100x100, EncodingKind::kRandomKey, 100, 20)
    ->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  wendra::pinSeparators(u'.', u',');
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
