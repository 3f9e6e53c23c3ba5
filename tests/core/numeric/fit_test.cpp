// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/numeric/fit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <regex>
#include <sstream>
#include <stop_token>
#include <string>
#include <vector>

#include "core/document/shared_evaluators.h"
#include "core/support/exceptions.h"

namespace curvane {
namespace {

// One reference problem: the data, both starts and the certified values
// as its file gives them (y first, then x).
struct TReference {
    TFitData Data;
    std::vector<double> Start1, Start2, Values, Deviations;
};

TReference ReadReference(const std::string& name) {
    std::ifstream file(std::string(CURVANE_TEST_DATA) + "/nist-strd/" + name + ".dat");
    TReference r;
    const std::regex parameter(R"(^\s*b\d+\s*=\s*(\S+)\s+(\S+)\s+(\S+)\s+(\S+)\s*$)");
    const std::regex dataHeader(R"(^Data:\s+y\s+x\s*$)");
    std::string line;
    bool inData = false;
    while (std::getline(file, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::smatch m;
        if (inData) {
            std::istringstream values(line);
            double y = 0, x = 0;
            if (values >> y >> x) {
                r.Data.X.push_back(x);
                r.Data.Y.push_back(y);
            }
        } else if (std::regex_match(line, m, parameter)) {
            r.Start1.push_back(std::stod(m[1]));
            r.Start2.push_back(std::stod(m[2]));
            r.Values.push_back(std::stod(m[3]));
            r.Deviations.push_back(std::stod(m[4]));
        } else if (std::regex_match(line, dataHeader)) {
            inData = true;
        }
    }
    return r;
}

// The log relative error: about the number of agreeing significant digits.
double Lre(double computed, double certified) {
    if (computed == certified) return 15;
    return std::min(15.0, -std::log10(std::fabs(computed - certified) / std::fabs(certified)));
}

// Every problem from both starts: each parameter and each standard
// deviation to at least 6 significant digits. Prints the least digits of
// each run, the figures of the table in bench/README.md.
TEST(Fit, ReferenceProblemsFromBothStartsAgreeToSixDigits) {
    const struct {
        const char* Name;
        const char* Model;
    } rows[] = {
        {"Misra1a", "b1*(1-exp(-b2*x))"},
        {"Chwirut2", "exp(-b1*x)/(b2+b3*x)"},
        {"Lanczos3", "b1*exp(-b2*x)+b3*exp(-b4*x)+b5*exp(-b6*x)"},
        {"DanWood", "b1*x^b2"},
        {"Kirby2", "(b1+b2*x+b3*x^2)/(1+b4*x+b5*x^2)"},
        {"MGH17", "b1+b2*exp(-x*b4)+b3*exp(-x*b5)"},
        {"Misra1c", "b1*(1-(1+2*b2*x)^(-0.5))"},
        {"Roszman1", "b1-b2*x-arctg(b3/(x-b4))/pi"},
        {"ENSO",
         "b1+b2*cos(2*pi*x/12)+b3*sin(2*pi*x/12)+b5*cos(2*pi*x/b4)+b6*sin(2*pi*x/b4)+b8*cos(2*pi*x/b7)+"
         "b9*sin(2*pi*x/b7)"},
        {"Rat42", "b1/(1+exp(b2-b3*x))"},
        {"Eckerle4", "(b1/b2)*exp(-0.5*((x-b3)/b2)^2)"},
        {"MGH09", "b1*(x^2+x*b2)/(x^2+x*b3+b4)"},
    };
    for (const auto& row : rows) {
        const TReference ref = ReadReference(row.Name);
        ASSERT_FALSE(ref.Values.empty()) << row.Name;
        std::vector<std::string> names;
        for (std::size_t j = 0; j < ref.Values.size(); ++j) names.push_back("b" + std::to_string(j + 1));
        const TFitModel model = TFitModel::Make(EvalOrtho(), row.Model, names);
        for (int start = 1; start <= 2; ++start) {
            SCOPED_TRACE(std::string(row.Name) + " from start " + std::to_string(start));
            const TFitResult r = FitModel(model, ref.Data, start == 1 ? ref.Start1 : ref.Start2);
            EXPECT_EQ(r.Stop, TFitStop::fsConverged);
            double least = 15;
            for (std::size_t j = 0; j < names.size(); ++j) {
                least = std::min({least, Lre(r.Values[j], ref.Values[j]), Lre(r.StandardErrors[j], ref.Deviations[j])});
                EXPECT_GE(Lre(r.Values[j], ref.Values[j]), 6) << names[j] << " = " << r.Values[j];
                EXPECT_GE(Lre(r.StandardErrors[j], ref.Deviations[j]), 6) << names[j] << " +- " << r.StandardErrors[j];
            }
            std::printf("%-9s start %d: %4.1f digits, %zu iterations\n", row.Name, start, least, r.Iterations);
        }
    }
}

// Data of a degree-10 polynomial on [0, 2], each y rounded once from long
// double: the coefficients come back to within the conditioning's limit,
// the change a perturbation of y by its rounding (eps/2 relative) can make
// in each one, sqrt((A^T A)^-1_jj) * eps * |y|. Here that is 1.5e-12
// relative for c0, about 6e-9 for c4..c6 (the columns x^j differ little on
// [0, 2]) and 3e-11 for c10. Normal equations would square the condition
// number behind these limits.
TEST(Fit, DegreeTenPolynomialComesBackToTheConditioningsLimit) {
    const int degree = 10;
    const std::size_t n = degree + 1;
    std::vector<double> truth;
    for (std::size_t j = 0; j < n; ++j) truth.push_back((j % 2 ? -1.0 : 1.0) * (1 + 0.37 * static_cast<double>(j)));
    TFitData data;
    TColumnMatrix a(201, n);
    double yNorm = 0;
    for (std::size_t i = 0; i < 201; ++i) {
        const long double x = 2.0L * static_cast<long double>(i) / 200;
        long double y = 0;
        for (std::size_t j = n; j-- > 0;) y = y * x + truth[j];
        data.X.push_back(static_cast<double>(x));
        data.Y.push_back(static_cast<double>(y));
        yNorm = std::hypot(yNorm, static_cast<double>(y));
        for (std::size_t j = 0; j < n; ++j) a(i, j) = std::pow(static_cast<double>(x), static_cast<double>(j));
    }
    const std::vector<double> inverse = InverseNormalMatrix(FactorQR(a));
    ASSERT_EQ(inverse.size(), n * n);
    const TFitResult r = FitPolynomial(data, degree);
    ASSERT_EQ(r.Stop, TFitStop::fsConverged);
    ASSERT_EQ(r.Names.back(), "c10");
    for (std::size_t j = 0; j < n; ++j) {
        const double limit = std::sqrt(inverse[j * n + j]) * 2.220446049250313e-16 * yNorm;
        EXPECT_LE(std::fabs(r.Values[j] - truth[j]), 10 * limit) << "c" << j;
        std::printf("c%-2zu error %.1e, limit %.1e (relative %.1e)\n", j, std::fabs(r.Values[j] - truth[j]), limit,
                    limit / std::fabs(truth[j]));
    }
    EXPECT_NEAR(r.R2, 1, 1e-12);
    EXPECT_EQ(r.Dof, 201 - n);
}

// Failures say why and give no values; the presets' guesses lead their
// fits to the generating parameters.
TEST(Fit, PresetsFindTheirModelsAndFailuresAreNamed) {
    const struct {
        TFitPreset Preset;
        std::vector<double> Truth;  // in the order of the preset's names
        double (*F)(double, const std::vector<double>&);
        const char* Why;
    } rows[] = {
        {TFitPreset::fpLine, {2.5, -1}, [](double x, const std::vector<double>& p) { return p[0] * x + p[1]; }, "QR"},
        {TFitPreset::fpExponential, {3, -0.7},
         [](double x, const std::vector<double>& p) { return p[0] * std::exp(p[1] * x); }, "log-line guess"},
        {TFitPreset::fpPower, {2, 1.5}, [](double x, const std::vector<double>& p) { return p[0] * std::pow(x, p[1]); },
         "log-log guess"},
        {TFitPreset::fpLogarithm, {1.5, 4},
         [](double x, const std::vector<double>& p) { return p[0] * std::log(x) + p[1]; }, "QR on ln x"},
        {TFitPreset::fpLogistic, {5, 2, 3},
         [](double x, const std::vector<double>& p) { return p[0] / (1 + std::exp(-p[1] * (x - p[2]))); },
         "half-height guess"},
        {TFitPreset::fpSine, {2, 1.3, 0.4, 1},
         [](double x, const std::vector<double>& p) { return p[0] * std::sin(p[1] * x + p[2]) + p[3]; },
         "crossings give the frequency"},
        {TFitPreset::fpGaussian, {4, 2.5, 0.8},
         [](double x, const std::vector<double>& p) {
             return p[0] * std::exp(-(x - p[1]) * (x - p[1]) / (2 * p[2] * p[2]));
         },
         "peak and spread"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Why);
        TFitData data;
        for (int i = 1; i <= 60; ++i) {
            const double x = 0.1 * i;
            data.X.push_back(x);
            // A small deterministic wobble keeps dof meaningful.
            data.Y.push_back(row.F(x, row.Truth) + 1e-3 * std::sin(7.3 * i));
        }
        const TFitResult r = FitPreset(row.Preset, data);
        ASSERT_EQ(r.Stop, TFitStop::fsConverged);
        for (std::size_t j = 0; j < row.Truth.size(); ++j) EXPECT_NEAR(r.Values[j], row.Truth[j], 1e-2) << r.Names[j];
        EXPECT_GT(r.R2, 0.999);
    }
    const TFitData few{{1, 2}, {1, 2}, {}};
    EXPECT_THROW(FitPreset(TFitPreset::fpLogistic, few), Exception);
    const TFitData badDy{{1, 2, 3}, {1, 2, 3}, {1, 0, 1}};
    EXPECT_THROW(FitPreset(TFitPreset::fpLine, badDy), Exception);
    const TFitData same{{1, 1, 1}, {1, 2, 3}, {}};
    EXPECT_EQ(FitPreset(TFitPreset::fpLine, same).Stop, TFitStop::fsSingular);
    EXPECT_THROW(TFitModel::Make(EvalOrtho(), "t*x", {"t"}), Exception);
}

// A weighted fit halves a point's pull as its uncertainty doubles; a kink
// met exactly takes its slope from differences.
TEST(Fit, WeightsAndKinks) {
    const TFitModel level = TFitModel::Make(EvalOrtho(), "c+0*x", {"c"});
    const TFitResult w = FitModel(level, {{0, 1}, {0, 3}, {1, 1.0 / std::sqrt(3.0)}}, {0});
    EXPECT_NEAR(w.Values[0], 2.25, 1e-12);  // (0*1 + 3*3)/(1 + 3)
    const TFitModel kink = TFitModel::Make(EvalOrtho(), "abs(x-s)*k", {"s", "k"});
    double gradient[2];
    const double p[2] = {1, 2};
    EXPECT_EQ(kink.Gradient(1, p, gradient), 0);
    EXPECT_TRUE(std::isfinite(gradient[0]));
    EXPECT_NEAR(gradient[1], 0, 1e-9);
}

// A stop is heard before the next evaluation of the residuals, and the
// linear path hears one too; a stopped fit is no success.
TEST(Fit, AStopEndsTheFitPromptlyWithItsReason) {
    TFitData data;
    for (int i = 0; i < 200000; ++i) {
        data.X.push_back(1e-4 * i);
        data.Y.push_back(3 * std::exp(-0.7 * data.X.back()) + 0.01 * std::sin(i));
    }
    const TFitModel model = TFitModel::Make(EvalOrtho(), "k*exp(b*x)", {"k", "b"});
    std::stop_source source;
    TLevenbergMarquardtOptions options;
    options.Stop = source.get_token();
    options.Progress = [&](std::size_t iterations) {
        if (iterations == 2) source.request_stop();
    };
    const TFitResult between = FitModel(model, data, {1, 1}, options);
    EXPECT_EQ(between.Stop, TFitStop::fsStopped);
    EXPECT_EQ(between.Iterations, 2u);
    EXPECT_FALSE(between.Succeeded());
    EXPECT_STREQ(FitStopName(between.Stop), "stopped");

    std::stop_source stopped;
    stopped.request_stop();
    const TFitResult linear = FitPolynomial(data, 3, stopped.get_token());
    EXPECT_EQ(linear.Stop, TFitStop::fsStopped);
    EXPECT_TRUE(std::isnan(linear.Values[0]));
}

}  // namespace
}  // namespace curvane
