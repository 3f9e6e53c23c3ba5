// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/numeric/least_squares.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace curvane {

namespace {

constexpr double Epsilon = std::numeric_limits<double>::epsilon();
constexpr double Dwarf = std::numeric_limits<double>::min();

}  // namespace

double EuclideanNorm(std::size_t n, const double* x) {
    double scale = 0, sum = 1;
    for (std::size_t i = 0; i < n; ++i) {
        const double a = std::fabs(x[i]);
        if (a == 0) continue;
        if (!std::isfinite(a)) return a;
        if (a > scale) {
            sum = 1 + sum * (scale / a) * (scale / a);
            scale = a;
        } else {
            sum += (a / scale) * (a / scale);
        }
    }
    return scale * std::sqrt(sum);
}

TPivotedQR FactorQR(TColumnMatrix a) {
    const std::size_t m = a.Rows, n = a.Cols;
    TPivotedQR qr;
    qr.RDiag.resize(n);
    qr.ColumnNorms.resize(n);
    qr.Permutation.resize(n);
    std::vector<double> start(n);  // the norms pivoting last recomputed, to tell when the downdate lost its digits
    for (std::size_t j = 0; j < n; ++j) {
        qr.ColumnNorms[j] = qr.RDiag[j] = start[j] = EuclideanNorm(m, a.Column(j));
        qr.Permutation[j] = j;
    }
    for (std::size_t j = 0; j < std::min(m, n); ++j) {
        // The column of largest remaining norm goes next, so R's diagonal
        // falls and a dependent column shows at the end.
        std::size_t best = j;
        for (std::size_t k = j + 1; k < n; ++k)
            if (qr.RDiag[k] > qr.RDiag[best]) best = k;
        if (best != j) {
            std::swap_ranges(a.Column(j), a.Column(j) + m, a.Column(best));
            qr.RDiag[best] = qr.RDiag[j];
            start[best] = start[j];
            std::swap(qr.Permutation[j], qr.Permutation[best]);
        }
        double* v = a.Column(j);
        double norm = EuclideanNorm(m - j, v + j);
        if (norm != 0) {
            if (v[j] < 0) norm = -norm;
            for (std::size_t i = j; i < m; ++i) v[i] /= norm;
            v[j] += 1;
            for (std::size_t k = j + 1; k < n; ++k) {
                double* c = a.Column(k);
                double sum = 0;
                for (std::size_t i = j; i < m; ++i) sum += v[i] * c[i];
                const double t = sum / v[j];
                for (std::size_t i = j; i < m; ++i) c[i] -= t * v[i];
                if (qr.RDiag[k] != 0) {
                    // Downdate the remaining norm; recompute it once
                    // cancellation has eaten most of its digits.
                    const double q = c[j] / qr.RDiag[k];
                    qr.RDiag[k] *= std::sqrt(std::max(0.0, 1 - q * q));
                    const double ratio = qr.RDiag[k] / start[k];
                    if (0.05 * ratio * ratio <= Epsilon) qr.RDiag[k] = start[k] = EuclideanNorm(m - j - 1, c + j + 1);
                }
            }
        }
        qr.RDiag[j] = -norm;
    }
    qr.A = std::move(a);
    return qr;
}

std::vector<double> ApplyQTranspose(const TPivotedQR& qr, std::vector<double> b) {
    const std::size_t m = qr.A.Rows;
    for (std::size_t j = 0; j < std::min(m, qr.A.Cols); ++j) {
        const double* v = qr.A.Column(j);
        if (v[j] == 0) continue;
        double sum = 0;
        for (std::size_t i = j; i < m; ++i) sum += v[i] * b[i];
        const double t = -sum / v[j];
        for (std::size_t i = j; i < m; ++i) b[i] += t * v[i];
    }
    return b;
}

std::size_t NumericalRank(const TPivotedQR& qr) {
    const std::size_t n = std::min(qr.A.Rows, qr.A.Cols);
    std::size_t rank = 0;
    // Each column against its own norm, so that parameters of very
    // different scales (1e-5 beside 1e3) are not mistaken for dependence.
    while (rank < n && std::isfinite(qr.RDiag[rank]) &&
           std::fabs(qr.RDiag[rank]) > RankTolerance * qr.ColumnNorms[qr.Permutation[rank]])
        ++rank;
    return rank;
}

std::vector<double> InverseNormalMatrix(const TPivotedQR& qr) {
    const std::size_t n = qr.A.Cols;
    if (qr.A.Rows < n || NumericalRank(qr) < n) return {};
    // R^-1 by columns, upper triangular; R's off-diagonal is in A's upper
    // triangle, its diagonal in RDiag.
    TColumnMatrix inv(n, n);
    for (std::size_t k = 0; k < n; ++k) {
        inv(k, k) = 1 / qr.RDiag[k];
        for (std::size_t i = k; i-- > 0;) {
            double sum = 0;
            for (std::size_t l = i + 1; l <= k; ++l) sum += qr.A(i, l) * inv(l, k);
            inv(i, k) = -sum / qr.RDiag[i];
        }
    }
    // (R^T R)^-1 = R^-1 R^-T, then the pivoting undone.
    std::vector<double> cov(n * n);
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = 0; j < n; ++j) {
            double sum = 0;
            for (std::size_t l = std::max(i, j); l < n; ++l) sum += inv(i, l) * inv(j, l);
            cov[qr.Permutation[j] * n + qr.Permutation[i]] = sum;
        }
    return cov;
}

TLinearSolution SolveLinearLeastSquares(const TColumnMatrix& a, const std::vector<double>& b) {
    const std::size_t n = a.Cols;
    TLinearSolution solution;
    const TPivotedQR qr = FactorQR(a);
    if (a.Rows < n || NumericalRank(qr) < n) {
        solution.Singular = true;
        return solution;
    }
    const std::vector<double> qtb = ApplyQTranspose(qr, b);
    std::vector<double> z(n);
    for (std::size_t j = n; j-- > 0;) {
        double sum = qtb[j];
        for (std::size_t l = j + 1; l < n; ++l) sum -= qr.A(j, l) * z[l];
        z[j] = sum / qr.RDiag[j];
    }
    solution.X.resize(n);
    for (std::size_t j = 0; j < n; ++j) solution.X[qr.Permutation[j]] = z[j];
    solution.Covariance = InverseNormalMatrix(qr);
    return solution;
}

const char* FitStopName(TFitStop stop) {
    switch (stop) {
        case TFitStop::fsConverged: return "converged";
        case TFitStop::fsIterationLimit: return "iteration limit";
        case TFitStop::fsSingular: return "singular";
        case TFitStop::fsNotComputable: return "not computable";
        case TFitStop::fsStopped: return "stopped";
    }
    return "";
}

namespace {

// Solves, for the n x n upper triangle R (its diagonal in rdiag) of J P =
// Q R, the least-squares system [R; D P]z = [qtb; 0] for the diagonal
// matrix D = diag, by Givens rotations that fold D into R. The lower triangle
// of r and sdiag receive the triangle S of the folded system; x is the
// solution in the original order.
void SolveWithDiagonal(TColumnMatrix& r, const std::vector<std::size_t>& perm, const std::vector<double>& diag,
                       const std::vector<double>& qtb, std::vector<double>& x, std::vector<double>& sdiag) {
    const std::size_t n = r.Cols;
    std::vector<double> wa(n);
    for (std::size_t j = 0; j < n; ++j) {
        for (std::size_t i = j; i < n; ++i) r(i, j) = r(j, i);
        x[j] = r(j, j);
        wa[j] = qtb[j];
    }
    for (std::size_t j = 0; j < n; ++j) {
        const double d = diag[perm[j]];
        if (d != 0) {
            std::fill(sdiag.begin() + static_cast<std::ptrdiff_t>(j), sdiag.end(), 0.0);
            sdiag[j] = d;
            double qtbpj = 0;
            for (std::size_t k = j; k < n; ++k) {
                if (sdiag[k] == 0) continue;
                double sin, cos;
                if (std::fabs(r(k, k)) < std::fabs(sdiag[k])) {
                    const double cotan = r(k, k) / sdiag[k];
                    sin = 0.5 / std::sqrt(0.25 + 0.25 * cotan * cotan);
                    cos = sin * cotan;
                } else {
                    const double tan = sdiag[k] / r(k, k);
                    cos = 0.5 / std::sqrt(0.25 + 0.25 * tan * tan);
                    sin = cos * tan;
                }
                r(k, k) = cos * r(k, k) + sin * sdiag[k];
                const double t = cos * wa[k] + sin * qtbpj;
                qtbpj = -sin * wa[k] + cos * qtbpj;
                wa[k] = t;
                for (std::size_t i = k + 1; i < n; ++i) {
                    const double u = cos * r(i, k) + sin * sdiag[i];
                    sdiag[i] = -sin * r(i, k) + cos * sdiag[i];
                    r(i, k) = u;
                }
            }
        }
        sdiag[j] = r(j, j);
        r(j, j) = x[j];
    }
    std::size_t nsing = n;
    for (std::size_t j = 0; j < n; ++j) {
        if (sdiag[j] == 0 && nsing == n) nsing = j;
        if (nsing < n) wa[j] = 0;
    }
    for (std::size_t j = nsing; j-- > 0;) {
        double sum = 0;
        for (std::size_t i = j + 1; i < nsing; ++i) sum += r(i, j) * wa[i];
        wa[j] = (wa[j] - sum) / sdiag[j];
    }
    for (std::size_t j = 0; j < n; ++j) x[perm[j]] = wa[j];
}

// The Levenberg-Marquardt parameter par for which the step x solving
// (J^T J + par D^T D) x = -J^T r has |D x| within 10% of delta (or par = 0
// when the Gauss-Newton step is already that short): a few Newton steps on
// |D x(par)| - delta between bounds that close in on it.
void FindLevenbergParameter(TColumnMatrix& r, const std::vector<std::size_t>& perm, const std::vector<double>& diag,
                            const std::vector<double>& qtb, double delta, double& par, std::vector<double>& x,
                            std::vector<double>& sdiag) {
    const std::size_t n = r.Cols;
    std::vector<double> wa1(n), wa2(n);
    // The Gauss-Newton direction; a singular R gives a least-squares one.
    std::size_t nsing = n;
    for (std::size_t j = 0; j < n; ++j) {
        wa1[j] = qtb[j];
        if (r(j, j) == 0 && nsing == n) nsing = j;
        if (nsing < n) wa1[j] = 0;
    }
    for (std::size_t j = nsing; j-- > 0;) {
        wa1[j] /= r(j, j);
        for (std::size_t i = 0; i < j; ++i) wa1[i] -= r(i, j) * wa1[j];
    }
    for (std::size_t j = 0; j < n; ++j) x[perm[j]] = wa1[j];
    for (std::size_t j = 0; j < n; ++j) wa2[j] = diag[j] * x[j];
    double dxnorm = EuclideanNorm(n, wa2.data());
    double fp = dxnorm - delta;
    if (fp <= 0.1 * delta) {
        par = 0;
        return;
    }
    // A lower bound from the Newton step at par = 0, when R is regular.
    double parl = 0;
    if (nsing >= n) {
        for (std::size_t j = 0; j < n; ++j) wa1[j] = diag[perm[j]] * (wa2[perm[j]] / dxnorm);
        for (std::size_t j = 0; j < n; ++j) {
            double sum = 0;
            for (std::size_t i = 0; i < j; ++i) sum += r(i, j) * wa1[i];
            wa1[j] = (wa1[j] - sum) / r(j, j);
        }
        const double t = EuclideanNorm(n, wa1.data());
        parl = ((fp / delta) / t) / t;
    }
    // An upper bound from the scaled gradient.
    for (std::size_t j = 0; j < n; ++j) {
        double sum = 0;
        for (std::size_t i = 0; i <= j; ++i) sum += r(i, j) * qtb[i];
        wa1[j] = sum / diag[perm[j]];
    }
    const double gnorm = EuclideanNorm(n, wa1.data());
    double paru = gnorm / delta;
    if (paru == 0) paru = Dwarf / std::min(delta, 0.1);
    par = std::clamp(par, parl, paru);
    if (par == 0) par = gnorm / dxnorm;
    for (int iter = 1;; ++iter) {
        if (par == 0) par = std::max(Dwarf, 0.001 * paru);
        const double s = std::sqrt(par);
        for (std::size_t j = 0; j < n; ++j) wa1[j] = s * diag[j];
        SolveWithDiagonal(r, perm, wa1, qtb, x, sdiag);
        for (std::size_t j = 0; j < n; ++j) wa2[j] = diag[j] * x[j];
        dxnorm = EuclideanNorm(n, wa2.data());
        const double previous = fp;
        fp = dxnorm - delta;
        if (std::fabs(fp) <= 0.1 * delta || (parl == 0 && fp <= previous && previous < 0) || iter == 10) return;
        for (std::size_t j = 0; j < n; ++j) wa1[j] = diag[perm[j]] * (wa2[perm[j]] / dxnorm);
        for (std::size_t j = 0; j < n; ++j) {
            wa1[j] /= sdiag[j];
            for (std::size_t i = j + 1; i < n; ++i) wa1[i] -= r(i, j) * wa1[j];
        }
        const double t = EuclideanNorm(n, wa1.data());
        const double parc = ((fp / delta) / t) / t;
        if (fp > 0) parl = std::max(parl, par);
        if (fp < 0) paru = std::min(paru, par);
        par = std::max(parl, par + parc);
    }
}

bool Finite(const std::vector<double>& v) {
    return std::all_of(v.begin(), v.end(), [](double a) { return std::isfinite(a); });
}

struct TRun {
    std::vector<double> P;
    double FNorm = 0;
    bool Converged = false;
};

// The trust-region method as MINPACK's lmder has it. The scaling D is the
// largest column norm of J seen so far, updated at every Jacobian: what
// makes the far starts of the reference problems work. Kept at the first
// Jacobian's norms instead, MGH17 from its first start (b4 = 1, b5 = 2 where
// the solution has 0.013 and 0.022) never leaves the region where the two
// exponentials have died out, and stops at the iteration limit.
TRun Minimise(const TResiduals& residuals, std::size_t m, std::vector<double> x, std::vector<double> fvec,
              double fnorm, const TLevenbergMarquardtOptions& options, std::size_t& iterations) {
    const std::size_t n = x.size();
    constexpr double Factor = 100;  // the first step bound, relative to |D x|
    std::vector<double> diag(n), qtf(n), step(n), trial(n), wa3(n), sdiag(n), fTrial(m);
    TColumnMatrix jacobian(m, n);
    double par = 0, delta = 0, xnorm = 0;
    bool first = true;
    TRun run;
    while (iterations < options.MaxIterations && !options.Stop.stop_requested()) {
        if (!residuals(x, fvec, &jacobian) || !Finite(jacobian.Data)) break;
        ++iterations;
        if (options.Progress) options.Progress(iterations);
        TPivotedQR qr = FactorQR(std::move(jacobian));
        if (first) {
            for (std::size_t j = 0; j < n; ++j) diag[j] = qr.ColumnNorms[j] == 0 ? 1 : qr.ColumnNorms[j];
            for (std::size_t j = 0; j < n; ++j) wa3[j] = diag[j] * x[j];
            xnorm = EuclideanNorm(n, wa3.data());
            delta = xnorm == 0 ? Factor : Factor * xnorm;
        }
        const std::vector<double> qtfFull = ApplyQTranspose(qr, fvec);
        TColumnMatrix& r = qr.A;
        for (std::size_t j = 0; j < n; ++j) {
            r(j, j) = qr.RDiag[j];
            qtf[j] = qtfFull[j];
        }
        // The cosine of the largest angle between r and a column of J:
        // 0 at a stationary point.
        double gnorm = 0;
        if (fnorm != 0)
            for (std::size_t j = 0; j < n; ++j) {
                const std::size_t l = qr.Permutation[j];
                if (qr.ColumnNorms[l] == 0) continue;
                double sum = 0;
                for (std::size_t i = 0; i <= j; ++i) sum += r(i, j) * (qtf[i] / fnorm);
                gnorm = std::max(gnorm, std::fabs(sum / qr.ColumnNorms[l]));
            }
        if (gnorm <= options.GradientTolerance || fnorm == 0) {
            run.Converged = true;
            break;
        }
        for (std::size_t j = 0; j < n; ++j) diag[j] = std::max(diag[j], qr.ColumnNorms[j]);
        bool stop = false;
        for (;;) {
            FindLevenbergParameter(r, qr.Permutation, diag, qtf, delta, par, step, sdiag);
            for (std::size_t j = 0; j < n; ++j) {
                step[j] = -step[j];
                trial[j] = x[j] + step[j];
                wa3[j] = diag[j] * step[j];
            }
            const double pnorm = EuclideanNorm(n, wa3.data());
            if (first) delta = std::min(delta, pnorm);
            // A step into a region where the model cannot be computed is a
            // step that failed: the trust region shrinks.
            double fnorm1 = std::numeric_limits<double>::infinity();
            if (residuals(trial, fTrial, nullptr) && Finite(fTrial)) fnorm1 = EuclideanNorm(m, fTrial.data());
            // The residuals may have given up half way for a stop: the trial
            // is no step at all, and the run ends where it stands.
            if (options.Stop.stop_requested()) {
                stop = true;
                break;
            }
            const double actred = 0.1 * fnorm1 < fnorm ? 1 - (fnorm1 / fnorm) * (fnorm1 / fnorm) : -1;
            for (std::size_t j = 0; j < n; ++j) {
                wa3[j] = 0;
                const double t = step[qr.Permutation[j]];
                for (std::size_t i = 0; i <= j; ++i) wa3[i] += r(i, j) * t;
            }
            const double t1 = EuclideanNorm(n, wa3.data()) / fnorm;
            const double t2 = std::sqrt(par) * pnorm / fnorm;
            const double prered = t1 * t1 + t2 * t2 / 0.5;
            const double dirder = -(t1 * t1 + t2 * t2);
            const double ratio = prered != 0 ? actred / prered : 0;
            if (ratio <= 0.25) {
                double t = actred >= 0 ? 0.5 : 0.5 * dirder / (dirder + 0.5 * actred);
                if (0.1 * fnorm1 >= fnorm || t < 0.1) t = 0.1;
                delta = t * std::min(delta, pnorm / 0.1);
                par /= t;
            } else if (par == 0 || ratio >= 0.75) {
                delta = pnorm / 0.5;
                par *= 0.5;
            }
            const bool accepted = ratio >= 1e-4;
            if (accepted) {
                x = trial;
                fvec = fTrial;
                for (std::size_t j = 0; j < n; ++j) wa3[j] = diag[j] * x[j];
                xnorm = EuclideanNorm(n, wa3.data());
                fnorm = fnorm1;
                first = false;
            }
            // Converged: the predicted and the actual relative reductions of
            // |r|^2 both fall below the tolerance, or the trust region has
            // shrunk below the step tolerance relative to |D x|.
            const bool reduced = std::fabs(actred) <= options.ReductionTolerance &&
                                 prered <= options.ReductionTolerance && 0.5 * ratio <= 1;
            if (reduced || delta <= options.StepTolerance * xnorm || delta <= Epsilon * xnorm ||
                (std::fabs(actred) <= Epsilon && prered <= Epsilon && 0.5 * ratio <= 1) || !std::isfinite(delta)) {
                run.Converged = true;
                stop = true;
                break;
            }
            if (accepted) break;
        }
        if (stop) break;
        jacobian = TColumnMatrix(m, n);
    }
    run.P = std::move(x);
    run.FNorm = fnorm;
    return run;
}

}  // namespace

TLevenbergMarquardtResult LevenbergMarquardt(const TResiduals& residuals, std::size_t m, std::vector<double> start,
                                             const TLevenbergMarquardtOptions& options) {
    const std::size_t n = start.size();
    TLevenbergMarquardtResult result;
    result.P = start;
    std::vector<double> fvec(m);
    if (m < n || !residuals(start, fvec, nullptr) || !Finite(fvec)) {
        result.Stop = m < n                              ? TFitStop::fsSingular
                      : options.Stop.stop_requested() ? TFitStop::fsStopped
                                                         : TFitStop::fsNotComputable;
        return result;
    }
    double fnorm = EuclideanNorm(m, fvec.data());
    std::size_t iterations = 0;
    const TRun run = Minimise(residuals, m, result.P, fvec, fnorm, options, iterations);
    // A stopped run has no covariance worth a Jacobian more: the caller
    // keeps nothing of it.
    const auto stopped = [&](std::vector<double> p, double norm) {
        result.P = std::move(p);
        result.RSS = norm * norm;
        result.Iterations = iterations;
        result.Covariance.clear();
        result.Stop = TFitStop::fsStopped;
        return result;
    };
    if (options.Stop.stop_requested()) return stopped(run.P, run.FNorm);
    const bool converged = run.Converged;
    result.P = run.P;
    fnorm = run.FNorm;
    // Gauss-Newton steps from the converged point: where the trust region
    // stops on a flat valley (the sum of squares no longer falls by more
    // than its rounding), full steps still carry the parameters to the
    // last digits the Jacobian's conditioning allows.
    // Each step's QR also gives (J^T J)^-1 at the point it starts from:
    // when the step is refused, or too small to matter, that is the
    // covariance of the result and no Jacobian is computed again.
    std::vector<double> trial(n), fTrial(m);
    bool covarianceKnown = false;
    for (int polish = 0; converged && polish < 10 && iterations < options.MaxIterations; ++polish) {
        TColumnMatrix jacobian(m, n);
        if (!residuals(result.P, fvec, &jacobian) || !Finite(jacobian.Data)) break;
        ++iterations;
        const TLinearSolution step = SolveLinearLeastSquares(jacobian, fvec);
        result.Covariance = step.Covariance;
        covarianceKnown = true;
        if (step.Singular) break;
        double size = 0, scale = 0;
        for (std::size_t j = 0; j < n; ++j) {
            trial[j] = result.P[j] - step.X[j];
            size = std::max(size, std::fabs(step.X[j]));
            scale = std::max(scale, std::fabs(result.P[j]));
        }
        if (!residuals(trial, fTrial, nullptr) || !Finite(fTrial)) break;
        const double fnorm1 = EuclideanNorm(m, fTrial.data());
        if (!(fnorm1 <= fnorm)) break;
        result.P = trial;
        fvec = fTrial;
        fnorm = fnorm1;
        covarianceKnown = size <= 1e-15 * scale;
        if (covarianceKnown) break;
    }
    if (options.Stop.stop_requested()) return stopped(result.P, fnorm);
    result.Iterations = iterations;
    result.RSS = fnorm * fnorm;
    if (!covarianceKnown) {
        TColumnMatrix jacobian(m, n);
        if (!residuals(result.P, fvec, &jacobian) || !Finite(jacobian.Data)) {
            if (options.Stop.stop_requested()) return stopped(result.P, fnorm);
            result.Stop = TFitStop::fsSingular;
            return result;
        }
        result.Covariance = InverseNormalMatrix(FactorQR(std::move(jacobian)));
    }
    if (!converged) result.Stop = TFitStop::fsIterationLimit;
    else if (result.Covariance.empty()) result.Stop = TFitStop::fsSingular;
    else result.Stop = TFitStop::fsConverged;
    return result;
}

}  // namespace curvane
