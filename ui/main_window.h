#pragma once
// TForm1: the one window of both programs (object Form1). It owns every
// control, places them by hand at fixed pixel positions (no QLayout) and
// keeps the engine state for the run control.
//
// Client area 705 x 520 at the design font, divided by docking:
//   Panel2  bottom, full width, 44 high
//   Panel1  right, 117 wide, from the top down to Panel2
//   Panel3  the rest; inside its 1-pixel bevel Chart1 on top (268 high, full
//           inner width) and Panel4 below it, whose inner area Image1 fills.
// On a resize Panel1 keeps its width, Panel2 its height and Chart1 its
// height; the controls in Panel1 and Panel2 keep their offsets from the
// panel's top-left corner, except Button2 ("&Stop"), which keeps 10 pixels
// between its right edge and Panel2's. The window does not shrink below the
// size at which that would cut a control or lay one over another (466 x 493
// at the design font).
//
// Font: "MS Sans Serif" at 11 pixels, substituted by Liberation Sans (see
// windowFont()). Positions and sizes are design pixels, scaled by
// (height of "0" in the window font) / 13 when that height is not 13; with
// Liberation Sans at 11 pixels it is 13, so nothing scales.
//
// Lifecycle: the constructor builds the window and every control with its
// design values and attaches the settings store, then calls FormCreate().
// Showing it (the program's main()) first restores the stored placement and
// input values and gives the focus to CloseButton on the first activation.
// Closing it (Close, the close box, Alt+F4, SIGTERM/SIGINT/SIGHUP, the end
// of the desktop session) saves them and ends the program, since it is the
// last window; the destructor saves once more if that save failed.
//
// Numbers: the window reads the user's separators from the default locale
// when it is built and again when it is told of a locale change
// (QEvent::LocaleChange), and hands them to the seven inputs, the chart and
// the settings store; the status labels use them at their next update.
//
// Keyboard: Tab order CloseButton, PopEdit, PCrossValue, PMutValue,
// CreateButton, WidthEdit, HeightEdit, Button3, Button1, StepCount,
// RefreshCount, Button2; accelerators, Enter, arrows and Alt+F4 are handled
// by the window's Accelerators (accelerators.h).
//
// Run control (the handlers below, implemented in run_control.cpp; the
// tour's message box is plain_message.h): "&Create"
// builds a population from the inputs, "&One Step" advances one generation,
// "&Batch" runs StepCount generations inside its handler and lets the window
// process its events every RefreshCount generations, "&Stop" ends a running
// batch. After every creation and every generation displayUpdate() shows the
// new state in the chart, the tour view and the three status labels.

#include <QWidget>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>

#include "busy_pointer.h"
#include "chart.h"
#include "engine.h"
#include "panel.h"
#include "panel_label.h"
#include "spin_input.h"
#include "tour_view.h"

class QPushButton;

namespace wendra {

class Accelerators;
class FormStorage;

// The window font: "MS Sans Serif" 8 pt at 96 dots per inch, i.e. 11 pixels,
// mapped to Liberation Sans (same pixel size). The classic face is not
// available here; fontconfig's fallback for it, DejaVu Sans, is much wider
// (the bold "Actual best:" would run into the value beside it), while
// Liberation Sans keeps every caption inside its design room and measures 13
// pixels for the text "0", the design reference.
QFont windowFont();

// "WENDRA1" for the path encoding, "WENDRA3" for the random-key encoding.
QString windowCaption(EncodingKind encoding);

class TForm1 : public QWidget {
  Q_OBJECT

 public:
  // Design reference: height of the text "0" in the window font.
  static constexpr int kDesignTextHeight = 13;

  explicit TForm1(EncodingKind encoding, QWidget* parent = nullptr);
  ~TForm1() override;

  EncodingKind encoding() const { return encoding_; }

  // The engine state; empty (no population) after FormCreate.
  EvolutionEngine& engine() { return *engine_; }

  // A design length in pixels on this screen: `designPixels` scaled by the
  // measured text height over 13, rounded to nearest.
  int px(int designPixels) const;

  // The smallest client area at which every control stays whole and none
  // overlaps another (minimum_size.h); the window's minimum size.
  QSize smallestClientSize() const;

  // The measured height of the text "0" in the window font.
  int textHeight() const { return textHeight_; }

  // The separators last read from the locale, which every number shown or
  // read in the window uses.
  const NumberSeparators& numberSeparators() const { return separators_; }

  // Components, in declaration order. The window owns them all (Qt parents).
  Panel* Panel1 = nullptr;
  Panel* Panel2 = nullptr;
  Panel* Panel3 = nullptr;
  QPushButton* CloseButton = nullptr;
  QPushButton* Button3 = nullptr;  // "&Batch"
  QPushButton* Button1 = nullptr;  // "&One Step"
  Chart* Chart1 = nullptr;         // fitness chart
  ChartSeries* Series1 = nullptr;  // "Average", owned by Chart1
  ChartSeries* Series2 = nullptr;  // "Best", owned by Chart1
  SpinInput* StepCount = nullptr;
  SpinInput* RefreshCount = nullptr;
  PanelLabel* Label1 = nullptr;  // "&Refresh:"
  SpinInput* PopEdit = nullptr;
  SpinInput* PCrossValue = nullptr;
  SpinInput* PMutValue = nullptr;
  PanelLabel* Label2 = nullptr;  // "&Population:"
  PanelLabel* Label3 = nullptr;  // "Pc&ross:"
  PanelLabel* Label4 = nullptr;  // "P&mut:"
  QPushButton* CreateButton = nullptr;
  Panel* Panel4 = nullptr;
  FormStorage* FormStorage1 = nullptr;  // settings store (form_storage.h)
  PanelLabel* Label5 = nullptr;  // "Best:"
  PanelLabel* Label6 = nullptr;  // "Actual best:"
  PanelLabel* GLMax = nullptr;   // overall best, beside "Best:"
  PanelLabel* Best = nullptr;    // generation best, beside "Actual best:"
  TourView* Image1 = nullptr;    // tour view
  QPushButton* Button2 = nullptr;  // "&Stop"
  PanelLabel* Label7 = nullptr;    // "Generation:"
  PanelLabel* Generation = nullptr;
  SpinInput* WidthEdit = nullptr;
  SpinInput* HeightEdit = nullptr;
  PanelLabel* Label8 = nullptr;  // "&Width"
  PanelLabel* Label9 = nullptr;  // "&Height:"

  // The running batch: the number of the generation it is at (from 1) and the
  // number of generations it is to run. "&Stop" sets the index to the limit.
  std::int32_t batchIndex = 0;
  std::int32_t batchLimit = 0;
  // Whether a "&Batch" handler is running (it may be waiting in its event
  // processing, where other handlers run nested).
  bool batchRunning() const { return batchRunning_; }

  // Shows the engine's state: appends the population's average and the
  // generation best's length to Series1 and Series2, redraws both tours and
  // sets GLMax ("[g]: length"), Best and Generation.
  // REQUIRES: a population exists.
  void displayUpdate();

 public slots:
  // Event handlers. FormCreate runs once at the end of the constructor;
  // FormResize after every size change, once the panels are docked anew;
  // the Click handlers on their buttons' clicks; Chart2DblClick on a double
  // click on Chart1 in wendra3 only (wendra1 leaves it unattached).
  void FormCreate();
  void CreateButtonClick();
  void Button1Click();
  void Button3Click();
  void Button2Click();
  void CloseButtonClick();
  void Chart2DblClick();
  void FormResize();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;  // a locale change re-reads the separators
  // The window's close handling, then the settings store's save.
  void closeEvent(QCloseEvent* event) override;

 private:
  void createControls();
  void pairLabelsWithInputs();  // each label's buddy and accessible name
  void nameComponents();        // the field names, by which components are found
  void setUpInputs();
  void arrangeTabOrder();
  void connectHandlers();
  void attachSettingsStore();
  // The seven parameter inputs.
  std::array<SpinInput*, 7> inputs() const;
  // Gives separators_ to the inputs, the chart and the settings store.
  void handOutSeparators();
  // Docks the panels to the current client size and re-anchors Button2.
  void dockPanels();

  SpinInput* makeInput(QWidget* parent, int left, int top, int width);
  PanelLabel* makeLabel(QWidget* parent, const QString& caption, int left, int top,
                        bool bold = false);
  QPushButton* makeButton(QWidget* parent, const QString& caption, int left, int top, int width);

  // The display update; `shown` false (a batch between two processing
  // points, where no repaint can show them) appends the chart's points but
  // leaves the tour picture as it was and keeps the labels' values for
  // showStatus(), which the next shown update or the end of the batch calls.
  void updateDisplay(bool shown);
  // Redraws both tours of the current population into Image1.
  void redrawTours();
  // What the three status labels show.
  struct Status {
    std::int32_t overallBestGeneration = 0;
    double overallBestLength = 0;
    double generationBestLength = 0;
    std::int32_t generation = 0;
  };
  void showStatus(const Status& status);

  EncodingKind encoding_;
  int textHeight_;
  NumberSeparators separators_;
  bool batchRunning_ = false;
  // The labels' values of the last update not shown yet, if any.
  std::optional<Status> pendingStatus_;
  // How long creating and stepping took: whether the next one shows the
  // wait pointer (busy_pointer.h).
  WorkDuration workDuration_;
  Accelerators* accelerators_ = nullptr;
  std::unique_ptr<EvolutionEngine> engine_;
};

}  // namespace wendra
