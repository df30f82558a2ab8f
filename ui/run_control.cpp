#include "run_control.h"

#include <QApplication>
#include <QPointer>
#include <QPushButton>

#include <algorithm>

#include "application.h"
#include "busy_pointer.h"
#include "main_window.h"
#include "number_format.h"
#include "plain_message.h"
#include "spin_input.h"

namespace wendra {

std::int32_t countFrom(const SpinInput& input) {
  // The clamp comes first: a value beyond the 32-bit range must not wrap into
  // the range before it is clamped.
  return truncateToInt32(input.clamp(input.value()));
}

QString tourText(std::span<const std::int32_t> tour) {
  QString text;
  text.reserve(static_cast<qsizetype>(tour.size()) * 4);
  for (std::size_t i = 0; i < tour.size(); ++i) {
    if (i > 0) text += u';';
    text += QString::number(tour[i]);
  }
  return text;
}

void TForm1::CreateButtonClick() {
  // 1-3. Everything is read before anything changes, so an unreadable
  // probability leaves the previous run as it was.
  const Grid grid = Grid::of(countFrom(*WidthEdit), countFrom(*HeightEdit));
  const double crossoverProbability = PCrossValue->asProbability();
  const double mutationProbability = PMutValue->asProbability();
  const std::int32_t populationSize = countFrom(*PopEdit);

  // 4. A refused population throws before the engine changes anything.
  {
    const BusyWork work(workDuration_, double(populationSize) * grid.cities());
    engine_->createPopulation(grid, populationSize, mutationProbability, crossoverProbability);
    displayUpdate();
  }

  // 5. A batch that is running keeps the step buttons until it ends.
  if (!batchRunning_) {
    Button1->setEnabled(true);
    Button3->setEnabled(true);
  }

  // 6. The chart starts empty; the tours and labels keep generation 0.
  Series1->Clear();
  Series2->Clear();
}

void TForm1::Button1Click() {
  if (!engine_->hasPopulation()) return;
  const BusyWork work(workDuration_, double(engine_->populationSize()) * engine_->grid().cities());
  engine_->step();
  displayUpdate();
}

void TForm1::Button3Click() {
  if (batchRunning_ || !engine_->hasPopulation()) return;

  // 1-3.
  Button1->setEnabled(false);
  Button3->setEnabled(false);
  batchLimit = countFrom(*StepCount);
  const std::int32_t refreshInterval = countFrom(*RefreshCount);
  batchIndex = 1;

  // Events processed below may close or even destroy the window; after each
  // processing point nothing of it is touched unless it still exists.
  const QPointer<TForm1> self(this);
  {
    // 5. Enables the step buttons again when the loop ends, also when a step
    // or an update failed.
    struct EndOfBatch {
      const QPointer<TForm1>& form;
      ~EndOfBatch() {
        if (!form) return;
        if (form->pendingStatus_) form->showStatus(*form->pendingStatus_);
        form->batchRunning_ = false;
        form->Button1->setEnabled(true);
        form->Button3->setEnabled(true);
      }
    } endOfBatch{self};
    batchRunning_ = true;
    const PointerShape working(Qt::BusyCursor);

    // 4. Between two processing points nothing repaints, so the tour
    // picture and the labels' texts are made only for the generation that
    // the next repaint shows; the last one is drawn by the final update.
    while (batchIndex <= batchLimit) {
      engine_->step();
      const bool processing = batchIndex % refreshInterval == 0;
      updateDisplay(processing);
      if (processing) {
        QCoreApplication::processEvents();
        if (!self) return;
      }
      ++batchIndex;
    }
  }

  // 6. The last generation is shown once more.
  displayUpdate();
}

void TForm1::Button2Click() { batchIndex = batchLimit; }

void TForm1::Chart2DblClick() {
  if (!engine_->hasPopulation()) return;
  showPlainMessage(tourText(engine_->generationBestTour()));
}

void TForm1::FormResize() {
  if (engine_ && engine_->hasPopulation()) redrawTours();
}

void TForm1::displayUpdate() { updateDisplay(true); }

void TForm1::updateDisplay(bool shown) {
  const EvolutionEngine& engine = *engine_;
  // 1, 2.
  Series1->Add(engine.averageLength());
  Series2->Add(engine.generationBestLength());
  // 3-6.
  const Status status{engine.overallBestGeneration(), engine.overallBestLength(),
                      engine.generationBestLength(), engine.generation()};
  if (!shown) {
    pendingStatus_ = status;
    return;
  }
  redrawTours();
  showStatus(status);
}

void TForm1::showStatus(const Status& status) {
  pendingStatus_.reset();
  const QChar separator = separators_.decimal;
  GLMax->setCaption(u'[' + formatInteger(status.overallBestGeneration) + QStringLiteral("]: ") +
                    formatGeneral(status.overallBestLength, separator));
  Best->setCaption(formatGeneral(status.generationBestLength, separator));
  Generation->setCaption(formatInteger(status.generation));
}

void TForm1::redrawTours() {
  Image1->drawTours(engine_->grid(), engine_->generationBestTour(), engine_->overallBestTour(),
                    Panel4->height());
}

}  // namespace wendra
