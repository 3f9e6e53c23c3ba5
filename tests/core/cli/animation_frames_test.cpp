// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/cli/animation_frames.h"

#include <gtest/gtest.h>

#include "core/cli/command_line.h"

namespace curvane {
namespace {

TEST(AnimationFrames, RangesAndTheirFrameCounts) {
    const struct {
        const char* Text;
        int Frames;  // 0: refused
        const char* Why;
    } rows[] = {
        {"k=0:2:0.5", 5, "TO itself is a frame"},
        {"k=0:0.3:0.1", 4, "0.3/0.1 rounds a hair below 3"},
        {"k=0:6.28:0.1", 63, "up to 6.2, never past TO"},
        {"k = 1:1:1", 1, "one frame; spaces around the name"},
        {"m=-pi:pi:pi/2", 5, "constant formulas"},
        {"k=0:9999:1", 10000, "the most frames"},
        {"k=0:10000:1", 0, "one frame too many"},
        {"k=0:1e300:1e-300", 0, "a count beyond int"},
        {"k=0:1:0", 0, "a step of 0 never ends"},
        {"k=0:1:-0.1", 0, "a negative step"},
        {"k=1:0:0.1", 0, "TO below FROM"},
        {"k=0:1", 0, "two numbers"},
        {"k0:1:0.1", 0, "no ="},
        {"k=0:one:0.1", 0, "not a number"},
        {"x=0:1:0.1", 0, "a variable"},
        {"sin=0:1:0.1", 0, "a built-in function"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Why);
        if (row.Frames == 0) {
            try {
                ParseAnimationRange(row.Text, 2);
                ADD_FAILURE() << "accepted";
            } catch (const ECommandLine& e) {
                EXPECT_EQ(e.Status(), 2);
            }
            continue;
        }
        const TAnimationRange range = ParseAnimationRange(row.Text, 2);
        EXPECT_EQ(range.FrameCount(), row.Frames);
        EXPECT_LE(range.FrameValue(range.FrameCount() - 1), range.To + 1e-9);
    }
    EXPECT_EQ(ParseAnimationRange("Omega=1:2:0.25", 2).Name, "Omega");
}

TEST(AnimationFrames, FramePatterns) {
    const struct {
        const char* Pattern;
        const char* Frame12;  // null: refused
    } rows[] = {
        {"frames/%04d.png", "frames/0012.png"},
        {"f%01d.bmp", "f12.bmp"},  // wider numbers are not cut
        {"100%%/%03d%%.png", "100%/012%.png"},
        {"frames/%d.png", nullptr},
        {"frames/%4d.png", nullptr},
        {"frames/%04d-%04d.png", nullptr},
        {"frames/%04s.png", nullptr},
        {"frames.png", nullptr},
        {"frames%", nullptr},
        {"f%00d.png", nullptr},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Pattern);
        if (!row.Frame12) {
            EXPECT_THROW(TFramePattern(row.Pattern, 2), ECommandLine);
            continue;
        }
        EXPECT_EQ(TFramePattern(row.Pattern, 2).Path(12), row.Frame12);
    }
}

}  // namespace
}  // namespace curvane
