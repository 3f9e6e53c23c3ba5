// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "core/evaluator/evaluator_types.h"

namespace curvane {

// f(x); raises the evaluator's exceptions (EMathError, ERangeError) as
// TCompiledFunction::Evaluate does, and they leave the computation unchanged.
using TRealFunction = std::function<double(double)>;

// f at n points in one call: for each i, out[i] = f(xs[i]) and faults[i] the
// fault f(xs[i]) would have raised (efNone if none); out[i] is undefined
// where faults[i] is not efNone. Raises nothing for a faulty point.
using TRealBatchFunction =
    std::function<void(const double* xs, std::size_t n, double* out, TEvalFault* faults)>;

// A function offered both ways. Point is what a faulting point is evaluated
// with once more, so that it raises its own exception (with its own message)
// rather than one rebuilt from the fault code; with no Batch, Point serves
// every point. See CompiledIntegrand (core/numeric/compiled_integrand.h) for
// a compiled formula.
struct TIntegrand {
    TRealFunction Point;
    TRealBatchFunction Batch;
};

// Asked whether the user wants the computation to end; true means stop. Once
// it has said true it is not asked again in the same run.
using TStopRequest = std::function<bool()>;

// The rules, numbered as the method list of the integral dialog shows them.
enum class TIntegralMethod : std::uint8_t {
    imRectangles = 0,  // midpoint rule
    imTrapezoids = 1,
    imSimpson = 2,     // parabolas
};

// What the integral tools start with and accept: the segments of a first pass
// (at least 1, as IntegratePass requires; at most a million short of the
// largest 32-bit value, as the integral dialog has always allowed, while the
// doubled passes of an accuracy limit count on in 64 bits), and the accuracy
// two passes must agree within.
inline constexpr std::int32_t DefaultSegments = 64;
inline constexpr std::int32_t MinSegments = 1;
inline constexpr std::int32_t MaxSegments = 2146483647;
inline constexpr double DefaultIntegralAccuracy = 0.00001;

// How often a pass asks the stop request: once per this many segments. A
// caller that pumps window messages inside the request should throttle that
// by the clock itself; this only keeps the poll off the hot path.
constexpr std::int64_t IntegralStopPollSegments = 1024;

// One pass of a rule. Stopped: the stop request said true during the pass,
// which then ended at once; Value is the rule's formula over the partial sum.
struct TIntegralPass {
    double Value = 0;
    bool Stopped = false;
};

// One pass of `method` over [from, to] cut into `segments` equal parts of
// h = (to - from) / segments:
//   rectangles: f at from + h/2, then x += h while x < to; h * sum
//   trapezoids: f(x_k) + f(x_k+1) per segment, x_k = from + k*h; h * sum / 2
//   Simpson:    f(x_k)/6 + f(x_k + h/2)*2/3 + f(x_k+1)/6 per segment; h * sum
// The summation order is fixed so that every caller shows the same digits.
// With a TIntegrand that has a Batch, the points of up to 1,024 segments go
// to it in one call, each distinct point once (an end shared by two segments
// is evaluated once, where f point by point is called for it twice), and are
// added up in the same order with the same operations: the same digits as
// point by point for a function that gives the same value for the same x.
// The first faulting point in the order of evaluation is evaluated once more
// through Point and raises what f raises there; the stop request is asked
// after the same segments.
// Equal limits give 0 without evaluating f; to < from gives minus the
// integral over [to, from]. Raises Exception "Invalid float value!" for a
// limit that is not finite, for fewer than 1 segment a message saying so, and
// EOverflow where the pass's arithmetic overflows (a span or a sum beyond the
// double range), stopped pass or not.
TIntegralPass IntegratePass(const TRealFunction& f, TIntegralMethod method, double from, double to,
                            std::int64_t segments, const TStopRequest& stop = {});
TIntegralPass IntegratePass(const TIntegrand& f, TIntegralMethod method, double from, double to,
                            std::int64_t segments, const TStopRequest& stop = {});

struct TIntegralTask {
    TIntegralMethod Method = TIntegralMethod::imRectangles;
    double From = 0;
    double To = 1;
    std::int64_t Segments = DefaultSegments;
    bool LimitAccuracy = false;  // double the segments until two passes agree
    double Accuracy = DefaultIntegralAccuracy;
};

struct TIntegralResult {
    double Value = 0;
    int Iterations = 0;         // passes run, the first one included
    std::int64_t Segments = 0;  // segments of the last pass run
    bool Stopped = false;
};

// The first pass, then (with LimitAccuracy) passes of twice the previous
// segment count until two successive results differ by at most Accuracy;
// the later result is kept. A stop request during a
// doubled pass ends the run with the previous, complete result; one during
// the first pass can only offer that pass's partial result. Exceptions of f
// and of IntegratePass pass through.
TIntegralResult Integrate(const TRealFunction& f, const TIntegralTask& task, const TStopRequest& stop = {});
TIntegralResult Integrate(const TIntegrand& f, const TIntegralTask& task, const TStopRequest& stop = {});

}  // namespace curvane
