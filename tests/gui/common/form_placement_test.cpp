// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/common/form_placement.h"

#include <QGuiApplication>
#include <QMainWindow>
#include <QScreen>

#include <gtest/gtest.h>

namespace curvane {
namespace {

using enum TRestoreAspect;
using enum TWinState;

TEST(FormPlacement, BoundsOnThisScreenStayAndOthersAreBroughtOntoIt) {
    const QRect avail = QGuiApplication::primaryScreen()->availableGeometry();
    const struct { TWinPlacement Stored; bool Kept; } rows[] = {
        {{40, 30, 500, 400, wsNormal}, true},
        {{50000, 10, 100000, 100000, wsNormal}, false},  // far right, larger than the screen
        {{-9000, -9000, -500, -1, wsNormal}, false},     // far up-left, no size
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Stored.Left);
        QMainWindow w;
        ApplyPlacement(w, row.Stored, {raSize, raLocation, raState});
        const TWinPlacement p = PlacementOf(w);
        if (row.Kept) { EXPECT_EQ(p, row.Stored); }
        const QRect g(p.Left, p.Top, p.Width, p.Height);
        EXPECT_TRUE(avail.contains(g) && g.width() >= 200 && g.height() >= 150)
            << g.x() << "," << g.y() << " " << g.width() << "x" << g.height();
    }
}

}  // namespace
}  // namespace curvane
