// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/tools/frm_value.h"

#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QDir>
#include <QFontDatabase>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>
#include <string>
#include <utility>

#include "core/numeric/tabulation.h"
#include "core/support/exceptions.h"
#include "core/support/number_format.h"
#include "gui/common/application.h"
#include "gui/help/help.h"
#include "gui/widgets/formula_hint.h"

namespace curvane {

namespace {

QPointer<TfrmValue> GInstance;

const QString EmptyFunction = QStringLiteral("Function must not be empty");
const QString NothingToSave = QStringLiteral("Nothing to save!");
const QString NoPrinters = QStringLiteral("No printers installed. Install the printer in the Control Panel.");
const QString NothingToPrint = QStringLiteral("Nothing to print. You have to make the tabulation first.");
const QString PrintStarted = QStringLiteral("Print task should be started now.");

// Asking the clock at every line would cost more than formatting it.
constexpr int PollEveryLines = 4096;

QLineEdit* MakeEdit(const char* name, const QString& text, QWidget* parent) {
    auto* edit = new QLineEdit(text, parent);
    edit->setObjectName(QString::fromLatin1(name));
    return edit;
}

// "X from [..] to [..] step [..]" in one row.
QWidget* MakeRangePanel(const QString& axis, QLineEdit* from, QLineEdit* to, QLineEdit* step, QWidget* parent) {
    auto* panel = new QWidget(parent);
    auto* row = new QHBoxLayout(panel);
    row->setContentsMargins(0, 0, 0, 0);
    const struct {
        QString Caption;
        QLineEdit* Edit;
    } cells[] = {{axis + QStringLiteral(" from"), from}, {QStringLiteral("to"), to}, {QStringLiteral("step"), step}};
    for (const auto& cell : cells) {
        auto* label = new QLabel(cell.Caption, panel);
        label->setBuddy(cell.Edit);
        row->addWidget(label);
        row->addWidget(cell.Edit, 1);
    }
    return panel;
}

std::optional<TTabulationRange> ReadRange(QWidget* dialog, QLineEdit* from, QLineEdit* to, QLineEdit* step) {
    TTabulationRange range;
    for (auto [edit, value] : {std::pair{from, &range.From}, std::pair{to, &range.To}, std::pair{step, &range.Step}}) {
        const std::optional<double> read = ReadFloatField(dialog, edit);
        if (!read) return std::nullopt;
        *value = *read;
    }
    return range;
}

}  // namespace

int PrintTextLines(QPainter& painter, QPagedPaintDevice& device, const QStringList& lines) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(10);
    painter.setFont(font);
    const QFontMetrics metrics = painter.fontMetrics();
    const int lineHeight = std::max(1, metrics.lineSpacing());
    const int linesPerPage = std::max(1, device.height() / lineHeight);
    int pages = 1;
    int row = 0;
    for (const QString& line : lines) {
        if (row == linesPerPage) {
            device.newPage();
            ++pages;
            row = 0;
        }
        painter.drawText(0, row * lineHeight + metrics.ascent(), line);
        ++row;
    }
    return pages;
}

TfrmValue::TfrmValue(QWidget* parent) : TToolDialog(QStringLiteral("Function value & tabulation"), parent) {
    setObjectName(QStringLiteral("frmValue"));
    SetHelpTopic(this, QStringLiteral("tools.html#tabulation"));

    cbxFunction = new QComboBox(this);
    cbxFunction->setObjectName(QStringLiteral("cbxFunction"));
    cbxFunction->setEditable(true);
    cbxFunction->setInsertPolicy(QComboBox::NoInsert);
    cbxFunction->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    auto* functionLabel = new QLabel(QStringLiteral("Function="), this);
    functionLabel->setBuddy(cbxFunction);
    auto* functionRow = new QHBoxLayout;
    functionRow->addWidget(functionLabel);
    functionRow->addWidget(cbxFunction, 1);
    functionRow->addWidget(MakePickButton(cbxFunction, this));

    PageControl = new QTabWidget(this);
    PageControl->setObjectName(QStringLiteral("PageControl"));
    // Alt+V and Alt+T reach the pages from anywhere in the dialog.
    PageControl->addTab(MakeValuePage(), QStringLiteral("&Value"));
    PageControl->addTab(MakeTabulatorPage(), QStringLiteral("&Tabulator"));

    auto* closeRow = new QHBoxLayout;
    closeRow->addStretch(1);
    closeRow->addWidget(MakeCloseButton());

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(functionRow);
    layout->addWidget(new TFormulaHintLabel(cbxFunction->lineEdit(), this));
    layout->addWidget(PageControl, 1);
    layout->addLayout(closeRow);

    FillFunctionList(cbxFunction);
    pnlY->hide();
    PageControl->setCurrentIndex(0);
    resize(600, 460);
}

QWidget* TfrmValue::MakeValuePage() {
    // Made inside the dialog, so the default button below is the dialog's.
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("tabValue"));
    edtX = MakeEdit("edtX", QStringLiteral("0"), page);
    edtY = MakeEdit("edtY", QStringLiteral("0"), page);
    edtValue = MakeEdit("edtValue", QString(), page);
    edtValue->setReadOnly(true);
    btnEvaluate = new QPushButton(QStringLiteral("&Evaluate"), page);
    btnEvaluate->setObjectName(QStringLiteral("btnEvaluate"));
    btnEvaluate->setStatusTip(QStringLiteral("Evaluate the function value"));
    // Enter in X or Y evaluates; the button is hidden with its page, and a
    // hidden default button takes no Enter.
    btnEvaluate->setDefault(true);
    connect(btnEvaluate, &QPushButton::clicked, this, &TfrmValue::Evaluate);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("X"), edtX);
    form->addRow(QStringLiteral("Y"), edtY);
    form->addRow(QStringLiteral("Value"), edtValue);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch(1);
    buttonRow->addWidget(btnEvaluate);
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(form);
    layout->addLayout(buttonRow);
    layout->addStretch(1);
    return page;
}

QToolButton* TfrmValue::MakeToolButton(const char* name, const QString& text, const QString& hint) {
    auto* button = new QToolButton(this);
    button->setObjectName(QString::fromLatin1(name));
    button->setText(text);
    button->setToolTip(hint);
    button->setAutoRaise(true);
    return button;
}

QWidget* TfrmValue::MakeTabulatorPage() {
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("tabTabulator"));

    btnClear = MakeToolButton("btnClear", QStringLiteral("Clear"), QStringLiteral("Clear Text"));
    btnSave = MakeToolButton("btnSave", QStringLiteral("Save"), QStringLiteral("Save text"));
    btnPrint = MakeToolButton("btnPrint", QStringLiteral("Print"), QStringLiteral("Print tabulation"));
    btnTabulate = MakeToolButton("btnTabulate", QStringLiteral("Tabulate"), QStringLiteral("Tabulate"));
    btn2D = MakeToolButton("btn2D", QStringLiteral("2D"), QStringLiteral("2D"));
    btn3D = MakeToolButton("btn3D", QStringLiteral("3D"), QStringLiteral("3D"));
    auto* bar = new QToolBar(page);
    bar->setObjectName(QStringLiteral("ToolBar"));
    for (QToolButton* button : {btnClear, btnSave, btnPrint, btnTabulate}) bar->addWidget(button);
    bar->addSeparator();
    auto* dimensions = new QButtonGroup(page);
    for (QToolButton* button : {btn2D, btn3D}) {
        button->setCheckable(true);
        dimensions->addButton(button);
        bar->addWidget(button);
    }
    btn2D->setChecked(true);
    connect(btnClear, &QToolButton::clicked, this, &TfrmValue::ClearText);
    connect(btnSave, &QToolButton::clicked, this, &TfrmValue::SaveText);
    connect(btnPrint, &QToolButton::clicked, this, &TfrmValue::PrintText);
    connect(btnTabulate, &QToolButton::clicked, this, &TfrmValue::Tabulate);
    connect(btn3D, &QToolButton::toggled, this, [this](bool down) { pnlY->setVisible(down); });

    // Both ranges start as a table's default range.
    const TTabulationRange range;
    const auto text = [](double value) { return QString::fromStdString(FormatShortest(value)); };
    edtXfrom = MakeEdit("edtXfrom", text(range.From), page);
    edtXto = MakeEdit("edtXto", text(range.To), page);
    edtXstep = MakeEdit("edtXstep", text(range.Step), page);
    edtYfrom = MakeEdit("edtYfrom", text(range.From), page);
    edtYto = MakeEdit("edtYto", text(range.To), page);
    edtYstep = MakeEdit("edtYstep", text(range.Step), page);
    QWidget* pnlX = MakeRangePanel(QStringLiteral("X"), edtXfrom, edtXto, edtXstep, page);
    pnlX->setObjectName(QStringLiteral("pnlX"));
    pnlY = MakeRangePanel(QStringLiteral("Y"), edtYfrom, edtYto, edtYstep, page);
    pnlY->setObjectName(QStringLiteral("pnlY"));

    edtPattern = MakeEdit("edtPattern", QString::fromLatin1(DefaultTabulationPattern), page);
    auto* patternRow = new QHBoxLayout;
    auto* patternLabel = new QLabel(QStringLiteral("Pattern"), page);
    patternLabel->setBuddy(edtPattern);
    patternRow->addWidget(patternLabel);
    patternRow->addWidget(edtPattern, 1);

    Memo = new QPlainTextEdit(page);
    Memo->setObjectName(QStringLiteral("Memo"));
    Memo->setReadOnly(true);
    Memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    // Nothing to undo in a read-only area, and a million lines fill faster
    // without the history.
    Memo->setUndoRedoEnabled(false);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(bar);
    layout->addWidget(pnlX);
    layout->addWidget(pnlY);
    layout->addLayout(patternRow);
    layout->addWidget(Memo, 1);
    return page;
}

TfrmValue* TfrmValue::Instance() { return GInstance; }

TfrmValue* TfrmValue::ShowInstance(QWidget* parent) {
    return ShowSingleInstance(GInstance, parent);
}

void TfrmValue::Evaluate() {
    // The points are read before the formula is compiled, but an empty
    // formula is reported first.
    double x = 0, y = 0;
    if (!cbxFunction->currentText().trimmed().isEmpty()) {
        const QString invalid = QStringLiteral("Invalid floating point value.");
        const std::optional<double> readX = ReadFloatField(this, edtX, invalid);
        if (!readX) return;
        const std::optional<double> readY = ReadFloatField(this, edtY, invalid);
        if (!readY) return;
        x = *readX;
        y = *readY;
    }
    const std::optional<TCompiledFunction> f = CompileToolFormula(this, cbxFunction, EmptyFunction);
    if (!f) return;
    try {
        edtValue->setText(ShortText(f->Evaluate(x, y)));
    } catch (const Exception& e) {
        edtValue->setText(QString::fromUtf8(e.what()));
    }
    // Ready for the next number typed over the old one.
    QWidget* focus = QApplication::focusWidget();
    if (auto* edit = qobject_cast<QLineEdit*>(focus)) edit->selectAll();
    else if (auto* combo = qobject_cast<QComboBox*>(focus); combo && combo->lineEdit()) combo->lineEdit()->selectAll();
}

void TfrmValue::Tabulate() {
    if (TToolRun* run = Run()) {
        run->RequestStop();
        return;
    }
    MakeTable();
}

void TfrmValue::MakeTable() {
    const bool surface = btn3D->isChecked();
    TTabulationRange xRange, yRange;
    if (!cbxFunction->currentText().trimmed().isEmpty()) {
        const std::optional<TTabulationRange> readX = ReadRange(this, edtXfrom, edtXto, edtXstep);
        if (!readX) return;
        xRange = *readX;
        if (surface) {
            const std::optional<TTabulationRange> readY = ReadRange(this, edtYfrom, edtYto, edtYstep);
            if (!readY) return;
            yRange = *readY;
        }
    }
    const std::optional<TCompiledFunction> f = CompileToolFormula(this, cbxFunction, EmptyFunction);
    if (!f) return;

    // The table is gathered as one text and shown at the end: a text area fed
    // line by line lays itself out again at every line.
    std::string text;
    for (const std::string& line : TabulationHeader(cbxFunction->currentText().toStdString(), surface)) {
        text += line;
        text += '\n';
    }
    const std::string pattern = edtPattern->text().toStdString();
    int lines = 0;
    bool cut = false;
    try {
        RunStoppable(btnTabulate, [&](TToolRun& run) {
            const TLineSink sink = [&](const std::string& line) {
                if (lines == MaxTableLines) {
                    cut = true;
                    return false;
                }
                text += line;
                text += '\n';
                ++lines;
                return lines % PollEveryLines != 0 || !run.Poll();
            };
            if (surface)
                Tabulate3D([&f](double x, double y) { return f->Evaluate(x, y); }, pattern, xRange, yRange, sink);
            else
                Tabulate2D([&f](double x) { return f->Evaluate(x); }, pattern, xRange, sink);
        });
    } catch (const Exception& e) {
        // Ranges that would never end: the text area keeps what it had.
        QMessageBox::critical(this, ApplicationTitle(), QString::fromUtf8(e.what()));
        return;
    }
    text.pop_back();  // the line break after the last line
    Memo->setPlainText(QString::fromStdString(text));
    if (cut)
        QMessageBox::warning(this, ApplicationTitle(),
                             QStringLiteral("The table was cut at 1,000,000 lines: the text area holds no more.\n"
                                            "The command line curvane --tabulate writes tables of any length."));
}

void TfrmValue::SaveText() {
    if (Memo->document()->isEmpty()) {
        QMessageBox::warning(this, ApplicationTitle(), NothingToSave);
        return;
    }
    const QString path = AskTextFileName(this, QStringLiteral("Save"));
    if (path.isEmpty()) return;
    QByteArray data = Memo->toPlainText().toUtf8();
    data += '\n';
    const QString error = WriteTextFile(path, data);
    if (!error.isEmpty())
        QMessageBox::critical(this, ApplicationTitle(),
                              QStringLiteral("The table could not be saved as %1:\n%2\nIt is still in the text area.")
                                  .arg(QDir::toNativeSeparators(path), error));
}

void TfrmValue::PrintText() {
    const QList<QPrinterInfo> printers = QPrinterInfo::availablePrinters();
    if (printers.isEmpty()) {
        QMessageBox::warning(this, ApplicationTitle(), NoPrinters);
        return;
    }
    if (Memo->document()->isEmpty()) {
        QMessageBox::information(this, ApplicationTitle(), NothingToPrint);
        return;
    }
    QPrinterInfo target = QPrinterInfo::defaultPrinter();
    if (target.isNull()) target = printers.constFirst();
    QPrinter printer(target, QPrinter::HighResolution);
    printer.setDocName(windowTitle());
    QPainter painter;
    if (!painter.begin(&printer)) {
        QMessageBox::critical(this, ApplicationTitle(),
                              QStringLiteral("The printer %1 could not be opened.").arg(target.printerName()));
        return;
    }
    PrintTextLines(painter, printer, Memo->toPlainText().split(QLatin1Char('\n')));
    QMessageBox::information(this, ApplicationTitle(), PrintStarted);
    painter.end();  // hands the job to the printer
}

void TfrmValue::ClearText() { Memo->clear(); }

}  // namespace curvane
