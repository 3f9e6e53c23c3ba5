// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

#include <optional>
#include <string>

#include "core/data/data_reader.h"
#include "core/document/data_set.h"

class QComboBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QSpinBox;
class QTableWidget;

namespace curvane {

// Reads points from a text file or from pasted text: a preview of the first
// lines split as the chosen separator splits them, the columns for x, y and
// the optional uncertainty, the separator and decimal mark, and a name. The
// text is read again at each change, so what OK adds is what the dialog
// shows; lines that give no point are listed by number. Text the reader
// refuses leaves OK disabled with the reader's message.
class TfrmImportData : public QDialog {
    Q_OBJECT
public:
    explicit TfrmImportData(QWidget* parent = nullptr);

    // Reads the file at path (the file box shows it). False, with a message
    // box, when it cannot be read at all.
    bool LoadFile(const QString& path);
    // Text that came from elsewhere (the clipboard); the file box is cleared.
    void SetText(const std::string& text, const QString& name);

    // The points as read with the dialog's choices; empty before a read
    // succeeded.
    const std::optional<TDataTable>& Table() const { return FTable; }
    // The data set OK adds; only when Table() holds points.
    TDataSet DataSet() const;

private:
    void BrowseClicked();
    void ReadAgain();
    void FillPreview();
    TDataReadOptions Options() const;

    std::string FText;
    std::optional<TDataTable> FTable;

    QLineEdit* edtFile;
    QTableWidget* grdPreview;
    QSpinBox* edtColumnX;
    QSpinBox* edtColumnY;
    QSpinBox* edtColumnDY;
    QComboBox* cbxSeparator;
    QComboBox* cbxDecimal;
    QLineEdit* edtName;
    QLabel* lblSummary;
    QPlainTextEdit* memSkipped;
    QDialogButtonBox* FButtons;
};

// What a text file of points is, judged by its name's ending: .csv, .tsv, .txt
// and .dat.
bool IsDataFileName(const QString& path);

}  // namespace curvane
