#include "gui/app/frm_main.h"

#include "core/document/shared_evaluators.h"
#include "core/settings/settings.h"
#include "core/support/ini_file.h"
#include "core/support/exceptions.h"
#include "gui/app/app_artwork.h"
#include "gui/app/exception_report.h"
#include "gui/widgets/formula_snippet_menu.h"
#include "gui/document/frm_abstract_mdi_child.h"
#include "gui/plot2d/frm_child2d.h"
#include "gui/widgets/func_bar_widgets.h"
#include "gui/app/shell_memory.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QSplitter>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QScreen>
#include <QToolBar>
#include <QToolButton>

namespace curvane {

namespace {

TfrmMain* gMainWindow = nullptr;

// "Short|Long": the short part is the tool tip, the long part goes to the
// status bar.
void SetHint(QAction* action, const QString& hint) {
    const qsizetype bar = hint.indexOf(QLatin1Char('|'));
    action->setToolTip(bar < 0 ? hint : hint.left(bar));
    action->setStatusTip(bar < 0 ? hint : hint.mid(bar + 1));
}

void SetHint(QWidget* widget, const QString& hint) {
    const qsizetype bar = hint.indexOf(QLatin1Char('|'));
    widget->setToolTip(bar < 0 ? hint : hint.left(bar));
    widget->setStatusTip(bar < 0 ? hint : hint.mid(bar + 1));
}

}  // namespace

TfrmMain* TfrmMain::Instance() { return gMainWindow; }

TfrmMain::TfrmMain(QWidget* parent) : QMainWindow(parent) {
    gMainWindow = this;
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Curvane"));
    setWindowIcon(FallbackIcon(QStringLiteral("FileNew2D")));

    FMdiArea = new QMdiArea(this);
    FMdiArea->setObjectName(QStringLiteral("MdiArea"));
    FMdiArea->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setCentralWidget(FMdiArea);
    connect(FMdiArea, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow*) { PostUpdateControls(); });

    CreateActions();
    CreateFuncBar();
    CreateToolBars();
    CreateMenus();
    CreateStatusBar();
    ConnectGraphHub();
    RunStartup();
}

TfrmMain::~TfrmMain() {
    RunGuarded([this] { RunShutdown(); });
    // The windows go before the frame's own widgets, so that their
    // destruction does not reach into a half-destroyed frame.
    if (FMdiArea) {
        const auto windows = FMdiArea->subWindowList();
        for (QMdiSubWindow* sub : windows) delete sub;
    }
    if (gMainWindow == this) gMainWindow = nullptr;
}

QAction* TfrmMain::Action(const QString& name) const { return FActions.value(name, nullptr); }

bool TfrmMain::Autoredraw() const { return TGraphHub::Instance().Autoredraw(); }

void TfrmMain::SetAutoredraw(bool value) {
    TGraphHub::Instance().SetAutoredraw(value);
    if (QAction* action = Action(QStringLiteral("actDisAutoredraw"))) action->setChecked(value);
}

// ---------------------------------------------------------------------------
// Building the frame

QAction* TfrmMain::AddAction(const QString& name, const QString& caption, const QString& themeIcon,
                             const QKeySequence& shortcut, void (TfrmMain::*command)()) {
    auto* action = new QAction(caption, this);
    action->setObjectName(name);
    action->setIcon(CommandIcon(themeIcon, name));
    if (!shortcut.isEmpty()) action->setShortcut(shortcut);
    // Menus show the captions with their accelerators; tool tips the caption.
    QString plain = caption;
    plain.remove(QLatin1Char('&'));
    if (plain.endsWith(QLatin1String("..."))) plain.chop(3);
    action->setToolTip(plain);
    if (command)
        connect(action, &QAction::triggered, this, [this, command] { RunGuarded([this, command] { (this->*command)(); }); });
    FActions.insert(name, action);
    return action;
}

void TfrmMain::CreateActions() {
    const QKeySequence none;
    AddAction("FileNew2D", "New &2D window", "document-new", QKeySequence("Ctrl+N"), &TfrmMain::FileNew2D);
    AddAction("FileNew3D", "New &3D window", "", QKeySequence("Ctrl+Shift+N"), nullptr);
    AddAction("File_Open", "&Open", "document-open", QKeySequence("Ctrl+O"), &TfrmMain::File_Open);
    AddAction("File_Save", "&Save", "document-save", QKeySequence("Ctrl+S"), &TfrmMain::File_Save);
    AddAction("File_SaveAs", "Save &As...", "document-save-as", none, &TfrmMain::File_SaveAs);
    AddAction("FileClose", "&Close", "window-close", QKeySequence("Ctrl+F4"), &TfrmMain::FileClose);
    AddAction("FileCloseAll", "Close &All", "", none, &TfrmMain::FileCloseAll);
    AddAction("FileSaveImage", "Save &image...", "", none, nullptr);
    AddAction("FileImage2Clip", "Copy image...", "", none, nullptr);
    AddAction("FilePrint", "&Print...", "document-print", QKeySequence("Ctrl+P"), nullptr);
    AddAction("FileClearMRU", "Clear &File List", "", none, nullptr);
    AddAction("FileExit", "E&xit", "application-exit", QKeySequence("Alt+X"), &TfrmMain::FileExit);

    AddAction("FuncSet", "Set function...", "", QKeySequence(Qt::Key_F2), &TfrmMain::FuncSet);
    AddAction("FuncUpdate", "Enter function", "", none, &TfrmMain::FuncUpdate);
    AddAction("FuncAdd", "&Add function", "list-add", QKeySequence(Qt::Key_F7), &TfrmMain::FuncAdd);
    AddAction("FuncDelete", "&Delete function", "list-remove", QKeySequence(Qt::Key_F8), &TfrmMain::FuncDelete);
    AddAction("FuncDraw", "Draw function", "view-refresh", QKeySequence(Qt::Key_F5), &TfrmMain::FuncDraw);
    AddAction("FuncProperties", "Properties...", "document-properties", none, &TfrmMain::FuncProperties);
    AddAction("FuncDerivate", "Derivated", "", none, &TfrmMain::FuncDerivate)->setCheckable(true);
    AddAction("FuncAddCopy", "&Duplicate function", "", none, &TfrmMain::FuncAddCopy);
    AddAction("FuncAddDeriv", "Duplicate as deri&vative", "", none, &TfrmMain::FuncAddDeriv);
    QAction* visible = AddAction("FuncVisible", "FuncVisible", "", none, &TfrmMain::FuncVisible);
    visible->setCheckable(true);
    visible->setChecked(true);
    SetHint(visible, "Visible|Show or hide the function");
    AddAction("FuncGridSetup", "Grid setup...", "", none, nullptr);

    FModeGroup = new QActionGroup(this);
    FModeGroup->setExclusive(true);
    const struct {
        const char* Name;
        const char* Caption;
        int Tag;
    } modes[] = {{"actNothing", "Nothing", 0}, {"actCross", "Cross", 5},          {"actPan", "Pan", 1},
                 {"actScale", "Scale", 2},     {"actScaleX", "Scale by X axis", 3}, {"actScaleY", "Scale by Y axis", 4}};
    for (const auto& mode : modes) {
        QAction* action = AddAction(mode.Name, mode.Caption, "", none, &TfrmMain::MouseModeCommand);
        action->setCheckable(true);
        action->setData(mode.Tag);
        FModeGroup->addAction(action);
    }

    AddAction("actDisUniform", "Non-Uniform", "", none, &TfrmMain::actDisUniform)->setCheckable(true);
    AddAction("actDisGrid", "Grid", "", none, &TfrmMain::actDisGrid)->setCheckable(true);
    AddAction("actDisLabels", "Number labels", "", none, &TfrmMain::actDisLabels)->setCheckable(true);
    AddAction("actDisPoints", "Draw as points", "", none, &TfrmMain::actDisPoints)->setCheckable(true);
    AddAction("actDisAutoredraw", "Autoredraw", "", none, &TfrmMain::actDisAutoredraw)->setCheckable(true);
    AddAction("actDisResetScales", "&Reset scale to 1:1", "zoom-original", none, &TfrmMain::actDisResetScales);
    AddAction("actDisDefault", "De&fault view diapasone", "zoom-fit-best", none, &TfrmMain::actDisDefault);

    AddAction("actViewView", "Display controller", "", none, nullptr)->setCheckable(true);
    AddAction("ViewFuncExplorer", "Function explorer", "", none, nullptr)->setCheckable(true);
    AddAction("ViewLog", "Log window", "", none, nullptr)->setCheckable(true);
    AddAction("FuncTicker", "Ticker...", "", none, nullptr)->setCheckable(true);
    AddAction("ViewOptions", "Options...", "preferences-system", none, nullptr);
    AddAction("CalcTabulation", "Tabulation...", "", none, nullptr);
    AddAction("CalcIntegral", "Integral...", "", none, nullptr);
    AddAction("CalcRoot", "Root/Intersection finder...", "", none, nullptr);

    AddAction("WindowCascade1", "&Cascade", "", none, &TfrmMain::WindowCascade1);
    AddAction("WindowTileHorizontal1", "Tile &horizontally", "", none, &TfrmMain::WindowTileHorizontal1);
    AddAction("WindowTileVertical1", "Tile &vertically", "", none, &TfrmMain::WindowTileVertical1);
    AddAction("WindowMinimizeAll1", "Mi&nimize all", "", none, &TfrmMain::WindowMinimizeAll1);
    AddAction("WindowArrangeAll1", "Ma&ximize all", "", none, &TfrmMain::WindowArrangeAll1);
    AddAction("WindowArrange1", "&Arrange", "", none, nullptr);

    AddAction("HelpContents", "Contents", "help-contents", QKeySequence(Qt::Key_F1), nullptr);
    AddAction("HelpVelmoraHomePage", "Velmora Software on WWW", "", none, nullptr);
    AddAction("HelpAbout", "&About...", "help-about", none, nullptr);

    // The 3D tool bar's buttons.
    for (const char* name : {"btnPoints3", "btnLines", "btnSurface"}) AddAction(name, name, "", none, nullptr);
    for (const char* name : {"btnNormals", "btnSmooth", "btnAxes", "btnGrid3D", "btnLabels3D"})
        AddAction(name, name, "", none, nullptr)->setCheckable(true);
    AddAction("btnLightPos", "Random light position", "", none, nullptr);
    SetHint(Action("btnPoints3"), "Points|Draw the surfaces as points");
    SetHint(Action("btnLines"), "Lines|Draw the surfaces as lines");
    SetHint(Action("btnSurface"), "Surface|Draw the surfaces filled");
    SetHint(Action("btnNormals"), "Normals|Show the normals");
    SetHint(Action("btnSmooth"), "Smooth|Smooth shading");
    SetHint(Action("btnAxes"), "Axes|Show the axes");
    SetHint(Action("btnGrid3D"), "Grid|Show the grid");
    SetHint(Action("btnLabels3D"), "Labels|Show the axis labels");
    auto* group3D = new QActionGroup(this);
    for (const char* name : {"btnPoints3", "btnLines", "btnSurface"}) {
        Action(name)->setCheckable(true);
        group3D->addAction(Action(name));
    }

    // The coordinate-system buttons of the function bar (not shown).
    btnOrtho = AddAction("btnOrtho", "Orthogonal", "", none, &TfrmMain::btnOrthoClick);
    btnPolar = AddAction("btnPolar", "Polar", "", none, &TfrmMain::btnPolarClick);
    btnOrtho->setCheckable(true);
    btnPolar->setCheckable(true);
    btnOrtho->setVisible(false);
    btnPolar->setVisible(false);

    // What later parts of the program bring: shown, never enabled yet.
    SetUnavailable({"FileNew3D", "FileSaveImage", "FileImage2Clip", "FilePrint", "FuncGridSetup",
                    "actViewView", "FuncTicker", "ViewOptions", "CalcTabulation",
                    "CalcIntegral", "CalcRoot", "WindowArrange1", "HelpContents", "HelpVelmoraHomePage",
                    "HelpAbout", "btnPoints3", "btnLines", "btnSurface", "btnNormals", "btnSmooth", "btnAxes",
                    "btnGrid3D", "btnLabels3D", "btnLightPos"});
}

void TfrmMain::SetUnavailable(const QStringList& names) {
    for (const QString& name : names) {
        if (!FUnavailable.contains(name)) FUnavailable << name;
        if (QAction* action = Action(name)) action->setEnabled(false);
    }
}

void TfrmMain::MakeAvailable(const QString& name) {
    FUnavailable.removeAll(name);
    if (QAction* action = Action(name)) action->setEnabled(true);
    PostUpdateControls();
}

void TfrmMain::EnableAction(const QString& name, bool enabled) {
    if (QAction* action = Action(name)) action->setEnabled(enabled && !FUnavailable.contains(name));
}

void TfrmMain::CreateMenus() {
    FFileMenu = menuBar()->addMenu(QStringLiteral("&File"));
    FFileMenu->setObjectName(QStringLiteral("FileMenu"));
    FFileMenu->addAction(Action("FileNew2D"));
    FFileMenu->addAction(Action("FileNew3D"));
    FFileMenu->addAction(Action("File_Open"));
    FReopenMenu = FFileMenu->addMenu(QStringLiteral("Reopen"));
    FReopenMenu->setObjectName(QStringLiteral("ReopenMenu"));
    FReopenMenu->addAction(Action("FileClearMRU"));
    FFileMenu->addSeparator();
    FFileMenu->addAction(Action("File_Save"));
    FFileMenu->addAction(Action("File_SaveAs"));
    FFileMenu->addAction(Action("FileClose"));
    FFileMenu->addAction(Action("FileCloseAll"));
    FFileMenu->addSeparator();
    FFileMenu->addAction(Action("FileSaveImage"));
    FFileMenu->addAction(Action("FileImage2Clip"));
    FFileMenu->addAction(Action("FilePrint"));
    FFileMenu->addSeparator();
    FFileMenu->addAction(Action("FileExit"));

    QMenu* func = menuBar()->addMenu(QStringLiteral("F&unction"));
    func->setObjectName(QStringLiteral("FunctionMenu"));
    func->addAction(Action("FuncAdd"));
    func->addAction(Action("FuncProperties"));
    func->addAction(Action("FuncDelete"));
    func->addSeparator();
    func->addAction(Action("FuncDerivate"));
    func->addAction(Action("FuncAddCopy"));
    func->addAction(Action("FuncAddDeriv"));
    func->addSeparator();
    func->addAction(Action("FuncGridSetup"));
    // Not in the menu's list, but their shortcuts work from anywhere in the
    // frame: actions only react to shortcuts while they sit in a widget.
    addAction(Action("FuncSet"));
    addAction(Action("FuncDraw"));

    FViewMenu = menuBar()->addMenu(QStringLiteral("&View"));
    FViewMenu->setObjectName(QStringLiteral("ViewMenu"));
    FViewMenu->addAction(Action("ViewFuncExplorer"));
    FViewMenu->addAction(Action("ViewLog"));
    FViewMenu->addAction(Action("actViewView"));
    FViewMenu->addAction(Action("FuncTicker"));
    FViewMenu->addSeparator();
    for (const char* mode : {"actNothing", "actCross", "actPan", "actScale", "actScaleX", "actScaleY"})
        FViewMenu->addAction(Action(mode));
    FViewMenu->addSeparator();
    QMenu* display = FViewMenu->addMenu(QStringLiteral("Display"));
    display->setObjectName(QStringLiteral("DisplayMenu"));
    for (const char* name : {"actDisUniform", "actDisGrid", "actDisLabels", "actDisPoints", "actDisAutoredraw"})
        display->addAction(Action(name));
    FViewMenu->addAction(Action("actDisResetScales"));
    FViewMenu->addAction(Action("actDisDefault"));
    FViewMenu->addSeparator();
    FViewMenu->addAction(Action("ViewOptions"));

    QMenu* calc = menuBar()->addMenu(QStringLiteral("Calculus"));
    calc->setObjectName(QStringLiteral("CalculusMenu"));
    calc->addAction(Action("CalcTabulation"));
    calc->addAction(Action("CalcIntegral"));
    calc->addAction(Action("CalcRoot"));

    FWindowMenu = menuBar()->addMenu(QStringLiteral("&Window"));
    FWindowMenu->setObjectName(QStringLiteral("WindowMenu"));
    connect(FWindowMenu, &QMenu::aboutToShow, this, [this] {
        // The fixed commands, then one entry per open window.
        FWindowMenu->clear();
        for (const char* name : {"WindowMinimizeAll1", "WindowArrange1", "WindowCascade1", "WindowTileHorizontal1",
                                 "WindowTileVertical1"})
            FWindowMenu->addAction(Action(name));
        const auto windows = FMdiArea->subWindowList();
        if (!windows.isEmpty()) FWindowMenu->addSeparator();
        int number = 1;
        for (QMdiSubWindow* sub : windows) {
            QString title = sub->windowTitle();
            title.replace(QLatin1Char('&'), QLatin1String("&&"));
            QAction* entry = FWindowMenu->addAction(
                number < 10 ? QStringLiteral("&%1 %2").arg(number).arg(title) : QStringLiteral("%1 %2").arg(number).arg(title));
            entry->setCheckable(true);
            entry->setChecked(sub == FMdiArea->activeSubWindow());
            QPointer<QMdiSubWindow> target(sub);
            connect(entry, &QAction::triggered, this, [this, target] {
                if (target) FMdiArea->setActiveSubWindow(target);
            });
            ++number;
        }
    });
    emit FWindowMenu->aboutToShow();

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("HelpMenu"));
    help->addAction(Action("HelpContents"));
    help->addAction(Action("HelpVelmoraHomePage"));
    help->addSeparator();
    help->addAction(Action("HelpAbout"));
}

void TfrmMain::CreateToolBars() {
    barMain = addToolBar(QStringLiteral("Main toolbar"));
    barMain->setObjectName(QStringLiteral("barMain"));
    barMain->addAction(Action("FileNew2D"));
    barMain->addAction(Action("FileNew3D"));
    // Open, with the recent files as its drop-down.
    FOpenButton = new QToolButton(barMain);
    FOpenButton->setObjectName(QStringLiteral("btnOpen"));
    FOpenButton->setDefaultAction(Action("File_Open"));
    FOpenButton->setMenu(FReopenMenu);
    FOpenButton->setPopupMode(QToolButton::MenuButtonPopup);
    barMain->addWidget(FOpenButton);
    barMain->addAction(Action("File_Save"));
    barMain->addSeparator();
    barMain->addAction(Action("FileSaveImage"));
    barMain->addAction(Action("FileImage2Clip"));
    barMain->addAction(Action("FilePrint"));
    barMain->addSeparator();
    barMain->addAction(Action("FuncDraw"));
    barMain->addSeparator();
    barMain->addAction(Action("CalcTabulation"));
    barMain->addAction(Action("CalcIntegral"));
    barMain->addAction(Action("CalcRoot"));
    barMain->addSeparator();
    barMain->addAction(Action("WindowCascade1"));
    barMain->addAction(Action("WindowTileHorizontal1"));
    barMain->addAction(Action("WindowTileVertical1"));
    barMain->addSeparator();
    barMain->addAction(Action("HelpContents"));

    bar2D = addToolBar(QStringLiteral("2D Control"));
    bar2D->setObjectName(QStringLiteral("bar2D"));
    for (const char* mode : {"actNothing", "actCross", "actPan", "actScale", "actScaleX", "actScaleY"})
        bar2D->addAction(Action(mode));
    bar2D->addSeparator();
    for (const char* name : {"actDisUniform", "actDisGrid", "actDisLabels", "actDisPoints", "actDisAutoredraw"})
        bar2D->addAction(Action(name));
    bar2D->addSeparator();
    bar2D->addAction(Action("actDisResetScales"));
    bar2D->addAction(Action("actDisDefault"));

    bar3D = addToolBar(QStringLiteral("3D Control"));
    bar3D->setObjectName(QStringLiteral("bar3D"));
    for (const char* name : {"btnPoints3", "btnLines", "btnSurface"}) bar3D->addAction(Action(name));
    bar3D->addSeparator();
    bar3D->addAction(Action("btnNormals"));
    bar3D->addAction(Action("btnSmooth"));
    bar3D->addSeparator();
    for (const char* name : {"btnAxes", "btnGrid3D", "btnLabels3D"}) bar3D->addAction(Action(name));
    bar3D->addSeparator();
    bar3D->addAction(Action("btnLightPos"));
    bar2D->setVisible(false);
    bar3D->setVisible(false);
    // The function bar gets a row of its own: its formula box wants room.
    addToolBarBreak();
    addToolBar(barFuncParam);
}

void TfrmMain::CreateFuncBar() {
    barFuncParam = new QToolBar(QStringLiteral("Function params"), this);
    barFuncParam->setObjectName(QStringLiteral("barFuncParam"));

    edtFunc = new TFuncCombo;
    edtFunc->setObjectName(QStringLiteral("edtFunc"));
    edtFunc->setFont(QFont(QStringLiteral("Courier New"), 10));
    SetHint(edtFunc, QStringLiteral("Function list|Use this combo to select function"));
    edtFunc->setMinimumWidth(120);
    edtFunc->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);

    // The splitter's handle resizes the function editor; a dummy right pane
    // takes what the combo gives up.
    auto* splitter = new QSplitter(Qt::Horizontal);
    splitter->setObjectName(QStringLiteral("FuncSplitter"));
    splitter->setChildrenCollapsible(false);
    splitter->addWidget(edtFunc);
    auto* spacer = new QWidget;
    spacer->setFixedWidth(2);
    splitter->addWidget(spacer);
    splitter->setHandleWidth(6);
    splitter->handle(1)->setToolTip(QStringLiteral("Drag to resize function editor"));
    splitter->handle(1)->setStatusTip(QStringLiteral("Drag to resize function editor"));
    edtFunc->setFixedWidth(275);
    connect(splitter, &QSplitter::splitterMoved, this, [this](int pos, int) {
        edtFunc->setFixedWidth(std::max(120, pos));
        Settings().FuncComboWidth = static_cast<std::uint16_t>(edtFunc->width());
    });
    barFuncParam->addWidget(splitter);

    barFuncParam->addAction(Action("FuncAdd"));
    barFuncParam->addAction(Action("FuncAddCopy"));
    barFuncParam->addAction(Action("FuncAddDeriv"));
    barFuncParam->addAction(Action("FuncProperties"));
    barFuncParam->addAction(Action("FuncDelete"));
    barFuncParam->addSeparator();
    barFuncParam->addAction(Action("FuncDerivate"));
    barFuncParam->addAction(Action("FuncVisible"));
    barFuncParam->addSeparator();

    cbxGraphicWidth = new TWidthCombo;
    cbxGraphicWidth->setObjectName(QStringLiteral("cbxGraphicWidth"));
    SetHint(cbxGraphicWidth, QStringLiteral("Width|Set graphic width"));
    barFuncParam->addWidget(cbxGraphicWidth);
    barFuncParam->addAction(btnOrtho);
    barFuncParam->addAction(btnPolar);
    btnFuncColor = new TColorBox;
    btnFuncColor->setObjectName(QStringLiteral("btnFuncColor"));
    SetHint(btnFuncColor, QStringLiteral("Function color"));
    barFuncParam->addWidget(btnFuncColor);
    barFuncParam->addSeparator();
    barFuncParam->addAction(Action("FuncGridSetup"));

    FSnippetMenu = new TFormulaSnippetMenu(this);
    FSnippetMenu->SetTarget(edtFunc->lineEdit());

    connect(edtFunc, &TFuncCombo::enterPressed, this,
            [this] { RunGuarded([this] { FuncUpdate(); }); });
    connect(edtFunc, &TFuncCombo::contextMenuRequestedAt, this, [this](const QPoint& at) {
        FSnippetMenu->SetTarget(edtFunc->lineEdit());
        FSnippetMenu->popup(at);
    });
    connect(edtFunc, &QComboBox::currentIndexChanged, this,
            [this](int index) { RunGuarded([this, index] { FuncComboChanged(index); }); });
    connect(cbxGraphicWidth, &QComboBox::currentIndexChanged, this,
            [this](int index) { RunGuarded([this, index] { WidthChanged(index); }); });
    connect(btnFuncColor, &TColorBox::colorChosen, this,
            [this](std::int32_t color) { RunGuarded([this, color] { ColorChanged(color); }); });
}

void TfrmMain::CreateStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar"));
    bar->setSizeGripEnabled(true);
    FStatusPanels[0] = new QLabel(QStringLiteral("Ready"));
    FStatusPanels[0]->setObjectName(QStringLiteral("StatusPanel0"));
    FStatusPanels[0]->setMinimumWidth(50);
    FStatusPanels[1] = new QLabel;
    FStatusPanels[1]->setFixedWidth(4);
    FStatusPanels[1]->setFrameStyle(QFrame::Panel | QFrame::Raised);
    FStatusPanels[2] = new QLabel;
    FStatusPanels[2]->setObjectName(QStringLiteral("StatusPanel2"));
    FStatusPanels[2]->setMinimumWidth(50);
    bar->addWidget(FStatusPanels[0]);
    bar->addWidget(FStatusPanels[1]);
    // The hint panel takes the rest of the bar: hints are sentences.
    bar->addWidget(FStatusPanels[2], 1);
}

QString TfrmMain::StatusText(int panel) const {
    return panel >= 0 && panel < 3 && FStatusPanels[panel] ? FStatusPanels[panel]->text() : QString();
}

void TfrmMain::SetStatusText(int panel, const QString& text) {
    if (panel < 0 || panel >= 3 || !FStatusPanels[panel]) return;
    FStatusPanels[panel]->setText(text);
    // Sampling keeps the event loop busy: paint now so "Working" is seen.
    FStatusPanels[panel]->repaint();
}

bool TfrmMain::event(QEvent* event) {
    // Every hint's long part goes to panel 2 instead of replacing the panels.
    if (event->type() == QEvent::StatusTip) {
        if (FStatusPanels[2]) FStatusPanels[2]->setText(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

void TfrmMain::ConnectGraphHub() {
    TGraphHub& hub = TGraphHub::Instance();
    connect(&hub, &TGraphHub::UpdateControlsRequested, this, [this] { RunGuarded([this] { UpdateControls(); }); });
    connect(&hub, &TGraphHub::FuncBarRefreshRequested, this,
            [this](bool rebuild) { RunGuarded([this, rebuild] { UpdateFuncBar(rebuild); }); });
    connect(&hub, &TGraphHub::WindowActivated, this,
            [this](TfrmAbstractMDIChild* window) { RunGuarded([this, window] { OnWindowActivated(window); }); });
    connect(&hub, &TGraphHub::StatusTextRequested, this, &TfrmMain::SetStatusText);
    connect(&hub, &TGraphHub::FormulaEditRequested, this, &TfrmMain::OnFormulaEditRequested);
    connect(&hub, &TGraphHub::LastWindowClosed, this, [this](int windowType) {
        (windowType == 0 ? bar2D : bar3D)->setVisible(false);
    });
}

// ---------------------------------------------------------------------------
// Start-up and shutdown

void TfrmMain::RunStartup() {
    // The evaluator runs with floating-point exceptions masked and reports
    // faults itself, so the control word is left as the C runtime set it.
    TExceptionReport::Instance().SetInstalled(true);
    // Numbers are formatted and parsed with "." whatever the user's locale.
    QLocale::setDefault(QLocale::c());
    // The documents' "Window type" 0 opens a 2D window.
    RegisterGraphWindowClass(0, [] { return new TfrmChild2D; });
    // Without a window manager the maximised state means nothing: fill the
    // screen by hand, so the frame is as large either way.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) setGeometry(screen->availableGeometry());
    setWindowState(windowState() | Qt::WindowMaximized);
    FMdiArea->setBackground(QBrush(QPixmap::fromImage(CoverTile())));
    SetAutoredraw(TGraphHub::Instance().Autoredraw());
    RebuildSnippetMenuForOrtho();
    LoadSettings();
    // Recent files, window placement and the tool windows load here, after
    // the settings and before the first UpdateControls.
    FMemory = new TShellMemory(*this, FMdiArea,
                               {FReopenMenu, Action("FileClearMRU"), Action("ViewFuncExplorer"), Action("ViewLog"),
                                {Action("FuncAdd"), Action("FuncDelete"), Action("FuncProperties")}});
    FMemory->SetOpenHandler([this](const QString& path) { OpenDocuments({path}); });
    connect(FMemory, &TShellMemory::ExplorerActiveFunctionChanged, this, [this] { UpdateFuncBar(false); });
    connect(FMemory, &TShellMemory::ExplorerFunctionsChanged, this, [this] { UpdateFuncBar(true); });
    FMemory->LoadFile(SettingsFile().toStdString());
    UpdateControls();
}

QString TfrmMain::SettingsFile() {
    const QString overridden = qEnvironmentVariable("CURVANE_SETTINGS");
    if (!overridden.isEmpty()) return overridden;
    return QString::fromStdString(SettingsFilePath(QCoreApplication::applicationFilePath().toStdString()));
}

void TfrmMain::RebuildSnippetMenuForOrtho() { FSnippetMenu->Rebuild(EvalOrtho()); }

void TfrmMain::LoadSettings() {
    try {
        LoadSettingsFile(SettingsFile().toStdString(), Settings());
    } catch (const Exception& e) {
        // An unreadable settings file must not keep the program from
        // starting: it runs on the defaults and says why.
        QMessageBox::warning(this, windowTitle(), QString::fromUtf8(e.what()));
    }
    edtFunc->setFixedWidth(std::max<int>(120, Settings().FuncComboWidth));
}

bool TfrmMain::SaveSettingsOnExit() const { return Settings().SaveConfig; }

// One file, written once: the settings, then window placement, recent files
// and the tool windows' dock states. A write that fails leaves the previous
// file whole rather than half updated.
void TfrmMain::SaveSettings() {
    const auto ini = OpenSettingsFileForUpdate(SettingsFile().toStdString());
    curvane::SaveSettings(*ini, Settings());
    if (FMemory) FMemory->Save(*ini);
    ini->UpdateFile();
}

void TfrmMain::RunShutdown() {
    if (FShutdownDone) return;
    FShutdownDone = true;
    if (!SaveSettingsOnExit()) return;
    SaveSettings();
}

void TfrmMain::AddLogLine(const QString& line) {
    if (FMemory) FMemory->AddLogLine(line);
}

void TfrmMain::closeEvent(QCloseEvent* event) {
    // Every graph window answers its close question first; one "Cancel", or
    // a save that fails, keeps the whole program open.
    bool allowed = false;
    RunGuarded([this, &allowed] {
        const auto windows = FMdiArea->subWindowList();
        for (QMdiSubWindow* sub : windows) {
            auto* window = qobject_cast<TfrmAbstractMDIChild*>(sub->widget());
            if (window && !window->CloseQuery()) return;
        }
        allowed = true;
    });
    if (allowed)
        event->accept();
    else
        event->ignore();
}

}  // namespace curvane
