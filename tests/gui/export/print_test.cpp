// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/export/frm_print.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPageLayout>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "core/settings/settings.h"
#include "gui/app/file_commands.h"
#include "gui/app/frm_main.h"
#include "gui/plot2d/frm_child2d.h"
#include "gui/plot3d/frm_child3d.h"
#include "gui/plot3d/gl_panel.h"
#include "gui/qt_print.h"
#include "gui/shell_test_helpers.h"
#include "gui/tools/tool_test_frame.h"
#include "render/color.h"
#include "render/plot2d/indicator.h"

namespace curvane {
namespace {

// Pages go to PDF files, read back as text and as pictures from poppler at
// 72 dpi (one pixel per point, from the printable area's corner on).
class PrintTest : public ::testing::Test {
protected:
    void SetUp() override {
        FArea.resize(900, 700);
        FArea.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&FArea));
    }
    void TearDown() override {
        SetPrintFitMode(TPrintFit::pfMaximum);
        SetInkEconomyMode(false);
        SetPrinterChoice({});
        EXPECT_TRUE(FAnswer.Unexpected.isEmpty()) << FAnswer.Unexpected.join(", ").toStdString();
    }
    // Prints the window, checks the file holds one page and whether it holds
    // a bitmap, and returns the page's picture.
    QImage Print(TfrmAbstractMDIChild& w, TPrintFit fit, bool bitmap, QRectF& paint) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        const QString pdf = FDir.filePath(QString::number(++FPrinted) + ".pdf");
        printer.setOutputFileName(pdf);
        const int resolution = printer.resolution();
        EXPECT_EQ(PrintGraphWindow(w, printer, fit), TPrintOutcome::poPrinted);
        EXPECT_EQ(printer.resolution(), resolution) << "the printer is handed back as it came";
        paint = printer.pageLayout().paintRect(QPageLayout::Point);
        QFile file(pdf);
        const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        EXPECT_EQ(QString::fromLatin1(bytes).count(QRegularExpression("/Type\\s*/Page\\b")), 1);
        EXPECT_EQ(bytes.contains("/Subtype /Image"), bitmap);
        EXPECT_EQ(QProcess::execute("pdftoppm", {"-png", "-r", "72", "-singlefile", pdf, pdf}), 0);
        return QImage(pdf + ".png").convertToFormat(QImage::Format_RGB32);
    }

    QTemporaryDir FDir;
    QMdiArea FArea;
    testing::TModalAnswerer FAnswer;
    int FPrinted = 0;
};

bool RedNear(const QImage& page, QPointF at) {
    for (int i = 0; i < 25; ++i) {
        const QColor c = page.pixelColor(qRound(at.x()) + i % 5 - 2, qRound(at.y()) + i / 5 - 2);
        if (c.red() > 200 && c.green() < 90 && c.blue() < 90) return true;
    }
    return false;
}

// The plot is painted onto the page, not copied: no bitmap in the file, the
// red line y = 5 where the scaled plot puts it and not at y = -5, and the
// labels as large against the plot as on the screen, so that the space beside
// the y axis's labels stays blank.
TEST_F(PrintTest, TwoDimensionalWindowPrintsAsVectorsInBothFitModes) {
    auto* w = new TfrmChild2D;
    AddGraphWindow(&FArea, w);
    w->SetPlotSize({400, 300});
    w->SubWindow()->adjustSize();
    QCoreApplication::processEvents();
    testing::AddFunctionTo(*w, "5", [](TFuncItem& f) { f.Color = clRed, f.Width = 3; });
    const TIndicator& plot = w->Indicator();
    for (TPrintFit fit : {TPrintFit::pfMaximum, TPrintFit::pfProportional}) {
        SCOPED_TRACE(static_cast<int>(fit));
        QRectF paint;
        const QImage page = Print(*w, fit, false, paint);
        // A wide plot on a portrait page takes the printable width.
        const double scale = fit == TPrintFit::pfMaximum ? paint.width() / 400 : 72.0 / w->logicalDpiX();
        const auto onPage = [&](QPoint p) { return paint.topLeft() + QPointF(p) * scale; };
        for (double x : {-15.0, 2.5, 15.0}) {
            EXPECT_TRUE(RedNear(page, onPage(plot.WorldToScreen(x, 5)))) << x;
            EXPECT_FALSE(RedNear(page, onPage(plot.WorldToScreen(x, -5)))) << x;
        }
        const QRect blank(onPage(plot.WorldToScreen(3, -3)).toPoint(), onPage(plot.WorldToScreen(6, -9)).toPoint());
        int dark = 0;
        for (int i = 0; i < blank.width() * blank.height(); ++i)
            dark += qGray(page.pixel(blank.left() + i % blank.width(), blank.top() + i / blank.width())) < 128;
        EXPECT_EQ(dark, 0);
    }
}

TEST_F(PrintTest, ThreeDimensionalWindowPrintsItsFrameStretched) {
    ASSERT_TRUE(OpenGLProblem().isEmpty()) << "the tests run where Mesa gives OpenGL";
    auto* w = new TfrmChild3D;
    w->Panel()->setFixedSize(320, 240);
    AddGraphWindow(&FArea, w)->adjustSize();
    testing::AddFunctionTo(*w, "x*y");
    QCoreApplication::processEvents();
    const QImage frame = w->Panel()->grabFramebuffer().convertToFormat(QImage::Format_RGB32);
    QRectF paint;
    const QImage page = Print(*w, TPrintFit::pfMaximum, true, paint);
    for (QPoint p : {QPoint(160, 120), QPoint(100, 200)}) {
        const QColor want = frame.pixelColor(p);
        const QColor got = page.pixelColor((paint.topLeft() + QPointF(p) * (paint.width() / 320)).toPoint());
        EXPECT_LT(std::abs(got.red() - want.red()) + std::abs(got.green() - want.green()) +
                      std::abs(got.blue() - want.blue()),
                  60)
            << p.x();
    }
}

// The dialog edits the printer it is given, follows the page set-up dialog,
// and keeps the fit and the ink economy flag for the run, even after Cancel.
TEST_F(PrintTest, DialogSetsOrientationAndKeepsFitAndInkEconomyBetweenOpenings) {
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setPageOrientation(QPageLayout::Portrait);
    {
        TfrmPrint dialog(printer);
        dialog.show();
        dialog.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
        auto* attention = dialog.findChild<QLabel*>("lblAttention");
        EXPECT_TRUE(dialog.findChild<QRadioButton*>("rbMaximum")->isChecked());
        EXPECT_FALSE(attention->isVisible());
        dialog.findChild<QRadioButton*>("rbLandscape")->click();
        EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Landscape);
        // Mnemonics press their buttons a moment later, as a click shows.
        QTest::keyClick(&dialog, Qt::Key_O, Qt::AltModifier);  // Pr&oportional
        EXPECT_TRUE(QTest::qWaitFor([] { return PrintFitMode() == TPrintFit::pfProportional; }));
        QTest::keyClick(&dialog, Qt::Key_I, Qt::AltModifier);  // &Ink economy mode
        EXPECT_TRUE(QTest::qWaitFor([&] { return attention->isVisible(); }));

        FAnswer.Then([](QWidget* setup) {
            setup->findChild<QRadioButton*>("portrait")->click();
            static_cast<QDialog*>(setup)->accept();
        });
        dialog.findChild<QPushButton*>("btnSetup")->click();
        EXPECT_TRUE(dialog.findChild<QRadioButton*>("rbPortrait")->isChecked());
        dialog.reject();
    }
    TfrmPrint again(printer);
    again.show();
    EXPECT_TRUE(again.findChild<QRadioButton*>("rbProportional")->isChecked());
    EXPECT_TRUE(again.findChild<QLabel*>("lblAttention")->isVisible());
    again.findChild<QCheckBox*>("cbxInkEconomy")->click();
    EXPECT_FALSE(again.findChild<QLabel*>("lblAttention")->isVisible());
    EXPECT_FALSE(InkEconomyMode());
}

// "&Print..." wants a graph window, and on a machine without printers says so
// instead of opening its dialog.
using PrintCommandTest = testing::ToolTestFrame;
TEST_F(PrintCommandTest, CommandWantsAWindowAndAPrinter) {
    QAction* print = FMain->FileCommands().FilePrint;
    QCoreApplication::processEvents();
    EXPECT_FALSE(print->isEnabled());
    FMain->NewGraphWindow2D();
    QCoreApplication::processEvents();
    EXPECT_TRUE(print->isEnabled());
    if (!QPrinterInfo::availablePrinters().isEmpty())
        GTEST_SKIP() << "a printer is installed here: the message for none cannot come";
    testing::TModalAnswerer answer;
    answer.ThenMessage(QMessageBox::Ok);
    print->trigger();
    EXPECT_EQ(answer.Messages, QStringList{"No printers installed. Install the printer in the Control Panel."});
    EXPECT_TRUE(answer.Unexpected.isEmpty()) << answer.Unexpected.join(", ").toStdString();
    EXPECT_TRUE(FMain->findChildren<TfrmPrint*>().isEmpty());
}

// Stands in for two installed printers, "Office" (the system's default) and
// "Lab": a job for either goes to a PDF file of that name.
class TTwoPrinters : public TPrinterSeam {
public:
    explicit TTwoPrinters(const QString& dir) : FDir(dir) {}
    QStringList Names() const override { return {"Office", "Lab"}; }
    QString DefaultName() const override { return QStringLiteral("Office"); }
    void Select(QPrinter& printer, const QString& name) const override {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(FDir + "/" + name + ".pdf");
    }
    QString Selected(const QPrinter& printer) const override {
        return QFileInfo(printer.outputFileName()).completeBaseName();
    }

private:
    QString FDir;
};

// The printer and the orientation chosen for one job are where the next one
// starts.
TEST_F(PrintCommandTest, NextJobStartsFromThePrinterAndOrientationChosenLast) {
    const TTwoPrinters printers(FDir.path());
    SetPrinterSeam(&printers);
    NewWindow(FMain->FileCommands().FileNew2D, QStringLiteral("x"));
    QStringList shown;  // the printer and orientation each dialog opens with
    const auto seen = [&shown](QWidget* dialog) {
        const bool landscape = dialog->findChild<QRadioButton*>("rbLandscape")->isChecked();
        shown << dialog->findChild<QComboBox*>("cbxPrinter")->currentText() + (landscape ? " landscape" : " portrait");
    };
    testing::TModalAnswerer answer;
    answer.Then([&](QWidget* dialog) {
        seen(dialog);
        QTest::keyClick(dialog->findChild<QComboBox*>("cbxPrinter"), Qt::Key_Down);
        dialog->findChild<QRadioButton*>("rbLandscape")->click();
        static_cast<QDialog*>(dialog)->accept();
    });
    answer.Then([&](QWidget* dialog) {
        seen(dialog);
        static_cast<QDialog*>(dialog)->accept();
    });
    for (int job = 0; job < 2; ++job) Trigger(FMain->FileCommands().FilePrint);
    EXPECT_EQ(shown, (QStringList{"Office portrait", "Lab landscape"}));
    EXPECT_TRUE(QFile::exists(FDir.filePath("Lab.pdf")) && !QFile::exists(FDir.filePath("Office.pdf")));

    // A window closed while its print dialog was open is not printed.
    ASSERT_TRUE(QFile::remove(FDir.filePath("Lab.pdf")));
    answer.Then([&](QWidget* dialog) {
        FMain->MdiArea()->closeAllSubWindows();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        static_cast<QDialog*>(dialog)->accept();
    });
    answer.ThenMessage(QMessageBox::No);  // "Save changes to ...?"
    Trigger(FMain->FileCommands().FilePrint);
    EXPECT_TRUE(FMain->MdiArea()->subWindowList().isEmpty());
    EXPECT_FALSE(QFile::exists(FDir.filePath("Lab.pdf")));
    EXPECT_TRUE(answer.Unexpected.isEmpty()) << answer.Unexpected.join(", ").toStdString();
    SetPrinterSeam(nullptr);
    SetPrinterChoice({});
}

}  // namespace
}  // namespace curvane
