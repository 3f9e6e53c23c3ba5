#include "gui/formula_snippet_menu.h"
#include "gui/func_bar_widgets.h"

#include "core/evaluator/rapid_evaluator.h"
#include "shell_test_helpers.h"

#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QTest>

#include <gtest/gtest.h>

namespace curvane {
namespace {

// ---------------------------------------------------------------------------
// Function bar widgets

TEST(WidthComboTest, EntryNumberIsTheLineThicknessInPixels) {
    for (int width = 1; width <= 10; ++width) {
        SCOPED_TRACE(width);
        QImage image(60, 20, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            TWidthCombo::PaintWidthLine(painter, image.rect(), width);
        }
        int blackRows = 0;
        int firstRow = -1;
        for (int y = 0; y < image.height(); ++y) {
            if (qGray(image.pixel(30, y)) < 50) {
                if (firstRow < 0) firstRow = y;
                ++blackRows;
            }
        }
        EXPECT_EQ(blackRows, width);
        // Centred on the item's middle.
        EXPECT_NEAR(firstRow + width / 2.0, 10.0, 1.0);
    }
}

TEST(WidthComboTest, WidthRoundTripsAndOutOfRangeClearsTheSelection) {
    TWidthCombo combo;
    ASSERT_EQ(combo.count(), 10);
    combo.SetWidth(3);
    EXPECT_EQ(combo.Width(), 3);
    EXPECT_EQ(combo.currentText(), "3");
    for (int bad : {0, 11, -1}) {
        SCOPED_TRACE(bad);
        combo.SetWidth(bad);
        EXPECT_EQ(combo.Width(), 0);
    }
}

TEST(ColorBoxTest, ColourValuesSurviveTheBox) {
    TColorBox box;
    const struct {
        std::int32_t Color;
        const char* Shown;
    } rows[] = {
        {0x0000FF, "Red"},
        {0xFF0000, "Blue"},
        {static_cast<std::int32_t>(0xFF000005u), "Window"},
        {0x123456, "#563412"},  // not a named colour: added as a custom entry
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Shown);
        box.SetColor(row.Color);
        EXPECT_EQ(box.Color(), row.Color);
        EXPECT_EQ(box.currentText(), row.Shown);
    }
    // Setting a custom colour again reuses its entry.
    const int entries = box.count();
    box.SetColor(0x123456);
    EXPECT_EQ(box.count(), entries);
    EXPECT_EQ(box.itemText(box.CustomEntry()), "Custom...");
}

TEST(ColorRefTest, ConvertsLowByteRedAndResolvesSystemColours) {
    EXPECT_EQ(ColorRefToQColor(0x0000FF), QColor(255, 0, 0));
    EXPECT_EQ(ColorRefToQColor(0x00FF00), QColor(0, 255, 0));
    EXPECT_EQ(ColorRefToQColor(0xFF0000), QColor(0, 0, 255));
    EXPECT_EQ(QColorToColorRef(QColor(0x12, 0x34, 0x56)), 0x563412);
    EXPECT_EQ(ColorRefToQColor(static_cast<std::int32_t>(0xFF000008u)),
              QApplication::palette().color(QPalette::Active, QPalette::Text));
}

// ---------------------------------------------------------------------------
// Formula snippet menu

class SnippetMenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        FEval.DeleteVariable("Y");
        FEval.DeleteVariable("Z");
        FEval.AddVariable("T", &FCell);
        FMenu.Rebuild(FEval);
        FMenu.SetTarget(&FEdit);
    }
    double FCell = 0;
    TRapidEvaluator FEval;
    TFormulaSnippetMenu FMenu;
    QLineEdit FEdit;
};

TEST_F(SnippetMenuTest, ListsDigitsOperatorsVariablesAndFunctionsInOrder) {
    const QStringList texts = FMenu.EntryTexts();
    const QStringList head{"0 ", "1 ", "2 ", "3 ", "4 ", "5 ", "6 ", "7 ", "8 ", "9 ", "|", "x ", "y ", "|",
                           "+ ", "- ", "* ", "/ ", "^ ", "|"};
    ASSERT_GT(texts.size(), head.size());
    EXPECT_EQ(texts.mid(0, head.size()), head);
    // The evaluator's variables as they are named, then its functions.
    const QStringList rest = texts.mid(head.size());
    EXPECT_TRUE(rest.contains("X"));
    EXPECT_TRUE(rest.contains("T"));
    EXPECT_FALSE(rest.contains("Y")) << "a deleted variable is not offered";
    const qsizetype sin = rest.indexOf(QRegularExpression("^SIN\\(\\)$", QRegularExpression::CaseInsensitiveOption));
    ASSERT_GE(sin, 0);
    EXPECT_GT(sin, rest.indexOf("T"));
}

TEST_F(SnippetMenuTest, InsertionLandsAtTheCaretAndFunctionsKeepTheCaretInside) {
    const struct {
        const char* Before;
        int Caret;
        int SelectionLength;
        const char* Piece;
        int CaretBack;
        const char* After;
        int CaretAfter;
    } rows[] = {
        {"x+", 2, 0, "sin()", 1, "x+sin()", 6},       // caret between the parentheses
        {"x*2", 1, 0, "+ ", 0, "x+*2", 2},            // blanks of the entry are dropped
        {"abc", 0, 3, "7 ", 0, "7", 1},               // a selection is replaced
        {"(1)", 1, 0, "cos()", 1, "(cos()1)", 5},     // middle of a formula
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Before);
        FEdit.setText(row.Before);
        if (row.SelectionLength > 0)
            FEdit.setSelection(row.Caret, row.SelectionLength);
        else
            FEdit.setCursorPosition(row.Caret);
        FMenu.InsertSnippet(row.Piece, row.CaretBack);
        EXPECT_EQ(FEdit.text(), row.After);
        EXPECT_EQ(FEdit.cursorPosition(), row.CaretAfter);
    }
}

TEST_F(SnippetMenuTest, ChoosingAMenuEntryInsertsIt) {
    FEdit.setText("2*");
    FEdit.setCursorPosition(2);
    QAction* sinEntry = nullptr;
    for (QMenu* sub : FMenu.findChildren<QMenu*>())
        for (QAction* a : sub->actions())
            if (a->text().compare("sin()", Qt::CaseInsensitive) == 0) sinEntry = a;
    ASSERT_NE(sinEntry, nullptr);
    sinEntry->trigger();
    EXPECT_EQ(FEdit.text().toLower(), "2*sin()");
    EXPECT_EQ(FEdit.cursorPosition(), 6);

    FMenu.SetTarget(nullptr);
    sinEntry->trigger();  // no target: nothing happens, nothing crashes
    EXPECT_EQ(FEdit.text().toLower(), "2*sin()");
}

}  // namespace
}  // namespace curvane
