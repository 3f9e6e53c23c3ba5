// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/document/parameter_animation.h"

#include <gtest/gtest.h>

namespace curvane {
namespace {

TParameter Played(TParamAnimation mode, double value, double step = 0) {
    TParameter p;
    p.Name = "k";
    p.Value = value;
    p.Min = 0;
    p.Max = 10;
    p.Step = step;
    p.Animation = mode;
    p.Speed = 2;
    return p;
}

TEST(ParameterAnimation, WalksTheRangeAsTheModeSays) {
    using enum TParamAnimation;
    const struct {
        TParamAnimation Mode;
        double Value, Seconds, Step;
        double Shown;
        int Direction;
        bool Finished;
        const char* Why;
    } rows[] = {
        {paOnce, 2, 1, 0, 4, 1, false, "Speed units per second"},
        {paOnce, 9, 1, 0, 10, 1, true, "once stops at Max"},
        {paOnce, 10, 1, 0, 2, 1, false, "once at Max starts again from Min"},
        {paLoop, 9, 1, 0, 1, 1, false, "loop goes on from Min past Max"},
        {paLoop, 2, 25, 0, 2, 1, false, "a long frame wraps as many times as it covers"},
        {paBackAndForth, 9, 1, 0, 9, -1, false, "back and forth turns at Max"},
        {paBackAndForth, 9, 6, 0, 1, 1, false, "and again at Min"},
        {paOnce, 2, 0.6, 1, 3, 1, false, "a stepped value shows the nearest step"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Why);
        const TParameter p = Played(row.Mode, row.Value, row.Step);
        TAnimationState state = StartAnimation(p);
        AdvanceAnimation(p, state, row.Seconds);
        EXPECT_NEAR(SnapParameterValue(p, state.Position), row.Shown, 1e-9);
        EXPECT_EQ(state.Direction, row.Direction);
        EXPECT_EQ(state.Finished, row.Finished);
    }
}

TEST(ParameterAnimation, SnapStaysInsideARangeThatIsNoMultipleOfTheStep) {
    TParameter p = Played(TParamAnimation::paOnce, 0, 3);
    EXPECT_EQ(SnapParameterValue(p, 9.9), 9);
    EXPECT_EQ(SnapParameterValue(p, 10), 9) << "12 would be past Max";
    EXPECT_EQ(SnapParameterValue(p, -4), 0);
}

}  // namespace
}  // namespace curvane
