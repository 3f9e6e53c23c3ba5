#pragma once

#include <cstdint>

#include "core/document/func_item.h"

namespace curvane {

class TRapidEvaluator;

// The two cells every shared evaluator reads its variables from. A sampler
// writes the parameter values here, then evaluates.
extern double EvalArg1;
extern double EvalArg2;

// The seven process-wide evaluators. Each has lost the default variables X, Y
// and Z and the built-in PI, and knows:
//   EvalOrtho        X = EvalArg1, Y = EvalArg2   Cartesian explicit/implicit
//   EvalPolar        A = EvalArg1                 2D polar
//   EvalSpherical    A = EvalArg1, F = EvalArg2   spherical
//   EvalCylindrical  A = EvalArg1, R = EvalArg2   cylindrical
//   EvalParam1..3    T = EvalArg1, U = EvalArg2   parametric texts
// plus the external functions pi() and Fact(n). All seven are created
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

// Creates the seven at start-up, before any window exists.
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

// The evaluator that compiles the main Expression of a function of this kind
// and coordinate system (EvalParam3 for parametric kinds), or null for a
// combination that is no valid function.
TRapidEvaluator* EvaluatorForExpression(TFuncKind kind, TFuncType type);

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
