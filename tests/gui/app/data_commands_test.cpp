// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/app/data_commands.h"

#include "gui/dialogs/frm_fit.h"
#include "gui/dialogs/frm_import_data.h"
#include "gui/document/document_owner.h"
#include "gui/document_test_helpers.h"
#include "gui/shell_test_helpers.h"
#include "gui/tools/tool_test_frame.h"

#include <QCheckBox>
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
#include <QTest>
#include <QUndoStack>
#include <QUrl>

#include <gtest/gtest.h>

#include <cmath>

namespace curvane {
namespace {

using testing::TModalAnswerer;

class DataCommandsTest : public testing::ToolTestFrame {
protected:
    TDataCommands& Data() { return FMain->DataCommands(); }
};

// Presses Fit in the fit dialog `w` and waits for the fit's thread to report.
QString Fit(QWidget* w) {
    auto* dialog = qobject_cast<TfrmFit*>(w);
    if (!dialog) return QStringLiteral("not the fit dialog");
    dialog->findChild<QPushButton*>("btnFit")->click();
    if (!QTest::qWaitFor([&] { return !dialog->Fitting(); }, 20000)) return QStringLiteral("still fitting");
    return dialog->findChild<QPlainTextEdit*>("memResult")->toPlainText();
}

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
        refused = Fit(w);
        applicable = w->findChild<QPushButton*>("btnApply")->isEnabled();
        w->findChild<QLineEdit*>("edtFormula")->setText("g*x+q");
        own = Fit(w);
        w->findChild<QComboBox*>("cbxModel")->setCurrentIndex(0);  // the line
        shown = Fit(w);
        w->findChild<QCheckBox*>("chkResiduals")->setChecked(true);
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
    // The residuals y - f(x) join the window as a data set of their own.
    ASSERT_EQ(document.DataSets.size(), 2u);
    EXPECT_EQ(document.DataSets[1].Name, "Residuals of " + document.DataSets[0].Name);
    EXPECT_EQ(document.DataSets[1].X, document.DataSets[0].X);
    const double residuals[] = {0.04, -0.12, 0.12, -0.04};
    for (std::size_t i = 0; i < 4; ++i) EXPECT_NEAR(document.DataSets[1].Y[i], residuals[i], 1e-12) << i;
    ASSERT_EQ(undo->count(), 2);
    undo->undo();
    QApplication::processEvents();
    EXPECT_EQ(window->Document().Parameters.Find("m"), nullptr);
    EXPECT_EQ(window->Document().DataSets.size(), 1u);
}

// A fit of many points runs beside the window: Stop ends it with nothing
// changed, and the window may close under a running fit.
TEST_F(DataCommandsTest, ALongFitStopsAndOutlivesItsWindow) {
    QPointer<TfrmAbstractMDIChild> window = NewWindow(FMain->FileCommands().FileNew2D);
    ASSERT_NE(window, nullptr);
    {
        TDocumentEdit edit(window->Owner(), QStringLiteral("Points"));
        TDataSet set;
        set.Name = "decay";
        for (int i = 0; i < 300000; ++i) {
            set.X.Edit().push_back(1e-5 * i);
            set.Y.Edit().push_back(3 * std::exp(-0.7 * 1e-5 * i) + 0.01 * std::sin(i));
        }
        edit.Document().DataSets.push_back(std::move(set));
        edit.Commit();
    }
    TModalAnswerer answerer;
    QString stopped, afterClose;
    bool running = false, applicable = true, changed = true;
    answerer.Then([&](QWidget* w) {
        w->findChild<QComboBox*>("cbxModel")->setCurrentIndex(static_cast<int>(TFitPreset::fpExponential));
        QPushButton* fit = w->findChild<QPushButton*>("btnFit");
        fit->click();
        running = qobject_cast<TfrmFit*>(w)->Fitting() && fit->text() == "Stop";
        stopped = Fit(w);  // pressed again: Stop
        applicable = w->findChild<QPushButton*>("btnApply")->isEnabled();
        changed = window->Document().Parameters.Count() != 0;

        fit->click();
        testing::ForgetChanges(*window);
        window->SubWindow()->close();
        if (!QTest::qWaitFor([&] { return !qobject_cast<TfrmFit*>(w)->Fitting(); }, 20000)) return;
        afterClose = w->findChild<QPlainTextEdit*>("memResult")->toPlainText();
        w->findChild<QPushButton*>("btnApply")->click();  // no window to apply to: the dialog goes
    });
    Trigger(Data().FuncFitData);
    EXPECT_EQ(answerer.Pending(), 0u);
    EXPECT_TRUE(running);
    EXPECT_TRUE(stopped.contains("stopped: stopped")) << stopped.toStdString();
    EXPECT_FALSE(applicable);
    EXPECT_FALSE(changed);
    EXPECT_TRUE(afterClose.contains("stopped: converged")) << afterClose.toStdString();
    QApplication::processEvents();
    EXPECT_TRUE(window.isNull());
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
