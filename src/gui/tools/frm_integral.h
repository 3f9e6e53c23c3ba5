// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "gui/tools/tool_dialog.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace curvane {

// The definite integral of a function of x over [a, b] by the rectangle,
// trapezoid or Simpson rule, optionally doubling the segments until two
// passes agree. The fields keep their values between openings during one run
// of the program; the same button starts and stops the computation.
class TfrmIntegral : public TToolDialog {
    Q_OBJECT
public:
    // The one open dialog, or null.
    static TfrmIntegral* Instance();
    // Creates the dialog if none is open, then shows and raises it.
    static TfrmIntegral* ShowInstance(QWidget* parent);

private:
    explicit TfrmIntegral(QWidget* parent);
    template <class TWindow>
    friend TWindow* ShowSingleInstance(QPointer<TWindow>& instance, QWidget* parent);

    // Calculates, or asks a calculation in progress to stop.
    void btnCalcClick();

    QComboBox* cbxFunction;
    QLineEdit* edtFrom;
    QLineEdit* edtTo;
    QLineEdit* edtValue;
    QLabel* lblStatus;
    QPushButton* btnCalc;
    QComboBox* cbxMethod;
    QSpinBox* edtSegments;
    QCheckBox* cbxAccuracy;
    QLineEdit* edtAccuracy;
};

}  // namespace curvane
