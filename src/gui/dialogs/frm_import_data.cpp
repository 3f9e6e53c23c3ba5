// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/dialogs/frm_import_data.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "core/support/exceptions.h"
#include "gui/common/application.h"
#include "gui/help/help.h"

namespace curvane {

namespace {

// Enough lines to recognise the columns; the reader still reads them all.
constexpr int PreviewLines = 20;
constexpr int PreviewColumns = 12;
// The columns a user can choose from; the reader itself has no limit.
constexpr int MaxColumnChoice = 999;

// The combo boxes' rows in the order of the enumerations.
const char* const SeparatorNames[] = {"Auto", "Comma", "Semicolon", "Tab", "Spaces"};
const char* const DecimalNames[] = {"Auto", "Point", "Comma"};

QSpinBox* ColumnBox(const char* name, int minimum, int value) {
    auto* box = new QSpinBox;
    box->setObjectName(QString::fromLatin1(name));
    box->setRange(minimum, MaxColumnChoice);
    box->setValue(value);
    return box;
}

QComboBox* ChoiceBox(const char* name, const char* const* items, int count) {
    auto* box = new QComboBox;
    box->setObjectName(QString::fromLatin1(name));
    for (int i = 0; i < count; ++i) box->addItem(QString::fromLatin1(items[i]));
    return box;
}

}  // namespace

bool IsDataFileName(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == "csv" || suffix == "tsv" || suffix == "txt" || suffix == "dat";
}

TfrmImportData::TfrmImportData(QWidget* parent)
    : QDialog(parent),
      edtFile(new QLineEdit),
      grdPreview(new QTableWidget),
      edtColumnX(ColumnBox("edtColumnX", 1, 1)),
      edtColumnY(ColumnBox("edtColumnY", 1, 2)),
      edtColumnDY(ColumnBox("edtColumnDY", 0, 0)),
      cbxSeparator(ChoiceBox("cbxSeparator", SeparatorNames, std::size(SeparatorNames))),
      cbxDecimal(ChoiceBox("cbxDecimal", DecimalNames, std::size(DecimalNames))),
      edtName(new QLineEdit),
      lblSummary(new QLabel),
      memSkipped(new QPlainTextEdit),
      FButtons(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel)) {
    setWindowTitle(QStringLiteral("Import data"));
    SetHelpTopic(this, QStringLiteral("data.html#import"));
    edtFile->setObjectName(QStringLiteral("edtFile"));
    edtFile->setReadOnly(true);
    grdPreview->setObjectName(QStringLiteral("grdPreview"));
    grdPreview->setEditTriggers(QAbstractItemView::NoEditTriggers);
    edtName->setObjectName(QStringLiteral("edtName"));
    lblSummary->setObjectName(QStringLiteral("lblSummary"));
    lblSummary->setWordWrap(true);
    memSkipped->setObjectName(QStringLiteral("memSkipped"));
    memSkipped->setReadOnly(true);
    memSkipped->setMaximumHeight(90);
    edtColumnDY->setSpecialValueText(QStringLiteral("none"));

    auto* browse = new QPushButton(QStringLiteral("&Browse..."));
    browse->setObjectName(QStringLiteral("btnBrowse"));
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(edtFile, 1);
    fileRow->addWidget(browse);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("&File:"), fileRow);
    form->addRow(QStringLiteral("&Name:"), edtName);
    auto* columns = new QHBoxLayout;
    for (auto [label, box] : {std::pair{"&X column:", edtColumnX}, std::pair{"&Y column:", edtColumnY},
                              std::pair{"&DY column:", edtColumnDY}}) {
        auto* caption = new QLabel(QString::fromLatin1(label));
        caption->setBuddy(box);
        columns->addWidget(caption);
        columns->addWidget(box);
    }
    form->addRow(columns);
    form->addRow(QStringLiteral("&Separator:"), cbxSeparator);
    form->addRow(QStringLiteral("D&ecimal mark:"), cbxDecimal);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(grdPreview, 1);
    layout->addWidget(lblSummary);
    layout->addWidget(memSkipped);
    layout->addWidget(FButtons);

    connect(browse, &QPushButton::clicked, this, &TfrmImportData::BrowseClicked);
    for (QSpinBox* box : {edtColumnX, edtColumnY, edtColumnDY})
        connect(box, &QSpinBox::valueChanged, this, &TfrmImportData::ReadAgain);
    for (QComboBox* box : {cbxSeparator, cbxDecimal})
        connect(box, &QComboBox::currentIndexChanged, this, &TfrmImportData::ReadAgain);
    connect(FButtons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(FButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    resize(640, 560);
    ReadAgain();
}

bool TfrmImportData::LoadFile(const QString& path) {
    try {
        FText = ReadDataFileText(path.toStdString());
    } catch (const Exception& e) {
        QMessageBox::warning(this, ApplicationTitle(), QString::fromStdString(e.what()));
        return false;
    }
    edtFile->setText(path);
    edtName->setText(QFileInfo(path).completeBaseName());
    ReadAgain();
    return true;
}

void TfrmImportData::SetText(const std::string& text, const QString& name) {
    FText = text;
    edtFile->clear();
    edtName->setText(name);
    ReadAgain();
}

void TfrmImportData::BrowseClicked() {
    const QString path = QFileDialog::getOpenFileName(
        this, QStringLiteral("Import data"), QFileInfo(edtFile->text()).path(),
        QStringLiteral("Data files (*.csv *.tsv *.txt *.dat);;All files (*)"));
    if (!path.isEmpty()) LoadFile(path);
}

TDataReadOptions TfrmImportData::Options() const {
    TDataReadOptions options;
    options.Columns = {edtColumnX->value(), edtColumnY->value(), edtColumnDY->value()};
    options.Separator = static_cast<TFieldSeparator>(cbxSeparator->currentIndex());
    options.Decimal = static_cast<TDecimalMark>(cbxDecimal->currentIndex());
    return options;
}

void TfrmImportData::ReadAgain() {
    FTable.reset();
    memSkipped->clear();
    if (FText.empty()) {
        lblSummary->setText(QStringLiteral("Choose a file."));
    } else {
        try {
            FTable = ReadDataText(FText, Options());
            QString summary = QStringLiteral("%1 points").arg(FTable->Count());
            if (!FTable->Header.empty()) summary += QStringLiteral(", header line found");
            if (FTable->SkippedCount > 0)
                summary += QStringLiteral(", %1 lines skipped:").arg(FTable->SkippedCount);
            lblSummary->setText(summary);
            QStringList lines;
            for (const TSkippedLine& skipped : FTable->Skipped)
                lines << QString::fromStdString(DescribeSkippedLine(skipped));
            memSkipped->setPlainText(lines.join('\n'));
        } catch (const Exception& e) {
            // Refused text adds nothing: the reader's reason is all there is.
            lblSummary->setText(QString::fromStdString(e.what()));
        }
    }
    memSkipped->setVisible(FTable && FTable->SkippedCount > 0);
    FButtons->button(QDialogButtonBox::Ok)->setEnabled(FTable.has_value());
    FillPreview();
}

void TfrmImportData::FillPreview() {
    grdPreview->clear();
    grdPreview->setRowCount(0);
    grdPreview->setColumnCount(0);
    if (FText.empty() || (!FTable && FText.find('\0') != std::string::npos)) return;
    TFieldSeparator separator = Options().Separator;
    if (separator == TFieldSeparator::fsAuto) separator = DetectSeparator(FText);
    std::string_view rest = FText;
    QList<QStringList> rows;
    int columns = 0;
    while (!rest.empty() && rows.size() < PreviewLines) {
        const std::size_t end = rest.find_first_of("\r\n");
        const std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (line.find_first_not_of(" \t") == std::string_view::npos) continue;
        QStringList fields;
        for (const std::string& field : SplitDataLine(line, separator))
            if (fields.size() < PreviewColumns)
                fields << QString::fromUtf8(field.data(), static_cast<qsizetype>(field.size()));
        columns = std::max(columns, static_cast<int>(fields.size()));
        rows << fields;
    }
    grdPreview->setColumnCount(columns);
    grdPreview->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < rows.size(); ++r)
        for (int c = 0; c < rows[r].size(); ++c) grdPreview->setItem(r, c, new QTableWidgetItem(rows[r][c]));
}

TDataSet TfrmImportData::DataSet() const {
    TDataSet set;
    if (!FTable) return set;
    set.Name = edtName->text().trimmed().toStdString();
    set.X = FTable->X;
    set.Y = FTable->Y;
    set.DY = FTable->DY;
    return set;
}

}  // namespace curvane
