// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/dialogs/frm_options.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QPointer>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include <cmath>

#include "core/plot/units.h"
#include "core/settings/settings.h"
#include "gui/common/exception_report.h"
#include "gui/document/document_owner.h"
#include "gui/document/frm_abstract_mdi_child.h"
#include "gui/document/window_look.h"
#include "gui/help/help.h"
#include "gui/plot2d/scope.h"
#include "gui/plot3d/gl_panel.h"
#include "gui/widgets/func_bar_widgets.h"
#include "gui/widgets/splash.h"
#include "render/plot2d/indicator.h"
#include "render/plot2d/plot2d.h"
#include "render/plot3d/plot3d.h"

namespace curvane {

namespace {

constexpr QSize PreviewSize(240, 200);

void StoreStyle3D(const TScene3DStyle& style, TSettings3D& s) {
    s.WindowBackground = style.Background;
    s.GridColor = style.GridColor;
    s.AxesColor = style.AxesColor;
    s.LabelsColor = style.LabelsColor;
    s.Axes = style.Axes;
    s.AxesLabels = style.AxesLabels;
    s.Grid = style.Grid;
    s.Smooth = style.Smooth;
    s.ColorMode = static_cast<std::int32_t>(style.Coloring);
    s.ColorMap = static_cast<std::int32_t>(style.ColorMap);
    s.Contours = static_cast<std::int32_t>(style.Contours);
    s.ContourCount = style.ContourCount;
    s.ScaledBox = style.ScaledBox;
    s.ScreenLabels = style.ScreenLabels;
    s.BoxRatioX = style.BoxRatioX, s.BoxRatioY = style.BoxRatioY, s.BoxRatioZ = style.BoxRatioZ;
}

// "x:y:z" as the box's edge ratio; a part that is no positive number is 1.
void ReadBoxRatio(const QString& text, TScene3DStyle& style) {
    const QStringList parts = text.split(QLatin1Char(':'));
    double* ratios[3] = {&style.BoxRatioX, &style.BoxRatioY, &style.BoxRatioZ};
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        const double v = i < parts.size() ? parts[i].trimmed().toDouble(&ok) : 0;
        *ratios[i] = ok && v > 0 && std::isfinite(v) ? v : 1;
    }
}

QString BoxRatioText(double x, double y, double z) {
    return QStringLiteral("%1:%2:%3").arg(QString::number(x, 'g', 6), QString::number(y, 'g', 6),
                                          QString::number(z, 'g', 6));
}

// The entries of the units lists, in the order the lists show them.
constexpr struct {
    TUnits Units;
    const char* Name;
} UnitsEntries[] = {
    {TUnits::uDimensionless, "Dimensionless"},
    {TUnits::uRadians, "Radians"},
    {TUnits::uDegrees, "Degrees"},
};

QComboBox* UnitsList(const char* name) {
    auto* list = new QComboBox;
    list->setObjectName(QString::fromLatin1(name));
    for (const auto& entry : UnitsEntries) list->addItem(QString::fromLatin1(entry.Name));
    return list;
}

TUnits ChosenUnits(const QComboBox* list) {
    const int index = list->currentIndex();
    return index >= 0 && index < static_cast<int>(std::size(UnitsEntries)) ? UnitsEntries[index].Units
                                                                             : TUnits::uDimensionless;
}

void ShowUnits(QComboBox* list, TUnits units) {
    for (int i = 0; i < static_cast<int>(std::size(UnitsEntries)); ++i)
        if (UnitsEntries[i].Units == units) list->setCurrentIndex(i);
}

}  // namespace

TfrmOptions::TfrmOptions(QMdiArea* area, QWidget* parent) : QDialog(parent), FArea(area) {
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("Options"));
    SetHelpTopic(this, QString::fromLatin1(HelpPages::Options));

    FPages = new QTabWidget(this);
    FPages->setObjectName(QStringLiteral("pgcOptions"));
    tshGeneral = BuildGeneralPage();
    tsh2D = Build2DPage();
    tsh3D = Build3DPage();
    FPages->addTab(tshGeneral, QStringLiteral("General"));
    FPages->addTab(tsh2D, QStringLiteral("2D window"));
    FPages->addTab(tsh3D, QStringLiteral("3D window"));

    cbxSaveDefault = AddCheck("cbxSaveDefault", QStringLiteral("Save as default"));
    cbxApplyAll = AddCheck("cbxApplyAll", QStringLiteral("Apply to all"));

    btnOk = new QPushButton(QStringLiteral("OK"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setDefault(true);
    btnOk->setToolTip(QStringLiteral("Apply changes and close the window"));
    btnOk->setStatusTip(btnOk->toolTip());
    btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnHelp = new QPushButton(QStringLiteral("Help"), this);
    btnHelp->setObjectName(QStringLiteral("btnHelp"));
    btnHelp->setAutoDefault(false);
    btnApply = new QPushButton(QStringLiteral("Apply"), this);
    btnApply->setObjectName(QStringLiteral("btnApply"));
    btnApply->setToolTip(QStringLiteral("Apply changes without closing the window"));
    btnApply->setStatusTip(btnApply->toolTip());

    auto* foot = new QHBoxLayout;
    foot->addWidget(cbxApplyAll);
    foot->addStretch();
    for (QPushButton* button : {btnOk, btnCancel, btnHelp, btnApply}) foot->addWidget(button);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(FPages);
    layout->addWidget(cbxSaveDefault);
    layout->addLayout(foot);

    connect(btnOk, &QPushButton::clicked, this, &TfrmOptions::accept);
    connect(btnCancel, &QPushButton::clicked, this, &TfrmOptions::reject);
    connect(btnApply, &QPushButton::clicked, this, [this] { RunGuarded([this] { Apply(); }); });
    connect(btnHelp, &QPushButton::clicked, this, [this] { ShowHelpTopic(HelpTopicAt(this)); });
    connect(FPages, &QTabWidget::currentChanged, this, [this] { RunGuarded([this] { PageChanged(); }); });

    LoadControls();
}

TfrmOptions::~TfrmOptions() = default;

QCheckBox* TfrmOptions::AddCheck(const char* name, const QString& caption) {
    auto* box = new QCheckBox(caption);
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

TColorBox* TfrmOptions::AddColorRow(QFormLayout* form, const char* name, const QString& caption) {
    auto* box = new TColorBox;
    box->setObjectName(QString::fromLatin1(name));
    form->addRow(caption, box);
    return box;
}

QWidget* TfrmOptions::BuildGeneralPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("tshGeneral"));
    cbxSaveConfig = AddCheck("cbxSaveConfig", QStringLiteral("Save config on exit"));
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(cbxSaveConfig);
    layout->addStretch();
    return page;
}

QWidget* TfrmOptions::Build2DPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("tsh2D"));

    FPreview2D = new TScope;
    FPreview2D->setObjectName(QStringLiteral("Preview2D"));
    FPreview2D->setFixedSize(PreviewSize);

    auto* appearance = new QWidget;
    appearance->setObjectName(QStringLiteral("tshAppearance"));
    auto* colors = new QFormLayout(appearance);
    clrWindow2D = AddColorRow(colors, "clrWindow2D", QStringLiteral("Window background"));
    clrIndicator = AddColorRow(colors, "clrIndicator", QStringLiteral("Indicator background"));
    clrAxes2D = AddColorRow(colors, "clrAxes2D", QStringLiteral("Axes color"));
    clrGrid2D = AddColorRow(colors, "clrGrid2D", QStringLiteral("Grid color"));
    clrPeriod = AddColorRow(colors, "clrPeriod", QStringLiteral("Period color"));
    cbxAntialiasing = AddCheck("cbxAntialiasing", QStringLiteral("Antialiasing"));
    colors->addRow(cbxAntialiasing);

    auto* grid = new QWidget;
    grid->setObjectName(QStringLiteral("tshGrid"));
    auto* gridLayout = new QFormLayout(grid);
    cbxUnitsX = UnitsList("cbxUnitsX");
    cbxUnitsY = UnitsList("cbxUnitsY");
    gridLayout->addRow(QStringLiteral("Abscissa units"), cbxUnitsX);
    gridLayout->addRow(QStringLiteral("Ordinate units"), cbxUnitsY);
    cbxFullGrid = AddCheck("cbxFullGrid", QStringLiteral("Full grid"));
    cbxLabels = AddCheck("cbxLabels", QStringLiteral("Show labels"));
    cbxUniform = AddCheck("cbxUniform", QStringLiteral("Uniform"));
    for (QCheckBox* box : {cbxFullGrid, cbxLabels, cbxUniform}) gridLayout->addRow(box);
    btnGridFont = new QPushButton(QStringLiteral("Set grid font"));
    btnGridFont->setObjectName(QStringLiteral("btnGridFont"));
    btnGridFont->setAutoDefault(false);
    gridLayout->addRow(btnGridFont);

    FPages2D = new QTabWidget;
    FPages2D->setObjectName(QStringLiteral("pgc2D"));
    FPages2D->addTab(appearance, QStringLiteral("Appearance"));
    FPages2D->addTab(grid, QStringLiteral("Grid"));

    auto* layout = new QHBoxLayout(page);
    layout->addWidget(FPreview2D, 0, Qt::AlignTop);
    layout->addWidget(FPages2D, 1);

    TIndicator& ind = FPreview2D->Indicator();
    auto color2D = [this, &ind](TColorBox* box, void (TIndicator::*setter)(TPlotColor)) {
        connect(box, &TColorBox::colorChosen, this, [&ind, setter](std::int32_t color) { (ind.*setter)(color); });
    };
    connect(clrWindow2D, &TColorBox::colorChosen, this,
            [this](std::int32_t color) { FPreview2D->Plot().SetBackground(color); });
    color2D(clrIndicator, &TIndicator::SetBackground);
    color2D(clrAxes2D, &TIndicator::SetAxisColor);
    color2D(clrGrid2D, &TIndicator::SetGridColor);
    color2D(clrPeriod, &TIndicator::SetMarkColor);
    auto switch2D = [this, &ind](QCheckBox* box, void (TIndicator::*setter)(bool)) {
        connect(box, &QCheckBox::toggled, this, [&ind, setter](bool on) { (ind.*setter)(on); });
    };
    switch2D(cbxAntialiasing, &TIndicator::SetAntialiasing);
    switch2D(cbxFullGrid, &TIndicator::SetFullGrid);
    switch2D(cbxLabels, &TIndicator::SetLabels);
    switch2D(cbxUniform, &TIndicator::SetUniform);
    connect(cbxUnitsX, &QComboBox::activated, this, [this] { ChooseUnits(TAxis::axX); });
    connect(cbxUnitsY, &QComboBox::activated, this, [this] { ChooseUnits(TAxis::axY); });
    connect(btnGridFont, &QPushButton::clicked, this, [this] { ChooseGridFont(); });
    return page;
}

QWidget* TfrmOptions::Build3DPage() {
    auto* page = new QWidget(FPages);
    page->setObjectName(QStringLiteral("tsh3D"));
    // The preview is made when the page is first shown: setting up OpenGL
    // takes a while, and many openings of the dialog never come here.
    auto* place = new QWidget(page);
    place->setFixedSize(PreviewSize);
    F3DPreviewPlace = new QVBoxLayout(place);
    F3DPreviewPlace->setContentsMargins(0, 0, 0, 0);
    // The panel itself is made now, hidden and without a context: a window
    // that gains its first OpenGL child while shown is made again by Qt, and
    // a modal dialog made again this way is no longer modal.
    if (OpenGLProblem().isEmpty()) {
        FPanel3D = new TGLPanel(place);
        FPanel3D->setObjectName(QStringLiteral("Preview3D"));
        FPanel3D->hide();
        F3DPreviewPlace->addWidget(FPanel3D);
    }

    auto* controls = new QFormLayout;
    clrWindow3D = AddColorRow(controls, "clrWindow3D", QStringLiteral("Window background"));
    clrAxes3D = AddColorRow(controls, "clrAxes3D", QStringLiteral("Axes color"));
    clrGrid3D = AddColorRow(controls, "clrGrid3D", QStringLiteral("Grid color"));
    clrLabels3D = AddColorRow(controls, "clrLabels3D", QStringLiteral("Axes' labels color"));
    cbxGrid3D = AddCheck("cbxGrid3D", QStringLiteral("Grid"));
    cbxAxes3D = AddCheck("cbxAxes3D", QStringLiteral("Axes"));
    cbxLabels3D = AddCheck("cbxLabels3D", QStringLiteral("Axes' labels"));
    cbxSmooth = AddCheck("cbxSmooth", QStringLiteral("Color smooth"));
    cbxScaledBox = AddCheck("cbxScaledBox", QStringLiteral("Box in proportion"));
    cbxScreenLabels = AddCheck("cbxScreenLabels", QStringLiteral("Labels at screen size"));
    for (QCheckBox* box : {cbxGrid3D, cbxAxes3D, cbxLabels3D, cbxSmooth, cbxScaledBox, cbxScreenLabels})
        controls->addRow(box);
    edBoxRatio = new QLineEdit(page);
    edBoxRatio->setObjectName(QStringLiteral("edBoxRatio"));
    controls->addRow(QStringLiteral("Box ratio x:y:z"), edBoxRatio);
    connect(edBoxRatio, &QLineEdit::editingFinished, this, [this] { Update3DPreview(); });
    FMeshLook.AddRows(*controls);

    auto* layout = new QHBoxLayout(page);
    layout->addWidget(place, 0, Qt::AlignTop);
    layout->addLayout(controls, 1);

    for (TColorBox* box : {clrWindow3D, clrAxes3D, clrGrid3D, clrLabels3D})
        connect(box, &TColorBox::colorChosen, this, [this] { Update3DPreview(); });
    for (QCheckBox* box : {cbxGrid3D, cbxAxes3D, cbxLabels3D, cbxSmooth, cbxScaledBox, cbxScreenLabels})
        connect(box, &QCheckBox::toggled, this, [this] { Update3DPreview(); });
    FMeshLook.OnChange(this, [this] { Update3DPreview(); });
    return page;
}

void TfrmOptions::LoadControls() {
    const TSettings& settings = Settings();
    cbxSaveConfig->setChecked(settings.SaveConfig);

    TPlot2D& plot = FPreview2D->Plot();
    TIndicator& ind = plot.Indicator();
    {
        const TUpdateGuard<TScope> guard(*FPreview2D);
        plot.ApplySettings(settings);
        ind.SetMouseMode(TMouseMode::mmPan);
        ind.SetGridLineStyle(Qt::DotLine);
        ind.ZoomToRect({-10, -10}, {10, 10});
        ind.AddMark(QStringLiteral("7.5"), 7.5);
    }
    const TSettings2D& s2 = settings.Window2D;
    clrWindow2D->SetColor(s2.WindowBackground);
    clrIndicator->SetColor(s2.IndicatorBackground);
    clrAxes2D->SetColor(s2.AxisColor);
    clrGrid2D->SetColor(s2.GridColor);
    clrPeriod->SetColor(s2.PeriodColor);
    // The preview already shows these; the boxes' reactions would only
    // store the same values again.
    const QSignalBlocker blockers[] = {QSignalBlocker(cbxAntialiasing), QSignalBlocker(cbxFullGrid),
                                       QSignalBlocker(cbxLabels), QSignalBlocker(cbxUniform)};
    cbxAntialiasing->setChecked(s2.Antialiasing);
    cbxFullGrid->setChecked(s2.FullGrid);
    cbxLabels->setChecked(s2.Labels);
    cbxUniform->setChecked(s2.Uniform);
    ShowUnits(cbxUnitsX, plot.UnitsXMode());
    ShowUnits(cbxUnitsY, plot.UnitsYMode());

    // The 3D preview does not exist yet, so these reach nothing.
    const TSettings3D& s3 = settings.Window3D;
    clrWindow3D->SetColor(s3.WindowBackground);
    clrAxes3D->SetColor(s3.AxesColor);
    clrGrid3D->SetColor(s3.GridColor);
    clrLabels3D->SetColor(s3.LabelsColor);
    cbxGrid3D->setChecked(s3.Grid);
    cbxAxes3D->setChecked(s3.Axes);
    cbxLabels3D->setChecked(s3.AxesLabels);
    cbxSmooth->setChecked(s3.Smooth);
    TScene3DStyle meshLook;
    meshLook.Coloring = static_cast<TMeshColoring>(s3.ColorMode);
    meshLook.ColorMap = static_cast<TColorMap>(s3.ColorMap);
    meshLook.Contours = static_cast<TContourPlace>(s3.Contours);
    meshLook.ContourCount = s3.ContourCount;
    FMeshLook.Show(meshLook);
    cbxScaledBox->setChecked(s3.ScaledBox);
    cbxScreenLabels->setChecked(s3.ScreenLabels);
    edBoxRatio->setText(BoxRatioText(s3.BoxRatioX, s3.BoxRatioY, s3.BoxRatioZ));
}

void TfrmOptions::Setup(TOptionsPage page, bool saveAndApplyToAll) {
    cbxSaveDefault->setChecked(saveAndApplyToAll);
    cbxApplyAll->setChecked(saveAndApplyToAll);
    switch (page) {
    case TOptionsPage::opGeneral:
        FPages->setCurrentWidget(tshGeneral);
        break;
    case TOptionsPage::op2DAppearance:
    case TOptionsPage::op2DGrid:
        FPages2D->setCurrentIndex(page == TOptionsPage::op2DGrid ? 1 : 0);
        FPages->setCurrentWidget(tsh2D);
        break;
    case TOptionsPage::op3D:
        FPages->setCurrentWidget(tsh3D);
        break;
    }
}

void TfrmOptions::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Opened straight on the 3D page, the page is shown without a change of
    // page: the preview is made once the dialog is on the screen.
    if (FPages->currentWidget() == tsh3D)
        QMetaObject::invokeMethod(this, [this] { RunGuarded([this] { PageChanged(); }); }, Qt::QueuedConnection);
}

void TfrmOptions::PageChanged() {
    if (F3DShown || FPages->currentWidget() != tsh3D || !isVisible()) return;
    F3DShown = true;
    Create3DPreview();
}

void TfrmOptions::Create3DPreview() {
    const QString problem = OpenGLProblem();
    if (!problem.isEmpty()) {
        FNoOpenGL = new QLabel(QStringLiteral("No 3D preview: this display does not offer OpenGL (%1).").arg(problem));
        FNoOpenGL->setObjectName(QStringLiteral("NoOpenGL"));
        FNoOpenGL->setAlignment(Qt::AlignCenter);
        FNoOpenGL->setWordWrap(true);
        F3DPreviewPlace->addWidget(FNoOpenGL);
        return;
    }
    ShowSplash(QStringLiteral("Initializing openGL"));
    struct TSplashOff {
        ~TSplashOff() { HideSplash(); }
    } splashOff;
    FPreview3D = FPanel3D;
    Update3DPreview();
    // Shown inside a visible page, the panel sets up its context right here,
    // under the splash, rather than at the next turn of the event loop.
    FPreview3D->show();
}

TScene3DStyle TfrmOptions::Chosen3DStyle() const {
    TScene3DStyle style;
    style.Background = clrWindow3D->Color();
    style.AxesColor = clrAxes3D->Color();
    style.GridColor = clrGrid3D->Color();
    style.LabelsColor = clrLabels3D->Color();
    style.Grid = cbxGrid3D->isChecked();
    style.Axes = cbxAxes3D->isChecked();
    style.AxesLabels = cbxLabels3D->isChecked();
    style.Smooth = cbxSmooth->isChecked();
    FMeshLook.Choose(style);
    style.ScaledBox = cbxScaledBox->isChecked();
    style.ScreenLabels = cbxScreenLabels->isChecked();
    ReadBoxRatio(edBoxRatio->text(), style);
    return style;
}

void TfrmOptions::Update3DPreview() {
    if (!FPreview3D) return;
    CopyLook3D(Chosen3DStyle(), FPreview3D->Plot().Style());
    FPreview3D->update();
}

void TfrmOptions::ChooseUnits(TAxis axis) {
    TPlot2D& plot = FPreview2D->Plot();
    TIndicator& ind = plot.Indicator();
    const TUnits mode = ChosenUnits(axis == TAxis::axX ? cbxUnitsX : cbxUnitsY);
    // Choosing a unit always sets the granularity, even the unit shown: a
    // dimensionless axis may have come with a stored granularity of its own.
    const double granularity = UnitsGranularity(mode);
    if (axis == TAxis::axX) {
        plot.SetUnitsXMode(mode);
        ind.SetGridGranularityX(granularity);
    } else {
        plot.SetUnitsYMode(mode);
        ind.SetGridGranularityY(granularity);
    }
    // The labels move with the layout (a wider label widens the margin).
    ind.Layout(ind.ControlRect());
    FPreview2D->DrawBuffer();
}

void TfrmOptions::ChooseGridFont() {
    TIndicator& ind = FPreview2D->Indicator();
    bool ok = false;
    const QFont font = QFontDialog::getFont(&ok, ind.GridFont(), this);
    if (!ok) return;
    const TUpdateGuard<TScope> guard(*FPreview2D);
    ind.SetGridFont(font);
    ind.Layout(ind.ControlRect());
}

void TfrmOptions::Apply() {
    TSettings& settings = Settings();
    settings.SaveConfig = cbxSaveConfig->isChecked();

    if (cbxSaveDefault->isChecked()) {
        FPreview2D->Plot().StoreSettings(settings);
        // Without OpenGL the page shows no preview, but its choices count.
        if (F3DShown) StoreStyle3D(Chosen3DStyle(), settings.Window3D);
    }

    // Applying to one window samples it, and a question of its sampling spins
    // a loop in which another target may be closed.
    QList<QPointer<TfrmAbstractMDIChild>> targets;
    if (cbxApplyAll->isChecked()) {
        for (QMdiSubWindow* sub : FArea->subWindowList())
            if (auto* window = qobject_cast<TfrmAbstractMDIChild*>(sub->widget())) targets.append(window);
    } else if (TfrmAbstractMDIChild* window = CurrentGraphWindow(FArea)) {
        targets.append(window);
    }
    TWindowLook look;
    look.Plot2D = &FPreview2D->Plot();
    look.UnitsX = ChosenUnits(cbxUnitsX);
    look.UnitsY = ChosenUnits(cbxUnitsY);
    // 3D windows keep their look unless the 3D page was opened.
    if (F3DShown) look.Style3D = Chosen3DStyle();
    for (const QPointer<TfrmAbstractMDIChild>& window : targets) {
        if (!window) continue;
        // One undo step per window for what its document keeps (units, grid
        // switches, uniform, 3D switches); colours are the look, not the
        // document, and a window whose document did not change gets no step.
        TDocumentEdit edit(window->Owner(), QStringLiteral("Options"));
        if (window->WindowType() == TWindowType::wt2D)
            ChooseSwitches2D(edit.Document().View2D);
        else if (F3DShown)
            ChooseSwitches3D(edit.Document());
        window->ApplyLook(look);
        edit.Commit();
    }
    // The 3D switches of the tool bar follow the active window.
    TGraphHub::Instance().PostUpdateControls();
}

void TfrmOptions::accept() {
    RunGuarded([this] { Apply(); });
    QDialog::accept();
}

void TfrmOptions::ChooseSwitches2D(TView2D& view) const {
    const TIndicator& chosen = FPreview2D->Plot().Indicator();
    view.FullGrid = chosen.FullGrid();
    view.Labels = chosen.Labels();
    view.Uniform = chosen.Uniform();
    // New units bring their own grid step, as they do on the plot.
    const auto units = [](TUnits& mode, double& granularity, TUnits chosenMode) {
        if (mode == chosenMode) return;
        mode = chosenMode;
        granularity = UnitsGranularity(mode);
    };
    units(view.UnitsX, view.GranularityX, ChosenUnits(cbxUnitsX));
    units(view.UnitsY, view.GranularityY, ChosenUnits(cbxUnitsY));
}

void TfrmOptions::ChooseSwitches3D(TGraphDocument& document) const {
    const TScene3DStyle chosen = Chosen3DStyle();
    document.View3D.Axes = chosen.Axes;
    document.View3D.Labels = chosen.AxesLabels;
    document.View3D.Smooth = chosen.Smooth;
    document.View3D.ColorMode = static_cast<std::int32_t>(chosen.Coloring);
    document.View3D.ColorMap = static_cast<std::int32_t>(chosen.ColorMap);
    document.View3D.Contours = static_cast<std::int32_t>(chosen.Contours);
    document.View3D.ContourCount = chosen.ContourCount;
    document.View3D.ScaledBox = chosen.ScaledBox;
    document.View3D.ScreenLabels = chosen.ScreenLabels;
    document.View3D.BoxRatioX = chosen.BoxRatioX;
    document.View3D.BoxRatioY = chosen.BoxRatioY;
    document.View3D.BoxRatioZ = chosen.BoxRatioZ;
    document.Grid3D = chosen.Grid;
}

void RunOptionsDialog(QMdiArea* area, QWidget* parent, TOptionsPage page, bool saveAndApplyToAll) {
    auto* dialog = new TfrmOptions(area, parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->Setup(page, saveAndApplyToAll);
    // Only the main window waits for the answer: the help (F1), a window of
    // its own, stays usable beside the dialog.
    dialog->setWindowModality(Qt::WindowModal);
    dialog->exec();
}

}  // namespace curvane
