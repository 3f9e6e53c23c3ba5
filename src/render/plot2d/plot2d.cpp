// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/plot2d/plot2d.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "core/document/shared_evaluators.h"
#include "core/plot/sampler2d.h"
#include "core/settings/settings.h"
#include "core/support/ini_file.h"

namespace curvane {

double UnitsGranularity(std::uint8_t unitsMode) { return unitsMode == 0 ? 1.0 : std::numbers::pi; }

TPlot2D::TPlot2D() : FBackground(static_cast<TPlotColor>(0xFF00000Fu)) {  // the system's button face
    FIndicator.SetAxisColor(clRed);
    FIndicator.SetBackground(clBlack);
    FIndicator.SetGraphicColor(clBlue);
    SetSize({100, 100});
    FIndicator.SetXRange(-10, 10);
    FIndicator.SetYRange(-1, 1);
    FIndicator.OnGetAxisLabel = [this](double value, int axis, QString& text) {
        UnitsAxisLabel(value, axis == 1 ? FUnitsXMode : FUnitsYMode, text);
    };
}

TPlot2D::~TPlot2D() = default;

void TPlot2D::SetBackground(TPlotColor color) {
    if (FBackground == color) return;
    FBackground = color;
    if (TIndicatorOwner* owner = FIndicator.Owner()) owner->RequestRedraw();
}

void TPlot2D::SetUnitsXMode(std::uint8_t mode) {
    if (mode == FUnitsXMode) return;
    FUnitsXMode = mode;
    FIndicator.SetGridGranularityX(UnitsGranularity(mode));
}

void TPlot2D::SetUnitsYMode(std::uint8_t mode) {
    if (mode == FUnitsYMode) return;
    FUnitsYMode = mode;
    FIndicator.SetGridGranularityY(UnitsGranularity(mode));
}

QSize TPlot2D::Size() const {
    const TPixelRect& r = FIndicator.ControlRect();
    return {r.Right - r.Left, r.Bottom - r.Top};
}

void TPlot2D::SetSize(QSize size) {
    FIndicator.Layout({0, 0, std::max(MinSide, size.width()), std::max(MinSide, size.height())});
}

void TPlot2D::ApplySettings(const TSettings& all) {
    const TSettings2D& settings = all.Window2D;
    // The units give each axis its granularity (1, or pi for radians and
    // degrees). A stored granularity replaces it only on a dimensionless
    // axis: radians and degrees label multiples of pi, and the stored value,
    // 1 unless the user chose another, would put those labels at odd
    // fractions of pi.
    SetUnitsXMode(settings.UnitsX);
    SetUnitsYMode(settings.UnitsY);
    if (FUnitsXMode == 0) FIndicator.SetGridGranularityX(settings.GranularityX);
    if (FUnitsYMode == 0) FIndicator.SetGridGranularityY(settings.GranularityY);

    const TOwnerBatch batch(FIndicator.Owner());
    FIndicator.ZoomToRect({-10, -10}, {10, 10});
    SetBackground(settings.WindowBackground);
    TLook2D look = FIndicator.Look();
    look.Stored() = LookFromSettings(all);
    look.ScopeType = TScopeType::stScope;
    look.GridLineStyle = Qt::DotLine;
    FIndicator.SetLook(look);
}

void TPlot2D::StoreSettings(TSettings& all) const {
    TSettings2D& settings = all.Window2D;
    settings.UnitsX = FUnitsXMode;
    settings.UnitsY = FUnitsYMode;
    settings.GranularityX = FIndicator.GridGranularityX();
    settings.GranularityY = FIndicator.GridGranularityY();
    settings.WindowBackground = FBackground;
    StoreLook(FIndicator.Look(), all);
}

TView2D TPlot2D::View() const {
    TView2D view;
    view.Uniform = FIndicator.Uniform();
    view.FullGrid = FIndicator.FullGrid();
    view.Labels = FIndicator.Labels();
    view.UnitsX = FUnitsXMode;
    view.UnitsY = FUnitsYMode;
    view.GranularityX = FIndicator.GridGranularityX();
    view.GranularityY = FIndicator.GridGranularityY();
    view.Left = FIndicator.WorldLeft();
    view.Right = FIndicator.WorldRight();
    view.Top = FIndicator.WorldTop();
    view.Bottom = FIndicator.WorldBottom();
    return view;
}

void TPlot2D::LoadView(const TIniFile& ini) {
    TView2D view = View();
    // Units, granularities and the edges are checked where they are read:
    // nothing here can make the grid loops or the scales fail.
    LoadView2D(ini, view);
    const TOwnerBatch batch(FIndicator.Owner());
    FIndicator.SetUniform(view.Uniform);
    FIndicator.SetFullGrid(view.FullGrid);
    FIndicator.SetLabels(view.Labels);
    SetUnitsXMode(view.UnitsX);
    SetUnitsYMode(view.UnitsY);
    // A file with units but no granularity keeps the units' granularity.
    if (ini.ValueExists("Grid", "GranularityX")) FIndicator.SetGridGranularityX(view.GranularityX);
    if (ini.ValueExists("Grid", "GranularityY")) FIndicator.SetGridGranularityY(view.GranularityY);
    FIndicator.ZoomToRect({view.Left, view.Top}, {view.Right, view.Bottom});
}

void TPlot2D::SaveView(TIniFile& ini) const { SaveView2D(ini, View()); }

std::int32_t TPlot2D::LoadDocument(const TIniFile& ini) {
    std::int32_t active = -1;
    const int first = Functions().Count();
    LoadFunctions(ini, Functions(), active, false);
    EnsureCurves();
    TGraphPlines& plines = FIndicator.Plines();
    for (int i = first; i < Functions().Count(); ++i) {
        plines[i].SetColor(Functions()[i]->Color);
        plines[i].SetWidth(Functions()[i]->Width);
    }
    LoadView(ini);
    return active;
}

void TPlot2D::UpdateCaption() {
    QString caption;
    for (int i = 0; i < Functions().Count(); ++i) {
        const TFuncItem& f = *Functions()[i];
        const QString text = QString::fromStdString(f.Expression);
        if (i > 0) caption += ", ";
        caption += f.Derivative ? "[" + text + "]'" : text;
    }
    FIndicator.SetCaption(caption);
}

void TPlot2D::EnsureCurves() {
    TGraphPlines& plines = FIndicator.Plines();
    while (plines.Count() < Functions().Count()) plines.Add();
}

void TPlot2D::Sample(bool onlyActive, int active, TSamplerDialog& dialog) {
    // A question asked in the middle of the run spins an event loop; whoever
    // wants the evaluators from there must see that this run holds them.
    const TSharedEvaluatorLease lease;
    FFailedFunction = -1;
    const TSampleView view{FIndicator.WorldLeft(),   FIndicator.WorldRight(), FIndicator.Width(),
                           FIndicator.WorldBottom(), FIndicator.WorldTop(),   FIndicator.Height()};
    EnsureCurves();
    TGraphPlines& plines = FIndicator.Plines();

    // Marks already shown stay; the sampler adds only positions not known yet.
    std::vector<TSampleMark> marks;
    for (int i = 0; i < FIndicator.Marks().Count(); ++i) marks.push_back({FIndicator.Marks().GetVertex(i)[0], {}});
    const std::size_t knownMarks = marks.size();
    auto publishMarks = [&] {
        for (std::size_t i = knownMarks; i < marks.size(); ++i)
            FIndicator.AddMark(QString::fromStdString(marks[i].Text), marks[i].Position);
    };

    int first = 0;
    int last = Functions().Count() - 1;
    if (onlyActive) {
        first = last = active;
        if (!Functions().Items(active)) last = first - 1;  // nothing to sample
    }
    for (int i = first; i <= last; ++i) {
        TFuncItem& func = *Functions()[i];
        TGraphPline& curve = plines[i];
        curve.Pline().Clear();
        curve.SetColor(func.Color);
        curve.SetWidth(func.Width);
        TRangeOutcome outcome;
        try {
            outcome = SampleFunction2D(func, view, dialog, curve.Pline(), marks);
        } catch (...) {
            FFailedFunction = i;
            publishMarks();
            throw;
        }
        if (outcome == TRangeOutcome::roCancel) break;
    }
    publishMarks();
}

void TPlot2D::Paint(QPainter& painter) const {
    painter.fillRect(QRect(QPoint(0, 0), Size()), ToQColor(FBackground));
    FIndicator.Paint(painter);
}

QImage TPlot2D::Picture(double ratio) const {
    if (!(ratio >= 1) || !std::isfinite(ratio)) ratio = 1;
    const QSize size = Size();
    QImage picture(static_cast<int>(std::ceil(size.width() * ratio)),
                   static_cast<int>(std::ceil(size.height() * ratio)), QImage::Format_RGB32);
    picture.setDevicePixelRatio(ratio);
    QPainter painter(&picture);
    Paint(painter);
    return picture;
}

}  // namespace curvane
