// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <stop_token>
#include <vector>

namespace curvane {

// A dense matrix of Rows x Cols doubles stored by columns, as the
// Householder and Givens loops below walk it.
struct TColumnMatrix {
    std::size_t Rows = 0, Cols = 0;
    std::vector<double> Data;

    TColumnMatrix() = default;
    TColumnMatrix(std::size_t rows, std::size_t cols) : Rows(rows), Cols(cols), Data(rows * cols, 0.0) {}
    double& operator()(std::size_t i, std::size_t j) { return Data[j * Rows + i]; }
    double operator()(std::size_t i, std::size_t j) const { return Data[j * Rows + i]; }
    double* Column(std::size_t j) { return Data.data() + j * Rows; }
    const double* Column(std::size_t j) const { return Data.data() + j * Rows; }
};

// The Euclidean norm of x[0..n), without overflow or underflow on the way.
double EuclideanNorm(std::size_t n, const double* x);

// Householder QR with column pivoting of A (m x n, m >= n), in place: R in
// the upper triangle with its diagonal in RDiag, the reflections below it,
// Permutation[j] the column of A that became column j. ColumnNorms holds the
// norms of the columns of A as given.
struct TPivotedQR {
    TColumnMatrix A;
    std::vector<double> RDiag;
    std::vector<double> ColumnNorms;
    std::vector<std::size_t> Permutation;
};
TPivotedQR FactorQR(TColumnMatrix a);

// Q^T b for the reflections of `qr` (b of length m); the first n entries are
// what R x = Q^T b solves for.
std::vector<double> ApplyQTranspose(const TPivotedQR& qr, std::vector<double> b);

// The number of leading columns whose diagonal of R stands above
// RankTolerance times the norm of that column of A: below it the column
// lies in the span of those before it to working precision.
inline constexpr double RankTolerance = 1e-13;
std::size_t NumericalRank(const TPivotedQR& qr);

// (R^T R)^-1 in the order of A's columns: the covariance of the least-squares
// solution up to the residual variance. Empty when R is rank deficient.
std::vector<double> InverseNormalMatrix(const TPivotedQR& qr);

// min |A x - b| by QR (never the normal equations, whose condition is the
// square of A's). Singular is set, and X left empty, when A is rank deficient.
struct TLinearSolution {
    std::vector<double> X;
    std::vector<double> Covariance;  // (A^T A)^-1, n x n by columns
    bool Singular = false;
};
TLinearSolution SolveLinearLeastSquares(const TColumnMatrix& a, const std::vector<double>& b);

// Why Levenberg-Marquardt stopped.
enum class TFitStop : std::uint8_t {
    fsConverged,       // the relative reduction, the step or the gradient test was met
    fsIterationLimit,  // MaxIterations Jacobians without meeting a test
    fsSingular,        // the Jacobian at the end is rank deficient: no standard errors
    fsNotComputable,   // the residuals are not finite at the starting point
    fsStopped,         // asked to stop before a test was met
};
// "converged", "iteration limit", "singular", "not computable", "stopped".
const char* FitStopName(TFitStop stop);

// The residuals r (length m) at p, and when jacobian is not null their
// derivatives dr_i/dp_j (m x n). Returns false where they cannot be computed
// (the method then treats the point as a failed step).
using TResiduals = std::function<bool(const std::vector<double>& p, std::vector<double>& r, TColumnMatrix* jacobian)>;

struct TLevenbergMarquardtOptions {
    // The stopping tests, relative, as MINPACK's ftol, xtol and gtol.
    double ReductionTolerance = 1e-15;
    double StepTolerance = 1e-15;
    double GradientTolerance = 0;
    std::size_t MaxIterations = 1000;  // Jacobian evaluations
    // Polled before each evaluation of the residuals; a request ends the
    // run with fsStopped within one evaluation.
    std::stop_token Stop;
    // Told the number of Jacobians evaluated so far, on the thread that runs
    // the method, after each one.
    std::function<void(std::size_t iterations)> Progress;
};

struct TLevenbergMarquardtResult {
    std::vector<double> P;
    std::vector<double> Covariance;  // (J^T J)^-1 at P, n x n by columns; empty when singular
    double RSS = 0;
    std::size_t Iterations = 0;
    TFitStop Stop = TFitStop::fsConverged;
};

// Minimises |r(p)|^2 from `start` (m residuals, m >= n).
TLevenbergMarquardtResult LevenbergMarquardt(const TResiduals& residuals, std::size_t m, std::vector<double> start,
                                             const TLevenbergMarquardtOptions& options = {});

}  // namespace curvane
