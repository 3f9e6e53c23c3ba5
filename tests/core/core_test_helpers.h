// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "core/document/compiled_function.h"
#include "core/document/shared_evaluators.h"
#include "core/evaluator/evaluator_types.h"
#include "core/plot/sampler2d.h"
#include "core/support/exceptions.h"

namespace curvane::test {

// A sampler that is never to ask anything, or whose questions are all yes.
class TNoQuestions : public TSamplerDialog {
public:
    bool ConfirmSwap() override { return true; }
    void WarnEqual() override {}
    bool ConfirmLongDrawing() override { return true; }
    void RefuseRange(const std::string&) override {}
};

// A formula of x, compiled with its own evaluator, as a plain function.
inline std::function<double(double)> Compiled(const char* formula) {
    const TCompiledFunction f = TCompiledFunction::Private(EvalOrtho(), formula);
    return [f](double x) { return f.Evaluate(x); };
}

// What one evaluation gave: the fault it raised, or its value.
struct TOutcome {
    TEvalFault Fault = TEvalFault::efNone;
    double Value = 0;
};

// Runs `evaluate` and turns the math exception it raises into its fault code.
template <class F>
TOutcome OutcomeOf(F&& evaluate) {
    try {
        return {TEvalFault::efNone, evaluate()};
    } catch (const EInvalidOp&) {
        return {TEvalFault::efInvalidOp};
    } catch (const EZeroDivide&) {
        return {TEvalFault::efZeroDivide};
    } catch (const EOverflow&) {
        return {TEvalFault::efOverflow};
    } catch (const ERangeError&) {
        return {TEvalFault::efRangeError};
    }
}

// Same value, zeros of the same sign; NaN equal to NaN.
inline bool SameValue(double a, double b) { return a == b ? std::signbit(a) == std::signbit(b) : std::isnan(a) && std::isnan(b); }

// Same fault, and the same value where there is no fault.
inline bool SameOutcome(const TOutcome& a, const TOutcome& b) {
    return a.Fault == b.Fault && (a.Fault != TEvalFault::efNone || SameValue(a.Value, b.Value));
}

inline std::ostream& operator<<(std::ostream& out, const TOutcome& r) { return out << int(r.Fault) << "/" << r.Value; }

// A fresh folder, removed with everything in it when the object goes, even
// after a test made it or its files read-only.
struct TTempDir {
    const std::string Path = ::mkdtemp((std::filesystem::temp_directory_path() / "curvane_test_XXXXXX").string().data());

    TTempDir() = default;
    TTempDir(const TTempDir&) = delete;
    ~TTempDir() {
        std::error_code ec;
        std::filesystem::permissions(Path, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(Path, ec);
    }
    std::string File(const std::string& name) const { return (std::filesystem::path(Path) / name).string(); }
};

inline std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}
inline void WriteAll(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

}  // namespace curvane::test
