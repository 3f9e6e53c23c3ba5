// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

#include "core/plot/print_rect.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPrinter;
class QPushButton;
class QRadioButton;

namespace curvane {

class TfrmAbstractMDIChild;

// How printed pictures are sized: Maximum when the program starts, then what
// the print dialog last chose, for the rest of the run.
TPrintFit PrintFitMode();
void SetPrintFitMode(TPrintFit mode);

// The print dialog's "Ink economy mode": off when the program starts, then
// the user's last choice for the rest of the run. Only the dialog shows it;
// the printed picture is the same either way.
bool InkEconomyMode();
void SetInkEconomyMode(bool on);

// The print dialog: the printer, its orientation and page set-up, and the
// fit of the picture. It edits the QPrinter it is given as the user goes
// (Cancel does not undo a choice); the caller prints with that printer after
// OK.
class TfrmPrint : public QDialog {
    Q_OBJECT
public:
    explicit TfrmPrint(QPrinter& printer, QWidget* parent = nullptr);

    // Shows the printer's orientation, the fit mode, the ink economy flag and
    // the installed printers with the printer's own selected. Runs whenever
    // the dialog is shown and after the page set-up dialog.
    void Refresh();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void cbxPrinterActivated(int index);
    void btnSetupClick();
    void ShowInkNote(bool on);

    QPrinter& FPrinter;
    QComboBox* cbxPrinter;
    QPushButton* btnSetup;
    QRadioButton* rbLandscape;
    QRadioButton* rbPortrait;
    QRadioButton* rbMaximum;
    QRadioButton* rbProportional;
    QCheckBox* cbxInkEconomy;
    QLabel* lblAttention;
    QLabel* lblInkNote;
};

enum class TPrintOutcome : std::uint8_t {
    poPrinted,
    poNoPicture,     // a 3D window on a display without OpenGL shows none
    poPrinterFailed  // the printer could not be opened; no page was made
};

// Prints what the window shows onto one page of `printer`, sized by `fitMode`
// and placed at the page's top-left corner. A 2D window's plot is painted
// again at that size, so lines and text stay vectors; a 3D window's frame is
// stretched into the rectangle. No job is started without a picture.
TPrintOutcome PrintGraphWindow(TfrmAbstractMDIChild& window, QPrinter& printer, TPrintFit fitMode);

}  // namespace curvane
