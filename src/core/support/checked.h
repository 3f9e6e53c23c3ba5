// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

#include "core/support/exceptions.h"

namespace curvane {

// Rounds to the nearest integer, ties to even (the default rounding mode), and
// raises ERangeError when the result does not fit the target or is not finite.
// Pixels, colours and factorial arguments all go through here.
template <typename Int = std::int32_t>
Int RoundChecked(double value) {
    static_assert(std::numeric_limits<Int>::is_integer);
    if (!std::isfinite(value)) throw ERangeError();
    const double r = std::nearbyint(value);
    // 2^digits is exact in a double, unlike max() for 64-bit types.
    const double upper = std::ldexp(1.0, std::numeric_limits<Int>::digits);
    const double lower = std::numeric_limits<Int>::is_signed ? -upper : 0.0;
    if (r < lower || r >= upper) throw ERangeError();
    return static_cast<Int>(r);
}

}  // namespace curvane
