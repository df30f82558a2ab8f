#pragma once
// Run control: what the main window's buttons do and what its status labels
// show. TForm1's handlers are implemented in run_control.cpp; this header
// holds the pieces they are built from.
//
// Handlers (TForm1):
//   CreateButtonClick  reads WidthEdit, HeightEdit, PCrossValue, PMutValue and
//                      PopEdit, creates the population (the engine replaces
//                      grid and population), shows generation 0, enables
//                      "&One Step" and "&Batch" and clears both series.
//   Button1Click       one generation, then a display update.
//   Button3Click       reads StepCount (the limit) and RefreshCount (r) and
//                      steps batchIndex = 1 ... batchLimit, each generation
//                      followed by a display update; after every generation
//                      whose index is a multiple of r it processes all pending
//                      events (repaints; "&Stop", "&Create", Close and the
//                      chart's double click run nested there). Then it enables
//                      the step buttons and shows the last generation once
//                      more, so each series gets a second point for it.
//   Button2Click       batchIndex = batchLimit: a running batch ends after the
//                      event processing in which it was pressed.
//   Chart2DblClick     (wendra3) the generation best's tour as city numbers
//                      joined by ";" in a plain message box.
//   FormResize         redraws the tours when a population exists.
//
// Inputs are read only in CreateButtonClick and Button3Click. A text typed
// out of range is normally clamped when its input loses the focus; a button
// clicked through its accelerator reads it before that, so every count is
// clamped here to its input's range as it is read (width and height 4 ... 100,
// population 2 ... 1000000, batch length 1 ... 100000, refresh 1 ... 1000).
// The probabilities are used as read.
//
// Failures: a population that does not fit in memory (PopulationTooLarge) and
// a probability beyond the double range (std::overflow_error) leave
// CreateButtonClick before anything has changed; the application's error box
// shows them.
//
// Re-entrancy: a batch keeps "&One Step" and "&Batch" disabled until it ends,
// also across a "&Create" pressed during it (the batch then goes on with the
// new population and its old limit). A close request during a batch hides the
// window and asks the application to quit; the batch runs on to its limit or
// until stopped, and the program ends when the handler returns.
//
// Thread safety: GUI thread only.

#include <QString>

#include <cstdint>
#include <span>

namespace wendra {

class SpinInput;

// The input's value clamped to its range, truncated toward zero.
std::int32_t countFrom(const SpinInput& input);

// "3;1;0;2" for the tour 3, 1, 0, 2: the cities in tour order joined by ";".
QString tourText(std::span<const std::int32_t> tour);

}  // namespace wendra
