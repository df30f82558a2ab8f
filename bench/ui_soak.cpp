// Soak run of the window (offscreen; a benchmark, not a test): memory over
// a long batch and over many creations.
//
//   1. The default inputs, "&Create", then "&Batch" for 100000 generations
//      with refresh 1000 (StepCount 100000, RefreshCount 1000). The
//      resident memory is sampled at every refresh. What may grow is the
//      chart's stored points (two series, one point each per generation);
//      the growth per stored point is printed.
//   2. 1000 presses of "&Create" in a row at 30 x 30 with P = 1000. Each
//      replaces the population; the memory after the first and the last is
//      printed.
//
// Build and run (Release, beside the regular build):
//   cmake -S . -B build-soak -DCMAKE_BUILD_TYPE=Release -DWENDRA_BUILD_TESTS=OFF
//   cmake --build build-soak --target ui_soak -j2
//   build-soak/bench/ui_soak [generations] [creations]   (defaults 100000, 1000)
// It works in a fresh temporary folder, so the settings file it saves is
// thrown away.

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocale>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "application.h"
#include "chart_series.h"
#include "main_window.h"
#include "spin_input.h"

namespace {

// VmRSS and VmHWM of this process, in KiB.
struct Memory {
  long resident = 0;
  long peak = 0;
};

Memory memory() {
  Memory m;
  QFile status(QStringLiteral("/proc/self/status"));
  if (!status.open(QIODevice::ReadOnly)) return m;
  for (const QByteArray& line : status.readAll().split('\n')) {
    if (line.startsWith("VmRSS:")) m.resident = line.mid(6).trimmed().split(' ').front().toLong();
    if (line.startsWith("VmHWM:")) m.peak = line.mid(6).trimmed().split(' ').front().toLong();
  }
  return m;
}

void press(QPushButton* button) { button->click(); }

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  wendra::Application app(argc, argv);
  const long generations = argc > 1 ? std::atol(argv[1]) : 100000;
  const long creations = argc > 2 ? std::atol(argv[2]) : 1000;
  QLocale::setDefault(QLocale::c());  // the windows show "0.50000", whatever the user's locale
  QTemporaryDir folder;
  QDir::setCurrent(folder.path());

  {
    wendra::TForm1 window(wendra::EncodingKind::kRandomKey);
    window.show();
    QCoreApplication::processEvents();

    // 1. The long batch.
    window.StepCount->setText(QString::number(generations));
    window.RefreshCount->setText(QStringLiteral("1000"));
    press(window.CreateButton);
    QCoreApplication::processEvents();
    const Memory before = memory();
    std::printf("batch: %ld generations, refresh 1000, P = %s on %s x %s (random key)\n", generations,
                qPrintable(window.PopEdit->text()), qPrintable(window.WidthEdit->text()),
                qPrintable(window.HeightEdit->text()));
    std::printf("  after Create: resident %ld KiB, peak %ld KiB\n", before.resident, before.peak);

    // Sampled at every refresh: the batch processes events there, and a
    // zero timer fires then.
    long samples = 0;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] {
      ++samples;
      if (samples % 10 == 0) {
        const Memory m = memory();
        std::printf("  generation %7d: resident %ld KiB (+%ld), points %d per series\n",
                    window.engine().generation(), m.resident, m.resident - before.resident,
                    window.Series1->count());
      }
    });
    sampler.start(0);
    QElapsedTimer clock;
    clock.start();
    press(window.Button3);
    const double seconds = clock.elapsed() / 1000.0;
    sampler.stop();
    QCoreApplication::processEvents();
    const Memory after = memory();
    const long points = window.Series1->count() + window.Series2->count();
    std::printf("  after the batch (%.1f s, generation %d): resident %ld KiB, peak %ld KiB\n", seconds,
                window.engine().generation(), after.resident, after.peak);
    std::printf("  growth %ld KiB for %ld stored points: %.1f bytes per point "
                "(a point holds two doubles, 16 bytes; vectors grow by doubling)\n",
                after.resident - before.resident, points,
                points ? (after.resident - before.resident) * 1024.0 / points : 0.0);

    // 2. Many creations.
    window.WidthEdit->setText(QStringLiteral("30"));
    window.HeightEdit->setText(QStringLiteral("30"));
    window.PopEdit->setText(QStringLiteral("1000"));
    std::printf("creations: %ld presses of Create at 30 x 30, P = 1000\n", creations);
    press(window.CreateButton);
    QCoreApplication::processEvents();
    const Memory first = memory();
    std::printf("  after the first: resident %ld KiB, peak %ld KiB\n", first.resident, first.peak);
    clock.restart();
    for (long i = 2; i <= creations; ++i) {
      press(window.CreateButton);
      QCoreApplication::processEvents();
      if (i % 100 == 0) {
        const Memory m = memory();
        std::printf("  after %5ld: resident %ld KiB (+%ld)\n", i, m.resident, m.resident - first.resident);
      }
    }
    const Memory last = memory();
    std::printf("  after the last (%.1f s): resident %ld KiB, peak %ld KiB, growth %ld KiB\n",
                clock.elapsed() / 1000.0, last.resident, last.peak, last.resident - first.resident);
    window.close();
  }
  return 0;
}
