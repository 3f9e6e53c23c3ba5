// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QPageLayout>
#include <QStringList>

#include <optional>

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

// The printer and the orientation the print dialog last chose, kept for the
// run as the fit is (Cancel keeps them too). Empty until the first choice: a
// job then goes to the system's default printer in its own orientation.
struct TPrinterChoice {
    QString Printer;
    std::optional<QPageLayout::Orientation> Orientation;
};
TPrinterChoice PrinterChoice();
void SetPrinterChoice(const TPrinterChoice& choice);

// Where print jobs go: the system's printers (this class as it stands), or a
// stand-in a test installs, since a machine without printers cannot show the
// dialog at all. A printer is known to the program by its name only.
class TPrinterSeam {
public:
    virtual ~TPrinterSeam() = default;
    virtual QStringList Names() const;
    // The system's default printer; empty when it names none.
    virtual QString DefaultName() const;
    virtual void Select(QPrinter& printer, const QString& name) const;
    virtual QString Selected(const QPrinter& printer) const;
};
// The seam in use. Tests install their own (not owned); null restores the
// system's.
const TPrinterSeam& Printers();
void SetPrinterSeam(const TPrinterSeam* seam);

// Points a new job's printer at the printer chosen last while it is still
// installed (else the default, else the first one), in the orientation chosen
// last. False when no printer is installed.
bool PreparePrinter(QPrinter& printer);

// The print dialog: the printer, its orientation and page set-up, and the
// fit of the picture. It edits the QPrinter it is given as the user goes
// (Cancel does not undo a choice) and keeps each choice for the next job; the
// caller prints with that printer after OK.
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
    // Keeps the printer's name and orientation as the next job's.
    void KeepChoice();

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
