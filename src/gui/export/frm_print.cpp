// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/export/frm_print.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPageLayout>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "gui/document/frm_abstract_mdi_child.h"

namespace curvane {

namespace {

TPrintFit FitMode = TPrintFit::pfMaximum;
bool InkEconomy = false;
TPrinterChoice Choice;
const TPrinterSeam SystemPrinters{};
const TPrinterSeam* Seam = &SystemPrinters;

}  // namespace

TPrintFit PrintFitMode() { return FitMode; }
void SetPrintFitMode(TPrintFit mode) { FitMode = mode; }
bool InkEconomyMode() { return InkEconomy; }
void SetInkEconomyMode(bool on) { InkEconomy = on; }
TPrinterChoice PrinterChoice() { return Choice; }
void SetPrinterChoice(const TPrinterChoice& choice) { Choice = choice; }

QStringList TPrinterSeam::Names() const { return QPrinterInfo::availablePrinterNames(); }
QString TPrinterSeam::DefaultName() const { return QPrinterInfo::defaultPrinterName(); }
void TPrinterSeam::Select(QPrinter& printer, const QString& name) const { printer.setPrinterName(name); }
QString TPrinterSeam::Selected(const QPrinter& printer) const { return printer.printerName(); }

const TPrinterSeam& Printers() { return *Seam; }
void SetPrinterSeam(const TPrinterSeam* seam) { Seam = seam ? seam : &SystemPrinters; }

bool PreparePrinter(QPrinter& printer) {
    const QStringList names = Printers().Names();
    if (names.isEmpty()) return false;
    QString name = Choice.Printer;
    if (!names.contains(name)) name = Printers().DefaultName();
    if (!names.contains(name)) name = names.constFirst();
    Printers().Select(printer, name);
    if (Choice.Orientation) printer.setPageOrientation(*Choice.Orientation);
    return true;
}

TfrmPrint::TfrmPrint(QPrinter& printer, QWidget* parent) : QDialog(parent), FPrinter(printer) {
    setObjectName(QStringLiteral("frmPrint"));
    setWindowTitle(QStringLiteral("Print"));

    auto* grpPrinter = new QGroupBox(QStringLiteral(" Printer "), this);
    cbxPrinter = new QComboBox(grpPrinter);
    cbxPrinter->setObjectName(QStringLiteral("cbxPrinter"));
    cbxPrinter->setMinimumWidth(220);
    btnSetup = new QPushButton(QStringLiteral("&Setup..."), grpPrinter);
    btnSetup->setObjectName(QStringLiteral("btnSetup"));
    btnSetup->setAutoDefault(false);
    auto* lblPrinter = new QLabel(QStringLiteral("P&rinter:"), grpPrinter);
    lblPrinter->setBuddy(cbxPrinter);
    auto* printerRow = new QHBoxLayout(grpPrinter);
    printerRow->addWidget(lblPrinter);
    printerRow->addWidget(cbxPrinter, 1);
    printerRow->addWidget(btnSetup);

    auto* grpOrientation = new QGroupBox(QStringLiteral(" Orientation "), this);
    rbLandscape = new QRadioButton(QStringLiteral("&Landscape"), grpOrientation);
    rbLandscape->setObjectName(QStringLiteral("rbLandscape"));
    rbPortrait = new QRadioButton(QStringLiteral("&Portrait"), grpOrientation);
    rbPortrait->setObjectName(QStringLiteral("rbPortrait"));
    auto* orientationColumn = new QVBoxLayout(grpOrientation);
    orientationColumn->addWidget(rbLandscape);
    orientationColumn->addWidget(rbPortrait);

    auto* grpFit = new QGroupBox(QStringLiteral(" Fit "), this);
    rbMaximum = new QRadioButton(QStringLiteral("&Maximum"), grpFit);
    rbMaximum->setObjectName(QStringLiteral("rbMaximum"));
    rbProportional = new QRadioButton(QStringLiteral("Pr&oportional"), grpFit);
    rbProportional->setObjectName(QStringLiteral("rbProportional"));
    auto* fitColumn = new QVBoxLayout(grpFit);
    fitColumn->addWidget(rbMaximum);
    fitColumn->addWidget(rbProportional);

    cbxInkEconomy = new QCheckBox(QStringLiteral("&Ink economy mode"), this);
    cbxInkEconomy->setObjectName(QStringLiteral("cbxInkEconomy"));
    lblAttention = new QLabel(QStringLiteral("ATTENTION!"), this);
    lblAttention->setObjectName(QStringLiteral("lblAttention"));
    QPalette red = lblAttention->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    lblAttention->setPalette(red);
    QFont bold = lblAttention->font();
    bold.setBold(true);
    lblAttention->setFont(bold);
    lblInkNote = new QLabel(QStringLiteral("Ink economy mode means that background will be printed with white "
                                           "color. In this case all white objects (plots, labels, grid lines "
                                           "etc.) will be invisible."),
                            this);
    lblInkNote->setObjectName(QStringLiteral("lblInkNote"));
    lblInkNote->setWordWrap(true);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("btnOK"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("btnCancel"));

    auto* groups = new QHBoxLayout;
    groups->addWidget(grpOrientation);
    groups->addWidget(grpFit);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(grpPrinter);
    layout->addLayout(groups);
    layout->addWidget(cbxInkEconomy);
    layout->addWidget(lblAttention);
    layout->addWidget(lblInkNote);
    layout->addStretch(1);
    layout->addWidget(buttons);
    // The note comes and goes; the layout keeps its room so that the buttons
    // stay where they are.
    for (QLabel* label : {lblAttention, lblInkNote}) {
        QSizePolicy policy = label->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        label->setSizePolicy(policy);
    }
    setMinimumWidth(360);

    connect(cbxPrinter, &QComboBox::activated, this, &TfrmPrint::cbxPrinterActivated);
    connect(btnSetup, &QPushButton::clicked, this, &TfrmPrint::btnSetupClick);
    connect(rbLandscape, &QRadioButton::clicked, this, [this] {
        FPrinter.setPageOrientation(QPageLayout::Landscape);
        KeepChoice();
    });
    connect(rbPortrait, &QRadioButton::clicked, this, [this] {
        FPrinter.setPageOrientation(QPageLayout::Portrait);
        KeepChoice();
    });
    connect(rbMaximum, &QRadioButton::clicked, this, [] { SetPrintFitMode(TPrintFit::pfMaximum); });
    connect(rbProportional, &QRadioButton::clicked, this, [] { SetPrintFitMode(TPrintFit::pfProportional); });
    connect(cbxInkEconomy, &QCheckBox::toggled, this, [this](bool on) {
        SetInkEconomyMode(on);
        ShowInkNote(on);
    });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    Refresh();
}

void TfrmPrint::Refresh() {
    const bool landscape = FPrinter.pageLayout().orientation() == QPageLayout::Landscape;
    rbLandscape->setChecked(landscape);
    rbPortrait->setChecked(!landscape);
    rbMaximum->setChecked(PrintFitMode() == TPrintFit::pfMaximum);
    rbProportional->setChecked(PrintFitMode() == TPrintFit::pfProportional);
    cbxInkEconomy->setChecked(InkEconomyMode());
    ShowInkNote(InkEconomyMode());
    cbxPrinter->clear();
    cbxPrinter->addItems(Printers().Names());
    cbxPrinter->setCurrentIndex(cbxPrinter->findText(Printers().Selected(FPrinter)));
}

void TfrmPrint::showEvent(QShowEvent* event) {
    Refresh();
    QDialog::showEvent(event);
}

void TfrmPrint::cbxPrinterActivated(int index) {
    if (index < 0) return;
    Printers().Select(FPrinter, cbxPrinter->itemText(index));
    // Another printer may come with another page and orientation.
    KeepChoice();
    Refresh();
}

void TfrmPrint::btnSetupClick() {
    QPageSetupDialog setup(&FPrinter, this);
    setup.exec();
    KeepChoice();
    Refresh();
}

void TfrmPrint::KeepChoice() { Choice = {Printers().Selected(FPrinter), FPrinter.pageLayout().orientation()}; }

void TfrmPrint::ShowInkNote(bool on) {
    lblAttention->setVisible(on);
    lblInkNote->setVisible(on);
}

TPrintOutcome PrintGraphWindow(TfrmAbstractMDIChild& window, QPrinter& printer, TPrintFit fitMode) {
    const bool vectors = window.HasVectors();
    // A window without vectors may draw its frame anew for the picture (a
    // 3D scene in its own OpenGL context): that is done before the printer's
    // painter opens.
    const QImage frame = vectors ? QImage() : window.Picture();
    const QSize size = window.PictureSize();
    const int screenDpi = window.logicalDpiX();
    if (size.isEmpty() || screenDpi <= 0) return TPrintOutcome::poNoPicture;

    // A painter resolves point-size fonts against its device's resolution,
    // and the plot places its labels by those metrics. On a 1200-dpi page the
    // scaled plot would get text about twelve times too large, so the job counts in
    // screen pixels instead: the page is the same vectors either way, and the
    // plot's text comes out as it is on the screen. A picture of pixels has
    // no text and keeps the printer's own units.
    const int printerDpi = printer.resolution();
    if (vectors) printer.setResolution(screenDpi);
    // The painter's origin is the top-left corner of the printable area, and
    // the printer's width and height are that area's.
    const TPrintRect fit = PrintRect(size.width(), size.height(), printer.width(), printer.height(),
                                     printer.logicalDpiX(), printer.logicalDpiY(), screenDpi, fitMode);
    QPainter painter;
    const bool opened = painter.begin(&printer);
    if (opened) {
        const QRect target(0, 0, fit.Width, fit.Height);
        if (vectors) {
            painter.setClipRect(target);
            painter.scale(double(fit.Width) / size.width(), double(fit.Height) / size.height());
            window.PaintVectors(painter);
        } else {
            painter.drawImage(target, frame);
        }
        painter.end();
    }
    printer.setResolution(printerDpi);
    return opened ? TPrintOutcome::poPrinted : TPrintOutcome::poPrinterFailed;
}

}  // namespace curvane
