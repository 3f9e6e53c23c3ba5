// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/document/parameter_animation.h"

#include <algorithm>
#include <cmath>

namespace curvane {

double SnapParameterValue(const TParameter& parameter, double value) {
    const double clamped = std::clamp(value, parameter.Min, parameter.Max);
    if (!(parameter.Step > 0)) return clamped;
    const double steps = std::round((clamped - parameter.Min) / parameter.Step);
    // The last whole step may lie past Max when the range is not a multiple of the step.
    return std::min(parameter.Min + steps * parameter.Step, parameter.Max);
}

TAnimationState StartAnimation(const TParameter& parameter) {
    TAnimationState state;
    state.Position = std::clamp(parameter.Value, parameter.Min, parameter.Max);
    if (parameter.Animation == TParamAnimation::paOnce && state.Position >= parameter.Max)
        state.Position = parameter.Min;
    return state;
}

void AdvanceAnimation(const TParameter& parameter, TAnimationState& state, double seconds) {
    const double span = parameter.Max - parameter.Min;
    if (state.Finished || !(seconds > 0) || !(span > 0) || !std::isfinite(span)) return;
    const double distance = parameter.Speed * seconds;
    switch (parameter.Animation) {
        case TParamAnimation::paOnce:
            state.Position += distance;
            if (state.Position >= parameter.Max) {
                state.Position = parameter.Max;
                state.Finished = true;
            }
            break;
        case TParamAnimation::paLoop: {
            const double offset = std::fmod(state.Position - parameter.Min + distance, span);
            state.Position = parameter.Min + (offset < 0 ? offset + span : offset);
            break;
        }
        case TParamAnimation::paBackAndForth: {
            // Unfolded, one round trip is twice the span: the first half goes
            // up from Min, the second comes down from Max.
            const double along = state.Direction > 0 ? state.Position - parameter.Min
                                                     : 2 * span - (state.Position - parameter.Min);
            double trip = std::fmod(along + distance, 2 * span);
            if (trip < 0) trip += 2 * span;
            state.Direction = trip <= span ? 1 : -1;
            state.Position = parameter.Min + (trip <= span ? trip : 2 * span - trip);
            break;
        }
    }
}

}  // namespace curvane
