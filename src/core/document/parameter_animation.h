// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/document/parameters.h"

namespace curvane {

// The value nearest `value` that a parameter with Step > 0 can take (Min plus
// a whole number of steps), inside Min..Max; `value` itself, clamped into the
// range, for a continuous parameter.
double SnapParameterValue(const TParameter& parameter, double value);

// Where a playing parameter is along its range. The position is continuous
// even for a stepped parameter (a slow speed would otherwise never leave a
// step); the value shown is the position snapped (SnapParameterValue).
struct TAnimationState {
    double Position = 0;
    int Direction = 1;      // +1 towards Max, -1 towards Min (back and forth)
    bool Finished = false;  // a "once" animation reached Max
};

// Where an animation of `parameter` starts from its current value: a "once"
// animation already at Max starts again from Min, since playing it would
// otherwise do nothing.
TAnimationState StartAnimation(const TParameter& parameter);

// Moves `state` on by `seconds` at the parameter's Speed, walking the range
// as its Animation says: "once" stops at Max (Finished), "loop" starts again
// from Min past Max, "back and forth" turns at either end. A long pause (a
// window busy for a while) is covered in one move, never in many small ones.
void AdvanceAnimation(const TParameter& parameter, TAnimationState& state, double seconds);

}  // namespace curvane
