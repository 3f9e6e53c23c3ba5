// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/dialogs/frm_func_props.h"

#include "core/document/func_item.h"
#include "core/document/parameters.h"
#include "gui/widgets/func_bar_widgets.h"
#include "gui/widgets/parameter_offer.h"
#include "gui/shell_test_helpers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <tuple>

namespace curvane {
namespace {

// One dialog on a one-function list, as the main window opens it.
class FuncPropsTest : public ::testing::Test {
public:
    void Open(bool is3D, TFuncItem item) {
        FList.Clear();
        FList.Add(std::move(item));
        FDialog = std::make_unique<TfrmFuncProps>();
        FDialog->Setup(is3D, FList, 0);
        FDialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(FDialog.get()));
    }
    template <class T = QComboBox>
    T* Find(const char* name) {
        T* w = FDialog->findChild<T*>(name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    // Presses Ok and answers the error box it may show; returns its text.
    QString PressOk() {
        testing::TModalAnswerer answerer;
        answerer.ThenMessage(QMessageBox::Ok);
        Find<QPushButton>("btnOk")->click();
        return answerer.Messages.value(0);
    }
    TFuncItem& Item() { return *FList.Items(0); }

    TFuncList FList;
    std::unique_ptr<TfrmFuncProps> FDialog;
};

// One control of each sort reaches its field. A bound takes a constant
// formula; one left as shown keeps its value to the last bit, though the
// field shows 15 digits.
TEST_F(FuncPropsTest, OkStoresTheFields2D) {
    TFuncItem item("x", false);
    item.To = 0.12345678901234567;
    Open(false, item);
    Find("edtFuncY")->setEditText("sin(a)*a");  // polar: the angle is a
    Find<TColorBox>("Color")->SetColor(0x0000FF);
    Find<QCheckBox>("cbxVisible")->setChecked(false);
    Find<QSpinBox>("edtWidth")->setValue(4);
    Find("cbxCS")->setCurrentIndex(1);
    Find<QCheckBox>("cbxLimits")->click();
    Find<QLineEdit>("edtFrom")->setText("-pi/2");
    EXPECT_EQ(PressOk(), QString());
    EXPECT_EQ(FDialog->result(), QDialog::Accepted);

    TFuncItem expected("sin(a)*a", false);
    expected.Color = 0x0000FF;
    expected.Active = false;
    expected.Width = 4;
    expected.FuncType = TFuncType::ftPolar;
    expected.ManualLimits = true;
    expected.From = -1.5707963267948966;
    expected.To = item.To;
    EXPECT_EQ(Item(), expected);
}

// The sign-and-power hint shows under a shown row whose formula needs it, and
// not again for a formula the user kept after seeing it.
TEST_F(FuncPropsTest, SignBeforeAPowerIsHintedUnderItsRowUntilKept) {
    TFuncItem item("-x^2+1", false);
    item.Expression1 = "-x^4";  // kept for a parametric kind, not shown now
    Open(false, item);
    const auto shownHints = [this] {
        QStringList texts;
        for (QLabel* hint : FDialog->findChildren<QLabel*>("lblFormulaHint"))
            if (hint->isVisible()) texts << hint->text();
        return texts;
    };
    EXPECT_EQ(shownHints().size(), 1);
    QLineEdit* y = Find("edtFuncY")->lineEdit();
    y->setText("-(x^2)+1");
    EXPECT_TRUE(shownHints().isEmpty());
    y->setText("3*-x^6");
    EXPECT_EQ(shownHints(), QStringList{"-x^2 is read as (-x)^2; write -(x^2) for the negative of a square"});
    // Enter finishes the field (and presses Ok): the formula is kept.
    y->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(y, Qt::Key_Return);
    EXPECT_EQ(Item().Expression, "3*-x^6");
    Open(false, Item());
    EXPECT_TRUE(shownHints().isEmpty());
}

// The checks run in a fixed order; a failure reports, shows the page of its
// field and focuses it, and what comes before it is stored.
TEST_F(FuncPropsTest, FailuresStopInOrderWithEarlierFieldsStored) {
    using T = FuncPropsTest;
    const struct {
        const char* Name;
        std::function<void(T&)> Edit;
        const char* Focus;
        std::function<void(T&)> Check;
    } rows[] = {
        {"formula that does not compile", [](T& t) { t.Find("edtFuncY")->setEditText("sin(x) + foo*2"); }, "edtFuncY",
         [](T& t) {
             EXPECT_EQ(t.Find("edtFuncY")->lineEdit()->selectedText(), "foo");
             EXPECT_EQ(t.Item().Expression, "x") << "a formula that does not compile is not stored";
         }},
        {"empty X row", [](T& t) { t.Find("cbxType")->setCurrentIndex(2); t.Find("edtFuncX")->setEditText(""); },
         "edtFuncX", [](T& t) { EXPECT_EQ(t.Item().FuncKind, TFuncKind::fkParametric) << "the kind is stored first"; }},
        {"width that is no integer", [](T& t) { t.Find<QSpinBox>("edtWidth")->findChild<QLineEdit*>()->setText(""); },
         "edtWidth", [](T& t) { EXPECT_FALSE(t.Item().Active); }},
        {"bound that is no number", [](T& t) { t.Find<QLineEdit>("edtTo")->setText("abc"); }, "edtFrom",
         [](T& t) { EXPECT_TRUE(t.Item().ManualLimits); }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        Open(false, TFuncItem("x", false));
        Find<QCheckBox>("cbxVisible")->setChecked(false);
        Find<QCheckBox>("cbxLimits")->click();
        row.Edit(*this);
        EXPECT_FALSE(PressOk().isEmpty());
        EXPECT_TRUE(FDialog->isVisible());
        // The focus sits in the named control or in its edit line.
        QWidget* focus = FDialog->focusWidget();
        ASSERT_NE(focus, nullptr);
        EXPECT_TRUE(Find<QTabWidget>("pgcProps")->currentWidget()->isAncestorOf(focus));
        EXPECT_TRUE(focus->objectName() == row.Focus || focus->parentWidget()->objectName() == row.Focus)
            << focus->objectName().toStdString();
        row.Check(*this);
    }
    // Corrected, the same dialog closes with Ok.
    Find<QLineEdit>("edtTo")->setText("7");
    EXPECT_EQ(PressOk(), QString());
}

// Names a formula lacks are offered as parameters beside it, without a box;
// taking the offer adds them and goes on with Ok.
TEST_F(FuncPropsTest, MissingNamesAreOfferedAsParametersAndOkGoesOnWithThem) {
    TParameterList parameters;
    Open(false, TFuncItem("x", false));
    FDialog->SetParameters(&parameters);
    Find("edtFuncY")->setEditText("k*x^2 + m");
    EXPECT_EQ(PressOk(), QString()) << "no box in the way";
    EXPECT_TRUE(FDialog->FormulaError().startsWith("Error : ")) << FDialog->FormulaError().toStdString();
    EXPECT_EQ(FDialog->ParameterOffer()->Names(), QStringList({"k", "m"}));
    EXPECT_EQ(Item().Expression, "x");
    FDialog->ParameterOffer()->CreateButton()->click();
    EXPECT_EQ(parameters.Count(), 2);
    EXPECT_EQ(Item().Expression, "k*x^2 + m");
    EXPECT_EQ(FDialog->result(), QDialog::Accepted);
}

// An implicit function takes its y range from the second box and has no
// step; in polar coordinates it is refused before anything is stored.
TEST_F(FuncPropsTest, ImplicitFunctionsAreAcceptedInCartesianCoordinatesOnly) {
    Open(false, TFuncItem("x", false));
    {
        testing::TModalAnswerer answerer;
        Find("cbxType")->setCurrentIndex(static_cast<int>(TFuncKind::fkImplicit));
        EXPECT_TRUE(answerer.Unexpected.isEmpty()) << answerer.Unexpected.join('|').toStdString();
    }
    Find("edtFuncY")->setEditText("x^2+y^2-4*y");
    Find<QCheckBox>("cbxLimits")->click();
    Find<QTabWidget>("pgcProps")->setCurrentIndex(1);
    EXPECT_TRUE(Find<QLineEdit>("edtToY")->isVisibleTo(FDialog.get()));
    EXPECT_FALSE(Find<QLineEdit>("edtStep")->isVisibleTo(FDialog.get()));
    Find<QLineEdit>("edtToY")->setText("2.5");
    Find("cbxCS")->setCurrentIndex(1);
    EXPECT_TRUE(PressOk().contains("Cartesian"));
    EXPECT_TRUE(FDialog->isVisible());
    EXPECT_EQ(Item(), TFuncItem("x", false));

    Find("cbxCS")->setCurrentIndex(0);
    EXPECT_EQ(PressOk(), QString());
    TFuncItem expected("x^2+y^2-4*y", false);
    expected.FuncKind = TFuncKind::fkImplicit;
    expected.ManualLimits = true;
    expected.ToY = 2.5;
    EXPECT_EQ(Item(), expected);
}

// In a 3D window an implicit surface takes a z range of its own, and is
// refused in spherical coordinates as a polar curve is in 2D.
TEST_F(FuncPropsTest, ImplicitSurfacesTakeAZRangeInCartesianCoordinates) {
    Open(true, TFuncItem("x*y", true));
    Find<QTabWidget>("pgcProps")->setCurrentIndex(1);
    EXPECT_FALSE(Find<QLineEdit>("edtToZ")->isVisibleTo(FDialog.get())) << "explicit surfaces have no z range";
    Find("cbxType")->setCurrentIndex(static_cast<int>(TFuncKind::fkImplicit));
    ASSERT_TRUE(Find<QLineEdit>("edtToZ")->isVisibleTo(FDialog.get()));
    Find("edtFuncZ")->setEditText("x^2+y^2+z^2-4");
    Find<QLineEdit>("edtToZ")->setText("2.5");
    Find<QLineEdit>("edtStepZ")->setText("0.125");
    Find("cbxCS3D")->setCurrentIndex(1);
    EXPECT_TRUE(PressOk().contains("Cartesian"));
    EXPECT_EQ(Item(), TFuncItem("x*y", true));

    Find("cbxCS3D")->setCurrentIndex(0);
    EXPECT_EQ(PressOk(), QString());
    EXPECT_EQ(Item().Expression, "x^2+y^2+z^2-4") << "z is known here";
    EXPECT_EQ(std::tuple(Item().FuncKind, Item().FromZ, Item().ToZ, Item().StepZ),
              std::tuple(TFuncKind::fkImplicit, -5.0, 2.5, 0.125));
}

TEST_F(FuncPropsTest, ThreeDLinksTheBoundsOfBothAxesWhileTheLinkIsOn) {
    TFuncItem item("x*y", true);
    item.Opacity = 0.376;
    TfrmFuncProps::SetLinkState(true);
    Open(true, item);
    EXPECT_TRUE(Find<QCheckBox>("cbxLimits")->isChecked() && Find<QCheckBox>("cbxLimitsY")->isChecked());

    Find<QTabWidget>("pgcProps")->setCurrentIndex(1);
    // With the link on, what is typed into the first box reaches the second.
    QLineEdit* from = Find<QLineEdit>("edtFrom");
    from->clear();
    QTest::keyClicks(from, "-3");
    EXPECT_EQ(Find<QLineEdit>("edtFromY")->text(), "-3");

    // Off, it does not.
    Find<QToolButton>("btnLink")->click();
    QTest::keyClicks(Find<QLineEdit>("edtTo"), "0");
    EXPECT_EQ(Find<QLineEdit>("edtToY")->text(), "5");

    EXPECT_EQ(PressOk(), QString());
    EXPECT_DOUBLE_EQ(Item().Opacity, 0.38) << "the opacity slider has whole percents";
    EXPECT_EQ(Item().ToY, 5.0);
    TfrmFuncProps::SetLinkState(true);
}

}  // namespace
}  // namespace curvane
