// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/tools/frm_points.h"

#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <exception>
#include <numbers>
#include <optional>
#include <string>
#include <utility>

#include "core/document/func_item.h"
#include "core/document/parameter_cells.h"
#include "core/document/shared_evaluators.h"
#include "core/support/exceptions.h"
#include "gui/common/application.h"
#include "gui/common/exception_report.h"
#include "gui/help/help.h"
#include "gui/plot2d/frm_child2d.h"
#include "render/plot2d/indicator.h"

namespace curvane {

namespace {

QPointer<TfrmPoints> GInstance;

enum TPointColumn { pcKind, pcX, pcY, pcWidth, pcStatus, pcCount };

QComboBox* MakeFunctionField(const char* name) {
    auto* field = new QComboBox;
    field->setObjectName(QString::fromLatin1(name));
    field->setMinimumWidth(300);
    return field;
}

QLineEdit* MakeEdit(const char* name) {
    auto* edit = new QLineEdit;
    edit->setObjectName(QString::fromLatin1(name));
    return edit;
}

QPushButton* MakeButton(const char* name, const QString& caption, const QString& hint) {
    auto* button = new QPushButton(caption);
    button->setObjectName(QString::fromLatin1(name));
    button->setStatusTip(hint);
    button->setAutoDefault(false);
    return button;
}

TfrmChild2D_* Current2DWindow() { return qobject_cast<TfrmChild2D_*>(CurrentGraphWindow()); }

bool IsExplicit(const TFuncItem& item) {
    return item.FuncType == TFuncType::ftOrtho2D && item.FuncKind == TFuncKind::fkExplicit;
}

QString Caption(const TFuncItem& item) {
    std::string caption = FuncCaption(item, false);
    if (caption.empty()) caption = item.Expression;
    if (item.Derivative && IsExplicit(item)) caption += " (derivative)";
    return QString::fromStdString(caption);
}

QString Text(const std::string& text) { return QString::fromStdString(text); }

// The width of an enclosure needs two digits, not seventeen. QString::number
// writes "." whatever the locale.
QString WidthText(double width) { return QString::number(width, 'g', 2); }

}  // namespace

TfrmPoints* TfrmPoints::Instance() { return GInstance.data(); }

TfrmPoints* TfrmPoints::Open(QWidget* parent) { return ShowSingleInstance(GInstance, parent); }

TfrmPoints::TfrmPoints(QWidget* parent)
    : TToolDialog(QStringLiteral("Points of interest"), parent),
      cbxFunction1(MakeFunctionField("cbxFunction1")),
      cbxFunction2(MakeFunctionField("cbxFunction2")),
      cbxSearch(new QComboBox),
      edtFrom(MakeEdit("edtFrom")),
      edtTo(MakeEdit("edtTo")),
      btnSearch(MakeButton("btnSearch", QStringLiteral("&Search"),
                           QStringLiteral("Find every point of the kind chosen"))),
      grdPoints(new QTableWidget(0, pcCount)),
      lblResult(new QLabel),
      btnCopy(MakeButton("btnCopy", QStringLiteral("&Copy"),
                         QStringLiteral("Copy the table to the clipboard as text"))),
      btnSave(MakeButton("btnSave", QStringLiteral("Save as &text..."),
                         QStringLiteral("Save the table as a text file"))),
      btnClose(MakeCloseButton()) {
    setObjectName(QStringLiteral("frmPoints"));
    SetHelpTopic(this, QStringLiteral("tools.html#points"));
    cbxSearch->setObjectName(QStringLiteral("cbxSearch"));
    // In the order of TPointQuery.
    cbxSearch->addItems({QStringLiteral("Roots"), QStringLiteral("Minima and maxima"),
                         QStringLiteral("Minima, maxima and ends"), QStringLiteral("Intersections")});
    btnSearch->setDefault(true);
    grdPoints->setObjectName(QStringLiteral("grdPoints"));
    grdPoints->setHorizontalHeaderLabels({QStringLiteral("Kind"), QStringLiteral("x"), QStringLiteral("y"),
                                          QStringLiteral("Width"), QStringLiteral("Status")});
    grdPoints->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdPoints->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdPoints->verticalHeader()->hide();
    grdPoints->horizontalHeader()->setStretchLastSection(true);
    lblResult->setObjectName(QStringLiteral("lblResult"));
    lblResult->setWordWrap(true);
    btnCopy->setEnabled(false);
    btnSave->setEnabled(false);

    auto* fields = new QGridLayout;
    fields->addWidget(new QLabel(QStringLiteral("Function")), 0, 0);
    fields->addWidget(cbxFunction1, 0, 1, 1, 4);
    fields->addWidget(new QLabel(QStringLiteral("Meets")), 1, 0);
    fields->addWidget(cbxFunction2, 1, 1, 1, 4);
    fields->addWidget(new QLabel(QStringLiteral("Search")), 2, 0);
    fields->addWidget(cbxSearch, 2, 1, 1, 4);
    fields->addWidget(new QLabel(QStringLiteral("From")), 3, 0);
    fields->addWidget(edtFrom, 3, 1);
    fields->addWidget(new QLabel(QStringLiteral("To")), 3, 2);
    fields->addWidget(edtTo, 3, 3);
    fields->addWidget(btnSearch, 3, 4);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnCopy);
    buttons->addWidget(btnSave);
    buttons->addStretch(1);
    buttons->addWidget(btnClose);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(grdPoints, 1);
    layout->addWidget(lblResult);
    layout->addLayout(buttons);
    resize(620, 480);

    FillFunctions();
    UpdateFields();
    connect(&TGraphHub::Instance(), &TGraphHub::ActiveDocumentChanged, this,
            [this] { RunGuarded([this] { FillFunctions(); }); });
    // Another function is drawn over another range: the user's choice
    // brings that range, a change of the document does not.
    connect(cbxFunction1, &QComboBox::activated, this, [this] { RunGuarded([this] { ResetRange(); }); });
    connect(cbxSearch, &QComboBox::currentIndexChanged, this, [this] { UpdateFields(); });
    connect(btnSearch, &QPushButton::clicked, this, [this] { RunGuarded([this] { btnSearchClick(); }); });
    connect(btnCopy, &QPushButton::clicked, this, [this] { RunGuarded([this] { CopyTable(); }); });
    connect(btnSave, &QPushButton::clicked, this, [this] { RunGuarded([this] { SaveTable(); }); });
}

TfrmPoints::~TfrmPoints() {
    // The worker posts its result to this object: it must have ended before
    // the QObject goes, which then drops the posted result with it.
    FWorker.request_stop();
    if (FWorker.joinable()) FWorker.join();
}

TPointQuery TfrmPoints::Query() const { return static_cast<TPointQuery>(cbxSearch->currentIndex()); }

void TfrmPoints::UpdateFields() { cbxFunction2->setEnabled(Query() == TPointQuery::pqIntersections); }

void TfrmPoints::FillFunctions() {
    TfrmChild2D_* window = Current2DWindow();
    const bool sameWindow = window && window == FListedWindow;
    FListedWindow = window;
    const int active = window ? std::max(window->FuncActive(), 0) : 0;
    const int defaults[] = {active, active == 0 ? 1 : 0};
    QComboBox* fields[] = {cbxFunction1, cbxFunction2};
    for (int f = 0; f < 2; ++f) {
        QComboBox* field = fields[f];
        const int kept = sameWindow ? field->currentIndex() : defaults[f];
        const QSignalBlocker block(field);
        field->clear();
        for (int i = 0; window && i < window->FuncCount(); ++i) field->addItem(Caption(*window->Func(i)));
        field->setCurrentIndex(kept >= 0 && kept < field->count() ? kept : std::min(field->count() - 1, 0));
    }
    if (!sameWindow) ResetRange();
    const QString noWindow = QStringLiteral("Points of interest are found for the functions of a 2D window.");
    if (!window) lblResult->setText(noWindow);
    else if (lblResult->text() == noWindow) lblResult->clear();
}

void TfrmPoints::ResetRange() {
    TfrmChild2D_* window = Current2DWindow();
    const TFuncItem* item = window ? window->Func(cbxFunction1->currentIndex()) : nullptr;
    if (!item) return;
    double from = window->Indicator().WorldLeft(), to = window->Indicator().WorldRight();
    if (item->ManualLimits && std::isfinite(item->From) && std::isfinite(item->To)) {
        const double scale = item->ConvToDeg ? std::numbers::pi / 180 : 1.0;
        from = item->From * scale;
        to = item->To * scale;
    }
    edtFrom->setText(ShortText(from));
    edtTo->setText(ShortText(to));
}

void TfrmPoints::Refuse(const QString& why) {
    // An old table under the message would read as the answer.
    grdPoints->setRowCount(0);
    btnCopy->setEnabled(false);
    btnSave->setEnabled(false);
    lblResult->setText(why);
}

void TfrmPoints::btnSearchClick() {
    if (FSearching) {
        FWorker.request_stop();
        return;
    }
    std::optional<double> from = ReadFloatField(this, edtFrom);
    if (!from) return;
    std::optional<double> to = ReadFloatField(this, edtTo);
    if (!to) return;

    // Looked up after the message boxes above, which run the event loop:
    // the window, or its functions, may have gone meanwhile.
    TfrmChild2D_* window = Current2DWindow();
    const TPointQuery query = Query();
    const bool intersections = query == TPointQuery::pqIntersections;
    const TFuncItem* items[] = {window ? window->Func(cbxFunction1->currentIndex()) : nullptr,
                                window && intersections ? window->Func(cbxFunction2->currentIndex()) : nullptr};
    if (!items[0] || (intersections && !items[1])) {
        Refuse(intersections ? QStringLiteral("Choose two functions of the active 2D window.")
                             : QStringLiteral("Choose a function of the active 2D window."));
        return;
    }
    std::optional<TPointFormula> formulas[2];
    for (int i = 0; i < (intersections ? 2 : 1); ++i) {
        const TFuncItem& item = *items[i];
        if (!IsExplicit(item)) {
            Refuse(QStringLiteral("%1 has no points of interest: they are found for explicit functions Y(x) only, "
                                  "not for parametric, polar or implicit ones.")
                       .arg(Caption(item)));
            return;
        }
        try {
            // The formula takes the parameters' values of now and keeps them:
            // the search computes what the window shows at this moment.
            const TParameterBinding parameters(window->Document().Parameters);
            formulas[i] = TPointFormula::Make(EvalOrtho(), item.Expression,
                                              item.Derivative ? TCurveOrder::coDerivative : TCurveOrder::coValue);
        } catch (const Exception& e) {
            Refuse(Caption(item) + QStringLiteral(": ") + QString::fromUtf8(e.what()));
            return;
        }
    }
    if (*from > *to) {
        std::swap(*from, *to);
        edtFrom->setText(ShortText(*from));
        edtTo->setText(ShortText(*to));
    }

    grdPoints->setRowCount(0);
    btnCopy->setEnabled(false);
    btnSave->setEnabled(false);
    lblResult->setText(QStringLiteral("Searching..."));
    btnSearch->setText(QStringLiteral("Stop"));
    FSearching = true;
    // The formulas are copies that share nothing with the window: the thread
    // never touches the document, and the window may close meanwhile.
    FWorker = std::jthread([this, f = *formulas[0], g = formulas[1], query, a = *from, b = *to](std::stop_token stop) {
        TPointSearch search;
        QString error;
        const TPointSearchLimits limits{RequestedPointSearchBoxes};
        try {
            switch (query) {
            case TPointQuery::pqRoots: search = FindRoots(f, a, b, limits, stop); break;
            case TPointQuery::pqExtrema: search = FindExtrema(f, a, b, TSearchEnds::seExclude, limits, stop); break;
            case TPointQuery::pqExtremaAndEnds:
                search = FindExtrema(f, a, b, TSearchEnds::seInclude, limits, stop);
                break;
            case TPointQuery::pqIntersections: search = FindIntersections(f, *g, a, b, limits, stop); break;
            }
        } catch (const std::exception& e) {
            // Nothing may escape a thread; the message is the result.
            error = QString::fromUtf8(e.what());
        }
        QMetaObject::invokeMethod(
            this, [this, search = std::move(search), error] { RunGuarded([&] { ShowResult(search, error); }); },
            Qt::QueuedConnection);
    });
}

void TfrmPoints::ShowResult(const TPointSearch& search, const QString& error) {
    FSearching = false;
    btnSearch->setText(QStringLiteral("&Search"));
    const int count = static_cast<int>(search.Points.size());
    grdPoints->setRowCount(count);
    for (int row = 0; row < count; ++row) {
        const TPointOfInterest& p = search.Points[static_cast<std::size_t>(row)];
        const QString cells[pcCount] = {QString::fromLatin1(PointKindName(p.Kind)), Text(ProvedDigits(p.XLo, p.XHi)),
                                        Text(ProvedDigits(p.YLo, p.YHi)), WidthText(p.XHi - p.XLo),
                                        QString::fromLatin1(PointStatusName(p.Status))};
        for (int column = 0; column < pcCount; ++column) {
            auto* cell = new QTableWidgetItem(cells[column]);
            if (column != pcKind && column != pcStatus) cell->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            grdPoints->setItem(row, column, cell);
        }
    }
    grdPoints->resizeColumnsToContents();
    btnCopy->setEnabled(count > 0);
    btnSave->setEnabled(count > 0);

    const QString found = count == 0 ? QStringLiteral("No points.")
                          : count == 1 ? QStringLiteral("1 point.")
                                       : QStringLiteral("%1 points.").arg(count);
    if (!error.isEmpty())
        lblResult->setText(error);
    else if (search.Stopped)
        lblResult->setText(QStringLiteral("Stopped: ") + found);
    else if (search.WorkLimitReached)
        lblResult->setText(found + QStringLiteral(" The search reached its work limit: the interval may hold more "
                                                  "points, and a possible one may be none."));
    else
        lblResult->setText(found);
}

QString TfrmPoints::TableText() const {
    QString text;
    for (int column = 0; column < pcCount; ++column)
        text += grdPoints->horizontalHeaderItem(column)->text() + (column + 1 < pcCount ? '\t' : '\n');
    for (int row = 0; row < grdPoints->rowCount(); ++row)
        for (int column = 0; column < pcCount; ++column)
            text += grdPoints->item(row, column)->text() + (column + 1 < pcCount ? '\t' : '\n');
    return text;
}

void TfrmPoints::CopyTable() { QGuiApplication::clipboard()->setText(TableText()); }

void TfrmPoints::SaveTable() {
    // The table as it is now: a search may end while the file dialog is open.
    const QByteArray data = TableText().toUtf8();
    const QString path = AskTextFileName(this, QStringLiteral("Save as text"));
    if (path.isEmpty()) return;
    const QString error = WriteTextFile(path, data);
    if (!error.isEmpty())
        QMessageBox::critical(this, ApplicationTitle(),
                              QStringLiteral("The points could not be saved as %1:\n%2")
                                  .arg(QDir::toNativeSeparators(path), error));
}

}  // namespace curvane
