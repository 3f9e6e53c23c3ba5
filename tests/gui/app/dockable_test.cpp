#include "gui/app/dockable.h"

#include <QGuiApplication>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include "gui/app/frm_log_window.h"

namespace curvane {
namespace {

struct Frame {
    QMainWindow window;
    Frame() {
        window.setCentralWidget(new QWidget);
        window.resize(900, 700);
        window.move(0, 0);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
};

TEST(Dockable, RecordNamingAPanelDocksThere) {
    struct Row {
        const char* panel;
        Qt::DockWidgetArea area;
    };
    const Row rows[] = {{"LeftDockPanel", Qt::LeftDockWidgetArea},
                        {"RightDockPanel", Qt::RightDockWidgetArea},
                        {"TopDockPanel", Qt::TopDockWidgetArea},
                        {"BottomDockPanel", Qt::BottomDockWidgetArea}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.panel);
        Frame f;
        TDockState rec;
        rec.DockedTo = r.panel;
        rec.DockWidth = 180;
        rec.DockHeight = 140;
        auto* dock = new TfrmDockable("Tool", rec, &f.window);
        dock->ShowFromRecord();
        QTest::qWait(50);
        EXPECT_FALSE(dock->isFloating());
        EXPECT_EQ(f.window.dockWidgetArea(dock), r.area);
        EXPECT_FALSE(rec.Floating);
        const bool side = r.area == Qt::LeftDockWidgetArea || r.area == Qt::RightDockWidgetArea;
        // The panel gets the remembered extent (within a few pixels of layout).
        EXPECT_NEAR(side ? dock->width() : dock->height(), side ? 180 : 140, 12);
        EXPECT_EQ(rec.DockedWidth, side ? dock->width() : dock->height());
    }
}

TEST(Dockable, RecordNamingNoExistingPanelFloatsAtItsBoundsBroughtOnScreen) {
    const QRect avail = QGuiApplication::primaryScreen()->availableGeometry();
    const struct {
        const char* Panel;
        QRect Stored;
        bool KeepsSize;  // false: bounds from another screen layout
    } rows[] = {
        {"", {150, 120, 300, 250}, true},
        {"DockPanel3", {150, 120, 300, 250}, true},
        {"", {50000, -40000, -7, 100000}, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Stored.x());
        Frame f;
        TDockState rec;
        rec.DockedTo = row.Panel;
        rec.UndockLeft = row.Stored.x();
        rec.UndockTop = row.Stored.y();
        rec.UnDockWidth = row.Stored.width();
        rec.UnDockHeight = row.Stored.height();
        auto* dock = new TfrmDockable("Tool", rec, &f.window);
        dock->ShowFromRecord();
        QTest::qWait(50);
        EXPECT_TRUE(dock->isFloating());
        EXPECT_TRUE(rec.Floating);
        EXPECT_TRUE(rec.DockedTo.empty());
        EXPECT_TRUE(avail.intersects(dock->frameGeometry()));
        if (row.KeepsSize) EXPECT_EQ(dock->size(), row.Stored.size());
        EXPECT_GE(dock->width(), 100);
        EXPECT_LE(dock->height(), avail.height());
    }
}

TEST(Dockable, MovesAndResizesWhileFloatingAreRecorded) {
    Frame f;
    TDockState rec;
    auto* dock = new TfrmDockable("Tool", rec, &f.window);
    dock->ShowFromRecord();
    QTest::qWait(50);
    dock->move(210, 190);
    dock->resize(333, 222);
    QTest::qWait(50);
    EXPECT_EQ(rec.UndockLeft, dock->x());
    EXPECT_EQ(rec.UndockTop, dock->y());
    EXPECT_EQ(rec.UnDockWidth, 333);
    EXPECT_EQ(rec.UnDockHeight, 222);

    // Docking by program (as a drag onto an edge ends) stores the new panel.
    dock->setFloating(false);
    f.window.addDockWidget(Qt::LeftDockWidgetArea, dock);
    QTest::qWait(50);
    EXPECT_EQ(rec.DockedTo, "LeftDockPanel");
    EXPECT_FALSE(rec.Floating);
    EXPECT_EQ(rec.UnDockWidth, 333) << "floating bounds survive docking";
}

TEST(Dockable, SecondWindowGoesBelowOrRightOfTheFirst) {
    struct Row {
        std::uint8_t orientation;
        bool below;
    };
    for (const Row r : {Row{1, true}, Row{2, false}}) {
        SCOPED_TRACE(int(r.orientation));
        Frame f;
        TDockState first, second;
        first.DockedTo = second.DockedTo = "RightDockPanel";
        second.Orientation = r.orientation;
        auto* a = new TfrmDockable("A", first, &f.window);
        a->ShowFromRecord();
        auto* b = new TfrmDockable("B", second, &f.window);
        b->ShowFromRecord();
        QTest::qWait(50);
        EXPECT_EQ(f.window.dockWidgetArea(b), Qt::RightDockWidgetArea);
        if (r.below) {
            EXPECT_GT(b->y(), a->y());
            EXPECT_EQ(b->x(), a->x());
        } else {
            EXPECT_GT(b->x(), a->x());
            EXPECT_EQ(b->y(), a->y());
        }
    }
}

TEST(Dockable, OnlyClosingTheToolMarksItHidden) {
    Frame f;
    TDockState rec;
    rec.DockedTo = "BottomDockPanel";
    QPointer<TfrmDockable> dock = new TfrmDockable("Tool", rec, &f.window);
    QSignalSpy closed(dock.data(), &TfrmDockable::Closed);
    dock->ShowFromRecord();
    QTest::qWait(20);
    ASSERT_TRUE(rec.Visible);

    // The main window going away at exit hides the tool, which must still be
    // remembered as shown.
    const TDockState before = rec;
    f.window.hide();
    QTest::qWait(20);
    EXPECT_EQ(rec, before);
    f.window.show();
    QTest::qWait(20);

    EXPECT_TRUE(dock->close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(closed.count(), 1);
    EXPECT_FALSE(rec.Visible);
    EXPECT_EQ(rec.DockedTo, "BottomDockPanel") << "the panel is remembered for the next showing";
}

TEST(LogWindow, ReadOnlyAndBounded) {
    Frame f;
    TDockState rec;
    rec.DockedTo = "BottomDockPanel";
    auto* log = new TfrmLogWindow(rec, &f.window);
    log->ShowFromRecord();
    log->AddLine("root 1: x = 0.5");
    log->AddLine("two\nlines");
    EXPECT_EQ(log->Memo()->toPlainText(), "root 1: x = 0.5\ntwo\nlines");
    for (int i = 0; i < TfrmLogWindow::MaxLines + 5; ++i) log->AddLine(QString::number(i));
    EXPECT_EQ(log->Memo()->blockCount(), TfrmLogWindow::MaxLines);
    EXPECT_TRUE(log->Memo()->toPlainText().endsWith(QString::number(TfrmLogWindow::MaxLines + 4)));
}

}  // namespace
}  // namespace curvane
