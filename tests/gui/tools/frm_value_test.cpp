// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/tools/frm_value.h"

#include "core/settings/settings.h"
#include "gui/app/calculus_commands.h"
#include "gui/app/frm_main.h"
#include "gui/document/frm_abstract_mdi_child.h"
#include "gui/qt_print.h"
#include "gui/shell_test_helpers.h"
#include "gui/tools/tool_test_frame.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>

namespace curvane {
namespace {

using testing::TModalAnswerer;

class ValueTest : public testing::ToolTestFrame {
protected:
    void TearDown() override {
        EXPECT_TRUE(FAnswer.Unexpected.isEmpty()) << FAnswer.Unexpected.join('\n').toStdString();
        ToolTestFrame::TearDown();
    }

    void Open() {
        FMain->CalculusCommands().CalcTabulation->trigger();
        FDialog = TfrmValue::Instance();
        ASSERT_TRUE(FDialog && QTest::qWaitForWindowActive(FDialog));
    }
    template <class T = QLineEdit>
    T* Find(const char* name) {
        T* widget = FDialog->findChild<T*>(name);
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    // Clicks into the field and types over its text.
    void Type(const char* name, const QString& text) {
        QWidget* field = qstrcmp(name, "cbxFunction") ? Find(name) : Find<QComboBox>(name)->lineEdit();
        QTest::mouseClick(field, Qt::LeftButton);
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(field, Qt::Key_Delete);
        QTest::keyClicks(field, text);
    }
    void Click(const char* name) { QTest::mouseClick(Find<QAbstractButton>(name), Qt::LeftButton); }
    // Clicks `button` and answers the message box it should bring.
    QString ClickForMessage(const char* button) {
        FAnswer.ThenMessage(QMessageBox::Ok);
        Click(button);
        EXPECT_EQ(FAnswer.Pending(), 0u) << button;
        return FAnswer.Messages.value(FAnswer.Messages.size() - 1);
    }
    void ShowTabulator() {
        QTest::keyClick(FDialog, Qt::Key_T, Qt::AltModifier);
        ASSERT_EQ(Find<QTabWidget>("PageControl")->currentIndex(), 1);
    }
    QStringList MemoLines() { return Find<QPlainTextEdit>("Memo")->toPlainText().split('\n'); }

    QPointer<TfrmValue> FDialog;
    TModalAnswerer FAnswer;
};

TEST_F(ValueTest, EvaluatesAtThePointAndReportsFormulaErrors) {
    Open();
    Type("cbxFunction", "x^2+y");
    Type("edtX", "1.5");
    Type("edtY", "2");
    Click("btnEvaluate");
    EXPECT_EQ(Find("edtValue")->text(), "4.25");

    // Enter in a field evaluates and selects the field for the next number.
    Type("cbxFunction", "ln(x)");
    Type("edtX", "-1");
    QTest::keyClick(Find("edtX"), Qt::Key_Return);
    EXPECT_EQ(Find("edtValue")->text(), "Invalid floating point operation");
    EXPECT_EQ(Find("edtX")->selectedText(), "-1");

    Type("edtX", "1,5");
    EXPECT_EQ(ClickForMessage("btnEvaluate"), "Invalid floating point value.");
    EXPECT_EQ(FDialog->focusWidget(), Find("edtX"));

    Type("cbxFunction", "");
    EXPECT_EQ(ClickForMessage("btnEvaluate"), "Function must not be empty");
    EXPECT_EQ(FDialog->focusWidget(), Find<QComboBox>("cbxFunction"));

    Type("edtX", "1");
    Type("cbxFunction", "sin(x) + foo*2");
    EXPECT_TRUE(ClickForMessage("btnEvaluate").startsWith("Syntax error : "));
    EXPECT_EQ(Find<QComboBox>("cbxFunction")->lineEdit()->selectedText(), "foo");
}

TEST_F(ValueTest, TabulatesCurvesAndSurfaces) {
    Open();
    ShowTabulator();
    Type("cbxFunction", "ln(x)");
    Type("edtXto", "1");
    Type("edtXstep", "0.5");
    Click("btnTabulate");
    QStringList lines = MemoLines();
    ASSERT_EQ(lines.size(), 4 + 3) << lines.join('\n').toStdString();
    EXPECT_TRUE(lines[0].startsWith("Function tabulation made by Curvane "));
    EXPECT_EQ(lines[1], QString(45, '-'));
    EXPECT_EQ(lines[2], "Y(x) = ln(x)");
    EXPECT_EQ(lines[3], lines[1]);
    EXPECT_TRUE(lines[4].startsWith("Math error ")) << lines[4].toStdString();
    EXPECT_EQ(lines[5], "X=0.5 Y=-0.693147180559945 Z=0");
    EXPECT_EQ(lines[6], "X=1 Y=0 Z=0");

    Click("btn3D");
    Type("cbxFunction", "x+y");
    Type("edtYto", "1");
    Type("edtYstep", "0.5");
    Type("edtPattern", "%x;%y;%z");
    Click("btnTabulate");
    lines = MemoLines();
    ASSERT_EQ(lines.size(), 4 + 9) << lines.join('\n').toStdString();
    EXPECT_EQ(lines[2], "Z(x,y) = x+y");
    EXPECT_EQ(lines[4], "0;0;0");
    EXPECT_EQ(lines[5], "0;0.5;0.5") << "y varies fastest";
    EXPECT_EQ(lines[12], "1;1;2");

    // Refusals leave the table as it was.
    Type("edtYstep", "0");
    EXPECT_TRUE(ClickForMessage("btnTabulate").contains("step")) << FAnswer.Messages.join('\n').toStdString();
    Type("edtYstep", "0.5");
    Type("edtXto", "1e999");
    EXPECT_EQ(ClickForMessage("btnTabulate"), "Invalid float value!");
    EXPECT_EQ(FDialog->focusWidget(), Find("edtXto"));
    EXPECT_EQ(MemoLines(), lines);
}

TEST_F(ValueTest, SavesAndPrintsTheTable) {
    Open();
    ShowTabulator();
    EXPECT_EQ(ClickForMessage("btnSave"), "Nothing to save!");
    EXPECT_EQ(ClickForMessage("btnPrint"), QPrinterInfo::availablePrinters().isEmpty()
                                               ? "No printers installed. Install the printer in the Control Panel."
                                               : "Nothing to print. You have to make the tabulation first.");

    Type("cbxFunction", "x");
    Click("btnTabulate");
    const QStringList lines = MemoLines();
    ASSERT_EQ(lines.size(), 4 + 101);
    EXPECT_EQ(lines.last(), "X=9.99999999999998 Y=9.99999999999998 Z=0");
    FAnswer.Then([&](QWidget* dialog) {
        dialog->findChild<QLineEdit*>("fileNameEdit")->setText(FDir.filePath("table"));
        static_cast<QDialog*>(dialog)->accept();
    });
    Click("btnSave");
    QFile saved(FDir.filePath("table.txt"));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly)) << "the default suffix is added";
    EXPECT_EQ(QString::fromUtf8(saved.readAll()), lines.join('\n') + '\n');

    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(FDir.filePath("table.pdf"));
    QPainter painter(&printer);
    const int pages = PrintTextLines(painter, printer, lines);
    painter.end();
    EXPECT_GT(pages, 1);
    QFile pdf(printer.outputFileName());
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromLatin1(pdf.readAll()).count(QRegularExpression("/Type\\s*/Page\\b")), pages);
}

TEST_F(ValueTest, CommandOpensOneDialogListingTheWindowsFunctions) {
    TfrmAbstractMDIChild* window = FMain->NewGraphWindow2D();
    testing::AddFunctionTo(*window, "sin(x)");
    testing::AddFunctionTo(*window, "x^2");
    Open();
    FMain->CalculusCommands().CalcTabulation->trigger();
    EXPECT_EQ(TfrmValue::Instance(), FDialog);
    EXPECT_EQ(FMain->findChildren<TfrmValue*>().size(), 1);
    auto* function = Find<QComboBox>("cbxFunction");
    ASSERT_EQ(function->count(), 2);
    EXPECT_EQ(function->itemText(0), "sin(x)");
    EXPECT_EQ(function->itemText(1), "x^2");

    EXPECT_EQ(Find<QTabWidget>("PageControl")->currentIndex(), 0);
    ShowTabulator();
    auto* panelY = Find<QWidget>("pnlY");
    EXPECT_FALSE(panelY->isVisible());
    Click("btn3D");
    EXPECT_TRUE(panelY->isVisible());
    Click("btn2D");
    EXPECT_FALSE(panelY->isVisible());

    Type("edtXto", "5");
    Click("btnClose");
    ASSERT_TRUE(QTest::qWaitFor([] { return TfrmValue::Instance() == nullptr; }));
    Open();
    EXPECT_EQ(Find("edtXto")->text(), "10") << "a new dialog starts from the defaults";
}

}  // namespace
}  // namespace curvane
