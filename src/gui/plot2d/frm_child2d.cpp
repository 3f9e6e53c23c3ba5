#include "gui/plot2d/frm_child2d.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QResizeEvent>
#include <QStatusBar>
#include <QVBoxLayout>

#include <cmath>
#include <functional>
#include <numbers>

#include "core/document/func_item.h"
#include "core/document/graph_document.h"
#include "core/plot/sampler2d.h"
#include "core/settings/settings.h"
#include "core/support/exceptions.h"
#include "core/support/ini_file.h"
#include "gui/app/application.h"
#include "gui/app/exception_report.h"
#include "gui/plot2d/scope.h"
#include "render/fonts.h"
#include "render/plot2d/indicator.h"

namespace curvane {

namespace {

QString FromStd(const std::string& text) { return QString::fromStdString(text); }

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
        QMessageBox::warning(FParent, ApplicationTitle(), FromStd(message), QMessageBox::Ok);
    }

private:
    QWidget* FParent;
};

double Granularity(std::uint8_t unitsMode) { return unitsMode == 0 ? 1.0 : std::numbers::pi; }

}  // namespace

TfrmChild2D_::TfrmChild2D_(QWidget* parent) : TfrmAbstractMDIChild(TWindowType::wt2D, parent) {
    FScope = new TScope(this);
    ClientLayout()->addWidget(FScope);
    TIndicator& ind = FScope->Indicator();
    FScope->OnAfterPan = [this](TIndicator&) { AfterViewChange(); };
    FScope->OnAfterScale = [this](TIndicator&) { AfterViewChange(); };
    FScope->OnGetAxisLabel = [this](double value, int axis, QString& text) {
        UnitsAxisLabel(value, axis == 1 ? FUnitsXMode : FUnitsYMode, text);
    };
    FScope->OnMouseMove = [this](int x, int y) { ShowCoordinates(QPoint(x, y)); };

    const TSettings& all = Settings();
    const TSettings2D& settings = all.Window2D;
    SetUnitsXMode(settings.UnitsX);
    SetUnitsYMode(settings.UnitsY);
    TUpdateGuard<TScope> guard(*FScope);
    ind.ZoomToRect({-10, -10}, {10, 10});
    ind.SetScopeType(TScopeType::stScope);
    FScope->SetBackground(settings.WindowBackground);
    ind.SetGridLineStyle(Qt::DotLine);
    ind.SetBackground(settings.IndicatorBackground);
    ind.SetAxisColor(settings.AxisColor);
    ind.SetGridColor(settings.GridColor);
    ind.SetMarkColor(settings.PeriodColor);
    ind.SetFullGrid(settings.FullGrid);
    ind.SetLabels(settings.Labels);
    ind.SetUniform(settings.Uniform);
    const TFontRecord& font = all.Font;
    ind.SetFont(MakePlotFont(FromStd(font.Name), font.Size, font.Bold, font.Italic, font.Underline, font.StrikeOut));
    ind.SetFontColor(font.Color);
    const TFontRecord& gridFont = all.GridFont;
    ind.SetGridFont(MakePlotFont(FromStd(gridFont.Name), gridFont.Size, gridFont.Bold, gridFont.Italic,
                                 gridFont.Underline, gridFont.StrikeOut));
    ind.SetGridFontColor(gridFont.Color);
}

TfrmChild2D_::~TfrmChild2D_() = default;

TIndicator& TfrmChild2D_::Indicator() const { return FScope->Indicator(); }

void TfrmChild2D_::SetUnitsXMode(std::uint8_t mode) {
    if (mode == FUnitsXMode) return;
    FUnitsXMode = mode;
    Indicator().SetGridGranularityX(Granularity(mode));
}

void TfrmChild2D_::SetUnitsYMode(std::uint8_t mode) {
    if (mode == FUnitsYMode) return;
    FUnitsYMode = mode;
    Indicator().SetGridGranularityY(Granularity(mode));
}

void TfrmChild2D_::SetPlotSize(QSize size) {
    FScope->setFixedSize(size);
    layout()->activate();
    resize(layout()->sizeHint());
}

void TfrmChild2D_::Activated() {
    TfrmAbstractMDIChild::Activated();
}

void TfrmChild2D_::UpdateCaption() {
    TfrmAbstractMDIChild::UpdateCaption();
    QString caption;
    for (int i = 0; i < FuncCount(); ++i) {
        const TFuncItem* f = Func(i);
        if (i > 0) caption += ", ";
        caption += f->Derivative ? "[" + FromStd(f->Expression) + "]'" : FromStd(f->Expression);
    }
    Indicator().SetCaption(caption);
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
    TGraphPlines& plines = Indicator().Plines();
    while (plines.Count() < FuncCount()) plines.Add();
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
    // A message box asked while sampling runs its own event loop; resizes and
    // view changes arriving there must not start a second sampling.
    if (FRecalculating) return;
    FRecalculating = true;
    struct TReset {
        bool& flag;
        ~TReset() { flag = false; }
    } reset{FRecalculating};

    TGraphHub& hub = TGraphHub::Instance();
    emit hub.StatusTextRequested(0, QStringLiteral("Working"));
    emit hub.StatusTextRequested(2, QString());

    TIndicator& ind = Indicator();
    TMessageBoxDialog boxes(this);
    TSamplerDialog& dialog = FSamplerDialog ? *FSamplerDialog : static_cast<TSamplerDialog&>(boxes);
    const TSampleView view{ind.WorldLeft(), ind.WorldRight(), ind.Width()};
    TGraphPlines& plines = ind.Plines();
    while (plines.Count() < FuncCount()) plines.Add();

    // Marks already shown stay; the sampler adds only positions not known yet.
    std::vector<TSampleMark> marks;
    for (int i = 0; i < ind.Marks().Count(); ++i) marks.push_back({ind.Marks().GetVertex(i)[0], {}});
    const std::size_t knownMarks = marks.size();
    auto publishMarks = [&] {
        for (std::size_t i = knownMarks; i < marks.size(); ++i)
            ind.AddMark(FromStd(marks[i].Text), marks[i].Position);
    };

    int first = 0;
    int last = FuncCount() - 1;
    if (onlyActive) {
        first = last = FuncActive();
        if (!ActiveFunc()) last = first - 1;  // nothing to sample
    }
    for (int i = first; i <= last; ++i) {
        TFuncItem& func = *Func(i);
        TGraphPline& curve = plines[i];
        curve.Pline().Clear();
        curve.SetColor(func.Color);
        curve.SetWidth(func.Width);
        TRangeOutcome outcome;
        try {
            outcome = SampleFunction2D(func, view, dialog, curve.Pline(), marks);
        } catch (const ESyntaxError&) {
            curve.Pline().Clear();
            publishMarks();
            emit hub.StatusTextRequested(0, QStringLiteral("Ready"));
            SetFuncActive(i);
            emit hub.FuncBarRefreshRequested(false);
            emit hub.FormulaEditRequested(FromStd(func.Expression));
            throw;
        } catch (...) {
            publishMarks();
            emit hub.StatusTextRequested(0, QStringLiteral("Ready"));
            throw;
        }
        if (outcome == TRangeOutcome::roCancel) break;
    }
    publishMarks();
    Redraw();
    emit hub.StatusTextRequested(0, QStringLiteral("Ready"));
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

void TfrmChild2D_::FunctionLoaded(int index) {
    TGraphPlines& plines = Indicator().Plines();
    while (plines.Count() <= index) plines.Add();
}

void TfrmChild2D_::SaveToIni(TIniFile& ini) {
    TfrmAbstractMDIChild::SaveToIni(ini);
    const TIndicator& ind = Indicator();
    TView2D view;
    view.Uniform = ind.Uniform();
    view.FullGrid = ind.FullGrid();
    view.Labels = ind.Labels();
    view.UnitsX = FUnitsXMode;
    view.UnitsY = FUnitsYMode;
    view.GranularityX = ind.GridGranularityX();
    view.GranularityY = ind.GridGranularityY();
    view.Left = ind.WorldLeft();
    view.Right = ind.WorldRight();
    view.Top = ind.WorldTop();
    view.Bottom = ind.WorldBottom();
    SaveView2D(ini, view);
}

void TfrmChild2D_::LoadFromIni(TIniFile& ini) {
    TfrmAbstractMDIChild::LoadFromIni(ini);
    TIndicator& ind = Indicator();
    TView2D view;
    view.UnitsX = FUnitsXMode;
    view.UnitsY = FUnitsYMode;
    view.GranularityX = ind.GridGranularityX();
    view.GranularityY = ind.GridGranularityY();
    // Units, granularities and the edges are checked where they are read:
    // nothing here can make the grid loops or the scales fail.
    LoadView2D(ini, view);
    TUpdateGuard<TScope> guard(*FScope);
    ind.SetUniform(view.Uniform);
    ind.SetFullGrid(view.FullGrid);
    ind.SetLabels(view.Labels);
    SetUnitsXMode(view.UnitsX);
    SetUnitsYMode(view.UnitsY);
    // A file with units but no granularity gets the units' granularity, as
    // the units are applied before the granularities are read.
    if (ini.ValueExists("Grid", "GranularityX")) ind.SetGridGranularityX(view.GranularityX);
    if (ini.ValueExists("Grid", "GranularityY")) ind.SetGridGranularityY(view.GranularityY);
    ind.ZoomToRect({view.Left, view.Top}, {view.Right, view.Bottom});
}

void TfrmChild2D_::resizeEvent(QResizeEvent* event) {
    TfrmAbstractMDIChild::resizeEvent(event);
    if (TGraphHub::Instance().Autoredraw()) RunGuarded([this] { Recalculate(false); });
}

void TfrmChild2D_::AfterViewChange() {
    emit TGraphHub::Instance().ViewChanged(this);
    if (TGraphHub::Instance().Autoredraw()) RunGuarded([this] { Recalculate(false); });
}

void TfrmChild2D_::ShowCoordinates(QPoint pixel) {
    const QPointF world = Indicator().ScreenToWorld(pixel);
    SetStatusPanel(0, QString::asprintf("X = %f", world.x()));
    SetStatusPanel(2, QString::asprintf("Y = %f", world.y()));
}

}  // namespace curvane
