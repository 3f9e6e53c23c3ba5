// SPDX-License-Identifier: GPL-3.0-or-later
#include <QComboBox>
#include <QMdiArea>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>

#include <malloc.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "gui/shell_test_helpers.h"
#include "gui/tools/frm_integral.h"
#include "gui/tools/frm_root.h"
#include "gui/tools/frm_ticker.h"
#include "gui/tools/frm_value.h"
#include "gui/tools/tool_test_frame.h"

namespace curvane {
namespace {

// Resident memory of this process in kB, once the closed windows and tools
// are gone: their deletes are deferred, and a delete can post further ones.
// glibc keeps freed memory in its arenas for reuse; malloc_trim hands it back,
// so the figure counts what is still held (a real growth stays held).
long SettledResidentKb() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QApplication::processEvents();
    }
    malloc_trim(0);
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.starts_with("VmRSS:")) return std::stol(line.substr(6));
    return -1;
}

using MemoryTest = testing::ToolTestFrame;

TEST_F(MemoryTest, TwoHundredWindowsAndTheToolsKeepTheResidentMemoryFlat) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer holds freed memory in its quarantine: the resident size says nothing here";
#endif
    constexpr int Windows = 200, FirstMeasure = 10;
    constexpr long AllowedGrowthKb = 5 * 1024;
    testing::TModalAnswerer answer;
    const TCalculusCommands& tools = FMain->CalculusCommands();
    // Each tool once, then closed: a value and a table, an integral, a root,
    // a walk of the ticker.
    const auto runTools = [&] {
        Trigger(tools.CalcTabulation);
        TfrmValue* value = TfrmValue::Instance();
        value->findChild<QComboBox*>("cbxFunction")->setEditText("x^2+y");
        value->findChild<QLineEdit*>("edtXto")->setText("5");
        value->Evaluate();
        value->Tabulate();
        EXPECT_TRUE(value->findChild<QPlainTextEdit*>("Memo")->toPlainText().contains("X=5 Y=25 "));
        value->close();
        Trigger(tools.CalcIntegral);
        TfrmIntegral* integral = TfrmIntegral::Instance();
        integral->findChild<QComboBox*>("cbxFunction")->setEditText("sin(x)*x");
        integral->findChild<QPushButton*>("btnCalc")->click();
        EXPECT_FALSE(integral->findChild<QLineEdit*>("edtValue")->text().isEmpty());
        integral->close();
        Trigger(tools.CalcRoot);
        TfrmRoot* root = TfrmRoot::Instance();
        root->cbxFunction1->setEditText("x^2-2");
        root->cbxFunction2->setEditText("");
        root->edtFrom->setText("0");
        root->edtTo->setText("2");
        root->btnCalc->click();
        EXPECT_TRUE(root->edtValue->text().startsWith("1.41421")) << root->edtValue->text().toStdString();
        root->close();
        Trigger(tools.FuncTicker);
        TfrmTicker* ticker = TfrmTicker::Instance();
        for (int i = 0; i < 5; ++i) QTest::keyClick(ticker->TrackBar1, Qt::Key_PageUp);
        // It walks explicit Cartesian curves; with others its bar is disabled.
        EXPECT_EQ(ticker->edtY->text().isEmpty(), !ticker->TrackBar1->isEnabled());
        Trigger(tools.FuncTicker);
    };

    // 3D and 2D documents take turns, opened as File Open does; each gets its
    // active formula halved in the function box (an undo step, a resampling,
    // a recovery watch) and is closed without saving. The 2D ones run every
    // tool, so each tool runs a hundred times.
    const QString examples = QStringLiteral(CURVANE_SOURCE_DIR "/examples/");
    const QStringList documents2D = {"explicit.gfx", "polar.gfx",      "parametric.gfx",
                                     "implicit.gfx", "derivative.gfx", "units_pi.gfx"};
    long first = 0, last = 0;
    for (int i = 1; i <= Windows; ++i) {
        const bool is3D = i % 2 == 1;
        const QString name = is3D ? QStringLiteral("surface3d.gfx") : documents2D[(i / 2) % documents2D.size()];
        SCOPED_TRACE(QStringLiteral("window %1, %2").arg(i).arg(name).toStdString());
        FMain->OpenDocuments({examples + name});
        QPointer<TfrmAbstractMDIChild> window = CurrentGraphWindow(FMain->MdiArea());
        ASSERT_NE(window, nullptr);
        EnterFormula('(' + FMain->FuncCombo()->lineEdit()->text() + ")/2");
        ASSERT_TRUE(window->IsModified()) << "the formula was entered";
        if (!is3D) runTools();
        answer.ThenMessage(QMessageBox::No);
        Trigger(FMain->FileCommands().FileClose);
        ASSERT_TRUE(QTest::qWaitFor([&] { return answer.Pending() == 0; }));
        answer.Messages.clear();  // the test's own record would grow
        const long resident = SettledResidentKb();
        ASSERT_TRUE(window.isNull()) << "a closed window is deleted";
        if (i == FirstMeasure) first = resident;
        if (i == Windows) last = resident;
    }
    EXPECT_TRUE(answer.Unexpected.isEmpty()) << answer.Unexpected.join(", ").toStdString();
    std::printf("Resident memory after window %d: %ld kB, after window %d: %ld kB, growth %ld kB\n", FirstMeasure,
                first, Windows, last, last - first);
    ASSERT_GT(first, 0);
    EXPECT_LE(last - first, AllowedGrowthKb);
}

}  // namespace
}  // namespace curvane
