// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/dialogs/frm_data_table.h"

#include "core/document/data_set.h"
#include "gui/app/data_commands.h"
#include "gui/document/document_owner.h"
#include "gui/tools/tool_test_frame.h"

#include <QTableView>
#include <QUndoStack>

#include <gtest/gtest.h>

namespace curvane {
namespace {

class DataTableTest : public testing::ToolTestFrame {};

TEST_F(DataTableTest, TypedCellsAreUndoStepsAndTextThatIsNoNumberChangesNothing) {
    TfrmAbstractMDIChild* window = NewWindow(FMain->FileCommands().FileNew2D);
    ASSERT_NE(window, nullptr);
    testing::EditDocument(*window, [](TGraphDocument& d) {
        TDataSet set;
        set.Name = "measured";
        set.X = {0, 1, 2};
        set.Y = {1.1, 2.9, 5.1};
        set.DY = {0.1, 0.1, 0.2};
        d.DataSets.push_back(set);
    });
    ASSERT_TRUE(FMain->DataCommands().FuncEditData->isEnabled());
    Trigger(FMain->DataCommands().FuncEditData);
    TfrmDataTable* table = FMain->DataCommands().DataTable();
    ASSERT_NE(table, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowActive(table));
    QTableView* grid = table->Table();
    ASSERT_EQ(grid->model()->columnCount(), 3);
    QUndoStack* undo = window->UndoStack();
    const int steps = undo->count();
    const auto shown = [&](int row, int column) { return grid->model()->index(row, column).data().toString(); };
    // F2 opens the cell's editor, as a user would; the text replaces the
    // value and Enter ends the edit.
    const auto type = [&](int row, int column, const QString& text) {
        grid->setCurrentIndex(grid->model()->index(row, column));
        QTest::keyClick(grid, Qt::Key_F2);
        QLineEdit* editor = grid->viewport()->findChild<QLineEdit*>();
        ASSERT_NE(editor, nullptr);
        QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(editor, text);
        QTest::keyClick(editor, Qt::Key_Return);
        // The delegate commits from the event loop; the closed editor is
        // deleted now, or the next edit would find it.
        QApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    };

    type(1, TDataTableModel::ColY, "4.5");
    EXPECT_EQ(window->Document().DataSets[0].Y[1], 4.5);
    EXPECT_EQ(undo->count(), steps + 1);
    EXPECT_EQ(undo->undoText(), "Edit point");
    QTest::keyClick(table, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(window->Document().DataSets[0].Y[1], 2.9);
    EXPECT_EQ(shown(1, TDataTableModel::ColY), "2.9");
    QTest::keyClick(table, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(shown(1, TDataTableModel::ColY), "4.5");

    const struct {
        const char* Why;
        int Column;
        const char* Text;
    } refused[] = {
        {"a decimal comma is no number here", TDataTableModel::ColY, "5,2"},
        {"a value past the doubles", TDataTableModel::ColX, "1e400"},
        {"an uncertainty must be positive", TDataTableModel::ColDY, "0"},
    };
    for (const auto& row : refused) {
        SCOPED_TRACE(row.Why);
        const std::vector<TDataSet> before = window->Document().DataSets;
        type(2, row.Column, row.Text);
        EXPECT_FALSE(table->Message().isEmpty());
        EXPECT_EQ(window->Document().DataSets, before);
        EXPECT_EQ(undo->count(), steps + 1);
    }
    EXPECT_EQ(shown(2, TDataTableModel::ColY), "5.1");

    // Insert copies the current point after it; Delete removes the selected
    // rows. Each is one step.
    grid->setCurrentIndex(grid->model()->index(0, 0));
    QTest::keyClick(grid, Qt::Key_Insert);
    EXPECT_EQ(window->Document().DataSets[0].X, (std::vector<double>{0, 0, 1, 2}));
    EXPECT_EQ(window->Document().DataSets[0].DY.size(), 4u);
    grid->selectRow(2);
    QTest::keyClick(grid, Qt::Key_Delete);
    EXPECT_EQ(window->Document().DataSets[0].X, (std::vector<double>{0, 0, 2}));
    EXPECT_EQ(window->Document().DataSets[0].Y, (std::vector<double>{1.1, 1.1, 5.1}));
    EXPECT_EQ(undo->count(), steps + 3);
    EXPECT_EQ(grid->model()->rowCount(), 3);
    QTest::keyClick(table, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(grid->model()->rowCount(), 4) << "the table follows an undo that brings rows back";
}

}  // namespace
}  // namespace curvane
