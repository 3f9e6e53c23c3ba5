// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

#include "gui/tools/tool_dialog.h"

class QComboBox;
class QLineEdit;
class QPagedPaintDevice;
class QPainter;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QToolButton;
class QWidget;

namespace curvane {

// Prints `lines`, one printed line each, in a fixed-pitch font with
// `painter`, which is active on `device`; a full page starts a new one. Lines
// wider than the page are cut at its edge. Returns the number of pages used.
int PrintTextLines(QPainter& painter, QPagedPaintDevice& device, const QStringList& lines);

// "Function value & tabulation": the value of a formula at one point, or a
// table of its values over a grid of x (or of x and y) in a text area that
// can be saved or printed.
class TfrmValue : public TToolDialog {
    Q_OBJECT
public:
    // The longest table the text area takes; the command line writes longer
    // ones.
    static constexpr int MaxTableLines = 1'000'000;

    explicit TfrmValue(QWidget* parent = nullptr);

    // The open dialog, or null.
    static TfrmValue* Instance();
    // Creates the dialog unless one is open, and shows and raises it.
    static TfrmValue* ShowInstance(QWidget* parent);

    void Evaluate();
    // Starts a table, or asks the running one to stop.
    void Tabulate();
    void SaveText();
    void PrintText();
    void ClearText();

private:
    QWidget* MakeValuePage();
    QWidget* MakeTabulatorPage();
    QToolButton* MakeToolButton(const char* name, const QString& text, const QString& hint);
    void MakeTable();

    QComboBox* cbxFunction;
    QTabWidget* PageControl;
    QLineEdit* edtX;
    QLineEdit* edtY;
    QLineEdit* edtValue;
    QPushButton* btnEvaluate;
    QToolButton* btnClear;
    QToolButton* btnSave;
    QToolButton* btnPrint;
    QToolButton* btnTabulate;
    QToolButton* btn2D;
    QToolButton* btn3D;
    QLineEdit* edtXfrom;
    QLineEdit* edtXto;
    QLineEdit* edtXstep;
    QWidget* pnlY;
    QLineEdit* edtYfrom;
    QLineEdit* edtYto;
    QLineEdit* edtYstep;
    QLineEdit* edtPattern;
    QPlainTextEdit* Memo;
};

}  // namespace curvane
