// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/plot2d/frm_child2d.h"

#include <QMessageBox>
#include <QResizeEvent>
#include <QVBoxLayout>

#include "core/document/func_item.h"
#include "core/plot/sampler2d.h"
#include "core/settings/settings.h"
#include "core/support/exceptions.h"
#include "gui/app/application.h"
#include "gui/app/exception_report.h"
#include "gui/document/document_edit.h"
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
    FScope = new TScope(this);
    ClientLayout()->addWidget(FScope);
    Plot().ShareFunctions(Functions());
    FScope->OnAfterPan = [this](TIndicator&) { FollowView(); };
    FScope->OnAfterScale = [this](TIndicator&) { FollowView(); };
    FScope->OnMouseMove = [this](int x, int y) { ShowCoordinates(QPoint(x, y)); };
    FScope->OnGestureBegin = [this] { FGestureStart = Indicator().View(); };
    FScope->OnGestureEnd = [this] {
        // A drag is one step of the history however many moves it took.
        if (FGestureStart) ViewLeft(*FGestureStart);
        FGestureStart.reset();
    };
    Plot().ApplySettings(Settings());

}

TfrmChild2D_::~TfrmChild2D_() = default;

TPlot2D& TfrmChild2D_::Plot() const { return FScope->Plot(); }

TIndicator& TfrmChild2D_::Indicator() const { return FScope->Indicator(); }

void TfrmChild2D_::SetPlotSize(QSize size) {
    FScope->setFixedSize(size);
    layout()->activate();
    resize(layout()->sizeHint());
}

void TfrmChild2D_::UpdateCaption() {
    TfrmAbstractMDIChild::UpdateCaption();
    Plot().UpdateCaption();
}

void TfrmChild2D::UpdateCaption() { TfrmChild2D_::UpdateCaption(); }

void TfrmChild2D_::SetActiveExpression(const QString& text) {
    TfrmAbstractMDIChild::SetActiveExpression(text);
    TGraphPlines& plines = Indicator().Plines();
    if (FuncActive() >= 0 && FuncActive() < plines.Count()) plines[FuncActive()].Pline().Clear();
    Indicator().ClearMarks();
}

void TfrmChild2D_::AddFunction(const QString& text) {
    TfrmAbstractMDIChild::AddFunction(text);
    // The base reuses an empty last function instead of adding one, so a
    // curve is only needed when the list grew past the curves.
    Plot().EnsureCurves();
    UpdateCaption();
}

void TfrmChild2D_::DeleteFunction(int index) {
    const int count = FuncCount();
    if (index >= 0 && index < count) {
        TGraphPlines& plines = Indicator().Plines();
        for (int i = index; i < count - 1 && i + 1 < plines.Count(); ++i) plines[i].Assign(plines[i + 1]);
        // The last curve stays in the collection, empty.
        if (count - 1 < plines.Count()) plines[count - 1].Pline().Clear();
    }
    TfrmAbstractMDIChild::DeleteFunction(index);
}

void TfrmChild2D_::Recalculate(bool onlyActive) {
    // A question on the screen (this window's or another computation's) runs
    // a nested event loop; a resize or view change handled there must not
    // compile into the evaluators under the running sampler.
    if (PostponeWhileLeased(onlyActive)) return;
    FSampled = true;

    const TComputationNotice notice;
    TGraphHub& hub = TGraphHub::Instance();
    emit hub.StatusTextRequested(TMainStatusPanel::mspState, QStringLiteral("Working"));
    emit hub.StatusTextRequested(TMainStatusPanel::mspHint, QString());

    TMessageBoxDialog boxes(this);
    TSamplerDialog& dialog = FSamplerDialog ? *FSamplerDialog : static_cast<TSamplerDialog&>(boxes);
    try {
        Plot().Sample(onlyActive, FuncActive(), dialog);
    } catch (const ESyntaxError&) {
        // The faulty function waits in the formula box, ready for correction.
        const int failed = Plot().FailedFunction();
        emit hub.StatusTextRequested(TMainStatusPanel::mspState, QStringLiteral("Ready"));
        SetFuncActive(failed);
        emit hub.FuncBarRefreshRequested(false);
        if (const TFuncItem* func = Func(failed)) emit hub.FormulaEditRequested(QString::fromStdString(func->Expression));
        throw;
    } catch (...) {
        emit hub.StatusTextRequested(TMainStatusPanel::mspState, QStringLiteral("Ready"));
        throw;
    }
    Redraw();
    emit hub.StatusTextRequested(TMainStatusPanel::mspState, QStringLiteral("Ready"));
}

void TfrmChild2D_::Redraw() { FScope->DrawBuffer(); }

std::int32_t TfrmChild2D_::GetFuncColor(int index) const {
    const TFuncItem* f = Func(index);
    return f ? f->Color : 0;
}

void TfrmChild2D_::SetFuncColor(int index, std::int32_t color) {
    TFuncItem* f = Func(index);
    if (!f) return;
    f->Color = color;
    TGraphPlines& plines = Indicator().Plines();
    if (index < plines.Count()) plines[index].SetColor(color);
}

void TfrmChild2D_::SetFuncWidth(int index, std::int32_t width) {
    TFuncItem* f = Func(index);
    if (!f) return;
    f->Width = width;
    TGraphPlines& plines = Indicator().Plines();
    if (index < plines.Count()) plines[index].SetWidth(width);
}

std::int32_t TfrmChild2D_::GetFuncWidth(int index) const {
    const TFuncItem* f = Func(index);
    return f ? f->Width : 1;
}

void TfrmChild2D_::FunctionLoaded(int) { Plot().EnsureCurves(); }

void TfrmChild2D_::SaveToIni(TIniFile& ini) {
    TfrmAbstractMDIChild::SaveToIni(ini);
    Plot().SaveView(ini);
}

void TfrmChild2D_::LoadFromIni(TIniFile& ini) {
    TfrmAbstractMDIChild::LoadFromIni(ini);
    Plot().LoadView(ini);
    // The views before belong to another document.
    FViewHistory.Clear();
    TGraphHub::Instance().PostUpdateControls();
}

void TfrmChild2D_::GetContent(TDocumentContent& content) const {
    TfrmAbstractMDIChild::GetContent(content);
    content.View2D = Plot().View();
    // The edges are the view, not the document: they keep their defaults here.
    const TView2D none;
    content.View2D.Left = none.Left;
    content.View2D.Right = none.Right;
    content.View2D.Top = none.Top;
    content.View2D.Bottom = none.Bottom;
}

void TfrmChild2D_::SetContent(const TDocumentContent& content) {
    // Marks belong to the samples: changed functions are sampled afresh.
    if (!SameFunctionsButLook(Functions(), content.Functions)) Indicator().ClearMarks();
    TfrmAbstractMDIChild::SetContent(content);
    const TView2D& view = content.View2D;
    TUpdateGuard<TScope> guard(*FScope);
    TIndicator& indicator = Indicator();
    indicator.SetUniform(view.Uniform);
    indicator.SetFullGrid(view.FullGrid);
    indicator.SetLabels(view.Labels);
    // Units set their own granularity, which a document may have replaced.
    Plot().SetUnitsXMode(view.UnitsX);
    Plot().SetUnitsYMode(view.UnitsY);
    indicator.SetGridGranularityX(view.GranularityX);
    indicator.SetGridGranularityY(view.GranularityY);
}

void TfrmChild2D_::resizeEvent(QResizeEvent* event) {
    TfrmAbstractMDIChild::resizeEvent(event);
    if (FSampled && TGraphHub::Instance().Autoredraw()) RunGuarded([this] { Recalculate(false); });
}

void TfrmChild2D_::FollowView() {
    emit TGraphHub::Instance().ViewChanged(this);
    if (FSampled && TGraphHub::Instance().Autoredraw()) RunGuarded([this] { Recalculate(false); });
}

void TfrmChild2D_::ViewLeft(const TWorldView& before) {
    if (before == Indicator().View()) return;
    FViewHistory.Push(before);
    TGraphHub::Instance().PostUpdateControls();
}

void TfrmChild2D_::PreviousView() {
    if (FViewHistory.CanBack()) ShowView(FViewHistory.Back(Indicator().View()));
}

void TfrmChild2D_::NextView() {
    if (FViewHistory.CanForward()) ShowView(FViewHistory.Forward(Indicator().View()));
}

void TfrmChild2D_::ShowView(const TWorldView& view) {
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

TViewAction::TViewAction(TfrmChild2D_& window) : FWindow(window), FBefore(window.Indicator().View()) {}

TViewAction::~TViewAction() {
    try {
        FWindow.ViewLeft(FBefore);
    } catch (...) {
        // A view that could not be recorded is only missing from the history.
    }
}

}  // namespace curvane
