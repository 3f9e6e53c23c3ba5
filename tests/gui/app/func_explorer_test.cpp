#include "gui/app/frm_func_explorer.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include "gui/qt_print.h"

#include <memory>

#include "core/document/func_item.h"
#include "gui/document/frm_abstract_mdi_child.h"
#include "render/color.h"

namespace curvane {
namespace {

// A graph window that only counts what the explorer asks of it.
class TCountingWindow : public TfrmAbstractMDIChild {
public:
    TCountingWindow() : TfrmAbstractMDIChild(TWindowType::wt2D) {}
    int Recalcs = 0;
    int Redraws = 0;
    void Recalculate(bool) override { ++Recalcs; }
    void Redraw() override { ++Redraws; }
    std::int32_t GetFuncColor(int index) const override { return Func(index)->Color; }
    void SetFuncColor(int index, std::int32_t color) override { Func(index)->Color = color; }
    void SetFuncWidth(int index, std::int32_t width) override { Func(index)->Width = width; }
    std::int32_t GetFuncWidth(int index) const override { return Func(index)->Width; }
};

struct Fixture {
    QMainWindow frame;
    TDockState record = DefaultFuncExplorerDockState();
    QAction add{"&Add function"}, del{"&Delete function"}, props{"Properties..."};
    TfrmFuncExplorer* explorer;
    std::unique_ptr<TCountingWindow> window = std::make_unique<TCountingWindow>();

    explicit Fixture(std::initializer_list<const char*> formulas = {"sin(x)", "x^2", "1/x"}) {
        frame.setCentralWidget(new QWidget);
        frame.resize(800, 600);
        explorer = new TfrmFuncExplorer(record, &frame, {&add, &del, &props});
        frame.show();
        explorer->ShowFromRecord();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&frame));
        const std::int32_t colors[] = {0x0000FF, 0x00FF00, 0xFF0000, 0x808080};
        int i = 0;
        for (const char* f : formulas) {
            window->AddFunction(QString::fromLatin1(f));
            window->Func(i)->Color = colors[i % 4];
            ++i;
        }
        window->SetFuncActive(1);
        explorer->Refill(window.get());
    }

    QStringList Expressions() const {
        QStringList out;
        for (int i = 0; i < window->FuncCount(); ++i) out << QString::fromStdString(window->Func(i)->Expression);
        return out;
    }
    QStringList Rows() const {
        QStringList out;
        for (int i = 0; i < explorer->List()->topLevelItemCount(); ++i)
            out << explorer->List()->topLevelItem(i)->text(TfrmFuncExplorer::ColFunction);
        return out;
    }
    QPoint RowCenter(int row) const {
        auto* list = explorer->List();
        return list->visualItemRect(list->topLevelItem(row)).center();
    }
    // A drag as the window system delivers it: enter, move, drop.
    void Drop(QMimeData* mime, QPoint at) {
        QWidget* viewport = explorer->List()->viewport();
        QDragEnterEvent enter(at, Qt::MoveAction, mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(viewport, &enter);
        QDragMoveEvent move(at, Qt::MoveAction, mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(viewport, &move);
        QDropEvent drop(at, Qt::MoveAction, mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(viewport, &drop);
        delete mime;
    }
};

TEST(FuncExplorer, RowsMirrorTheWindowsFunctions) {
    Fixture f;
    EXPECT_EQ(f.Rows(), (QStringList{"Y(x)=sin(x)", "Y(x)=x^2", "Y(x)=1/x"}));
    EXPECT_EQ(f.explorer->List()->currentIndex().row(), 1);

    f.window->Func(0)->Derivative = true;
    f.window->Func(2)->Active = false;
    f.window->AddFunction("");
    f.explorer->Refill(f.window.get());
    EXPECT_EQ(f.Rows(), (QStringList{"Y(x)=sin(x); Derivative", "Y(x)=x^2", "Y(x)=1/x", "; Empty"}));
    EXPECT_EQ(f.explorer->List()->topLevelItem(0)->checkState(0), Qt::Checked);
    EXPECT_EQ(f.explorer->List()->topLevelItem(2)->checkState(0), Qt::Unchecked);
    EXPECT_EQ(f.explorer->List()->currentIndex().row(), 3) << "the new function is the active one";

    // A window that goes away is no longer used.
    f.window.reset();
    EXPECT_EQ(f.explorer->Window(), nullptr);
}

TEST(FuncExplorer, SelectingARowMakesItsFunctionActive) {
    Fixture f;
    QSignalSpy changed(f.explorer, &TfrmFuncExplorer::ActiveFunctionChanged);
    f.explorer->Refill(f.window.get());
    EXPECT_EQ(changed.count(), 0) << "refilling is not a choice of the user";
    QTest::mouseClick(f.explorer->List()->viewport(), Qt::LeftButton, {}, f.RowCenter(2));
    EXPECT_EQ(f.window->FuncActive(), 2);
    EXPECT_EQ(changed.count(), 1);

    f.window->SetFuncActive(0);
    f.explorer->SelectActive();
    EXPECT_EQ(f.explorer->List()->currentIndex().row(), 0);
    EXPECT_EQ(changed.count(), 1);
}

TEST(FuncExplorer, CheckBoxSetsVisibilityAndResamples) {
    Fixture f;
    QSignalSpy changed(f.explorer, &TfrmFuncExplorer::FunctionsChanged);
    auto* item = f.explorer->List()->topLevelItem(0);
    item->setCheckState(0, Qt::Unchecked);
    EXPECT_FALSE(f.window->Func(0)->Active);
    EXPECT_EQ(f.window->Recalcs, 1);
    EXPECT_EQ(changed.count(), 1);
    item->setCheckState(0, Qt::Checked);
    EXPECT_TRUE(f.window->Func(0)->Active);
}

TEST(FuncExplorer, DragOntoAnotherRowMovesTheFunction) {
    struct Row {
        int from, to;
        QStringList order;
        int active;  // active function was index 1 ("x^2")
    };
    const Row rows[] = {
        {0, 2, {"x^2", "1/x", "sin(x)"}, 0},  // the active function moves up
        {1, 2, {"sin(x)", "1/x", "x^2"}, 2},  // the active function itself moves
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(QStringLiteral("%1 -> %2").arg(r.from).arg(r.to).toStdString());
        Fixture f;
        QSignalSpy changed(f.explorer, &TfrmFuncExplorer::FunctionsChanged);
        f.Drop(TFuncListView::RowMimeData(r.from), f.RowCenter(r.to));
        EXPECT_EQ(f.Expressions(), r.order);
        EXPECT_EQ(f.window->FuncActive(), r.active);
        EXPECT_EQ(f.Rows()[r.active], "Y(x)=x^2");
        EXPECT_EQ(f.window->Redraws, 1);
        EXPECT_EQ(changed.count(), 1);
    }
}

TEST(FuncExplorer, DropsThatMustChangeNothing) {
    struct Row {
        const char* why;
        std::function<QMimeData*()> mime;
        std::function<QPoint(const Fixture&)> at;
    };
    const Row rows[] = {
        {"onto itself", [] { return TFuncListView::RowMimeData(1); }, [](const Fixture& f) { return f.RowCenter(1); }},
        {"onto no row", [] { return TFuncListView::RowMimeData(1); },
         [](const Fixture& f) { return QPoint(5, f.explorer->List()->viewport()->height() - 3); }},
        {"from another process",
         [] {
             auto* m = new QMimeData;
             m->setData(TFuncListView::RowMimeType, "1:0");
             return m;
         },
         [](const Fixture& f) { return f.RowCenter(2); }},
        {"a row beyond the list", [] { return TFuncListView::RowMimeData(7); },
         [](const Fixture& f) { return f.RowCenter(0); }},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.why);
        Fixture f;
        QSignalSpy changed(f.explorer, &TfrmFuncExplorer::FunctionsChanged);
        QSignalSpy active(f.explorer, &TfrmFuncExplorer::ActiveFunctionChanged);
        f.Drop(r.mime(), r.at(f));
        EXPECT_EQ(f.Rows(), (QStringList{"Y(x)=sin(x)", "Y(x)=x^2", "Y(x)=1/x"}));
        EXPECT_EQ(f.window->FuncActive(), 1);
        EXPECT_EQ(f.window->Redraws, 0);
        EXPECT_EQ(changed.count(), 0);
        EXPECT_EQ(active.count(), 0);
    }
}

TEST(FuncExplorer, KeyboardMovesTheSelectedFunction) {
    Fixture f;
    f.explorer->List()->setFocus();
    QTest::keyClick(f.explorer->List(), Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(f.Expressions(), (QStringList{"sin(x)", "1/x", "x^2"}));
    EXPECT_EQ(f.window->FuncActive(), 2);
    QTest::keyClick(f.explorer->List(), Qt::Key_Up, Qt::ControlModifier);
    QTest::keyClick(f.explorer->List(), Qt::Key_Up, Qt::ControlModifier);
    EXPECT_EQ(f.Expressions(), (QStringList{"x^2", "sin(x)", "1/x"}));
}

TEST(FuncExplorer, ColorCellIsPaintedInTheFunctionsColor) {
    Fixture f;
    auto* list = f.explorer->List();
    auto cellCenter = [&](int row) {
        const QRect r = list->visualRect(list->model()->index(row, TfrmFuncExplorer::ColColor));
        return r.center();
    };
    QImage shot = list->viewport()->grab().toImage();
    EXPECT_EQ(shot.pixelColor(cellCenter(0)), ToQColor(0x0000FF));
    EXPECT_EQ(shot.pixelColor(cellCenter(2)), ToQColor(0xFF0000));
    const QRect cell = list->visualRect(list->model()->index(0, TfrmFuncExplorer::ColColor));
    EXPECT_NE(shot.pixelColor(cell.topLeft()), ToQColor(0x0000FF)) << "one pixel of the cell stays free";

    f.window->SetFuncColor(0, 0x00FFFF);
    f.explorer->RefreshColors();
    shot = list->viewport()->grab().toImage();
    EXPECT_EQ(shot.pixelColor(cellCenter(0)), ToQColor(0x00FFFF));
}

TEST(FuncExplorer, PopupMenuFollowsSelectionAndCommands) {
    Fixture f;
    int adds = 0, dels = 0, props = 0;
    QObject::connect(&f.add, &QAction::triggered, [&] { ++adds; });
    QObject::connect(&f.del, &QAction::triggered, [&] { ++dels; });
    QObject::connect(&f.props, &QAction::triggered, [&] { ++props; });
    QMenu* menu = f.explorer->PopupMenu();
    auto item = [&](const QString& text) {
        for (QAction* a : menu->actions())
            if (a->text() == text) return a;
        ADD_FAILURE() << text.toStdString();
        return static_cast<QAction*>(nullptr);
    };
    f.del.setEnabled(false);
    emit menu->aboutToShow();
    EXPECT_TRUE(item("&Visible")->isEnabled());
    EXPECT_TRUE(item("&Visible")->isChecked());
    EXPECT_FALSE(item("&Delete")->isEnabled());
    item("&Add")->trigger();
    item("&Delete")->trigger();  // disabled: the command must not run
    EXPECT_EQ(adds, 1);
    EXPECT_EQ(dels, 0);

    item("&Visible")->trigger();
    EXPECT_FALSE(f.window->Func(1)->Active);

    f.explorer->List()->setCurrentItem(f.explorer->List()->topLevelItem(2));
    item("&Properties")->trigger();
    EXPECT_EQ(f.window->FuncActive(), 2);
    EXPECT_EQ(props, 1);

    // Double-click opens the properties of that row.
    // A real double click: the first click's press and release, then QTest's
    // press and double-click event.
    QTest::mouseClick(f.explorer->List()->viewport(), Qt::LeftButton, {}, f.RowCenter(0));
    QTest::mouseDClick(f.explorer->List()->viewport(), Qt::LeftButton, {}, f.RowCenter(0));
    EXPECT_EQ(f.window->FuncActive(), 0);
    EXPECT_EQ(props, 2);

    f.explorer->List()->clearSelection();
    emit menu->aboutToShow();
    EXPECT_FALSE(item("&Visible")->isEnabled());
    EXPECT_FALSE(item("&Properties")->isEnabled());
}

}  // namespace
}  // namespace curvane
