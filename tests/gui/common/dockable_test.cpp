// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/common/dockable.h"

#include <QGuiApplication>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

#include "gui/dialogs/frm_log_window.h"

namespace curvane {
namespace {

// A shown main window for the tools to dock into.
struct Frame : QMainWindow {
    Frame() {
        setCentralWidget(new QWidget);
        setGeometry(0, 0, 900, 700);
        show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(this));
    }
    TfrmDockable* Show(TDockState& record) {
        auto* dock = new TfrmDockable("Tool", record, this);
        dock->ShowFromRecord();
        QTest::qWait(50);
        return dock;
    }
};

TEST(Dockable, RecordDocksInItsPanelOrFloatsOnScreen) {
    const QRect avail = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect bounds(150, 120, 300, 250);
    const struct {
        const char* Panel;
        Qt::DockWidgetArea Area;  // NoDockWidgetArea: floating
        QRect Stored;
    } rows[] = {
        {"LeftDockPanel", Qt::LeftDockWidgetArea, bounds},
        {"BottomDockPanel", Qt::BottomDockWidgetArea, bounds},
        {"DockPanel3", Qt::NoDockWidgetArea, bounds},             // a panel this build does not have
        {"", Qt::NoDockWidgetArea, {50000, -40000, -7, 100000}},  // from another screen layout
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.Panel) + " " + std::to_string(row.Stored.x()));
        Frame f;
        TDockState rec{.DockWidth = 180, .DockHeight = 140, .UndockLeft = row.Stored.x(), .UndockTop = row.Stored.y(),
                       .UnDockWidth = row.Stored.width(), .UnDockHeight = row.Stored.height(), .DockedTo = row.Panel};
        TfrmDockable* dock = f.Show(rec);
        EXPECT_EQ(dock->isFloating(), row.Area == Qt::NoDockWidgetArea);
        EXPECT_EQ(rec.Floating, dock->isFloating());
        if (dock->isFloating()) {
            EXPECT_TRUE(rec.DockedTo.empty());
            EXPECT_TRUE(avail.intersects(dock->frameGeometry()));
            if (row.Stored == bounds) { EXPECT_EQ(dock->size(), bounds.size()); }
            EXPECT_TRUE(dock->width() >= 100 && dock->height() <= avail.height());
            continue;
        }
        EXPECT_EQ(f.dockWidgetArea(dock), row.Area);
        const bool side = row.Area == Qt::LeftDockWidgetArea || row.Area == Qt::RightDockWidgetArea;
        // The panel gets the remembered extent (within a few pixels of layout).
        EXPECT_NEAR(side ? dock->width() : dock->height(), side ? 180 : 140, 12);
        EXPECT_EQ(rec.DockedWidth, side ? dock->width() : dock->height());
    }
}

TEST(Dockable, FloatingBoundsAndANewPanelAreRecorded) {
    Frame f;
    TDockState rec;
    TfrmDockable* dock = f.Show(rec);
    dock->setGeometry(210, 190, 333, 222);
    QTest::qWait(50);
    const QRect recorded(rec.UndockLeft, rec.UndockTop, rec.UnDockWidth, rec.UnDockHeight);
    EXPECT_EQ(recorded, QRect(dock->pos(), QSize(333, 222)));

    // Docking by program (as a drag onto an edge ends) stores the new panel.
    dock->setFloating(false);
    f.addDockWidget(Qt::LeftDockWidgetArea, dock);
    QTest::qWait(50);
    EXPECT_EQ(rec.DockedTo, "LeftDockPanel");
    EXPECT_FALSE(rec.Floating);
    EXPECT_EQ(rec.UnDockWidth, 333) << "floating bounds survive docking";
}

TEST(Dockable, SecondWindowGoesBelowOrRightOfTheFirst) {
    for (const std::uint8_t orientation : {1, 2}) {
        SCOPED_TRACE(int(orientation));
        Frame f;
        TDockState first{.DockedTo = "RightDockPanel"};
        TDockState second{.DockedTo = "RightDockPanel", .Orientation = orientation};
        TfrmDockable* a = f.Show(first);
        TfrmDockable* b = f.Show(second);
        EXPECT_EQ(b->x() > a->x(), orientation == 2);
        EXPECT_EQ(b->y() > a->y(), orientation == 1);
    }
}

TEST(LogWindow, KeepsTheNewestLines) {
    Frame f;
    TDockState rec;
    auto* log = new TfrmLogWindow(rec, &f);
    for (int i = 0; i < TfrmLogWindow::MaxLines + 5; ++i) log->AddLine(QString::number(i));
    EXPECT_EQ(log->Memo()->blockCount(), TfrmLogWindow::MaxLines);
    EXPECT_TRUE(log->Memo()->toPlainText().endsWith("\n" + QString::number(TfrmLogWindow::MaxLines + 4)));
}

}  // namespace
}  // namespace curvane
