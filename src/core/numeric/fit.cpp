// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/numeric/fit.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numbers>
#include <numeric>

#include "core/document/parameter_cells.h"
#include "core/document/shared_evaluators.h"
#include "core/evaluator/rapid_evaluator.h"
#include "core/numeric/auto_diff.h"
#include "core/numeric/detached_commands.h"
#include "core/support/exceptions.h"

namespace curvane {

namespace ad {

// A value and its gradient with respect to up to K unknowns at once: one
// walk of the commands gives a whole row of the Jacobian, where TDual would
// need a walk per unknown. The rules of each function are TDual<double>'s,
// applied to one unknown at a time through the chain rule.
// No member initialisers: the walker's stack of 24 of them would otherwise
// be zeroed at every point, a fifth of the time of a Jacobian.
template <std::size_t K>
struct TGrad {
    double V;
    std::array<double, K> D;
};

template <std::size_t K>
struct TNumberTraits<TGrad<K>> {
    static TGrad<K> Constant(double value, double, double) { return {value, {}}; }
    static TGrad<K> Whole() {
        TGrad<K> g;
        g.V = std::numeric_limits<double>::quiet_NaN();
        g.D.fill(g.V);
        return g;
    }
};

// u = f(a): the gradient is f'(a.V) times a's.
template <std::size_t K>
TGrad<K> Chain(const TDual<double>& f, const TGrad<K>& a) {
    TGrad<K> r;
    r.V = f.V;
    for (std::size_t k = 0; k < K; ++k) r.D[k] = a.D[k] == 0 ? 0 : f.D * a.D[k];
    return r;
}

template <std::size_t K>
TGrad<K> operator+(const TGrad<K>& a, const TGrad<K>& b) {
    TGrad<K> r;
    r.V = a.V + b.V;
    for (std::size_t k = 0; k < K; ++k) r.D[k] = a.D[k] + b.D[k];
    return r;
}
template <std::size_t K>
TGrad<K> operator-(const TGrad<K>& a, const TGrad<K>& b) {
    TGrad<K> r;
    r.V = a.V - b.V;
    for (std::size_t k = 0; k < K; ++k) r.D[k] = a.D[k] - b.D[k];
    return r;
}
template <std::size_t K>
TGrad<K> operator-(const TGrad<K>& a) {
    TGrad<K> r;
    r.V = -a.V;
    for (std::size_t k = 0; k < K; ++k) r.D[k] = -a.D[k];
    return r;
}
template <std::size_t K>
TGrad<K> operator*(const TGrad<K>& a, const TGrad<K>& b) {
    TGrad<K> r;
    r.V = a.V * b.V;
    for (std::size_t k = 0; k < K; ++k) r.D[k] = a.D[k] * b.V + a.V * b.D[k];
    return r;
}
template <std::size_t K>
TGrad<K> operator/(const TGrad<K>& a, const TGrad<K>& b) {
    TGrad<K> r;
    r.V = a.V / b.V;
    for (std::size_t k = 0; k < K; ++k) r.D[k] = (a.D[k] - r.V * b.D[k]) / b.V;
    return r;
}

template <std::size_t K>
bool Constant(const TGrad<K>& a) {
    return std::all_of(a.D.begin(), a.D.end(), [](double d) { return d == 0; });
}

// Binary rules: the partial derivatives of f(a, b) from TDual<double> with
// one side varying, combined with both sides' gradients.
template <std::size_t K, class F>
TGrad<K> Chain2(const TGrad<K>& a, const TGrad<K>& b, F&& f) {
    const TDual<double> da = f(TDual<double>{a.V, 1}, TDual<double>{b.V, 0});
    TGrad<K> r;
    r.V = da.V;
    if (Constant(b)) {
        for (std::size_t k = 0; k < K; ++k) r.D[k] = a.D[k] == 0 ? 0 : da.D * a.D[k];
        return r;
    }
    const TDual<double> db = f(TDual<double>{a.V, 0}, TDual<double>{b.V, 1});
    for (std::size_t k = 0; k < K; ++k)
        r.D[k] = (a.D[k] == 0 ? 0 : da.D * a.D[k]) + (b.D[k] == 0 ? 0 : db.D * b.D[k]);
    return r;
}

template <std::size_t K>
TGrad<K> Power(const TGrad<K>& b, const TGrad<K>& e) {
    return Chain2(b, e, [](const TDual<double>& x, const TDual<double>& y) { return Power(x, y); });
}
template <std::size_t K>
TGrad<K> Min(const TGrad<K>& a, const TGrad<K>& b) {
    return Chain2(a, b, [](const TDual<double>& x, const TDual<double>& y) { return Min(x, y); });
}
template <std::size_t K>
TGrad<K> Max(const TGrad<K>& a, const TGrad<K>& b) {
    return Chain2(a, b, [](const TDual<double>& x, const TDual<double>& y) { return Max(x, y); });
}
template <std::size_t K>
TGrad<K> Mod(const TGrad<K>& a, const TGrad<K>& b) {
    return Chain2(a, b, [](const TDual<double>& x, const TDual<double>& y) { return Mod(x, y); });
}
template <std::size_t K>
TGrad<K> Library(std::int32_t code, const TGrad<K>& a) {
    return Chain(Library(code, TDual<double>{a.V, 1}), a);
}
template <std::size_t K>
TGrad<K> Sign(const TGrad<K>& a) { return Chain(Sign(TDual<double>{a.V, 1}), a); }
template <std::size_t K>
TGrad<K> Fact(const TGrad<K>& a) { return Chain(Fact(TDual<double>{a.V, 1}), a); }
template <std::size_t K>
TGrad<K> Ctg(const TGrad<K>& a) { return Library(fcCtg, a); }
template <std::size_t K>
TGrad<K> Sec(const TGrad<K>& a) { return Library(fcSec, a); }
template <std::size_t K>
TGrad<K> Cosec(const TGrad<K>& a) { return Library(fcCosec, a); }

// An external routine's value is known, its slope is not: the slope comes
// from differences then.
template <std::size_t K>
TGrad<K> External(TExtFunction fn, const TGrad<K>* args, std::size_t n) {
    std::array<double, 8> values{};
    TGrad<K> r = TNumberTraits<TGrad<K>>::Whole();
    if (n > values.size()) return r;
    for (std::size_t i = 0; i < n; ++i) values[i] = args[i].V;
    r.V = External(fn, values.data(), n);
    bool constant = true;
    for (std::size_t i = 0; i < n; ++i) constant = constant && Constant(args[i]);
    if (constant) r.D.fill(0);
    return r;
}

}  // namespace ad

// The commands with every ckVariable rewritten to what the walk needs:
// Address 0 for x, 1 + j for unknown j; other cells (fixed parameters, the
// y of a plotted function) become the constants they held.
struct TFitModel::TData {
    TDetachedCommands Detached;  // variable i + 1 is unknown i
    std::vector<std::string> Names;
};

namespace {

template <class T>
T WalkModel(const TFitModel::TData& d, const T& x, const T* p) {
    return WalkCommands<T>(d.Detached.Commands, [&](const TStackItem& item) -> T {
        return item.Address == DetachedX ? x : p[item.Address - 1];
    });
}

template <std::size_t K>
double GradientAs(const TFitModel::TData& d, double x, const double* p, double* gradient) {
    using G = ad::TGrad<K>;
    const std::size_t n = d.Names.size();
    std::array<G, K> lifted;
    for (std::size_t j = 0; j < n; ++j) {
        lifted[j].V = p[j];
        lifted[j].D.fill(0);
        lifted[j].D[j] = 1;
    }
    const G r = WalkModel<G>(d, G{x, {}}, lifted.data());
    std::copy_n(r.D.begin(), n, gradient);
    return r.V;
}

}  // namespace

TFitModel TFitModel::Make(const TRapidEvaluator& like, const std::string& formula,
                          const std::vector<std::string>& unknowns, const TParameterList& fixed) {
    if (unknowns.size() > MaxFitUnknowns)
        throw Exception("TFitModel.Make: more than " + std::to_string(MaxFitUnknowns) + " unknowns");
    TParameterList all = fixed;
    for (const std::string& name : unknowns) {
        if (const std::optional<std::string> refused = CheckParameterName(name, all))
            throw Exception("TFitModel.Make: " + *refused);
        TParameter parameter;
        parameter.Name = name;
        all.Add(parameter);
    }
    const TParameterBinding binding(all);
    std::vector<const double*> cells;
    for (const std::string& name : unknowns) cells.push_back(binding.Cells()->Cell(name));
    auto data = std::make_shared<TData>();
    data->Detached = DetachCommands(like, formula, cells);
    data->Names = unknowns;
    return TFitModel(std::move(data));
}

std::size_t TFitModel::Count() const { return FData->Names.size(); }
const std::vector<std::string>& TFitModel::Names() const { return FData->Names; }

double TFitModel::Value(double x, const double* p) const { return WalkModel<double>(*FData, x, p); }

double TFitModel::Gradient(double x, const double* p, double* gradient) const {
    const std::size_t n = Count();
    const double value = n <= 4 ? GradientAs<4>(*FData, x, p, gradient)
                         : n <= 8 ? GradientAs<8>(*FData, x, p, gradient)
                                  : GradientAs<MaxFitUnknowns>(*FData, x, p, gradient);
    if (!std::isfinite(value)) return value;
    // Where the walk could not give a slope (a kink met exactly, an
    // external routine), central differences stand in for it.
    std::array<double, MaxFitUnknowns> q{};
    for (std::size_t j = 0; j < n; ++j) {
        if (std::isfinite(gradient[j])) continue;
        std::copy_n(p, n, q.begin());
        const double h = 6.0554544523933395e-6 * std::max(std::fabs(p[j]), 1.0);  // cbrt(eps)
        q[j] = p[j] + h;
        const double up = Value(x, q.data());
        q[j] = p[j] - h;
        const double down = Value(x, q.data());
        gradient[j] = (up - down) / (2 * h);
    }
    return value;
}

namespace {

constexpr std::size_t StopPollRows = 4096;

void CheckData(const TFitData& data, std::size_t unknowns) {
    if (data.Y.size() != data.X.size() || (!data.DY.empty() && data.DY.size() != data.X.size()))
        throw Exception("Fit: the columns differ in length");
    if (data.Count() < unknowns)
        throw Exception("Fit: " + std::to_string(data.Count()) + " points cannot determine " +
                        std::to_string(unknowns) + " unknowns");
    for (std::size_t i = 0; i < data.Count(); ++i) {
        if (!std::isfinite(data.X[i]) || !std::isfinite(data.Y[i]))
            throw Exception("Fit: point " + std::to_string(i + 1) + " is not a finite number");
        if (!data.DY.empty() && !(data.DY[i] > 0 && std::isfinite(data.DY[i])))
            throw Exception("Fit: the uncertainty of point " + std::to_string(i + 1) + " is not above 0");
    }
}

double Weight(const TFitData& data, std::size_t i) { return data.DY.empty() ? 1 : 1 / data.DY[i]; }

// Fills in R2, dof and the standard errors from the covariance and RSS.
void Summarise(TFitResult& r, const TFitData& data, const std::vector<double>& covariance) {
    const std::size_t n = r.Values.size();
    r.Dof = data.Count() - n;
    double sw = 0, swy = 0;
    for (std::size_t i = 0; i < data.Count(); ++i) {
        const double w = Weight(data, i) * Weight(data, i);
        sw += w;
        swy += w * data.Y[i];
    }
    const double mean = swy / sw;
    double tss = 0;
    for (std::size_t i = 0; i < data.Count(); ++i) {
        const double d = (data.Y[i] - mean) * Weight(data, i);
        tss += d * d;
    }
    r.R2 = tss > 0 ? 1 - r.RSS / tss : std::numeric_limits<double>::quiet_NaN();
    r.StandardErrors.assign(n, std::numeric_limits<double>::quiet_NaN());
    if (covariance.empty() || r.Dof == 0) return;
    const double variance = r.RSS / static_cast<double>(r.Dof);
    for (std::size_t j = 0; j < n; ++j) r.StandardErrors[j] = std::sqrt(covariance[j * n + j] * variance);
}

}  // namespace

TFitResult FitModel(const TFitModel& model, const TFitData& data, const std::vector<double>& start,
                    const TLevenbergMarquardtOptions& options) {
    const std::size_t n = model.Count(), m = data.Count();
    CheckData(data, n);
    if (start.size() != n) throw Exception("Fit: " + std::to_string(n) + " starting values needed");
    std::vector<double> gradient(n);
    const TResiduals residuals = [&](const std::vector<double>& p, std::vector<double>& r, TColumnMatrix* jacobian) {
        for (std::size_t i = 0; i < m; ++i) {
            // A million points take a good part of a second: a stop is heard
            // within a batch, and the method reports it.
            if (i % StopPollRows == 0 && options.Stop.stop_requested()) return false;
            const double w = Weight(data, i);
            if (jacobian) {
                r[i] = (model.Gradient(data.X[i], p.data(), gradient.data()) - data.Y[i]) * w;
                for (std::size_t j = 0; j < n; ++j) (*jacobian)(i, j) = gradient[j] * w;
            } else {
                r[i] = (model.Value(data.X[i], p.data()) - data.Y[i]) * w;
            }
            if (!std::isfinite(r[i])) return false;
        }
        return true;
    };
    const TLevenbergMarquardtResult lm = LevenbergMarquardt(residuals, m, start, options);
    TFitResult result;
    result.Names = model.Names();
    result.Values = lm.P;
    result.RSS = lm.RSS;
    result.Iterations = lm.Iterations;
    result.Stop = lm.Stop;
    Summarise(result, data, lm.Covariance);
    return result;
}

namespace {

// A fit linear in its unknowns: y = sum_j p_j * basis_j(x), solved by QR.
template <class TBasis>
TFitResult FitLinear(const TFitData& data, std::vector<std::string> names, TBasis&& basis,
                     const std::stop_token& stop = {}) {
    const std::size_t n = names.size(), m = data.Count();
    CheckData(data, n);
    TColumnMatrix a(m, n);
    std::vector<double> b(m), row(n);
    TFitResult result;
    result.Names = std::move(names);
    const auto failed = [&](TFitStop why) {
        result.Stop = why;
        result.Values.assign(n, std::numeric_limits<double>::quiet_NaN());
        result.StandardErrors = result.Values;
        return result;
    };
    for (std::size_t i = 0; i < m; ++i) {
        if (i % StopPollRows == 0 && stop.stop_requested()) return failed(TFitStop::fsStopped);
        basis(data.X[i], row.data());
        const double w = Weight(data, i);
        for (std::size_t j = 0; j < n; ++j) {
            if (!std::isfinite(row[j]))
                throw Exception("Fit: the model is not defined at point " + std::to_string(i + 1));
            a(i, j) = row[j] * w;
        }
        b[i] = data.Y[i] * w;
    }
    const TLinearSolution s = SolveLinearLeastSquares(a, b);
    if (stop.stop_requested()) return failed(TFitStop::fsStopped);
    if (s.Singular) return failed(TFitStop::fsSingular);
    result.Values = s.X;
    for (std::size_t i = 0; i < m; ++i) {
        basis(data.X[i], row.data());
        double f = 0;
        for (std::size_t j = 0; j < n; ++j) f += s.X[j] * row[j];
        const double d = (f - data.Y[i]) * Weight(data, i);
        result.RSS += d * d;
    }
    Summarise(result, data, s.Covariance);
    return result;
}

std::vector<std::string> PolynomialNames(int degree) {
    std::vector<std::string> names;
    for (int j = 0; j <= degree; ++j) names.push_back("c" + std::to_string(j));
    return names;
}

}  // namespace

TFitResult FitPolynomial(const TFitData& data, int degree, std::stop_token stop) {
    if (degree < 0 || static_cast<std::size_t>(degree) >= MaxFitUnknowns)
        throw Exception("Fit: a polynomial's degree must be 0 to " + std::to_string(MaxFitUnknowns - 1));
    // The columns are the powers of x as they stand: the pivoted QR is
    // indifferent to their scales, so its accuracy is set by the
    // conditioning of the fit itself, never squared as the normal
    // equations would square it.
    const std::size_t n = static_cast<std::size_t>(degree) + 1;
    return FitLinear(
        data, PolynomialNames(degree),
        [n](double x, double* row) {
            double power = 1;
            for (std::size_t j = 0; j < n; ++j, power *= x) row[j] = power;
        },
        stop);
}

namespace {

// A line through (u_i, v_i) by QR: {slope, intercept}; {0, mean v} when the
// u do not vary.
std::array<double, 2> LineThrough(const std::vector<double>& u, const std::vector<double>& v) {
    TFitData d{u, v, {}};
    if (d.Count() < 2) return {0, d.Count() == 1 ? v[0] : 0};
    const TFitResult r = FitLinear(d, {"m", "c"}, [](double x, double* row) {
        row[0] = x;
        row[1] = 1;
    });
    if (!r.Succeeded()) return {0, std::accumulate(v.begin(), v.end(), 0.0) / static_cast<double>(v.size())};
    return {r.Values[0], r.Values[1]};
}

}  // namespace

// The starting values of each preset, from the points as given:
//   line, polynomial, logarithm  none needed: solved directly by QR
//   exponential k*exp(b*x)       a line through (x, ln|y|) over the points with y of the
//                                majority's sign: b its slope, k that sign times e^intercept
//   power k*x^p                  a line through (ln x, ln|y|) over x > 0: p the slope
//   logistic L/(1+exp(-k*(x-x0))) L 1.05 times the y of largest magnitude, x0 the x whose y
//                                is nearest L/2, k +-4/(x range) with the sign of the trend
//   sine h*sin(w*x+p)+c          c the mean of y, w pi times the crossings of c per unit of
//                                x (sorted), then h and p from the line y-c = A sin wx + B cos wx
//   Gaussian h*exp(-((x-m)^2)/(2*s^2)) h and m the y of largest magnitude and its x, s the
//                                spread sqrt(sum |y|(x-m)^2 / sum |y|)
TPresetModel PresetModel(TFitPreset preset, const TFitData& data, int degree) {
    TPresetModel model;
    const std::vector<double>& x = data.X;
    const std::vector<double>& y = data.Y;
    const std::size_t count = data.Count();
    const auto [xlo, xhi] = count ? std::minmax_element(x.begin(), x.end()) : std::pair{x.end(), x.end()};
    const double range = count && *xhi > *xlo ? *xhi - *xlo : 1;
    std::size_t peak = 0;
    for (std::size_t i = 1; i < count; ++i)
        if (std::fabs(y[i]) > std::fabs(y[peak])) peak = i;
    switch (preset) {
        case TFitPreset::fpLine:
            model = {"m*x+c", {"m", "c"}, {}};
            break;
        case TFitPreset::fpPolynomial: {
            model.Names = PolynomialNames(std::max(degree, 0));
            model.Formula = "c0";
            for (int j = 1; j <= degree; ++j)
                model.Formula += "+c" + std::to_string(j) + "*x" + (j > 1 ? "^" + std::to_string(j) : "");
            break;
        }
        case TFitPreset::fpLogarithm:
            model = {"k*ln(x)+c", {"k", "c"}, {}};
            break;
        case TFitPreset::fpExponential:
        case TFitPreset::fpPower: {
            const bool power = preset == TFitPreset::fpPower;
            const auto positive = static_cast<std::size_t>(
                std::count_if(y.begin(), y.end(), [](double v) { return v > 0; }));
            const double sign = 2 * positive >= count ? 1 : -1;
            std::vector<double> u, v;
            for (std::size_t i = 0; i < count; ++i)
                if (y[i] * sign > 0 && (!power || x[i] > 0)) {
                    u.push_back(power ? std::log(x[i]) : x[i]);
                    v.push_back(std::log(std::fabs(y[i])));
                }
            const auto [slope, intercept] = LineThrough(u, v);
            model = {power ? "k*x^p" : "k*exp(b*x)", {"k", power ? "p" : "b"}, {sign * std::exp(intercept), slope}};
            break;
        }
        case TFitPreset::fpLogistic: {
            const double top = count ? 1.05 * y[peak] : 1;
            std::size_t mid = 0;
            for (std::size_t i = 1; i < count; ++i)
                if (std::fabs(y[i] - top / 2) < std::fabs(y[mid] - top / 2)) mid = i;
            const double trend = LineThrough(x, y)[0] * top;
            model = {"L/(1+exp(-k*(x-x0)))", {"L", "k", "x0"}, {top, (trend < 0 ? -4 : 4) / range, count ? x[mid] : 0}};
            break;
        }
        case TFitPreset::fpSine: {
            const double c = count ? std::accumulate(y.begin(), y.end(), 0.0) / static_cast<double>(count) : 0;
            std::vector<std::size_t> order(count);
            std::iota(order.begin(), order.end(), std::size_t{0});
            std::sort(order.begin(), order.end(), [&](std::size_t i, std::size_t j) { return x[i] < x[j]; });
            int crossings = 0;
            for (std::size_t k = 1; k < count; ++k)
                crossings += (y[order[k - 1]] - c) * (y[order[k]] - c) < 0;
            const double w = std::numbers::pi * std::max(crossings, 1) / range;
            TFitData centred = data;
            for (double& v : centred.Y) v -= c;
            double h = 1, p = 0;
            if (count >= 2) {
                const TFitResult r = FitLinear(centred, {"A", "B"}, [w](double t, double* row) {
                    row[0] = std::sin(w * t);
                    row[1] = std::cos(w * t);
                });
                if (r.Succeeded()) {
                    h = std::hypot(r.Values[0], r.Values[1]);
                    p = std::atan2(r.Values[1], r.Values[0]);
                }
            }
            model = {"h*sin(w*x+p)+c", {"h", "w", "p", "c"}, {h, w, p, c}};
            break;
        }
        case TFitPreset::fpGaussian: {
            const double m = count ? x[peak] : 0;
            double sw = 0, swd = 0;
            for (std::size_t i = 0; i < count; ++i) {
                sw += std::fabs(y[i]);
                swd += std::fabs(y[i]) * (x[i] - m) * (x[i] - m);
            }
            const double s = sw > 0 && swd > 0 ? std::sqrt(swd / sw) : range / 6;
            // The formula language applies a sign before a power (-2^2 is
            // 4): the square gets a group of its own.
            model = {"h*exp(-((x-m)^2)/(2*s^2))", {"h", "m", "s"}, {count ? y[peak] : 1, m, s}};
            break;
        }
    }
    return model;
}

bool LinearPreset(TFitPreset preset) {
    return preset == TFitPreset::fpLine || preset == TFitPreset::fpPolynomial || preset == TFitPreset::fpLogarithm;
}

TFitResult FitPreset(TFitPreset preset, const TFitData& data, int degree, std::stop_token stop) {
    switch (preset) {
        case TFitPreset::fpLine:
            return FitLinear(
                data, {"m", "c"},
                [](double x, double* row) {
                    row[0] = x;
                    row[1] = 1;
                },
                stop);
        case TFitPreset::fpPolynomial: return FitPolynomial(data, degree, stop);
        case TFitPreset::fpLogarithm:
            return FitLinear(
                data, {"k", "c"},
                [](double x, double* row) {
                    row[0] = std::log(x);
                    row[1] = 1;
                },
                stop);
        default: break;
    }
    const TPresetModel model = PresetModel(preset, data, degree);
    TLevenbergMarquardtOptions options;
    options.Stop = std::move(stop);
    return FitModel(TFitModel::Make(EvalOrtho(), model.Formula, model.Names), data, model.Start, options);
}

}  // namespace curvane
