// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/app/frm_main.h"

#include "core/document/shared_evaluators.h"
#include "core/settings/settings.h"
#include "core/support/ini_file.h"
#include "core/support/exceptions.h"
#include "gui/app/calculus_commands.h"
#include "gui/app/data_commands.h"
#include "gui/app/edit_commands.h"
#include "gui/app/file_commands.h"
#include "gui/app/function_commands.h"
#include "gui/app/help_commands.h"
#include "gui/app/recovery.h"
#include "gui/app/shell_memory.h"
#include "gui/app/view2d_commands.h"
#include "gui/app/view3d_commands.h"
#include "gui/app/window_classes.h"
#include "gui/app/window_commands.h"
#include "gui/common/application.h"
#include "gui/common/artwork.h"
#include "gui/common/exception_report.h"
#include "gui/document/frm_abstract_mdi_child.h"
#include "gui/plot3d/frm_view.h"
#include "gui/tools/tool_dialog.h"
#include "gui/widgets/formula_snippet_menu.h"
#include "gui/widgets/func_bar_widgets.h"
#include "gui/widgets/parameter_offer.h"

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
#include <QHBoxLayout>
#include <QSplitter>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QScreen>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace curvane {

namespace {

// "Short|Long": the short part is the tool tip, the long part goes to the
// status bar.
void SetHint(QWidget* widget, const QString& hint) {
    const qsizetype bar = hint.indexOf(QLatin1Char('|'));
    widget->setToolTip(bar < 0 ? hint : hint.left(bar));
    widget->setStatusTip(bar < 0 ? hint : hint.mid(bar + 1));
}

void AddActions(QWidget* target, const QList<QAction*>& actions) {
    for (QAction* action : actions) target->addAction(action);
}

// A box of the function bar shows the window colour while usable and the
// button face while not. The palette is set once and the enabled state picks
// its group: a palette set on every update is a new palette each time, and
// the style caches the box's pictures per palette, a few more kilobytes with
// every window opened or closed until its cache is full.
void GreyWhenDisabled(QWidget* box) {
    QPalette palette = box->palette();
    palette.setColor(QPalette::Disabled, QPalette::Base, QApplication::palette().color(QPalette::Button));
    box->setPalette(palette);
}

}  // namespace

TfrmMain::TfrmMain(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(ApplicationTitle());
    setWindowIcon(ApplicationIcon());
    RegisterShell(*this);

    FMdiArea = new QMdiArea(this);
    FMdiArea->setObjectName(QStringLiteral("MdiArea"));
    FMdiArea->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setCentralWidget(FMdiArea);
    connect(FMdiArea, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow*) { PostUpdateControls(); });

    CreateCommands();
    CreateFuncBar();
    CreateToolBars();
    CreateMenus();
    CreateBlankHint();
    CreateStatusBar();
    ConnectGraphHub();
    RunStartup();
}

TfrmMain::~TfrmMain() {
    UnregisterShell(*this);
    RunGuarded([this] { RunShutdown(); });
    // Their copies are written now that every dialog's loop has returned and
    // what ran after it is done.
    if (FSessionEnding && FRecovery) RunGuarded([this] { FRecovery->KeepCopies(); });
    // The windows go before the frame's own widgets, so that their
    // destruction does not reach into a half-destroyed frame.
    if (FMdiArea) {
        const auto windows = FMdiArea->subWindowList();
        for (QMdiSubWindow* sub : windows) delete sub;
    }
    // A window that goes later, with the frame's widgets (one whose delete
    // was still pending), must not reach this frame through the hub.
    TGraphHub& hub = TGraphHub::Instance();
    disconnect(&hub, nullptr, this, nullptr);
    if (hub.SnippetMenu() == FSnippetMenu) hub.SetSnippetMenu(nullptr);
}

bool TfrmMain::Autoredraw() const { return TGraphHub::Instance().Autoredraw(); }

void TfrmMain::SetAutoredraw(bool value) {
    TGraphHub::Instance().SetAutoredraw(value);
    FView2DCommands->actDisAutoredraw->setChecked(value);
}

// ---------------------------------------------------------------------------
// Building the frame

void TfrmMain::CreateCommands() {
    FFileCommands = new TFileCommands(*this);
    FEditCommands = new TEditCommands(*this);
    FFunctionCommands = new TFunctionCommands(*this);
    FView2DCommands = new TView2DCommands(*this);
    FView3DCommands = new TView3DCommands(*this);
    FCalculusCommands = new TCalculusCommands(*this);
    FWindowCommands = new TWindowCommands(*this);
    FHelpCommands = new THelpCommands(*this);
    FDataCommands = new TDataCommands(*this);
    FCommandGroups = {FFileCommands,     FEditCommands,     FFunctionCommands, FView2DCommands, FView3DCommands,
                      FCalculusCommands, FWindowCommands,   FHelpCommands,     FDataCommands};
}

void TfrmMain::CreateMenus() {
    const TFileCommands& file = *FFileCommands;
    FFileMenu = menuBar()->addMenu(QStringLiteral("&File"));
    FFileMenu->setObjectName(QStringLiteral("FileMenu"));
    AddActions(FFileMenu, {file.FileNew2D, file.FileNew3D, file.File_Open});
    FReopenMenu = FFileMenu->addMenu(QStringLiteral("Reopen"));
    FReopenMenu->setObjectName(QStringLiteral("ReopenMenu"));
    FReopenMenu->addAction(file.FileClearMRU);
    FFileMenu->addAction(FDataCommands->FileImportData);
    FFileMenu->addSeparator();
    AddActions(FFileMenu, {file.File_Save, file.File_SaveAs, file.FileClose, file.FileCloseAll});
    FFileMenu->addSeparator();
    AddActions(FFileMenu, {file.FileSaveImage, file.FileImage2Clip, file.FileExportAnimation, file.FilePrint});
    FFileMenu->addSeparator();
    FFileMenu->addAction(file.FileExit);

    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    edit->setObjectName(QStringLiteral("EditMenu"));
    AddActions(edit, {FEditCommands->EditUndo, FEditCommands->EditRedo});
    edit->addSeparator();
    edit->addAction(FDataCommands->EditPasteData);

    const TFunctionCommands& funcs = *FFunctionCommands;
    QMenu* func = menuBar()->addMenu(QStringLiteral("F&unction"));
    func->setObjectName(QStringLiteral("FunctionMenu"));
    AddActions(func, {funcs.FuncAdd, funcs.FuncProperties, funcs.FuncDelete});
    func->addSeparator();
    AddActions(func, {funcs.FuncDerivate, funcs.FuncAddCopy, funcs.FuncAddDeriv});
    func->addSeparator();
    func->addAction(funcs.FuncGridSetup);
    func->addSeparator();
    AddActions(func, {FDataCommands->FuncEditData, FDataCommands->FuncFitData});
    // Not in the menu's list, but their shortcuts work from anywhere in the
    // frame: actions only react to shortcuts while they sit in a widget.
    AddActions(this, {funcs.FuncSet, funcs.FuncDraw});

    const TView2DCommands& view2D = *FView2DCommands;
    FViewMenu = menuBar()->addMenu(QStringLiteral("&View"));
    FViewMenu->setObjectName(QStringLiteral("ViewMenu"));
    AddActions(FViewMenu, {FWindowCommands->ViewFuncExplorer, FWindowCommands->ViewParameters, FWindowCommands->ViewLog,
                           FView3DCommands->actViewView, FCalculusCommands->FuncTicker});
    FViewMenu->addSeparator();
    AddActions(FViewMenu, view2D.MouseModes());
    FViewMenu->addSeparator();
    QMenu* display = FViewMenu->addMenu(QStringLiteral("Display"));
    display->setObjectName(QStringLiteral("DisplayMenu"));
    AddActions(display, view2D.DisplaySwitches());
    display->addAction(FView3DCommands->btnScaledBox);
    FViewMenu->addAction(view2D.actPointsOfInterest);
    AddActions(FViewMenu, {view2D.actDisResetScales, view2D.actDisDefault});
    AddActions(FViewMenu, {view2D.actViewPrevious, view2D.actViewNext});
    FViewMenu->addSeparator();
    FViewMenu->addAction(FWindowCommands->ViewOptions);

    QMenu* calc = menuBar()->addMenu(QStringLiteral("Calculus"));
    calc->setObjectName(QStringLiteral("CalculusMenu"));
    AddActions(calc, {FCalculusCommands->CalcTabulation, FCalculusCommands->CalcIntegral, FCalculusCommands->CalcRoot,
                      FCalculusCommands->CalcPoints});

    FWindowMenu = menuBar()->addMenu(QStringLiteral("&Window"));
    FWindowMenu->setObjectName(QStringLiteral("WindowMenu"));
    connect(FWindowMenu, &QMenu::aboutToShow, this, [this] {
        // The fixed commands, then one entry per open window.
        FWindowMenu->clear();
        AddActions(FWindowMenu, FWindowCommands->Arrangement());
        const auto windows = FMdiArea->subWindowList();
        if (!windows.isEmpty()) FWindowMenu->addSeparator();
        int number = 1;
        for (QMdiSubWindow* sub : windows) {
            QString title = ShownTitle(*sub);
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
    AddActions(help, {FHelpCommands->HelpContents, FHelpCommands->HelpWhatsThis, FHelpCommands->HelpVelmoraHomePage});
    help->addSeparator();
    help->addAction(FHelpCommands->HelpAbout);
}

void TfrmMain::CreateToolBars() {
    const TFileCommands& file = *FFileCommands;
    barMain = addToolBar(QStringLiteral("Main toolbar"));
    barMain->setObjectName(QStringLiteral("barMain"));
    AddActions(barMain, {file.FileNew2D, file.FileNew3D});
    // Open, with the recent files as its drop-down.
    FOpenButton = new QToolButton(barMain);
    FOpenButton->setObjectName(QStringLiteral("btnOpen"));
    FOpenButton->setDefaultAction(file.File_Open);
    FOpenButton->setMenu(FReopenMenu);
    FOpenButton->setPopupMode(QToolButton::MenuButtonPopup);
    barMain->addWidget(FOpenButton);
    barMain->addAction(file.File_Save);
    barMain->addSeparator();
    AddActions(barMain, {FEditCommands->EditUndo, FEditCommands->EditRedo});
    barMain->addSeparator();
    AddActions(barMain, {file.FileSaveImage, file.FileImage2Clip, file.FilePrint});
    barMain->addSeparator();
    barMain->addAction(FFunctionCommands->FuncDraw);
    barMain->addSeparator();
    AddActions(barMain, {FCalculusCommands->CalcTabulation, FCalculusCommands->CalcIntegral, FCalculusCommands->CalcRoot});
    barMain->addSeparator();
    AddActions(barMain, {FWindowCommands->WindowCascade1, FWindowCommands->WindowTileHorizontal1,
                         FWindowCommands->WindowTileVertical1});
    barMain->addSeparator();
    AddActions(barMain, {FHelpCommands->HelpContents, FHelpCommands->HelpWhatsThis});

    const TView2DCommands& view2D = *FView2DCommands;
    bar2D = addToolBar(QStringLiteral("2D Control"));
    bar2D->setObjectName(QStringLiteral("bar2D"));
    AddActions(bar2D, view2D.MouseModes());
    bar2D->addSeparator();
    AddActions(bar2D, view2D.DisplaySwitches());
    bar2D->addAction(view2D.actPointsOfInterest);
    bar2D->addSeparator();
    AddActions(bar2D, {view2D.actDisResetScales, view2D.actDisDefault});

    const TView3DCommands& view3D = *FView3DCommands;
    bar3D = addToolBar(QStringLiteral("3D Control"));
    bar3D->setObjectName(QStringLiteral("bar3D"));
    AddActions(bar3D, {view3D.btnPoints3, view3D.btnLines, view3D.btnSurface});
    bar3D->addSeparator();
    AddActions(bar3D, {view3D.btnNormals, view3D.btnSmooth});
    bar3D->addSeparator();
    AddActions(bar3D, {view3D.btnAxes, view3D.btnGrid3D, view3D.btnLabels3D, view3D.btnScaledBox});
    bar3D->addSeparator();
    bar3D->addAction(view3D.btnLightPos);
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
    SetHint(edtFunc, QStringLiteral("Formula of the active function: Enter replaces it, Shift+Enter or Ctrl+Enter "
                                    "adds it as a new function|Type a formula, or choose a function from the list"));
    edtFunc->lineEdit()->setPlaceholderText(QStringLiteral("Type a formula, e.g. sin(x)*x"));
    edtFunc->setMinimumWidth(120);
    edtFunc->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    GreyWhenDisabled(edtFunc);

    // The splitter's handle resizes the function editor; a dummy right pane
    // takes what the combo gives up.
    auto* splitter = new QSplitter(Qt::Horizontal);
    splitter->setObjectName(QStringLiteral("FuncSplitter"));
    splitter->setChildrenCollapsible(false);
    // A formula error shows on a line under the box, where it was typed,
    // without a box to dismiss; typing or another function clears it.
    auto* funcColumn = new QWidget;
    auto* column = new QVBoxLayout(funcColumn);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    // The button that adds the typed formula sits right beside the box.
    auto* boxRow = new QHBoxLayout;
    boxRow->setSpacing(2);
    boxRow->addWidget(edtFunc);
    auto* addButton = new QToolButton(funcColumn);
    addButton->setObjectName(QStringLiteral("btnFuncAddFromBox"));
    addButton->setDefaultAction(FFunctionCommands->FuncAddFromBox);
    addButton->setAutoRaise(true);
    addButton->setIconSize(barFuncParam->iconSize());
    addButton->setAccessibleName(QStringLiteral("Add as new function"));
    boxRow->addWidget(addButton);
    boxRow->addStretch(1);
    column->addLayout(boxRow);
    lblFuncMessage = new QLabel(funcColumn);
    lblFuncMessage->setObjectName(QStringLiteral("lblFuncMessage"));
    // The box's width decides the column's; a long message is cut.
    lblFuncMessage->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    QPalette red = lblFuncMessage->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    lblFuncMessage->setPalette(red);
    lblFuncMessage->hide();
    column->addWidget(lblFuncMessage);
    connect(edtFunc->lineEdit(), &QLineEdit::textEdited, lblFuncMessage, &QWidget::hide);
    FParameterOffer = new TParameterOffer(funcColumn);
    column->addWidget(FParameterOffer);
    connect(edtFunc->lineEdit(), &QLineEdit::textEdited, FParameterOffer, [this] { FParameterOffer->Offer({}); });
    connect(FParameterOffer, &TParameterOffer::Accepted, FFunctionCommands, &TFunctionCommands::CreateOfferedParameters);
    splitter->addWidget(funcColumn);
    auto* spacer = new QWidget;
    spacer->setFixedWidth(2);
    splitter->addWidget(spacer);
    splitter->setHandleWidth(6);
    splitter->handle(1)->setToolTip(QStringLiteral("Drag to resize function editor"));
    splitter->handle(1)->setStatusTip(QStringLiteral("Drag to resize function editor"));
    edtFunc->setFixedWidth(275);
    connect(splitter, &QSplitter::splitterMoved, this, [this, addButton](int pos, int) {
        edtFunc->setFixedWidth(std::max(120, pos - addButton->width() - 2));
        Settings().FuncComboWidth = static_cast<std::uint16_t>(edtFunc->width());
    });
    barFuncParam->addWidget(splitter);

    const TFunctionCommands& funcs = *FFunctionCommands;
    AddActions(barFuncParam, {funcs.FuncAdd, funcs.FuncAddCopy, funcs.FuncAddDeriv, funcs.FuncProperties, funcs.FuncDelete});
    barFuncParam->addSeparator();
    AddActions(barFuncParam, {funcs.FuncDerivate, funcs.FuncVisible});
    barFuncParam->addSeparator();

    cbxGraphicWidth = new TWidthCombo;
    cbxGraphicWidth->setObjectName(QStringLiteral("cbxGraphicWidth"));
    SetHint(cbxGraphicWidth, QStringLiteral("Width|Set graphic width"));
    GreyWhenDisabled(cbxGraphicWidth);
    barFuncParam->addWidget(cbxGraphicWidth);
    AddActions(barFuncParam, {funcs.btnOrtho, funcs.btnPolar});
    btnFuncColor = new TColorBox;
    btnFuncColor->setObjectName(QStringLiteral("btnFuncColor"));
    SetHint(btnFuncColor, QStringLiteral("Function color"));
    GreyWhenDisabled(btnFuncColor);
    barFuncParam->addWidget(btnFuncColor);
    barFuncParam->addSeparator();
    barFuncParam->addAction(funcs.FuncGridSetup);

    FSnippetMenu = new TFormulaSnippetMenu(this);
    FSnippetMenu->SetTarget(edtFunc->lineEdit());
    // The properties dialog finds the menu through the hub.
    TGraphHub::Instance().SetSnippetMenu(FSnippetMenu);

    // Enter in the formula box is the "Enter function" command, with its
    // enabled state and its refusal while a run holds the evaluators.
    connect(edtFunc, &TFuncCombo::enterPressed, this, [this] { FFunctionCommands->FuncUpdate->trigger(); });
    connect(edtFunc, &TFuncCombo::addPressed, this, [this] { FFunctionCommands->FuncAddFromBox->trigger(); });
    connect(edtFunc, &TFuncCombo::documentUndoRequested, this, [this] { FEditCommands->EditUndo->trigger(); });
    connect(edtFunc, &TFuncCombo::documentRedoRequested, this, [this] { FEditCommands->EditRedo->trigger(); });
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

void TfrmMain::CreateBlankHint() {
    // The keys are the commands' own, so the text cannot fall out of step
    // with them.
    const auto step = [](const QAction* command) {
        return QStringLiteral("<tr><td>%1</td><td>&nbsp;&nbsp;<b>%2</b></td></tr>")
            .arg(QString(command->text()).remove(QLatin1Char('&')),
                 command->shortcut().toString(QKeySequence::NativeText).toHtmlEscaped());
    };
    const TFileCommands& file = *FFileCommands;
    const QString reopen = QString(FFileMenu->title() + QStringLiteral(" \u203A ") + FReopenMenu->title())
                               .remove(QLatin1Char('&'));
    lblBlankHint = new QLabel(FMdiArea->viewport());
    lblBlankHint->setObjectName(QStringLiteral("lblBlankHint"));
    lblBlankHint->setTextFormat(Qt::RichText);
    lblBlankHint->setText(
        QStringLiteral("<p><b>Nothing is open yet.</b></p>"
                       "<p>Type a formula in the function box above and press Enter to draw it, or:</p>"
                       "<table align=\"center\">%1%2%3<tr><td>Recent files</td><td>&nbsp;&nbsp;<b>%4</b>"
                       "</td></tr></table>")
            .arg(step(file.FileNew2D), step(file.FileNew3D), step(file.File_Open), reopen.toHtmlEscaped()));
    lblBlankHint->setAlignment(Qt::AlignCenter);
    // Readable on the graph paper of the background.
    lblBlankHint->setStyleSheet(QStringLiteral(
        "QLabel { background: rgba(255, 255, 255, 225); color: black; border: 1px solid #8a8a8a; "
        "border-radius: 6px; padding: 14px; }"));
    auto* centre = new QVBoxLayout(FMdiArea->viewport());
    centre->addWidget(lblBlankHint, 0, Qt::AlignCenter);
}

void TfrmMain::CreateStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar"));
    bar->setSizeGripEnabled(true);
    constexpr int state = static_cast<int>(TMainStatusPanel::mspState);
    constexpr int hint = static_cast<int>(TMainStatusPanel::mspHint);
    static_assert(state + 2 == hint, "one separator between the state and the hint");
    FStatusPanels[state] = new QLabel(QStringLiteral("Ready"));
    FStatusPanels[state]->setObjectName(QStringLiteral("StatusPanel0"));
    FStatusPanels[state]->setMinimumWidth(50);
    FStatusPanels[state + 1] = new QLabel;
    FStatusPanels[state + 1]->setFixedWidth(4);
    FStatusPanels[state + 1]->setFrameStyle(QFrame::Panel | QFrame::Raised);
    FStatusPanels[hint] = new QLabel;
    FStatusPanels[hint]->setObjectName(QStringLiteral("StatusPanel2"));
    FStatusPanels[hint]->setMinimumWidth(50);
    bar->addWidget(FStatusPanels[state]);
    bar->addWidget(FStatusPanels[state + 1]);
    // The hint panel takes the rest of the bar: hints are sentences.
    bar->addWidget(FStatusPanels[hint], 1);
}

QString TfrmMain::StatusText(TMainStatusPanel panel) const {
    const QLabel* label = FStatusPanels[static_cast<int>(panel)];
    return label ? label->text() : QString();
}

void TfrmMain::SetStatusText(TMainStatusPanel panel, const QString& text) {
    QLabel* label = FStatusPanels[static_cast<int>(panel)];
    if (!label) return;
    label->setText(text);
    // Sampling keeps the event loop busy: paint now so "Working" is seen.
    label->repaint();
}

bool TfrmMain::event(QEvent* event) {
    // Every hint's long part goes to the hint panel instead of replacing the panels.
    if (event->type() == QEvent::StatusTip) {
        if (QLabel* hint = FStatusPanels[static_cast<int>(TMainStatusPanel::mspHint)])
            hint->setText(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

void TfrmMain::ConnectGraphHub() {
    TGraphHub& hub = TGraphHub::Instance();
    connect(&hub, &TGraphHub::UpdateControlsRequested, this, [this] { RunGuarded([this] { UpdateControls(); }); });
    // Another active function keeps the list: it may be the list's own choice
    // that is still being handled.
    connect(&hub, &TGraphHub::ActiveDocumentChanged, this, [this](const TDocumentChange& change) {
        // Parameter values and ranges show nowhere in the bar; refilling it
        // sixty times a second while one plays would also wipe what is being
        // typed in the function box.
        if (change.Kind == TChangeKind::ckParameters) return;
        const TFuncBarUpdate update =
            change.Kind == TChangeKind::ckActive ? TFuncBarUpdate::fuSelection : TFuncBarUpdate::fuList;
        RunGuarded([this, update] { UpdateFuncBar(update); });
    });
    connect(&hub, &TGraphHub::WindowActivated, this,
            [this](TfrmAbstractMDIChild* window) { RunGuarded([this, window] { OnWindowActivated(window); }); });
    connect(&hub, &TGraphHub::StatusTextRequested, this, &TfrmMain::SetStatusText);
    connect(&hub, &TGraphHub::FormulaEditRequested, this, &TfrmMain::OnFormulaEditRequested);
    connect(&hub, &TGraphHub::LastWindowClosed, this, [this](TWindowType windowType) {
        (windowType == TWindowType::wt2D ? bar2D : bar3D)->setVisible(false);
    });
}

// ---------------------------------------------------------------------------
// Start-up and shutdown

void TfrmMain::RunStartup() {
    // The evaluator runs with floating-point exceptions masked and reports
    // faults itself, so the control word is left as the C runtime set it.
    TExceptionReport::Instance().SetInstalled(true);
    QGuiApplication::setApplicationDisplayName(ApplicationTitle());
    // Numbers are formatted and parsed with "." whatever the user's locale.
    QLocale::setDefault(QLocale::c());
    RegisterGraphWindowClasses();
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
    const TFunctionCommands& funcs = *FFunctionCommands;
    FMemory = new TShellMemory(*this, FMdiArea,
                               {FReopenMenu, FFileCommands->FileClearMRU, FWindowCommands->ViewFuncExplorer,
                                FWindowCommands->ViewLog, {funcs.FuncAdd, funcs.FuncDelete, funcs.FuncProperties,
                                 [this](int set) { FDataCommands->EditDataSet(set); }},
                                FWindowCommands->ViewParameters});
    // A recent file opens as File Open does, and waits like it while a run
    // holds the evaluators.
    FMemory->SetOpenHandler([this](const QString& path) {
        if (!SharedEvaluatorsLeased()) OpenDocuments({path});
    });
    FMemory->LoadFile(SettingsFile().toStdString());
    FView3DCommands->RestoreViewDialog();
    FRecovery = new TRecoveryKeeper(FMdiArea, DefaultRecoveryFolder(), [this](QMdiSubWindow* sub) { PlaceNewWindow(sub); },
                                    this);
    FRecovery->OfferWhenIdle();
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
        QMessageBox::warning(this, ApplicationTitle(), QString::fromUtf8(e.what()));
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
    // The display controller is still open (it goes with the frame): where
    // it stands now is what the next start restores.
    if (TfrmView* view = TfrmView::Instance()) view->SavePosition();
    SaveSettings();
}

void TfrmMain::AddLogLine(const QString& line) {
    if (FMemory) FMemory->AddLogLine(line);
}

void TfrmMain::EndSession() {
    FSessionEnding = true;
    TToolRun::StopAll();
    // Leaves every event loop that runs, the dialogs' nested ones included;
    // one a command opens after this returns at once (Qt refuses new loops
    // until the main one has returned), so nothing waits for an answer.
    QCoreApplication::exit(0);
}

void TfrmMain::closeEvent(QCloseEvent* event) {
    // A tool's computation is running in a loop below this event (it lets
    // events through so that it can be stopped): stop it, and close once it
    // has returned rather than tear the windows down under it.
    if (TToolRun::AnyRunning()) {
        TToolRun::StopAll();
        TToolRun::WhenIdle([self = QPointer<TfrmMain>(this)] {
            if (self) self->close();
        });
        event->ignore();
        return;
    }
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
