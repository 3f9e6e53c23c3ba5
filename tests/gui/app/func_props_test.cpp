#include "gui/app/frm_func_props.h"

#include "core/document/func_item.h"
#include "gui/widgets/func_bar_widgets.h"
#include "gui/shell_test_helpers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

namespace curvane {
namespace {

using testing::TModalAnswerer;

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
    template <class T>
    T* Find(const char* name) {
        T* w = FDialog->findChild<T*>(name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QComboBox* Row(const char* name) { return Find<QComboBox>(name); }
    QString CurrentPage() {
        auto* pages = Find<QTabWidget>("pgcProps");
        return pages->tabText(pages->currentIndex());
    }
    // Presses Ok; answers one error box when `expectBox`.
    QString PressOk(bool expectBox) {
        TModalAnswerer answerer;
        if (expectBox) answerer.ThenMessage(QMessageBox::Ok);
        Find<QPushButton>("btnOk")->click();
        EXPECT_EQ(answerer.Pending(), 0u);
        EXPECT_TRUE(answerer.Unexpected.isEmpty()) << answerer.Unexpected.join(",").toStdString() << " " << answerer.Messages.join(",").toStdString();
        return answerer.Messages.value(0);
    }
    TFuncItem& Item() { return *FList.Items(0); }

    TFuncList FList;
    std::unique_ptr<TfrmFuncProps> FDialog;
};

TEST_F(FuncPropsTest, OkStoresEveryField2D) {
    Open(false, TFuncItem("x", false));
    EXPECT_FALSE(Find<QToolButton>("btnLink")->isVisible());
    Row("edtFuncY")->setEditText("sin(a)*a");  // polar: the angle is a
    Find<TColorBox>("Color")->SetColor(0x0000FF);
    Find<QCheckBox>("cbxVisible")->setChecked(false);
    Find<QSpinBox>("edtWidth")->setValue(4);
    Find<QComboBox>("cbxCS")->setCurrentIndex(1);
    Find<QCheckBox>("cbxDerivative")->setChecked(true);
    Find<QCheckBox>("cbxLimits")->click();
    Find<QLineEdit>("edtFrom")->setText("-2.5");
    Find<QLineEdit>("edtTo")->setText("1e1");
    Find<QLineEdit>("edtStep")->setText("0.125");
    Find<QCheckBox>("cbxDeg")->setChecked(true);

    EXPECT_EQ(PressOk(false), QString());
    EXPECT_EQ(FDialog->result(), QDialog::Accepted);
    EXPECT_EQ(Item().Expression, "sin(a)*a");
    EXPECT_EQ(Item().Color, 0x0000FF);
    EXPECT_FALSE(Item().Active);
    EXPECT_EQ(Item().Width, 4);
    EXPECT_EQ(Item().FuncType, TFuncType::ftPolar);
    EXPECT_TRUE(Item().Derivative);
    EXPECT_TRUE(Item().ManualLimits);
    EXPECT_EQ(Item().From, -2.5);
    EXPECT_EQ(Item().To, 10.0);
    EXPECT_EQ(Item().Step, 0.125);
    EXPECT_TRUE(Item().ConvToDeg);
}

TEST_F(FuncPropsTest, CompileErrorKeepsTheDialogOpenWithTheTokenSelected) {
    Open(false, TFuncItem("x", false));
    Row("edtFuncY")->setEditText("sin(x) + foo*2");
    const QString message = PressOk(true);
    EXPECT_EQ(message, "Error : Unknown function or variable \"foo\"");
    EXPECT_TRUE(FDialog->isVisible());
    QLineEdit* edit = Row("edtFuncY")->lineEdit();
    EXPECT_EQ(edit->selectedText(), "foo");
    EXPECT_EQ(edit->selectionStart(), 9);
    EXPECT_EQ(Item().Expression, "x") << "a formula that does not compile is not stored";

    // Corrected, the same dialog now closes with OK.
    Row("edtFuncY")->setEditText("sin(x) + x*2");
    EXPECT_EQ(PressOk(false), QString());
    EXPECT_EQ(Item().Expression, "sin(x) + x*2");
}

// The checks run in a fixed order; what comes before a failure is stored.
TEST_F(FuncPropsTest, FailuresStopInOrderWithEarlierFieldsStored) {
    const struct {
        const char* Name;
        std::function<void(FuncPropsTest&)> Edit;
        const char* Message;
        const char* Page;
        const char* Focus;
        std::function<void(const TFuncItem&)> Check;
    } rows[] = {
        {"empty X row of a parametric function",
         [](FuncPropsTest& t) {
             t.Find<QComboBox>("cbxType")->setCurrentIndex(2);
             t.Row("edtFuncX")->setEditText("");
             t.Row("edtFuncY")->setEditText("sin(t)");
         },
         "Function must not be empty", "Common", "edtFuncX",
         [](const TFuncItem& item) {
             EXPECT_EQ(item.FuncKind, TFuncKind::fkParametric) << "the type is stored first";
             EXPECT_EQ(item.Expression, "x");
         }},
        {"width that is no integer",
         [](FuncPropsTest& t) {
             t.Row("edtFuncY")->setEditText("x*x");
             t.Find<QCheckBox>("cbxVisible")->setChecked(false);
             t.Find<QSpinBox>("edtWidth")->findChild<QLineEdit*>()->setText("");
         },
         "Enter integer value", "Common", "edtWidth",
         [](const TFuncItem& item) {
             EXPECT_EQ(item.Expression, "x*x");
             EXPECT_FALSE(item.Active);
             EXPECT_EQ(item.Width, 1);
         }},
        {"bound that is no number",
         [](FuncPropsTest& t) {
             t.Find<QCheckBox>("cbxLimits")->click();
             t.Find<QLineEdit>("edtTo")->setText("abc");
         },
         "Enter float value", "Plotting bounds", "edtFrom",
         [](const TFuncItem& item) {
             EXPECT_TRUE(item.ManualLimits);
             EXPECT_EQ(item.To, 5.0);
         }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        Open(false, TFuncItem("x", false));
        row.Edit(*this);
        EXPECT_EQ(PressOk(true), row.Message);
        EXPECT_TRUE(FDialog->isVisible());
        EXPECT_EQ(CurrentPage(), row.Page);
        ASSERT_NE(FDialog->focusWidget(), nullptr);
        QWidget* focus = FDialog->focusWidget();
        // The focus sits in the named control or in its edit line.
        const bool inNamed = focus->objectName() == row.Focus ||
                             (focus->parentWidget() && focus->parentWidget()->objectName() == row.Focus);
        EXPECT_TRUE(inNamed) << focus->objectName().toStdString();
        row.Check(Item());
    }
}

TEST_F(FuncPropsTest, ImplicitIsRefusedAndExplicitStays) {
    Open(false, TFuncItem("x", false));
    TModalAnswerer answerer;
    answerer.ThenMessage(QMessageBox::Ok);
    Find<QComboBox>("cbxType")->setCurrentIndex(1);
    EXPECT_TRUE(testing::WaitFor([&] { return answerer.Pending() == 0u; }));
    EXPECT_EQ(answerer.Messages, QStringList{"Not implemented yet."});
    EXPECT_EQ(Find<QComboBox>("cbxType")->currentIndex(), 0);
}

TEST_F(FuncPropsTest, ThreeDShowsBothLimitsLinksBoundsAndRoundsOpacity) {
    TFuncItem item("x*y", true);
    item.ManualLimits = false;
    item.ManualLimitsY = false;
    item.Opacity = 0.376;
    TfrmFuncProps::SetLinkState(true);
    Open(true, item);
    EXPECT_TRUE(Find<QCheckBox>("cbxLimits")->isChecked());
    EXPECT_TRUE(Find<QCheckBox>("cbxLimitsY")->isChecked());
    EXPECT_EQ(Find<QSlider>("trkOpacity")->value(), 38);
    EXPECT_TRUE(Row("edtFuncZ")->isVisible());
    EXPECT_FALSE(Row("edtFuncY")->isVisible());

    // Unticking a limits check in 3D puts both back on.
    Find<QTabWidget>("pgcProps")->setCurrentIndex(1);
    Find<QCheckBox>("cbxLimitsY")->click();
    EXPECT_TRUE(Find<QCheckBox>("cbxLimitsY")->isChecked());

    // With the link on, what is typed into the first box reaches the second.
    QLineEdit* from = Find<QLineEdit>("edtFrom");
    from->clear();
    QTest::keyClicks(from, "-3");
    EXPECT_EQ(Find<QLineEdit>("edtFromY")->text(), "-3");
    Find<QCheckBox>("cbxDeg")->click();
    EXPECT_TRUE(Find<QCheckBox>("cbxDegY")->isChecked());

    // Off, it does not; the state outlives the dialog.
    Find<QToolButton>("btnLink")->click();
    EXPECT_FALSE(TfrmFuncProps::LinkState());
    QTest::keyClicks(Find<QLineEdit>("edtTo"), "0");
    EXPECT_EQ(Find<QLineEdit>("edtToY")->text(), "5");

    EXPECT_EQ(PressOk(false), QString());
    EXPECT_DOUBLE_EQ(Item().Opacity, 0.38);
    EXPECT_EQ(Item().From, -3.0);
    EXPECT_EQ(Item().FromY, -3.0);
    EXPECT_EQ(Item().To, 50.0);
    EXPECT_EQ(Item().ToY, 5.0);
    EXPECT_TRUE(Item().ManualLimitsY);
    TfrmFuncProps::SetLinkState(true);
}

}  // namespace
}  // namespace curvane
