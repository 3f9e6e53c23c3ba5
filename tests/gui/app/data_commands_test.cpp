// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/app/data_commands.h"

#include "gui/dialogs/frm_import_data.h"
#include "gui/document/document_owner.h"
#include "gui/shell_test_helpers.h"
#include "gui/tools/tool_test_frame.h"

#include <QClipboard>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUndoStack>
#include <QUrl>

#include <gtest/gtest.h>

namespace curvane {
namespace {

using testing::TModalAnswerer;

class DataCommandsTest : public testing::ToolTestFrame {
protected:
    TDataCommands& Data() { return FMain->DataCommands(); }
};

// Cells copied from a spreadsheet: a header, tabs, and y = 2x + 1 with a
// little noise that cancels in the fit's sums.
constexpr const char* PastedCells = "x\ty\n0\t1.1\n1\t2.9\n2\t5.1\n3\t6.9\n";

TEST_F(DataCommandsTest, PastedPointsFitALineAndEachCommandIsOneUndoStep) {
    TfrmAbstractMDIChild* window = NewWindow(FMain->FileCommands().FileNew2D);
    ASSERT_NE(window, nullptr);
    QUndoStack* undo = window->Owner()->UndoStack();
    QGuiApplication::clipboard()->setText(QString::fromLatin1(PastedCells));
    Trigger(Data().EditPasteData);
    ASSERT_EQ(window->Document().DataSets.size(), 1u);
    EXPECT_EQ(window->Document().DataSets[0].X, (std::vector<double>{0, 1, 2, 3}));
    EXPECT_EQ(window->Document().DataSets[0].Y, (std::vector<double>{1.1, 2.9, 5.1, 6.9}));
    ASSERT_EQ(undo->count(), 1);
    EXPECT_EQ(undo->undoText(), QStringLiteral("Paste data"));

    TModalAnswerer answerer;
    QString shown, refused, own;
    bool applicable = true;
    answerer.Then([&](QWidget* w) {
        // A formula without unknowns cannot be fitted: it says so, and Apply
        // stays off.
        w->findChild<QComboBox*>("cbxModel")->setCurrentIndex(w->findChild<QComboBox*>("cbxModel")->count() - 1);
        w->findChild<QLineEdit*>("edtFormula")->setText("2*x");
        w->findChild<QPushButton*>("btnFit")->click();
        refused = w->findChild<QPlainTextEdit*>("memResult")->toPlainText();
        applicable = w->findChild<QPushButton*>("btnApply")->isEnabled();
        w->findChild<QLineEdit*>("edtFormula")->setText("g*x+q");
        w->findChild<QPushButton*>("btnFit")->click();
        own = w->findChild<QPlainTextEdit*>("memResult")->toPlainText();
        w->findChild<QComboBox*>("cbxModel")->setCurrentIndex(0);  // the line
        w->findChild<QPushButton*>("btnFit")->click();
        shown = w->findChild<QPlainTextEdit*>("memResult")->toPlainText();
        w->findChild<QPushButton*>("btnApply")->click();
        static_cast<QDialog*>(w)->reject();
    });
    ASSERT_TRUE(Data().FuncFitData->isEnabled());
    Trigger(Data().FuncFitData);
    EXPECT_EQ(answerer.Pending(), 0u);
    EXPECT_TRUE(answerer.Unexpected.isEmpty()) << answerer.Unexpected.join(';').toStdString();
    EXPECT_TRUE(shown.contains("stopped: converged")) << shown.toStdString();
    EXPECT_TRUE(refused.contains("no parameters to fit")) << refused.toStdString();
    EXPECT_FALSE(applicable);
    // Names of the user's own formula are fitted from 1 by the iterative method.
    EXPECT_TRUE(own.contains("g = 1.96")) << own.toStdString();

    // Least squares through the four points: slope 1.96, intercept 1.06.
    const TGraphDocument& document = window->Document();
    const TParameter* m = document.Parameters.Find("m");
    const TParameter* c = document.Parameters.Find("c");
    ASSERT_TRUE(m && c);
    EXPECT_NEAR(m->Value, 1.96, 1e-12);
    EXPECT_NEAR(c->Value, 1.06, 1e-12);
    ASSERT_GE(document.Functions.Count(), 1);
    EXPECT_EQ(document.Functions.Last()->Expression, "m*x+c");
    ASSERT_EQ(undo->count(), 2);
    undo->undo();
    QApplication::processEvents();
    EXPECT_EQ(window->Document().Parameters.Find("m"), nullptr);
    EXPECT_EQ(window->Document().DataSets.size(), 1u);
}

TEST_F(DataCommandsTest, AFileDroppedOnAWindowIsImportedThroughTheDialog) {
    TfrmAbstractMDIChild* window = NewWindow(FMain->FileCommands().FileNew2D);
    ASSERT_NE(window, nullptr);
    const QString path = FDir.filePath("drop.csv");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("t,v\n1,10\n2,20\n");
    file.close();
    TModalAnswerer answerer;
    answerer.Then([](QWidget* w) { static_cast<QDialog*>(w)->accept(); });
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path)});
    QWidget* viewport = FMain->MdiArea()->viewport();
    const QPoint at = window->SubWindow()->geometry().center();
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    // Qt delivers drops only during a drag of its own, which a test cannot
    // start: the event goes to the area's filter as the delivery would pass it.
    ASSERT_TRUE(static_cast<QObject&>(Data()).eventFilter(viewport, &drop));
    ASSERT_TRUE(QTest::qWaitFor([&] { return answerer.Pending() == 0 && !QApplication::activeModalWidget(); }));
    QApplication::processEvents();
    ASSERT_EQ(window->Document().DataSets.size(), 1u);
    EXPECT_EQ(window->Document().DataSets[0].Name, "drop");
    EXPECT_EQ(window->Document().DataSets[0].Y, (std::vector<double>{10, 20}));
    EXPECT_EQ(window->Owner()->UndoStack()->undoText(), QStringLiteral("Import data"));
}

TEST_F(DataCommandsTest, ImportDialogListsSkippedLinesAndRefusesBinaryText) {
    const struct {
        const char* reason;
        QByteArray bytes;
        std::size_t points;  // 0: refused, OK stays off
        const char* listed;  // in the skipped-lines list
    } rows[] = {
        {"a bad line is skipped by number, not read as zero", "x,y\n1,2\n2,oops\n3,4\n", 2, "line 3"},
        {"a file that ends mid-line keeps its last point", "1;2,5\n2;3,5", 2, ""},
        {"binary content adds nothing", QByteArray("1 2\n\0\0\x01\x02", 10), 0, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.reason);
        const QString path = FDir.filePath("points.csv");
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(row.bytes);
        file.close();
        TfrmImportData dialog;
        ASSERT_TRUE(dialog.LoadFile(path));
        const bool ok = dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->isEnabled();
        if (row.points == 0) {
            EXPECT_FALSE(dialog.Table().has_value());
            EXPECT_FALSE(ok);
            EXPECT_FALSE(dialog.findChild<QLabel*>("lblSummary")->text().isEmpty());
            continue;
        }
        ASSERT_TRUE(dialog.Table().has_value());
        EXPECT_TRUE(ok);
        EXPECT_EQ(dialog.DataSet().Count(), row.points);
        EXPECT_EQ(dialog.DataSet().Name, "points");
        EXPECT_TRUE(dialog.findChild<QPlainTextEdit*>("memSkipped")->toPlainText().contains(row.listed));
    }
}

}  // namespace
}  // namespace curvane
