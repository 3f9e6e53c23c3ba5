#include "core/document/shared_evaluators.h"

#include <cmath>
#include <limits>
#include <memory>

#include "core/evaluator/evaluator_types.h"
#include "core/evaluator/rapid_evaluator.h"

namespace curvane {

double EvalArg1 = 0;
double EvalArg2 = 0;

namespace {

struct TSharedEvaluators {
    // Created in this order; the member order fixes it.
    TRapidEvaluator Ortho, Polar, Cylindrical, Spherical, Param1, Param2, Param3;

    TSharedEvaluators() {
        Bind(Ortho, "X", "Y");
        Bind(Polar, "A", nullptr);
        Bind(Cylindrical, "A", "R");
        Bind(Spherical, "A", "F");
        Bind(Param1, "T", "U");
        Bind(Param2, "T", "U");
        Bind(Param3, "T", "U");
    }

    static void Bind(TRapidEvaluator& e, const char* first, const char* second) {
        AddSharedFunctions(e);
        for (const char* name : {"X", "Y", "Z"}) e.DeleteVariable(name);
        e.AddVariable(first, &EvalArg1);
        if (second != nullptr) e.AddVariable(second, &EvalArg2);
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

void CreateSharedEvaluators() { Shared(); }

namespace {
int GLeases = 0;  // one thread only: the user-interface thread
}  // namespace

TSharedEvaluatorLease::TSharedEvaluatorLease() { ++GLeases; }
TSharedEvaluatorLease::~TSharedEvaluatorLease() { --GLeases; }
bool SharedEvaluatorsLeased() { return GLeases > 0; }

TRapidEvaluator* EvaluatorForExpression(TFuncKind kind, TFuncType type) {
    const int t = static_cast<int>(type);
    if (t < 0 || t > 4) return nullptr;
    switch (kind) {
        case TFuncKind::fkParametric:
            return &EvalParam3();
        case TFuncKind::fkExplicit:
        case TFuncKind::fkImplicit:
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
