// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stop_token>
#include <string>
#include <vector>

#include "core/document/parameters.h"
#include "core/numeric/least_squares.h"

namespace curvane {

class TRapidEvaluator;

// Points to fit: Y against X, and when DY is not empty the uncertainty of
// each Y, which weighs its residual by 1/DY^2.
struct TFitData {
    std::vector<double> X, Y, DY;
    std::size_t Count() const { return X.size(); }
};

// At most this many unknowns: the gradient of one evaluation is carried in
// a fixed array, and a model of more is rarely a model of data.
inline constexpr std::size_t MaxFitUnknowns = 32;

// A model y = f(x; p) of a formula whose unknowns p are parameters: the
// formula's commands as the evaluator parses them, with x and each unknown
// as variables and every other parameter as the constant it held. The
// derivatives with respect to the unknowns come from forward automatic
// differentiation over the commands, and by central differences where the
// walk has none to give (a kink such as abs met exactly, an external
// routine known only by its values). Between the jumps of floor, round or
// sign the slope is 0, which is what it is there. Copies are cheap.
class TFitModel {
public:
    // Parses formula as `like` (EvalOrtho for Y(x)) would, under a binding
    // of `fixed` and of the unknowns. Raises ESyntaxError, and Exception
    // "TFitModel.Make: ..." for an unknown that cannot name a parameter
    // (CheckParameterName) or for more than MaxFitUnknowns.
    static TFitModel Make(const TRapidEvaluator& like, const std::string& formula,
                          const std::vector<std::string>& unknowns, const TParameterList& fixed = {});

    std::size_t Count() const;
    const std::vector<std::string>& Names() const;
    // f(x; p): NaN where the formula is not defined.
    double Value(double x, const double* p) const;
    // f(x; p), and its derivative with respect to each unknown in gradient.
    double Gradient(double x, const double* p, double* gradient) const;

    struct TData;

private:
    explicit TFitModel(std::shared_ptr<const TData> data) : FData(std::move(data)) {}
    std::shared_ptr<const TData> FData;
};

// The outcome of a fit. Values and StandardErrors are in the order of
// Names; a standard error is sqrt of the diagonal of (J^T J)^-1 times
// RSS/dof (J of the weighted residuals), NaN when dof is 0 or Stop is
// fsSingular. R2 is 1 - RSS/TSS, TSS about the (weighted) mean of Y.
struct TFitResult {
    std::vector<std::string> Names;
    std::vector<double> Values;
    std::vector<double> StandardErrors;
    double RSS = 0;
    double R2 = 0;
    std::size_t Dof = 0;
    std::size_t Iterations = 0;
    TFitStop Stop = TFitStop::fsConverged;
    bool Succeeded() const { return Stop == TFitStop::fsConverged; }
};

// Levenberg-Marquardt from `start` (one value per unknown); options.Stop
// is heard within a few thousand points. Raises
// Exception "Fit: ..." for data it cannot fit: fewer points than unknowns,
// values that are not finite, an uncertainty that is not above 0.
TFitResult FitModel(const TFitModel& model, const TFitData& data, const std::vector<double>& start,
                    const TLevenbergMarquardtOptions& options = {});

// The polynomial c0 + c1*x + ... + cn*x^n, solved directly by pivoted
// Householder QR on the columns 1, x, ..., x^n. Raises as FitModel. A
// stop ends it with fsStopped and values of NaN.
TFitResult FitPolynomial(const TFitData& data, int degree, std::stop_token stop = {});

// The models the fit offers ready-made. Their parameters take names a
// parameter may have (not a, f, r, t, u, x, y, z or e).
enum class TFitPreset : std::uint8_t {
    fpLine,         // m*x+c
    fpPolynomial,   // c0+c1*x+c2*x^2+...
    fpExponential,  // k*exp(b*x)
    fpPower,        // k*x^p
    fpLogarithm,    // k*ln(x)+c
    fpLogistic,     // L/(1+exp(-k*(x-x0)))
    fpSine,         // h*sin(w*x+p)+c
    fpGaussian,     // h*exp(-((x-m)^2)/(2*s^2))
};

// A preset's formula, its unknowns, and starting values guessed from the
// data (see PresetModel in fit.cpp for the rule of each).
struct TPresetModel {
    std::string Formula;
    std::vector<std::string> Names;
    std::vector<double> Start;
};
TPresetModel PresetModel(TFitPreset preset, const TFitData& data, int degree = 2);

// The line, the polynomial and the logarithm: linear in their unknowns.
bool LinearPreset(TFitPreset preset);

// Fits a preset: the linear ones are solved directly by QR; the others run
// Levenberg-Marquardt from the guessed start, which parses their formula in
// EvalOrtho: only the thread that owns the evaluators may fit them here.
// Raises as FitModel.
TFitResult FitPreset(TFitPreset preset, const TFitData& data, int degree = 2, std::stop_token stop = {});

}  // namespace curvane
