// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "gui/tools/tool_dialog.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace curvane {

// "Root/Intersection finder": one root of F1 in an interval, or one point
// where F1 and F2 meet, by the chord method. The result goes to the dialog,
// the log window and, as a small red circle, onto the current 2D graph. The
// fields are remembered while the program runs. At most one exists.
class TfrmRoot : public TToolDialog {
    Q_OBJECT
public:
    // The open dialog, or null.
    static TfrmRoot* Instance();
    // Creates the dialog once; shows and raises it.
    static TfrmRoot* Open(QWidget* parent);

    QComboBox* const cbxFunction1;
    QComboBox* const cbxFunction2;
    QLineEdit* const edtFrom;
    QLineEdit* const edtTo;
    QLineEdit* const edtAccuracy;
    QComboBox* const cbxMethod;
    QLineEdit* const edtValue;
    QPushButton* const btnCalc;
    QPushButton* const btnClose;

private:
    explicit TfrmRoot(QWidget* parent);
    template <class TWindow>
    friend TWindow* ShowSingleInstance(QPointer<TWindow>& instance, QWidget* parent);
    void btnCalcClick();
    // Writes the line to the main window's log (shown only when it is open).
    void Report(const QString& line);
    // Circles (x, y) on the current 2D graph until its next redraw.
    static void MarkPoint(double x, double y);
};

}  // namespace curvane
