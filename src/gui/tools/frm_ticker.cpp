// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/tools/frm_ticker.h"

#include "gui/tools/tool_dialog.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QSlider>
#include <QVBoxLayout>

#include <cstdlib>

#include "core/document/func_item.h"
#include "core/document/parameter_cells.h"
#include "core/document/shared_evaluators.h"
#include "core/support/exceptions.h"
#include "core/support/number_format.h"
#include "gui/common/exception_report.h"
#include "gui/document/frm_abstract_mdi_child.h"
#include "gui/help/help.h"
#include "gui/plot2d/frm_child2d.h"
#include "gui/plot2d/scope.h"
#include "render/plot2d/indicator.h"
#include "render/plot2d/plot2d.h"

namespace curvane {

namespace {

QPointer<TfrmTicker> GInstance;

constexpr int CrossArm = 5;  // pixels from the centre to the end of an arm
// A marked point of interest this near the cross, along x, takes it.
constexpr int CrossSnapPixels = 4;

QString Short4(double value) { return QString::fromStdString(FormatGeneral(value, 4)); }

QLineEdit* MakeReadOnly(const char* name) {
    auto* edit = new QLineEdit;
    edit->setObjectName(QString::fromLatin1(name));
    edit->setReadOnly(true);
    return edit;
}

QLabel* MakeLabel(const char* name, Qt::Alignment alignment) {
    auto* label = new QLabel;
    label->setObjectName(QString::fromLatin1(name));
    label->setAlignment(alignment);
    return label;
}

}  // namespace

TfrmTicker* TfrmTicker::Instance() { return GInstance.data(); }

TfrmTicker* TfrmTicker::Open(QWidget* parent) {
    return ShowSingleInstance(GInstance, parent);
}

TfrmTicker::TfrmTicker(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint),
      lblX1(MakeLabel("lblX1", Qt::AlignLeft)),
      lblX2(MakeLabel("lblX2", Qt::AlignRight)),
      TrackBar1(new QSlider(Qt::Horizontal)),
      edtX(MakeReadOnly("edtX")),
      edtY(MakeReadOnly("edtY")) {
    setObjectName(QStringLiteral("frmTicker"));
    SetHelpTopic(this, QStringLiteral("tools.html#ticker"));
    setAttribute(Qt::WA_DeleteOnClose);
    TrackBar1->setObjectName(QStringLiteral("TrackBar1"));
    TrackBar1->setRange(0, 100);
    TrackBar1->setTickPosition(QSlider::TicksBothSides);
    TrackBar1->setTickInterval(5);
    TrackBar1->setPageStep(10);
    TrackBar1->setMinimumWidth(200);

    auto* group = new QGroupBox(QStringLiteral(" X "));
    auto* grid = new QGridLayout(group);
    grid->addWidget(lblX1, 0, 0, 1, 2);
    grid->addWidget(lblX2, 0, 2, 1, 2);
    grid->addWidget(TrackBar1, 1, 0, 1, 4);
    grid->addWidget(new QLabel(QStringLiteral("X =")), 2, 0);
    grid->addWidget(edtX, 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("Y =")), 2, 2);
    grid->addWidget(edtY, 2, 3);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(TrackBar1, &QSlider::valueChanged, this,
            [this](int position) { RunGuarded([this, position] { TrackBar1Change(position); }); });
    connect(&TGraphHub::Instance(), &TGraphHub::ActiveDocumentChanged, this,
            [this] { RunGuarded([this] { RefreshTicker(); }); });
    RefreshTicker();
}

void TfrmTicker::RefreshTicker() {
    EraseCross();
    disconnect(FRedrawn);
    FScope = nullptr;
    FFunction.reset();

    auto* window = qobject_cast<TfrmChild2D_*>(CurrentGraphWindow());
    const TFuncItem* item = window ? window->ActiveFunc() : nullptr;
    // Only y = f(x) can be walked along x; polar, parametric and implicit
    // curves have no value at a given x.
    const bool walkable = item && item->FuncType == TFuncType::ftOrtho2D &&
                          item->FuncKind == TFuncKind::fkExplicit && !item->Expression.empty();
    TrackBar1->setEnabled(walkable);
    if (!walkable) {
        setWindowTitle(QStringLiteral("Ticker: no function"));
        return;
    }
    const TIndicator& indicator = window->Indicator();
    FXmin = indicator.WorldLeft();
    FXmax = indicator.WorldRight();
    setWindowTitle(QStringLiteral("Ticker: ") + QString::fromStdString(FuncCaption(*item, false)));
    lblX1->setText(Short4(FXmin));
    lblX2->setText(Short4(FXmax));
    try {
        // An evaluator of the ticker's own: the shared one is recompiled by
        // every sampling run. It reads the document's parameter values of
        // now; every change of the document refreshes the ticker.
        const TParameterBinding parameters(window->Document().Parameters);
        FFunction = TCompiledFunction::Private(EvalOrtho(), item->Expression);
    } catch (const ESyntaxError& e) {
        // The window shows the same error when it samples; here the walk is
        // just not possible.
        TrackBar1->setEnabled(false);
        edtY->setText(QStringLiteral("Syntax error : ") + QString::fromUtf8(e.what()));
        return;
    }
    FScope = window->Scope();
    // A redraw of the plot took the cross with it.
    FRedrawn = connect(FScope, &TScope::BufferRedrawn, this, [this] { FCrossShown = false; });
}

void TfrmTicker::TrackBar1Change(int position) {
    if (!FScope || !FFunction) return;
    EraseCross();
    const double x = FXmin + (FXmax - FXmin) * position / 100;
    edtX->setText(Short4(x));
    try {
        const double y = FFunction->Evaluate(x);
        edtY->setText(Short4(y));
        FCrossPoint = FScope->Indicator().WorldToScreen(x, y);
        SnapToPoint();
    } catch (const std::exception& e) {
        // A fault at this x (a logarithm of a negative number, a pole too
        // far out to be a pixel) is this point's value, not an error of the
        // program: the bar walks on.
        edtY->setText(QString::fromUtf8(e.what()));
        return;
    }
    ToggleCross();
    FCrossShown = true;
}

void TfrmTicker::SnapToPoint() {
    // The marks are those of the window's active function, the one walked.
    const TPointLayer& points = FScope->Plot().Points();
    std::optional<QPoint> nearest;
    std::size_t index = 0;
    for (std::size_t i = 0; i < points.Marks().size(); ++i) {
        const std::optional<QPoint> c = points.Centre(FScope->Indicator(), i);
        if (!c || std::abs(c->x() - FCrossPoint.x()) > CrossSnapPixels) continue;
        if (!nearest || std::abs(c->x() - FCrossPoint.x()) < std::abs(nearest->x() - FCrossPoint.x()))
            nearest = c, index = i;
    }
    if (!nearest) return;
    const TPointMark& mark = points.Marks()[index];
    edtX->setText(Short4(mark.X));
    edtY->setText(Short4(mark.Y));
    FCrossPoint = *nearest;
}

void TfrmTicker::ToggleCross() {
    if (!FScope) return;
    {
        QPainter painter(&FScope->Buffer());
        painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        // Three strips that do not overlap: drawn as two lines, the centre
        // would be inverted twice and show as a hole. They are given in
        // logical pixels: on a buffer with a device pixel ratio the painter
        // scales them, always onto the same device pixels, so a second
        // toggle restores the picture.
        const int x = FCrossPoint.x(), y = FCrossPoint.y();
        painter.fillRect(QRect(x, y - CrossArm, 1, 2 * CrossArm), Qt::white);
        painter.fillRect(QRect(x - CrossArm, y, CrossArm, 1), Qt::white);
        painter.fillRect(QRect(x + 1, y, CrossArm - 1, 1), Qt::white);
    }
    FScope->update();
}

void TfrmTicker::EraseCross() {
    if (!FCrossShown) return;
    ToggleCross();
    FCrossShown = false;
}

void TfrmTicker::Deactivated() {
    EraseCross();
    // A 2D plot is redrawn from its curves; a 3D view is painted again.
    if (TfrmAbstractMDIChild* window = CurrentGraphWindow()) window->Redraw();
}

void TfrmTicker::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::ActivationChange || !isVisible()) return;
    if (isActiveWindow())
        RunGuarded([this] { RefreshTicker(); });
    else
        RunGuarded([this] { Deactivated(); });
}

void TfrmTicker::closeEvent(QCloseEvent* event) {
    EraseCross();
    if (GInstance == this) GInstance = nullptr;
    emit Closed();
    QWidget::closeEvent(event);
}

}  // namespace curvane
