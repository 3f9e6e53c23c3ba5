#include "gui/app/form_placement.h"

#include <QGuiApplication>
#include <QMainWindow>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

namespace curvane {
namespace {

using enum TRestoreAspect;
const TRestoreAspects All{raSize, raLocation, raState};

TEST(FormPlacement, NormalPlacementRoundTripsThroughAShownWindow) {
    QMainWindow w;
    ApplyPlacement(w, {40, 30, 500, 400, TWinState::wsNormal}, All);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    const TWinPlacement p = PlacementOf(w);
    EXPECT_EQ(p, (TWinPlacement{40, 30, 500, 400, TWinState::wsNormal}));
}

TEST(FormPlacement, BoundsFromAnotherScreenLayoutLandOnThisOne) {
    const QRect avail = QGuiApplication::primaryScreen()->availableGeometry();
    struct Row {
        const char* why;
        TWinPlacement stored;
    };
    const Row rows[] = {
        {"far right", {50000, 10, 400, 300, TWinState::wsNormal}},
        {"far up-left", {-9000, -9000, 400, 300, TWinState::wsNormal}},
        {"zero size", {10, 10, 0, 0, TWinState::wsNormal}},
        {"negative size", {10, 10, -500, -1, TWinState::wsNormal}},
        {"larger than the screen", {0, 0, 100000, 100000, TWinState::wsNormal}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.why);
        QMainWindow w;
        ApplyPlacement(w, r.stored, All);
        const QRect g(w.pos(), w.size());
        EXPECT_TRUE(avail.contains(g)) << g.x() << "," << g.y() << " " << g.width() << "x" << g.height();
        EXPECT_GE(g.width(), 200);
        EXPECT_GE(g.height(), 150);
    }
}

}  // namespace
}  // namespace curvane
