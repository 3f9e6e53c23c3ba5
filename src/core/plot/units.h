// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <numbers>

namespace curvane {

// The two axes of a 2D plot, as axis labels name them.
enum class TAxis : std::uint8_t {
    axX = 1,
    axY = 2,
};

// What the numbers along an axis of a 2D plot stand for. Documents and the
// settings file keep the number.
enum class TUnits : std::uint8_t {
    uDimensionless = 0,
    uRadians = 1,  // labels count multiples of pi ("-Pi/2", "1.5Pi")
    uDegrees = 2,  // labels show the radians as whole degrees
};

// Whether a number read from a file names units; readers refuse any other
// and keep the units they had.
constexpr bool IsUnitsNumber(std::int64_t value) {
    return value >= static_cast<std::int64_t>(TUnits::uDimensionless) &&
           value <= static_cast<std::int64_t>(TUnits::uDegrees);
}

// The grid step the units give an axis: 1 dimensionless, pi for radians and
// degrees (whose labels count multiples of pi).
constexpr double UnitsGranularity(TUnits units) {
    return units == TUnits::uDimensionless ? 1.0 : std::numbers::pi;
}

}  // namespace curvane
