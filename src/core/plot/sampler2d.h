// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/document/compiled_function.h"
#include "core/plot/pline.h"

namespace curvane {

class TFuncItem;

// Samples beyond this magnitude are not plotted: curves break at poles instead
// of drawing near-vertical lines across the plot.
inline constexpr double SampleCutOff = 1e10;
// A manual range needing more samples than this asks before it is drawn.
inline constexpr double LongDrawingSamples = 1e6;
// Samples evaluated per batch call; small enough to stay in the L1 cache.
inline constexpr std::size_t SampleChunk = 512;

// What the user is asked about manual limits. The window shows message boxes;
// the command-line renderer and tests answer by themselves.
class TSamplerDialog {
public:
    virtual ~TSamplerDialog() = default;
    // "From" is greater than "To": true swaps them in the function, false
    // cancels the whole recalculation.
    virtual bool ConfirmSwap() = 0;
    // "From" equals "To"; sampling goes on with one point.
    virtual void WarnEqual() = 0;
    // More than LongDrawingSamples samples: false skips the function.
    virtual bool ConfirmLongDrawing() = 0;
    // The range cannot be sampled (message says why); the function is skipped.
    virtual void RefuseRange(const std::string& message) = 0;
};

// The visible range of the plot and its size in pixels.
struct TSampleView {
    double WorldLeft = -10;
    double WorldRight = 10;
    int Width = 1;  // plot width in pixels
    double WorldBottom = -10;
    double WorldTop = 10;
    int Height = 1;  // plot height in pixels
};

struct TSampleMark {
    double Position;
    std::string Text;
};

// The parameter range one function is sampled over, in the units the
// evaluator takes (radians when the record holds degrees).
struct TSampleRange {
    double From = 0;
    double To = 0;
    double Step = 0;
};

enum class TCurveShape : std::uint8_t {
    csCartesian,  // point (a, v)
    csPolar,      // point (v cos a, v sin a)
};

// One curve's evaluation plan. Value gives v(t); Abscissa, when set, gives a(t)
// (parametric kinds), else a = t. With Derivative the curve shows the backward
// difference (v(t) - v(t - Step)) / Step instead of v. View, when set, is the
// picture the curve is drawn into: it decides where neighbouring points are
// looked at more closely before they are joined.
struct TCurvePlan {
    const TCompiledFunction* Value = nullptr;
    const TCompiledFunction* Abscissa = nullptr;
    TCurveShape Shape = TCurveShape::csCartesian;
    bool Derivative = false;
    const TSampleView* View = nullptr;
    // When set, increased by the number of points evaluated (the batch and every closer look), so that
    // a benchmark can time the batch entry alone over as many points.
    std::uint64_t* Evaluations = nullptr;
};

// Runs t = From, From + Step, ... while t <= To (at least once), appending the
// accepted points to curve as (x, y, 0) and a mark "x=%f>" at t for every
// division by zero. Points whose value faults or reaches SampleCutOff are
// dropped and break the curve: a gap vertex (IsGapVertex) stands between the
// points before and after them. With a View, two neighbouring points are also
// kept apart where the curve runs off to infinity or jumps between them (a
// pole or a step, found by bisecting the segments that jump by more than the
// view or change sign steeply); a curve that is merely steep stays joined.
// A View also has the sampler add points between samples: where a piece ends
// in an undefined stretch, at the end of its domain (found to a tenth of a
// pixel, or just beyond the view's edge where the piece leaves the view on the
// way); where it runs off to infinity at a pole, on each branch just beyond
// the view's edge; and, for a Cartesian curve, at a maximum, minimum or cusp
// between samples that lies more than half a pixel off the polyline. Those
// closer looks spend a bounded number of evaluations per pixel column, and
// are left out for a Cartesian curve whose step is wider than two pixels. A
// derivative is followed to the ends of its domain only: it takes no
// difference across a dropped point and leaves out the one taken across a
// pole or step. An sfOther fault re-raises its error through Evaluate.
// Step must be greater than 0 and large enough to advance t (ChooseRange
// guarantees both).
void SampleCurve(const TCurvePlan& plan, const TSampleRange& range, TPline& curve,
                 std::vector<TSampleMark>& marks);

enum class TRangeOutcome : std::uint8_t {
    roSample,  // range is set: sample the function
    roSkip,    // leave this function's curve empty, go on with the next
    roCancel,  // stop the whole recalculation
};

// Chooses the range of one 2D function: its manual limits (with the swap,
// equal and long-drawing questions; a step that is not a positive number, or
// too small to move along the range, is refused), or the automatic range,
// which is written back into the record's From, To and Step.
TRangeOutcome ChooseRange(TFuncItem& func, const TSampleView& view, TSamplerDialog& dialog,
                          TSampleRange& range);

// The whole per-function sampler: empties curve, skips hidden functions and
// those that are no valid 2D function (a kind or coordinate system a 2D
// window does not have, or an implicit one in polar coordinates), chooses
// the range (ChooseImplicitArea for implicit functions), skips empty ones,
// compiles the formulas with the shared evaluators of the function's kind and
// samples; implicit curves are traced by SampleImplicit. Compile errors
// propagate as ESyntaxError with curve empty.
TRangeOutcome SampleFunction2D(TFuncItem& func, const TSampleView& view, TSamplerDialog& dialog,
                               TPline& curve, std::vector<TSampleMark>& marks);

// The text of the mark a division by zero leaves at parameter t: "x=%f>".
std::string ZeroDivideMarkText(double t);

// Adds `mark` unless a mark at its position is there already: repeated
// recalculations of the same view, or several functions dividing by zero at
// one place, would pile up the same mark.
void AddSampleMark(std::vector<TSampleMark>& marks, TSampleMark mark);

}  // namespace curvane
