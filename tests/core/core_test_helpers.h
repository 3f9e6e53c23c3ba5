#pragma once

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>

#include "core/evaluator/evaluator_types.h"
#include "core/support/exceptions.h"

namespace curvane::test {

// What one evaluation gave: the fault it raised, or its value.
struct TOutcome {
    TEvalFault Fault = TEvalFault::efNone;
    double Value = 0;
};

// Runs `evaluate` and turns the math exception it raises into its fault code.
template <class F>
TOutcome OutcomeOf(F&& evaluate) {
    TOutcome r;
    try {
        r.Value = evaluate();
    } catch (const EInvalidOp&) {
        r.Fault = TEvalFault::efInvalidOp;
    } catch (const EZeroDivide&) {
        r.Fault = TEvalFault::efZeroDivide;
    } catch (const EOverflow&) {
        r.Fault = TEvalFault::efOverflow;
    } catch (const ERangeError&) {
        r.Fault = TEvalFault::efRangeError;
    }
    return r;
}

// Same value, zeros of the same sign; NaN equal to NaN.
inline bool SameValue(double a, double b) {
    return (std::isnan(a) && std::isnan(b)) || (a == b && std::signbit(a) == std::signbit(b));
}

// Same fault, and the same value where there is no fault.
inline bool SameOutcome(const TOutcome& a, const TOutcome& b) {
    return a.Fault == b.Fault && (a.Fault != TEvalFault::efNone || SameValue(a.Value, b.Value));
}

inline std::ostream& operator<<(std::ostream& out, const TOutcome& r) {
    if (r.Fault != TEvalFault::efNone) return out << "fault " << static_cast<int>(r.Fault);
    return out << r.Value;
}

// A fresh folder, removed with everything in it when the object goes, even
// after a test made it or its files read-only.
class TTempDir {
public:
    TTempDir() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "curvane_test_XXXXXX").string();
        FPath = ::mkdtemp(tmpl.data());
    }
    ~TTempDir() {
        std::error_code ec;
        std::filesystem::permissions(FPath, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(FPath, ec);
    }
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;

    const std::string& Path() const { return FPath; }
    std::string File(const std::string& name) const { return (std::filesystem::path(FPath) / name).string(); }

private:
    std::string FPath;
};

inline std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteAll(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

}  // namespace curvane::test
