// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <memory>

#include "core/document/func_item.h"

namespace curvane {

class TRapidEvaluator;

// The cells the shared evaluators read their variables from. A sampler
// writes the parameter values here, then evaluates. Only EvalImplicit3D
// reads EvalArg3.
extern double EvalArg1;
extern double EvalArg2;
extern double EvalArg3;

// The eight process-wide evaluators. Each has lost the default variables X, Y
// and Z and the built-in PI, and knows:
//   EvalOrtho        X = EvalArg1, Y = EvalArg2   Cartesian explicit, 2D implicit
//   EvalImplicit3D   X, Y as EvalOrtho, Z = EvalArg3  implicit surfaces F(x,y,z)
//   EvalPolar        A = EvalArg1                 2D polar
//   EvalSpherical    A = EvalArg1, F = EvalArg2   spherical
//   EvalCylindrical  A = EvalArg1, R = EvalArg2   cylindrical
//   EvalParam1..3    T = EvalArg1, U = EvalArg2   parametric texts
// plus the external functions pi() and Fact(n). All eight are created
// together on the first call of any of them (or of CreateSharedEvaluators)
// and live until the process ends. One computation uses them at a time, on
// the user-interface thread.
TRapidEvaluator& EvalOrtho();
TRapidEvaluator& EvalPolar();
TRapidEvaluator& EvalSpherical();
TRapidEvaluator& EvalCylindrical();
TRapidEvaluator& EvalParam1();  // Expression1: X(t) or A(t)
TRapidEvaluator& EvalParam2();  // Expression2 of 3D parametric kinds
TRapidEvaluator& EvalParam3();  // Expression of parametric kinds
TRapidEvaluator& EvalImplicit3D();

// Creates the eight at start-up, before any window exists.
void CreateSharedEvaluators();

// Held by a computation for as long as it evaluates the shared evaluators.
// A message box asked in the middle of a run spins a nested event loop; a
// command or redraw started from there must not compile another formula into
// an evaluator the run is still using. Such callers check
// SharedEvaluatorsLeased() and wait (commands are disabled) until the run
// ends. Leases nest: a computation may take one inside another of its own.
class TSharedEvaluatorLease {
public:
    TSharedEvaluatorLease();
    ~TSharedEvaluatorLease();
    TSharedEvaluatorLease(const TSharedEvaluatorLease&) = delete;
    TSharedEvaluatorLease& operator=(const TSharedEvaluatorLease&) = delete;
};
bool SharedEvaluatorsLeased();

// The one place that says which shared evaluator compiles which text: the
// evaluator for the given formula text of a function of this kind and
// coordinate system, or null where the function does not use that text or
// the combination is no valid function.
//   explicit, implicit  Expression   EvalOrtho (ftOrtho2D, ftOrtho3D),
//                                    EvalPolar, EvalSpherical, EvalCylindrical;
//                                    implicit ftOrtho3D: EvalImplicit3D
//   parametric          Expression1  EvalParam1: X(t) or A(t)
//                       Expression2  EvalParam2: 3D coordinate systems only
//                       Expression   EvalParam3
TRapidEvaluator* SharedEvaluatorFor(TFuncKind kind, TFuncType type, TFormulaSlot slot);

// A private evaluator that knows what `shared` (one of the eight) knows:
// the same variable names, bound to arg1, arg2 (and arg3 for Z) instead of
// EvalArg1, EvalArg2 and EvalArg3, and pi() and Fact(n), and the parameters bound now
// (TParameterBinding) for as long as their cells live. A long computation compiles into one of
// these so that a recompile of the shared evaluator (a redraw started from a
// nested event loop) cannot change the formula under it. Raises Exception for
// an evaluator that is not one of the seven.
std::unique_ptr<TRapidEvaluator> MakeEvaluatorLike(const TRapidEvaluator& shared, double* arg1, double* arg2,
                                                   double* arg3 = &EvalArg3);

// Keeps `owner` (the parameter cells a routine reads) alive until the next
// compile through here into the same shared evaluator, so that its routine
// never reads freed cells; does nothing for another evaluator.
void RetainWithRoutine(const TRapidEvaluator& evaluator, std::shared_ptr<const void> owner);

// Registers pi() and Fact(n) on an evaluator (after removing its built-in PI,
// whose name the external function takes over).
void AddSharedFunctions(TRapidEvaluator& evaluator);

// pi(): the double nearest to pi.
double ExtPi(const double* args, std::int32_t* status);
// Fact(n): n rounded to the nearest integer (ties to even), which must fit 32
// signed bits, else status "Range check error"; then 1 * 2 * ... * n, and 1
// for n <= 0. A product beyond the double range reports an overflow.
double ExtFact(const double* args, std::int32_t* status);

}  // namespace curvane
