#include <QGuiApplication>
#include <QPalette>

#include <gtest/gtest.h>

#include "render/color.h"
#include "render/cursors.h"

namespace curvane {
namespace {

TEST(PlotColor, StoredValuesBecomeQColors) {
    struct Row {
        const char* name;
        TPlotColor stored;
        QColor expected;
    };
    const QPalette palette = QGuiApplication::palette();
    const Row rows[] = {
        {"red in the low byte", 0x0000FF, QColor(255, 0, 0)},
        {"blue in the third byte", 0xFF0000, QColor(0, 0, 255)},
        {"mixed", 0x336699, QColor(0x99, 0x66, 0x33)},
        {"system window", clSysWindow, palette.color(QPalette::Active, QPalette::Base)},
        {"system window text", clSysWindowText, palette.color(QPalette::Active, QPalette::Text)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(ToQColor(row.stored), row.expected);
        if ((static_cast<std::uint32_t>(row.stored) >> 24) == 0)
            EXPECT_EQ(FromQColor(row.expected), row.stored);
    }
    EXPECT_EQ(HalfColor(0x0000FF), 0x00007F);
    EXPECT_EQ(HalfColor(0xFFFFFF), 0x7F7F7F);
}

TEST(Cursors, OwnPicturesForTheNumberedCursors) {
    const TCursorId own[] = {TCursorId::crHand,   TCursorId::crHandHold, TCursorId::crZoom,
                             TCursorId::crScale,  TCursorId::crScaleX,   TCursorId::crScaleY,
                             TCursorId::crPencil};
    for (TCursorId id : own) {
        SCOPED_TRACE(static_cast<int>(id));
        QPoint hot(-1, -1);
        const QImage image = CursorImage(id, &hot);
        ASSERT_EQ(image.size(), QSize(32, 32));
        EXPECT_TRUE(image.rect().contains(hot));
        int opaque = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) opaque += qAlpha(image.pixel(x, y)) > 128;
        EXPECT_GT(opaque, 20);
        EXPECT_EQ(CursorFor(id).shape(), Qt::BitmapCursor);
    }
    // Pictures differ from one another: no cursor stands in for another.
    EXPECT_NE(CursorImage(TCursorId::crHand), CursorImage(TCursorId::crHandHold));
    EXPECT_NE(CursorImage(TCursorId::crScaleX), CursorImage(TCursorId::crScaleY));

    const QImage empty = CursorImage(TCursorId::crEmpty);
    ASSERT_FALSE(empty.isNull());
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) ASSERT_EQ(qAlpha(empty.pixel(x, y)), 0);
    EXPECT_EQ(CursorFor(TCursorId::crDefault).shape(), Qt::ArrowCursor);
    EXPECT_EQ(CursorFor(TCursorId::crCross).shape(), Qt::CrossCursor);
}

}  // namespace
}  // namespace curvane
