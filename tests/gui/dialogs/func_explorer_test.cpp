// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/dialogs/frm_func_explorer.h"

#include "core/document/data_set.h"
#include "core/document/func_item.h"
#include "gui/document/view_box.h"
#include "gui/document_test_helpers.h"
#include "gui/qt_print.h"
#include "render/color.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMimeData>
#include <QSignalSpy>
#include <QUndoStack>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace curvane {
namespace {

// A graph window that only records the changes it follows.
class TCountingWindow : public TfrmAbstractMDIChild {
public:
    TCountingWindow() : TfrmAbstractMDIChild(TWindowType::wt2D) {}
    std::vector<TDocumentChange> Followed;
    void Recalculate(TRecalc) override {}
    void Redraw() override {}
    QImage Picture() const override { return {}; }
    bool HasPicture() const override { return false; }
    QSize PictureSize() const override { return {}; }
    TViewBox ViewBox() const override { return {}; }
    void SetViewValue(TViewValue, double) override {}
    void ApplyLook(const TWindowLook&) override {}

protected:
    TPlotNeed FollowDocument(const TDocumentChange& change, TChangeOrigin) override {
        Followed.push_back(change);
        return TPlotNeed::pnNothing;
    }
    void SampleChange(const TDocumentChange&, TPlotNeed) override {}
};

// The explorer docked in a frame, listing the current window's sin(x), x^2 (active) and 1/x.
struct Fixture {
    QMainWindow frame;
    TDockState record = DefaultFuncExplorerDockState();
    QAction add{"Add"}, del{"Delete"}, props{"Properties"};
    std::vector<int> tablesOpened;
    TfrmFuncExplorer* explorer =
        new TfrmFuncExplorer(record, &frame, {&add, &del, &props, [this](int set) { tablesOpened.push_back(set); }});
    TFuncListView* list = explorer->List();
    std::unique_ptr<TCountingWindow> window = std::make_unique<TCountingWindow>();

    Fixture() {
        frame.setCentralWidget(new QWidget);
        frame.resize(800, 600);
        frame.show();
        explorer->ShowFromRecord();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&frame));
        for (const char* formula : {"sin(x)", "x^2", "1/x"}) testing::AddFunctionTo(*window, formula);
        window->SetFuncActive(1);
        SetCurrentGraphWindow(window.get());
        window->Followed.clear();
    }
    QStringList Expressions() const {
        QStringList out;
        for (int i = 0; i < window->FuncCount(); ++i) out << QString::fromStdString(window->Func(i)->Expression);
        return out;
    }
    QPoint RowCenter(int row) const { return list->visualItemRect(list->topLevelItem(row)).center(); }
};

TEST(FuncExplorer, RowsMirrorTheWindowsFunctionsAndColours) {
    Fixture f;
    // The explorer follows the current window's document by itself.
    testing::EditDocument(*f.window, [](TGraphDocument& d) { d.Func(0)->Color = 0x00FFFF; });
    const QRect cell = f.list->visualRect(f.list->model()->index(0, TfrmFuncExplorer::ColColor));
    EXPECT_EQ(f.list->viewport()->grab().toImage().pixelColor(cell.center()), ToQColor(0x00FFFF));

    testing::EditDocument(*f.window, [](TGraphDocument& d) {
        d.Func(0)->Derivative = true;
        d.Func(2)->Active = false;
        AddFunction(d, "");
    });
    ASSERT_EQ(f.list->topLevelItemCount(), 4);
    EXPECT_EQ(f.list->topLevelItem(0)->text(TfrmFuncExplorer::ColFunction), "Y(x)=sin(x); Derivative");
    EXPECT_EQ(f.list->topLevelItem(3)->text(TfrmFuncExplorer::ColFunction), "; Empty");
    EXPECT_EQ(f.list->topLevelItem(2)->checkState(0), Qt::Unchecked);
    EXPECT_EQ(f.list->currentIndex().row(), 3) << "the new function is the active one";

    f.window.reset();
    EXPECT_EQ(f.explorer->Window(), nullptr) << "a window that went away is no longer used";
}

TEST(FuncExplorer, DropOntoAnotherRowMovesTheFunctionAndNoOtherDropDoes) {
    const QStringList unchanged{"sin(x)", "x^2", "1/x"};
    const struct {
        const char* Why;
        int From;  // -1: row 0 of another process
        int Onto;  // -1: below the last row
        QStringList Order;
    } rows[] = {
        {"the active function moves up", 0, 2, {"x^2", "1/x", "sin(x)"}},
        {"the active function itself moves", 1, 2, {"sin(x)", "1/x", "x^2"}},
        {"onto itself", 1, 1, unchanged},
        {"onto no row", 1, -1, unchanged},
        {"a row beyond the list", 7, 0, unchanged},
        {"from another process", -1, 2, unchanged},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Why);
        Fixture f;
        const QPoint at = row.Onto >= 0 ? f.RowCenter(row.Onto) : QPoint(5, f.list->viewport()->height() - 3);
        std::unique_ptr<QMimeData> mime(TFuncListView::RowMimeData(std::max(row.From, 0)));
        if (row.From < 0) mime->setData(TFuncListView::RowMimeType, "1:0");
        // The enter makes the list the drag's target; only then does Qt
        // deliver the drop to it.
        QDragEnterEvent enter(at, Qt::MoveAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(f.list->viewport(), &enter);
        QDropEvent drop(at, Qt::MoveAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(f.list->viewport(), &drop);
        EXPECT_EQ(f.Expressions(), row.Order);
        EXPECT_EQ(f.window->FuncActive(), row.Order.indexOf("x^2")) << "the active function stays active";
        EXPECT_EQ(f.window->UndoStack()->count(), row.Order == unchanged ? 0 : 1);
    }
}

TEST(FuncExplorer, CheckBoxesSelectionKeysAndThePopupMenuReachTheWindow) {
    Fixture f;
    f.list->topLevelItem(0)->setCheckState(0, Qt::Unchecked);
    EXPECT_FALSE(f.window->Func(0)->Active);
    EXPECT_EQ(f.window->Followed, (std::vector<TDocumentChange>{{TChangeKind::ckFormula, 0}}));

    f.list->setCurrentItem(f.list->topLevelItem(0));
    EXPECT_EQ(f.window->FuncActive(), 0);
    EXPECT_EQ(f.window->UndoStack()->count(), 1) << "a selection is no edit";
    QTest::keyClick(f.list, Qt::Key_Down, Qt::ControlModifier);
    EXPECT_EQ(f.Expressions(), (QStringList{"x^2", "sin(x)", "1/x"}));
    f.window->SetFuncActive(2);
    EXPECT_EQ(f.list->currentIndex().row(), 2) << "the list follows the window's active function";

    // The pop-up menu mirrors the main window's commands and runs them.
    QSignalSpy props(&f.props, &QAction::triggered);
    QMenu* menu = f.explorer->PopupMenu();
    const auto item = [&](const QString& text) {
        for (QAction* a : menu->actions())
            if (a->text() == text) return a;
        ADD_FAILURE() << text.toStdString();
        return new QAction(menu);
    };
    f.del.setEnabled(false);
    emit menu->aboutToShow();
    EXPECT_FALSE(item("&Delete")->isEnabled());
    item("&Properties")->trigger();
    EXPECT_EQ(props.count(), 1);
    // A double click (QTest's needs the first click before it) opens the
    // properties of that row.
    QTest::mouseClick(f.list->viewport(), Qt::LeftButton, {}, f.RowCenter(0));
    QTest::mouseDClick(f.list->viewport(), Qt::LeftButton, {}, f.RowCenter(0));
    EXPECT_EQ(props.count(), 2);
    f.list->clearSelection();
    emit menu->aboutToShow();
    EXPECT_FALSE(item("&Properties")->isEnabled());
}

TEST(FuncExplorer, DataSetsFollowTheFunctionsWithTheirOwnRows) {
    Fixture f;
    testing::EditDocument(*f.window, [](TGraphDocument& d) {
        for (const char* name : {"first", "second"}) {
            TDataSet set;
            set.Name = name;
            set.X = {1, 2, 3};
            set.Y = {4, 5, 6};
            set.Color = 0x00FF00;
            d.DataSets.push_back(set);
        }
    });
    ASSERT_EQ(f.list->topLevelItemCount(), 5);
    EXPECT_EQ(f.list->topLevelItem(4)->text(TfrmFuncExplorer::ColFunction), "second; Data, 3 points");
    const QRect cell = f.list->visualRect(f.list->model()->index(3, TfrmFuncExplorer::ColColor));
    EXPECT_EQ(f.list->viewport()->grab().toImage().pixelColor(cell.center()), ToQColor(0x00FF00));
    QUndoStack* undo = f.window->UndoStack();
    const int steps = undo->count();

    // The check box hides the set; selecting its row leaves the active
    // function alone, and the selection survives the list's refill.
    f.list->setCurrentItem(f.list->topLevelItem(3));
    f.list->topLevelItem(3)->setCheckState(0, Qt::Unchecked);
    EXPECT_FALSE(f.window->Document().DataSets[0].Visible);
    EXPECT_EQ(undo->undoText(), "Hide data set");
    EXPECT_EQ(f.window->FuncActive(), 1);
    EXPECT_EQ(f.list->currentIndex().row(), 3);
    undo->undo();
    EXPECT_EQ(f.list->topLevelItem(3)->checkState(0), Qt::Checked) << "an undo shows the set again";

    // Enter opens the set's table; the pop-up menu deletes the set, one step.
    QTest::keyClick(f.list, Qt::Key_Return);
    EXPECT_EQ(f.tablesOpened, std::vector<int>{0});
    QTest::keyClick(f.list, Qt::Key_Down);
    QMenu* menu = f.explorer->PopupMenu();
    emit menu->aboutToShow();
    EXPECT_EQ(menu->defaultAction()->text(), "&Edit data...");
    for (QAction* a : menu->actions())
        if (a->text() == "&Delete") a->trigger();
    ASSERT_EQ(f.window->Document().DataSets.size(), 1u);
    EXPECT_EQ(f.window->Document().DataSets[0].Name, "first");
    EXPECT_EQ(f.list->topLevelItemCount(), 4);
    EXPECT_EQ(undo->count(), steps + 1);
    EXPECT_EQ(f.window->Func(2)->Expression, "1/x") << "no function was deleted with it";

    // A function dragged onto a data set's row stays where it is.
    std::unique_ptr<QMimeData> mime(TFuncListView::RowMimeData(0));
    QDragEnterEvent enter(f.RowCenter(3), Qt::MoveAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(f.list->viewport(), &enter);
    QDropEvent drop(f.RowCenter(3), Qt::MoveAction, mime.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(f.list->viewport(), &drop);
    EXPECT_EQ(f.Expressions(), (QStringList{"sin(x)", "x^2", "1/x"}));
}

}  // namespace
}  // namespace curvane
