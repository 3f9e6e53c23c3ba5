#include "gui/form_placement.h"

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

TEST(FormPlacement, StateOnlyOrBoundsOnly) {
    QMainWindow w;
    w.resize(300, 200);
    w.move(10, 10);
    ApplyPlacement(w, {99, 99, 999, 999, TWinState::wsMaximized}, {raState});
    EXPECT_TRUE(w.windowState() & Qt::WindowMaximized);
    EXPECT_EQ(w.size(), QSize(300, 200)) << "bounds untouched";

    // Bounds alone keep the maximised state, and un-maximising brings them.
    ApplyPlacement(w, {20, 25, 420, 310, TWinState::wsNormal}, {raSize, raLocation});
    EXPECT_TRUE(w.windowState() & Qt::WindowMaximized);
    w.setWindowState(Qt::WindowNoState);
    EXPECT_EQ(w.size(), QSize(420, 310));
    EXPECT_EQ(w.pos(), QPoint(20, 25));

    ApplyPlacement(w, {0, 0, 0, 0, TWinState::wsMinimized}, {raState});
    EXPECT_TRUE(w.windowState() & Qt::WindowMinimized);
    EXPECT_EQ(PlacementOf(w).State, TWinState::wsMinimized);
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
