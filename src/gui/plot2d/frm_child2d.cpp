// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/plot2d/frm_child2d.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QResizeEvent>
#include <QTimer>
#include <QVBoxLayout>

#include "core/document/func_item.h"
#include "core/plot/sampler2d.h"
#include "core/settings/settings.h"
#include "core/support/exceptions.h"
#include "gui/common/application.h"
#include "gui/common/exception_report.h"
#include "gui/document/view_box.h"
#include "gui/document/window_look.h"
#include "gui/plot2d/points_of_interest.h"
#include "gui/plot2d/scope.h"
#include "render/plot2d/indicator.h"
#include "render/plot2d/plot2d.h"

namespace curvane {

namespace {

// The manual-limits questions as message boxes over the window.
class TMessageBoxDialog : public TSamplerDialog {
public:
    explicit TMessageBoxDialog(QWidget* parent) : FParent(parent) {}

    bool ConfirmSwap() override {
        return QMessageBox::warning(FParent, ApplicationTitle(),
                                    QStringLiteral("\"From\" field is greater than field \"To\". Swap this fields?"),
                                    QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
    }
    void WarnEqual() override {
        QMessageBox::warning(FParent, ApplicationTitle(),
                             QStringLiteral("\"From\" field is equal to field \"To\"."), QMessageBox::Ok);
    }
    bool ConfirmLongDrawing() override {
        return QMessageBox::warning(
                   FParent, ApplicationTitle(),
                   QStringLiteral("The drawing of the function with this step could take very long time. Proceed?"),
                   QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    }
    void RefuseRange(const std::string& message) override {
        QMessageBox::warning(FParent, ApplicationTitle(), QString::fromStdString(message), QMessageBox::Ok);
    }

private:
    QWidget* FParent;
};


}  // namespace

TfrmChild2D_::TfrmChild2D_(QWidget* parent) : TfrmAbstractMDIChild(TWindowType::wt2D, parent) {
    FStepSampler = new QTimer(this);
    FStepSampler->setSingleShot(true);
    FStepSampler->setInterval(0);
    connect(FStepSampler, &QTimer::timeout, this, [this] {
        if (FSampled && TGraphHub::Instance().Autoredraw()) RunGuarded([this] { Recalculate(TRecalc::rcAll); });
    });
    FScope = new TScope(this);
    ClientLayout()->addWidget(FScope);
    FScope->OnAfterPan = [this](TIndicator&) { FollowView(); };
    FScope->OnAfterScale = [this](TIndicator&) { FollowView(); };
    FPoints = new TPointsOfInterest(*this);
    FScope->OnMouseMove = [this](int x, int y) {
        ShowCoordinates(QPoint(x, y));
        FPoints->Hover(QPoint(x, y));
    };
    FScope->OnClaimPress = [this](QPoint pixel, Qt::MouseButton button, Qt::KeyboardModifiers keys) {
        return FPoints->Press(pixel, button, keys);
    };
    FScope->OnGestureBegin = [this] {
        FGestureStart = Indicator().View();
        FBurstKind.reset();
    };
    FScope->OnViewStep = [this](const TViewStep& step) { RunGuarded([&] { StepView(step); }); };
    FScope->OnGestureEnd = [this] {
        // A drag is one step of the history however many moves it took.
        if (FGestureStart) ViewLeft(*FGestureStart);
        FGestureStart.reset();
    };
    Plot().ApplySettings(Settings());
    // A new document shows the switches the settings give; saving and
    // recovery take the visible area from the plot.
    TGraphDocument document = Document();
    document.View2D = Plot().View();
    Owner()->Reset(document);
    FPoints->SetShown(Settings().Window2D.PointsOfInterest);
    Owner()->SetViewSource([this](TGraphDocument& doc) {
        const TView2D view = Plot().View();
        doc.View2D.Left = view.Left;
        doc.View2D.Right = view.Right;
        doc.View2D.Top = view.Top;
        doc.View2D.Bottom = view.Bottom;
    });
}

TfrmChild2D_::~TfrmChild2D_() {
    // The plot goes with the window; the owner may still be asked for a copy.
    Owner()->SetViewSource({});
}

TPlot2D& TfrmChild2D_::Plot() const { return FScope->Plot(); }

TIndicator& TfrmChild2D_::Indicator() const { return FScope->Indicator(); }

void TfrmChild2D_::SetPlotSize(QSize size) {
    FScope->setFixedSize(size);
    layout()->activate();
    resize(layout()->sizeHint());
}

void TfrmChild2D::UpdateCaption() { TfrmChild2D_::UpdateCaption(); }

void TfrmChild2D_::Recalculate(TRecalc scope) {
    if (scope == TRecalc::rcActive)
        Sample(std::vector<int>{FuncActive()});
    else
        Sample(std::nullopt);
}

void TfrmChild2D_::Sample(const std::optional<std::vector<int>>& functions) {
    // A question on the screen (this window's or another computation's) runs
    // a nested event loop; a resize or view change handled there must not
    // compile into the evaluators under the running sampler.
    const bool activeOnly = functions && *functions == std::vector<int>{FuncActive()};
    if (PostponeWhileLeased(activeOnly ? TRecalc::rcActive : TRecalc::rcAll)) return;
    FSampled = true;

    const TComputationNotice notice;
    TGraphHub& hub = TGraphHub::Instance();
    emit hub.StatusTextRequested(TMainStatusPanel::mspState, QStringLiteral("Working"));
    emit hub.StatusTextRequested(TMainStatusPanel::mspHint, QString());

    TMessageBoxDialog boxes(this);
    TSamplerDialog& dialog = FSamplerDialog ? *FSamplerDialog : static_cast<TSamplerDialog&>(boxes);
    // The window may go while a question is on the screen: the owner is
    // checked before every range it keeps.
    const QPointer<TDocumentOwner> owner = Owner();
    const auto keep = [owner](int function, const TFuncItem& sampled) {
        if (owner) owner->KeepSampledRange(function, sampled);
    };
    try {
        // A copy: a question's event loop may edit the document meanwhile.
        const TGraphDocument document = Document();
        if (functions)
            Plot().Sample(document, *functions, dialog, keep);
        else
            Plot().Sample(document, std::nullopt, dialog, keep);
    } catch (const ESyntaxError&) {
        // The faulty function waits in the formula box, ready for correction.
        const int failed = Plot().FailedFunction();
        emit hub.StatusTextRequested(TMainStatusPanel::mspState, QStringLiteral("Ready"));
        SetFuncActive(failed);
        if (const TFuncItem* func = Func(failed)) emit hub.FormulaEditRequested(QString::fromStdString(func->Expression));
        throw;
    } catch (...) {
        emit hub.StatusTextRequested(TMainStatusPanel::mspState, QStringLiteral("Ready"));
        throw;
    }
    Redraw();
    emit hub.StatusTextRequested(TMainStatusPanel::mspState, QStringLiteral("Ready"));
}

TPlotNeed TfrmChild2D_::FollowDocument(const TDocumentChange& change, TChangeOrigin origin) {
    TPlotNeed need = TPlotNeed::pnNothing;
    {
        TUpdateGuard<TScope> guard(*FScope);
        need = Plot().Follow(Document(), change);
        if (origin == TChangeOrigin::coLoad) {
            Plot().ShowVisibleArea(Document().View2D);
            // The views before belong to another document.
            FViewHistory.Clear();
            FBurstKind.reset();
        }
    }
    // New views are seen when they are painted; parameter values keep the
    // points near where they were until the new ones come.
    switch (change.Kind) {
        case TChangeKind::ckNothing: break;
        case TChangeKind::ckParameters:
            if (!change.Functions.empty()) FPoints->Changed(TPointChange::pcView);
            break;
        case TChangeKind::ckLook:
        case TChangeKind::ckScale:
        case TChangeKind::ckDisplay: FPoints->Changed(TPointChange::pcView); break;
        default: FPoints->Changed(TPointChange::pcContent); break;
    }
    if (change.Kind == TChangeKind::ckScale || change.Kind == TChangeKind::ckDisplay ||
        change.Kind == TChangeKind::ckDocument) {
        // The display controller shows the switches; the tool bars follow.
        emit TGraphHub::Instance().ViewChanged(this);
        TGraphHub::Instance().PostUpdateControls();
    }
    return need;
}

void TfrmChild2D_::SampleChange(const TDocumentChange& change, TPlotNeed need) {
    // A new scale is sampled only with Autoredraw on, as every change of view.
    if (change.Kind == TChangeKind::ckScale && !TGraphHub::Instance().Autoredraw()) return Redraw();
    if (need == TPlotNeed::pnSampleOne) return Sample(std::vector<int>{change.Function});
    if (need == TPlotNeed::pnSampleListed) return Sample(change.Functions);
    Sample(std::nullopt);
}

void TfrmChild2D_::Redraw() { FScope->DrawBuffer(); }

void TfrmChild2D_::resizeEvent(QResizeEvent* event) {
    TfrmAbstractMDIChild::resizeEvent(event);
    if (FSampled && TGraphHub::Instance().Autoredraw()) RunGuarded([this] { Recalculate(TRecalc::rcAll); });
}

void TfrmChild2D_::FollowView() {
    // This sampling serves the steps still waiting for theirs.
    FStepSampler->stop();
    emit TGraphHub::Instance().ViewChanged(this);
    if (FSampled && TGraphHub::Instance().Autoredraw()) RunGuarded([this] { Recalculate(TRecalc::rcAll); });
}

void TfrmChild2D_::ViewLeft(const TWorldView& before) {
    FBurstKind.reset();
    if (before == Indicator().View()) return;
    FViewHistory.Push(before);
    TGraphHub::Instance().PostUpdateControls();
}

void TfrmChild2D_::StepView(const TViewStep& step) {
    // A key pressed during a drag would move the view under the gesture.
    if (QGuiApplication::mouseButtons() != Qt::NoButton) return;
    TIndicator& ind = Indicator();
    const TWorldView before = ind.View();
    bool stepped = false;
    if (step.Kind == TViewStepKind::vkPan) {
        stepped = ind.PanBy(step.PanX, step.PanY);
    } else {
        const QPointF fixed = step.Anchor ? ind.ScreenToWorld(*step.Anchor)
                                          : QPointF(ind.OriginX() + ind.WorldWidth() / 2,
                                                    ind.OriginY() - ind.WorldHeight() / 2);
        const double factorY = step.Kind == TViewStepKind::vkZoomX ? 1.0 : step.Factor;
        stepped = ind.ZoomAbout(fixed, step.Factor, factorY);
    }
    // At a range limit the step is refused and the burst goes on unchanged.
    if (!stepped) return;
    const bool sameBurst = FBurstKind == step.Kind && FLastStep.elapsed() < ViewBurstPauseMs;
    if (!sameBurst) ViewLeft(before);
    FBurstKind = step.Kind;
    FLastStep.start();
    // The x axis zoomed alone turned the uniform switch off.
    if (before.Uniform != ind.Uniform()) TGraphHub::Instance().PostUpdateControls();
    emit TGraphHub::Instance().ViewChanged(this);
    if (FSampled && TGraphHub::Instance().Autoredraw()) FStepSampler->start();
}

void TfrmChild2D_::keyPressEvent(QKeyEvent* event) {
    const std::optional<TViewStep> step = KeyStep(*event);
    if (!step) {
        TfrmAbstractMDIChild::keyPressEvent(event);
        return;
    }
    event->accept();
    RunGuarded([&] { StepView(*step); });
}

void TfrmChild2D_::PreviousView() {
    if (FViewHistory.CanBack()) ShowView(FViewHistory.Back(Indicator().View()));
}

void TfrmChild2D_::NextView() {
    if (FViewHistory.CanForward()) ShowView(FViewHistory.Forward(Indicator().View()));
}

void TfrmChild2D_::ShowView(const TWorldView& view) {
    // A step after this one begins a burst of its own.
    FBurstKind.reset();
    {
        TUpdateGuard<TScope> guard(*FScope);
        Indicator().SetView(view);
    }
    // The commands show the uniform switch of the view now shown.
    TGraphHub::Instance().PostUpdateControls();
    FollowView();
}

void TfrmChild2D_::ShowCoordinates(QPoint pixel) {
    const QPointF world = Indicator().ScreenToWorld(pixel);
    SetStatusPanel(TStatusPanel::spX, QString::asprintf("X = %f", world.x()));
    SetStatusPanel(TStatusPanel::spY, QString::asprintf("Y = %f", world.y()));
}

// -- what a feature asks any graph window --

// A value copy: tools drawing on the buffer later detach from it.
QImage TfrmChild2D_::Picture() const { return FScope->Buffer(); }

QSize TfrmChild2D_::PictureSize() const { return Plot().Size(); }

void TfrmChild2D_::PaintVectors(QPainter& painter) const { Plot().Paint(painter); }

TViewBox TfrmChild2D_::ViewBox() const {
    const TIndicator& ind = Indicator();
    TViewBox box;
    // X1, X2, Y1, Y2 lead the values.
    box.Values = {ind.WorldLeft(), ind.WorldRight(), ind.WorldTop(), ind.WorldBottom()};
    box.YFollowsX = ind.Uniform();
    return box;
}

void TfrmChild2D_::SetViewValue(TViewValue which, double value) {
    const TViewAction action(*this);
    TIndicator& ind = Indicator();
    switch (which) {
        case TViewValue::vvX1: ind.SetWorldLeft(value); break;
        case TViewValue::vvX2: ind.SetWorldRight(value); break;
        case TViewValue::vvY1: ind.SetWorldTop(value); break;
        case TViewValue::vvY2: ind.SetWorldBottom(value); break;
        default: break;
    }
    FScope->DrawBuffer();
}

void TfrmChild2D_::ApplyLook(const TWindowLook& look) {
    if (!look.Plot2D) return;
    TPlot2D& plot = Plot();
    TIndicator& ind = plot.Indicator();
    const double left = ind.WorldLeft(), right = ind.WorldRight();
    {
        // Units change no setting that asks for a redraw: one is drawn below
        // whatever changed.
        const TOwnerBatch batch(FScope, true);
        CopyLook2D(*look.Plot2D, plot);
        plot.SetUnitsXMode(look.UnitsX);
        plot.SetUnitsYMode(look.UnitsY);
        ind.Layout(ind.ControlRect());
    }
    Redraw();
    // A change of Uniform can widen the x range: the window then follows it
    // as after any scaling, sampling the new range when Autoredraw is on.
    if (ind.WorldLeft() != left || ind.WorldRight() != right) FScope->AfterScale(ind);
}

TViewAction::TViewAction(TfrmChild2D_& window) : FWindow(window), FBefore(window.Indicator().View()) {}

TViewAction::~TViewAction() {
    try {
        FWindow.ViewLeft(FBefore);
    } catch (...) {
        // A view that could not be recorded is only missing from the history.
    }
}

}  // namespace curvane
