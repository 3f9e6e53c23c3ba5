// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/tools/frm_points.h"

#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTableWidget>

#include <cmath>
#include <numbers>

#include "gui/shell_test_helpers.h"
#include "gui/tools/tool_test_frame.h"

namespace curvane {
namespace {

class PointsTest : public testing::ToolTestFrame {
protected:
    void TearDown() override {
        EXPECT_TRUE(FAnswer.Unexpected.isEmpty()) << FAnswer.Unexpected.join('\n').toStdString();
        ToolTestFrame::TearDown();
    }
    TfrmPoints* OpenPoints() {
        Trigger(FMain->CalculusCommands().CalcPoints);
        return TfrmPoints::Instance();
    }
    // Chooses the search and the interval, presses Search and waits for the
    // table; gives the column of kinds.
    static QStringList Search(TfrmPoints& d, TPointQuery query, const QString& from, const QString& to) {
        d.cbxSearch->setCurrentIndex(static_cast<int>(query));
        Type(d.edtFrom, from);
        Type(d.edtTo, to);
        QTest::mouseClick(d.btnSearch, Qt::LeftButton);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !d.Searching(); }, 20000));
        return Column(d, 0);
    }
    static QStringList Column(const TfrmPoints& d, int column) {
        QStringList cells;
        for (int row = 0; row < d.grdPoints->rowCount(); ++row) cells << d.grdPoints->item(row, column)->text();
        return cells;
    }
    static double Number(const QString& text) { return ParseDouble(text.toStdString()).value_or(NAN); }
    // The next file dialog is answered with `path`.
    void AnswerFileDialog(const QString& path) {
        FAnswer.Then([path](QWidget* dialog) {
            dialog->findChild<QLineEdit*>("fileNameEdit")->setText(path);
            static_cast<QDialog*>(dialog)->accept();
        });
    }

    testing::TModalAnswerer FAnswer;
};

TEST_F(PointsTest, TableOfRootsCopiedAndSaved) {
    auto* window = qobject_cast<TfrmChild2D_*>(NewWindow(FMain->FileCommands().FileNew2D, "sin(x)"));
    ASSERT_NE(window, nullptr);
    TfrmPoints* d = OpenPoints();
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->cbxFunction1->currentText(), "Y(x)=sin(x)");
    EXPECT_EQ(d->edtFrom->text(), ShortText(window->Indicator().WorldLeft())) << "the view's range by default";
    EXPECT_EQ(d->edtTo->text(), ShortText(window->Indicator().WorldRight()));

    EXPECT_EQ(Search(*d, TPointQuery::pqRoots, "10", "-10"), QStringList(7, "root"));
    EXPECT_EQ(d->edtFrom->text(), "-10") << "a reversed interval is turned round";
    EXPECT_EQ(Column(*d, 4), QStringList(7, "unique"));
    for (int row = 0; row < d->grdPoints->rowCount(); ++row) {
        EXPECT_NEAR(Number(Column(*d, 1)[row]), (row - 3) * std::numbers::pi, 1e-12) << row;
        EXPECT_LT(Number(Column(*d, 3)[row]), 1e-12) << "the enclosure's width";
    }
    EXPECT_EQ(d->lblResult->text().toStdString(), "7 points.");

    QTest::mouseClick(d->btnCopy, Qt::LeftButton);
    const QString text = QGuiApplication::clipboard()->text();
    const QStringList lines = text.split('\n');
    ASSERT_EQ(lines.size(), 1 + 7 + 1) << "every line ends: " << text.toStdString();
    EXPECT_EQ(lines[0], "Kind\tx\ty\tWidth\tStatus");
    EXPECT_EQ(lines[4], QStringList({"root", "0", Column(*d, 2)[3], Column(*d, 3)[3], "unique"}).join('\t'));

    AnswerFileDialog(FDir.filePath("roots"));
    QTest::mouseClick(d->btnSave, Qt::LeftButton);
    EXPECT_EQ(testing::ReadText(FDir.filePath("roots.txt")), text);
    // A folder that does not exist: the write fails and says so.
    AnswerFileDialog(FDir.filePath("gone/roots.txt"));
    FAnswer.ThenMessage(QMessageBox::Ok);
    QTest::mouseClick(d->btnSave, Qt::LeftButton);
    ASSERT_EQ(FAnswer.Messages.size(), 1);
    EXPECT_TRUE(FAnswer.Messages[0].startsWith("The points could not be saved as "))
        << FAnswer.Messages[0].toStdString();
}

TEST_F(PointsTest, ExtremaIntersectionsDerivativesAndWhatHasNoPoints) {
    TfrmAbstractMDIChild* window = NewWindow(FMain->FileCommands().FileNew2D, "x^3-3*x");
    ASSERT_NE(window, nullptr);
    testing::AddFunctionTo(*window, "x^2-1");
    testing::AddFunctionTo(*window, "x^2", [](TFuncItem& f) { f.Derivative = true; });
    testing::AddFunctionTo(*window, "x^2+y^2-1", [](TFuncItem& f) { f.FuncKind = TFuncKind::fkImplicit; });
    TfrmPoints* d = OpenPoints();
    ASSERT_NE(d, nullptr);
    ASSERT_EQ(d->cbxFunction1->count(), 4);
    EXPECT_EQ(d->cbxFunction1->currentIndex(), 3) << "the active function first";

    const struct {
        const char* Why;
        int Function1, Function2;
        TPointQuery Query;
        QStringList Kinds;
        std::vector<double> X;
    } rows[] = {
        {"extrema with the ends", 0, -1, TPointQuery::pqExtremaAndEnds, {"end", "maximum", "minimum", "end"},
         {-2, -1, 1, 2}},
        // x^3-3x = x^2-1 where x^3-x^2-3x+1 = 0: at -1.48119, 0.31111 and 2.17009.
        {"intersections", 0, 1, TPointQuery::pqIntersections, {"intersection", "intersection"}, {-1.48119, 0.31111}},
        {"a derivative's root", 2, -1, TPointQuery::pqRoots, {"root"}, {0}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Why);
        d->cbxFunction1->setCurrentIndex(row.Function1);
        if (row.Function2 >= 0) d->cbxFunction2->setCurrentIndex(row.Function2);
        EXPECT_EQ(Search(*d, row.Query, "-2", "2"), row.Kinds);
        EXPECT_EQ(d->cbxFunction2->isEnabled(), row.Function2 >= 0);
        for (int i = 0; i < d->grdPoints->rowCount() && i < row.Kinds.size(); ++i)
            EXPECT_NEAR(Number(Column(*d, 1)[i]), row.X[static_cast<std::size_t>(i)], 1e-5) << i;
    }

    d->cbxFunction1->setCurrentIndex(3);
    EXPECT_EQ(Search(*d, TPointQuery::pqRoots, "-2", "2"), QStringList()) << "the old table is gone";
    EXPECT_TRUE(d->lblResult->text().startsWith("x^2+y^2-1=0 has no points of interest: they are found for explicit "
                                                "functions Y(x) only"))
        << d->lblResult->text().toStdString();
    EXPECT_FALSE(d->btnCopy->isEnabled());
}

// A search that reaches the work limit says so; the dialog keeps no window:
// one closed under it leaves empty lists, and a dialog closed during a search
// stops it and goes.
TEST_F(PointsTest, WorkLimitAClosedWindowAndAClosedDialog) {
    // Roots without end near 0: the search splits until its limit.
    TfrmAbstractMDIChild* window = NewWindow(FMain->FileCommands().FileNew2D, "sin(1/x)");
    ASSERT_NE(window, nullptr);
    QPointer<TfrmPoints> d = OpenPoints();
    ASSERT_NE(d, nullptr);
    const QStringList kinds = Search(*d, TPointQuery::pqRoots, "-1", "1");
    EXPECT_GT(kinds.size(), 1000);
    EXPECT_EQ(kinds.size(), kinds.count("root"));
    EXPECT_TRUE(d->lblResult->text().contains("work limit")) << d->lblResult->text().toStdString();

    // The same again, dropped when the dialog goes.
    QTest::mouseClick(d->btnSearch, Qt::LeftButton);
    ASSERT_TRUE(d->Searching());
    d->close();
    EXPECT_TRUE(QTest::qWaitFor([&] { return d.isNull(); }, 5000));

    d = OpenPoints();
    testing::ForgetChanges(*window);
    window->SubWindow()->close();
    QApplication::processEvents();
    EXPECT_EQ(d->cbxFunction1->count(), 0);
    QTest::mouseClick(d->btnSearch, Qt::LeftButton);
    EXPECT_EQ(d->lblResult->text().toStdString(), "Choose a function of the active 2D window.");
}

}  // namespace
}  // namespace curvane
