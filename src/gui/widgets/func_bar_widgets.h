// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QComboBox>

#include <cstdint>

namespace curvane {

// Colours are stored as 0x00BBGGRR; a value whose top byte is 0xFF names a
// system colour by the index in its low byte, resolved through the palette.
QColor ColorRefToQColor(std::int32_t color);
std::int32_t QColorToColorRef(const QColor& color);

// The function list of the function bar. It is editable: the list shows the
// captions of the functions, the edit line the active function's formula,
// which the user may retype ("Enter function"). The list-choice flag records
// that the user is choosing from the list (the list was opened or Up/Down was
// pressed), so that index changes made by the program select nothing.
//
// Enter asks for the typed formula to replace the active function's
// (enterPressed); Shift+Enter and Ctrl+Enter ask for it as a new function
// (addPressed).
//
// The undo keys (Ctrl+Z; Ctrl+Shift+Z and Ctrl+Y to redo) belong to the
// document while the edit line shows the formula the program put there, and to
// the edit line once the user has typed something else.
class TFuncCombo : public QComboBox {
    Q_OBJECT
public:
    explicit TFuncCombo(QWidget* parent = nullptr);

    // Puts the active function's formula in the edit line.
    void ShowFormula(const QString& formula);
    const QString& Formula() const { return FFormula; }

    bool ListChoice() const { return FListChoice; }
    void SetListChoice(bool value) { FListChoice = value; }

    void showPopup() override;

signals:
    void enterPressed();
    void addPressed();
    void contextMenuRequestedAt(const QPoint& globalPos);
    void documentUndoRequested();
    void documentRedoRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Emits the signal of an Enter key; false for any other key.
    bool HandleEnter(const QKeyEvent& key);

    bool FListChoice = false;
    QString FFormula;  // what ShowFormula put in the edit line
};

// The width box: ten entries "1" to "10", each drawn as a black line of that
// many pixels across the item.
class TWidthCombo : public QComboBox {
    Q_OBJECT
public:
    explicit TWidthCombo(QWidget* parent = nullptr);

    // The width shown (1..10), or 0 when nothing is selected.
    int Width() const;
    // Selects the entry of `width`; a width outside 1..10 clears the selection.
    void SetWidth(int width);

    bool ListChoice() const { return FListChoice; }
    void SetListChoice(bool value) { FListChoice = value; }
    void showPopup() override;

    // The drawing of one entry; shared by the list and the closed box.
    static void PaintWidthLine(QPainter& painter, const QRect& rect, int width);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool FListChoice = false;
};

// The colour box: standard, extended and system colours by name, and
// "Custom..." which opens the colour dialog. `colorChosen` fires only for a
// choice of the user, not for SetColor.
class TColorBox : public QComboBox {
    Q_OBJECT
public:
    explicit TColorBox(QWidget* parent = nullptr);

    std::int32_t Color() const;
    void SetColor(std::int32_t color);

    // Index of the "Custom..." entry; the custom colours go before it.
    int CustomEntry() const { return count() - 1; }

signals:
    void colorChosen(std::int32_t color);

private:
    int AddColorEntry(const QString& name, std::int32_t color, int at = -1);
    int FindColor(std::int32_t color) const;
    void OnActivated(int index);

    std::int32_t FLastColor = 0;
};

}  // namespace curvane
