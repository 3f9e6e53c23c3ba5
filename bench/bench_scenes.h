// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What several benchmarks draw, so that their figures compare: the ten
// formulas of the 2D window benchmark, and a sampler dialog that answers
// every question with yes and is silent (a benchmark has nobody to ask).

#include <string>

#include "core/plot/sampler2d.h"

namespace curvane::bench {

inline const char* const TenFormulas[10] = {
    "sin(x)*x",       "x^2/8-4",        "cos(3*x)*4",        "exp(-x*x/8)*6", "(x^3-2*x)/(x^2+1)",
    "sqrt(abs(x))*2", "ln(abs(x)+1)*3", "sin(x)+sin(2*x)/2", "x/3-1",         "cos(x)^2*5-2",
};

struct TYes : TSamplerDialog {
    bool ConfirmSwap() override { return true; }
    void WarnEqual() override {}
    bool ConfirmLongDrawing() override { return true; }
    void RefuseRange(const std::string&) override {}
};

}  // namespace curvane::bench
