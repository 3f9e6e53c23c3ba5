// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/tools/frm_root.h"

#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>

#include <cmath>
#include <numbers>

#include "core/numeric/roots.h"
#include "gui/app/shell_memory.h"
#include "gui/app/window_commands.h"
#include "gui/dialogs/frm_log_window.h"
#include "gui/shell_test_helpers.h"
#include "gui/tools/tool_test_frame.h"

namespace curvane {
namespace {

class RootTest : public testing::ToolTestFrame {
protected:
    TfrmRoot* OpenRoot() {
        Trigger(FMain->CalculusCommands().CalcRoot);
        return TfrmRoot::Instance();
    }
    // Fills the dialog and presses Calculate.
    static void Calculate(TfrmRoot& d, const QString& f1, const QString& f2, const QString& from, const QString& to) {
        Type(d.cbxFunction1->lineEdit(), f1);
        Type(d.cbxFunction2->lineEdit(), f2);
        Type(d.edtFrom, from);
        Type(d.edtTo, to);
        QTest::mouseClick(d.btnCalc, Qt::LeftButton);
    }
    QString LastLogLine() const { return FMain->Memory()->LogWindow()->Memo()->toPlainText().section('\n', -1); }
    static double Number(const QString& text) { return ParseDouble(text.toStdString()).value_or(NAN); }
};

// Red pixels in the 11x11 box around p.
int RedAround(const QImage& image, QPoint p) {
    int count = 0;
    for (int dy = -5; dy <= 5; ++dy)
        for (int dx = -5; dx <= 5; ++dx) count += (image.pixel(p.x() + dx, p.y() + dy) & 0xFFFFFF) == 0xFF0000;
    return count;
}

TEST_F(RootTest, RootAndIntersectionReachTheFieldTheLogAndThePlot) {
    Trigger(FMain->WindowCommands().ViewLog);
    auto* window = qobject_cast<TfrmChild2D_*>(NewWindow(FMain->FileCommands().FileNew2D));
    ASSERT_NE(window, nullptr);
    TfrmRoot* d = OpenRoot();
    ASSERT_NE(d, nullptr);

    Calculate(*d, "x^2-2", "", "0", "2");
    const double x = Number(d->edtValue->text());
    EXPECT_NEAR(x, std::sqrt(2.0), 1e-5);
    EXPECT_EQ(d->edtValue->text().toStdString(), FormatFixed(x, 14, 20));
    EXPECT_TRUE(LastLogLine().startsWith(R"(Root for "x^2-2" in (0.0000,2.0000) is 1.41421)")) << LastLogLine().toStdString();
    EXPECT_NEAR(Number(LastLogLine().section(' ', -1)), x, 1e-13);
    // The circle: a red ring round the point, nothing inside it.
    const QPoint p = window->Indicator().WorldToScreen(x, 0);
    EXPECT_GT(RedAround(window->Scope()->Buffer(), p), 12);
    EXPECT_NE(window->Scope()->Buffer().pixel(p) & 0xFFFFFF, 0xFF0000u);

    Calculate(*d, "sin(x)", "cos(x)", "0", "1");
    const QString value = d->edtValue->text();
    ASSERT_TRUE(value.startsWith("X=")) << value.toStdString();
    const double ix = Number(value.section(' ', 0, 0).mid(2)), iy = Number(value.section(' ', 1).mid(2));
    EXPECT_NEAR(ix, std::numbers::pi / 4, 1e-5);
    EXPECT_NEAR(iy, std::sin(ix), 1e-13) << "Y is F1 at the meeting point";
    EXPECT_EQ(LastLogLine(), R"r(Intersection for "sin(x)" & "cos(x)" in (0.0000,1.0000) is: )r" + value);
    EXPECT_GT(RedAround(window->Scope()->Buffer(), window->Indicator().WorldToScreen(ix, iy)), 12);
}

TEST_F(RootTest, RefusalsNoRootsAndTheSwapQuestion) {
    TfrmRoot* d = OpenRoot();
    ASSERT_NE(d, nullptr);
    testing::TModalAnswerer answer;
    answer.ThenMessage(QMessageBox::Ok);  // function 1 empty
    answer.ThenMessage(QMessageBox::Ok);  // no sign change
    answer.ThenMessage(QMessageBox::No);  // reversed interval, kept
    answer.ThenMessage(QMessageBox::Yes);  // reversed interval, swapped
    Calculate(*d, "", "", "0", "1");
    Calculate(*d, "x^2+1", "", "0", "1");
    EXPECT_EQ(d->edtValue->text(), "No roots");
    Calculate(*d, "x", "", "1", "0");
    EXPECT_EQ(d->edtValue->text(), "No roots") << "no calculation after No";
    QTest::mouseClick(d->btnCalc, Qt::LeftButton);
    EXPECT_EQ(d->edtFrom->text(), "0");
    EXPECT_EQ(d->edtTo->text(), "1");
    EXPECT_EQ(d->edtValue->text(), "0.000000000000000000");
    ASSERT_EQ(answer.Messages.size(), 4);
    EXPECT_EQ(answer.Messages[0], "Function 1 must not be empty");
    EXPECT_EQ(answer.Messages[1], QString::fromLatin1(NoRootsExplanation));
    EXPECT_EQ(answer.Messages[2],
              "Root interval invalid. \"From\" value must be lower than \"To\" value\nOK to swap?");
    EXPECT_TRUE(answer.Unexpected.isEmpty()) << answer.Unexpected.join(", ").toStdString();

    // The fields outlive the dialog.
    Type(d->cbxFunction2->lineEdit(), "2*x");
    Type(d->edtTo, "3.5");
    d->close();
    EXPECT_TRUE(QTest::qWaitFor([] { return TfrmRoot::Instance() == nullptr; }));
    d = OpenRoot();
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->cbxFunction1->currentText(), "x");
    EXPECT_EQ(d->cbxFunction2->currentText(), "2*x");
    EXPECT_EQ(d->edtTo->text(), "3.5");
}

}  // namespace
}  // namespace curvane
