// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/document/shared_evaluators.h"

#include <array>
#include <cmath>
#include <limits>
#include <memory>
#include <utility>

#include "core/document/parameter_cells.h"
#include "core/evaluator/evaluator_types.h"
#include "core/evaluator/rapid_evaluator.h"
#include "core/support/exceptions.h"

namespace curvane {

double EvalArg1 = 0;
double EvalArg2 = 0;
double EvalArg3 = 0;

namespace {

// The variable names of one shared evaluator, bound to EvalArg1, EvalArg2
// and EvalArg3 (null: the evaluator has no such parameter).
struct TBinding {
    const char* First;
    const char* Second;
    const char* Third = nullptr;
};

constexpr TBinding OrthoVars{"X", "Y"}, PolarVars{"A", nullptr}, CylindricalVars{"A", "R"},
    SphericalVars{"A", "F"}, ParamVars{"T", "U"}, Implicit3DVars{"X", "Y", "Z"};

void Bind(TRapidEvaluator& e, const TBinding& vars, double* arg1, double* arg2, double* arg3) {
    AddSharedFunctions(e);
    for (const char* name : {"X", "Y", "Z"}) e.DeleteVariable(name);
    e.AddVariable(vars.First, arg1);
    if (vars.Second != nullptr) e.AddVariable(vars.Second, arg2);
    if (vars.Third != nullptr) e.AddVariable(vars.Third, arg3);
}

struct TSharedEvaluators {
    // Created in this order; the member order fixes it.
    TRapidEvaluator Ortho, Polar, Cylindrical, Spherical, Param1, Param2, Param3, Implicit3D;
    // What the routine of each (in Bindings order) reads besides the
    // argument cells: the parameter cells of its last compile.
    std::array<std::shared_ptr<const void>, 8> Retained;

    TSharedEvaluators() {
        for (const auto& [e, vars] : Bindings()) Bind(*e, *vars, &EvalArg1, &EvalArg2, &EvalArg3);
    }

    std::array<std::pair<TRapidEvaluator*, const TBinding*>, 8> Bindings() {
        return {{{&Ortho, &OrthoVars},
                 {&Polar, &PolarVars},
                 {&Cylindrical, &CylindricalVars},
                 {&Spherical, &SphericalVars},
                 {&Param1, &ParamVars},
                 {&Param2, &ParamVars},
                 {&Param3, &ParamVars},
                 {&Implicit3D, &Implicit3DVars}}};
    }
};

TSharedEvaluators& Shared() {
    static TSharedEvaluators evaluators;
    return evaluators;
}

}  // namespace

TRapidEvaluator& EvalOrtho() { return Shared().Ortho; }
TRapidEvaluator& EvalPolar() { return Shared().Polar; }
TRapidEvaluator& EvalSpherical() { return Shared().Spherical; }
TRapidEvaluator& EvalCylindrical() { return Shared().Cylindrical; }
TRapidEvaluator& EvalParam1() { return Shared().Param1; }
TRapidEvaluator& EvalParam2() { return Shared().Param2; }
TRapidEvaluator& EvalParam3() { return Shared().Param3; }
TRapidEvaluator& EvalImplicit3D() { return Shared().Implicit3D; }

void CreateSharedEvaluators() { Shared(); }

namespace {
int GLeases = 0;  // one thread only: the user-interface thread
}  // namespace

TSharedEvaluatorLease::TSharedEvaluatorLease() { ++GLeases; }
TSharedEvaluatorLease::~TSharedEvaluatorLease() { --GLeases; }
bool SharedEvaluatorsLeased() { return GLeases > 0; }

TRapidEvaluator* SharedEvaluatorFor(TFuncKind kind, TFuncType type, TFormulaSlot slot) {
    const bool is3D = type == TFuncType::ftOrtho3D || type == TFuncType::ftSpherical ||
                      type == TFuncType::ftCylindrical;
    if (!is3D && type != TFuncType::ftOrtho2D && type != TFuncType::ftPolar) return nullptr;
    switch (kind) {
        case TFuncKind::fkParametric:
            switch (slot) {
                case TFormulaSlot::fsExpression: return &EvalParam3();
                case TFormulaSlot::fsExpression1: return &EvalParam1();
                case TFormulaSlot::fsExpression2: return is3D ? &EvalParam2() : nullptr;
            }
            return nullptr;
        case TFuncKind::fkExplicit:
        case TFuncKind::fkImplicit:
            if (slot != TFormulaSlot::fsExpression) return nullptr;
            // Only a surface F(x,y,z) = 0 sees Z: anywhere else z stays an
            // unknown name, as it always was.
            if (kind == TFuncKind::fkImplicit && type == TFuncType::ftOrtho3D) return &EvalImplicit3D();
            switch (type) {
                case TFuncType::ftOrtho2D:
                case TFuncType::ftOrtho3D: return &EvalOrtho();
                case TFuncType::ftPolar: return &EvalPolar();
                case TFuncType::ftSpherical: return &EvalSpherical();
                case TFuncType::ftCylindrical: return &EvalCylindrical();
            }
    }
    return nullptr;
}

std::unique_ptr<TRapidEvaluator> MakeEvaluatorLike(const TRapidEvaluator& shared, double* arg1, double* arg2,
                                                   double* arg3) {
    for (const auto& [e, vars] : Shared().Bindings()) {
        if (e != &shared) continue;
        auto evaluator = std::make_unique<TRapidEvaluator>();
        Bind(*evaluator, *vars, arg1, arg2, arg3);
        // The cells' table detaches itself from the evaluator if it goes first.
        if (const auto& cells = BoundParameterCells()) evaluator->SetSharedVarTable(&cells->Table());
        return evaluator;
    }
    throw Exception("MakeEvaluatorLike: the model is not one of the shared evaluators");
}

void RetainWithRoutine(const TRapidEvaluator& evaluator, std::shared_ptr<const void> owner) {
    TSharedEvaluators& shared = Shared();
    const auto bindings = shared.Bindings();
    for (std::size_t i = 0; i < bindings.size(); ++i)
        if (bindings[i].first == &evaluator) shared.Retained[i] = std::move(owner);
}

void AddSharedFunctions(TRapidEvaluator& evaluator) {
    // Deleted, not disabled: a disabled entry would still block the new name.
    evaluator.IntFunctions().Delete("PI");
    evaluator.AddFunction("pi", &ExtPi, 0);
    evaluator.AddFunction("Fact", &ExtFact, 1);
}

double ExtPi(const double*, std::int32_t*) { return 3.141592653589793; }

double ExtFact(const double* args, std::int32_t* status) {
    // Generated code calls this: it must report through status, never throw.
    const double r = std::nearbyint(args[0]);
    if (!(r >= -2147483648.0 && r <= 2147483647.0)) {
        *status = static_cast<std::int32_t>(TEvalFault::efRangeError);
        return std::numeric_limits<double>::quiet_NaN();
    }
    const auto n = static_cast<std::int32_t>(r);
    double product = 1;
    // Past 170 the product is infinite; stopping there keeps Fact(2e9) from
    // spinning through two billion multiplications.
    for (std::int32_t i = 2; i <= n && std::isfinite(product); ++i) product *= i;
    if (!std::isfinite(product)) *status = static_cast<std::int32_t>(TEvalFault::efOverflow);
    return product;
}

}  // namespace curvane
