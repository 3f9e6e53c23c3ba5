// The commands of the main window and the function bar's reactions.
#include "gui/app/frm_main.h"

#include "core/document/func_item.h"
#include "core/support/exceptions.h"
#include "gui/app/exception_report.h"
#include "gui/widgets/formula_snippet_menu.h"
#include "gui/document/frm_abstract_mdi_child.h"
#include "gui/plot2d/frm_child2d.h"
#include "gui/app/frm_func_props.h"
#include "gui/widgets/func_bar_widgets.h"
#include "gui/plot2d/scope.h"
#include "gui/app/shell_memory.h"
#include "render/plot2d/indicator.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QTimer>
#include <QToolBar>

namespace curvane {

namespace {

TfrmChild2D_* As2D(TfrmAbstractMDIChild* window) { return qobject_cast<TfrmChild2D_*>(window); }

}  // namespace

// ---------------------------------------------------------------------------
// Command states

void TfrmMain::PostUpdateControls() {
    // Many requests while a batch of windows opens or closes collapse into
    // one update, run once the events in between have been handled.
    if (FUpdatePosted) return;
    FUpdatePosted = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            FUpdatePosted = false;
            RunGuarded([this] { UpdateControls(); });
        },
        Qt::QueuedConnection);
}

void TfrmMain::SetComboEnabled(QWidget* combo, bool enabled) {
    combo->setEnabled(enabled);
    // The window colour while usable, the button face while not.
    QPalette palette = combo->palette();
    palette.setColor(QPalette::Base, QApplication::palette().color(enabled ? QPalette::Base : QPalette::Button));
    combo->setPalette(palette);
}

void TfrmMain::UpdateControls() {
    TfrmAbstractMDIChild* window = CurrentGraphWindow(FMdiArea);
    SetCurrentGraphWindow(window);
    const bool any = !FMdiArea->subWindowList().isEmpty();
    const bool is2D = window && window->WindowType() == 0;
    const bool is3D = window && window->WindowType() == 1;

    bar2D->setVisible(is2D);
    bar3D->setVisible(is3D);

    for (const char* name : {"File_Save", "File_SaveAs", "FilePrint", "FileSaveImage", "FileImage2Clip",
                             "FileCloseAll", "FileClose", "FuncSet", "FuncUpdate", "FuncGridSetup"})
        EnableAction(name, any);
    if (!window) {
        edtFunc->clear();
        edtFunc->clearEditText();
    }
    SetComboEnabled(edtFunc, any);
    for (const char* name : {"actNothing", "actCross", "actPan", "actScale", "actScaleX", "actScaleY",
                             "actDisUniform", "actDisGrid", "actDisLabels", "actDisAutoredraw", "actDisPoints",
                             "actDisResetScales", "actDisDefault"})
        EnableAction(name, is2D);
    UpdateFuncBar(true);
    if (is2D) OnWindowActivated(window);
}

void TfrmMain::UpdateFuncBar(bool rebuildList) {
    TfrmAbstractMDIChild* window = CurrentGraphWindow(FMdiArea);
    if (rebuildList) FillFuncCombo();
    SelectFuncActiveInCombo();

    SetComboEnabled(btnFuncColor, window != nullptr);
    SetComboEnabled(cbxGraphicWidth, window && window->WindowType() == 0);

    const bool hasFunctions = window && window->FuncCount() > 0;
    for (const char* name : {"FuncDraw", "FuncDelete", "FuncVisible", "FuncAddCopy", "FuncProperties"})
        EnableAction(name, hasFunctions);
    EnableAction("FuncAdd", window != nullptr);
    const bool derivable = hasFunctions && window->WindowType() == 0;
    EnableAction("FuncDerivate", derivable);
    EnableAction("FuncAddDeriv", derivable);
    UpdateFuncDependentControls();
    if (FMemory) FMemory->RefreshExplorer();
}

void TfrmMain::UpdateFuncDependentControls() {
    TfrmAbstractMDIChild* window = CurrentGraphWindow(FMdiArea);
    const TFuncItem* item = window ? window->ActiveFunc() : nullptr;
    if (!item) return;
    const int active = window->FuncActive();
    const QSignalBlocker blockColor(btnFuncColor);
    const QSignalBlocker blockWidth(cbxGraphicWidth);
    btnFuncColor->SetColor(window->GetFuncColor(active));
    cbxGraphicWidth->SetWidth(window->GetFuncWidth(active));
    Action("FuncDerivate")->setChecked(item->Derivative);
    btnOrtho->setChecked(item->FuncType == TFuncType::ftOrtho2D);
    btnPolar->setChecked(item->FuncType == TFuncType::ftPolar);
    Action("FuncVisible")->setChecked(item->Active);
}

void TfrmMain::FillFuncCombo() {
    TfrmAbstractMDIChild* window = CurrentGraphWindow(FMdiArea);
    const QSignalBlocker block(edtFunc);
    edtFunc->clear();
    if (!window) return;
    const bool is3D = window->WindowType() == 1;
    for (int i = 0; i < window->FuncCount(); ++i) {
        const TFuncItem* item = window->Func(i);
        QString caption;
        if (item->Derivative)
            caption = QString::fromStdString(FuncCaption(*item, is3D)) + QStringLiteral("; Derivative");
        else if (!item->Expression.empty())
            caption = QString::fromStdString(FuncCaption(*item, is3D));
        else
            caption = QStringLiteral("; Empty");
        edtFunc->addItem(caption);
    }
}

void TfrmMain::SelectFuncActiveInCombo() {
    TfrmAbstractMDIChild* window = CurrentGraphWindow(FMdiArea);
    const QSignalBlocker block(edtFunc);
    const TFuncItem* item = window ? window->ActiveFunc() : nullptr;
    edtFunc->setCurrentIndex(item ? window->FuncActive() : -1);
    // The list shows captions; the edit line holds the formula itself, which
    // is what the user edits and "Enter function" stores.
    edtFunc->setEditText(item ? QString::fromStdString(item->Expression) : QString());
}

QStringList TfrmMain::FunctionExpressions() const {
    QStringList texts;
    if (TfrmAbstractMDIChild* window = CurrentGraphWindow(FMdiArea))
        for (int i = 0; i < window->FuncCount(); ++i) texts << QString::fromStdString(window->Func(i)->Expression);
    return texts;
}

void TfrmMain::OnWindowActivated(TfrmAbstractMDIChild* window) {
    TfrmChild2D_* w2 = As2D(window);
    if (!w2) return;
    bar2D->setVisible(true);
    bar3D->setVisible(false);
    const TIndicator& indicator = w2->Indicator();
    CheckMouseModeOf(window);
    const bool hasActive = window->ActiveFunc() != nullptr;
    btnOrtho->setEnabled(hasActive);
    btnPolar->setEnabled(hasActive);
    Action("actDisGrid")->setChecked(indicator.FullGrid());
    Action("actDisLabels")->setChecked(indicator.Labels());
    Action("actDisUniform")->setChecked(!indicator.Uniform());
    Action("actDisPoints")->setChecked(indicator.DrawType() == TDrawType::dtPoints);
}

void TfrmMain::CheckMouseModeOf(TfrmAbstractMDIChild* window) {
    TfrmChild2D_* w2 = As2D(window);
    if (!w2) return;
    const int tag = static_cast<int>(w2->Indicator().MouseMode());
    for (QAction* action : FModeGroup->actions()) {
        if (action->data().toInt() == tag) {
            action->setChecked(true);
            FCheckedMode = action;
            return;
        }
    }
    // A mode without a command of its own (a drawing tool): no mode is checked.
    if (QAction* checked = FModeGroup->checkedAction()) {
        FModeGroup->setExclusive(false);
        checked->setChecked(false);
        FModeGroup->setExclusive(true);
    }
    FCheckedMode = nullptr;
}

void TfrmMain::OnFormulaEditRequested(const QString& expression) {
    edtFunc->setEditText(expression);
    edtFunc->setFocus(Qt::OtherFocusReason);
    edtFunc->lineEdit()->selectAll();
}

// ---------------------------------------------------------------------------
// File commands

void TfrmMain::PlaceNewWindow(QMdiSubWindow* sub) {
    // A graph wants room: a new window takes two thirds of the area, each
    // one a little below and right of the one before.
    if (!sub || sub->isMaximized()) return;
    const QSize area = FMdiArea->viewport()->size();
    const QSize size(std::max(320, area.width() * 2 / 3), std::max(240, area.height() * 2 / 3));
    if (sub->width() >= size.width() && sub->height() >= size.height()) return;
    const int offset = 24 * ((FMdiArea->subWindowList().count() - 1) % 8);
    sub->setGeometry(offset, offset, size.width(), size.height());
}

TfrmAbstractMDIChild* TfrmMain::NewGraphWindow2D() {
    auto* window = new TfrmChild2D;
    PlaceNewWindow(AddGraphWindow(FMdiArea, window));
    window->setWindowTitle(QStringLiteral("NONAME%1").arg(FMdiArea->subWindowList().count()));
    PostUpdateControls();
    return window;
}

void TfrmMain::FileNew2D() { NewGraphWindow2D(); }

void TfrmMain::OpenDocuments(const QStringList& paths) {
    // Several documents at once (a selection in the open dialog, or the
    // command line) are tiled so that every one of them can be seen, and are
    // sampled after the tiling: each document is sampled once, at the size
    // it keeps.
    const bool tile = paths.size() > 1;
    QList<QPointer<TfrmAbstractMDIChild>> opened;
    for (const QString& path : paths) {
        // One file that fails does not stop the others. A file that cannot be
        // opened at all is named in a message; any other error (a formula
        // that does not compile) goes to the exception report.
        RunGuarded([&] {
            try {
                const int before = static_cast<int>(FMdiArea->subWindowList().count());
                TfrmAbstractMDIChild* window =
                    OpenGraphDocument(FMdiArea, path, [this](QMdiSubWindow* sub) { PlaceNewWindow(sub); }, !tile);
                if (window && FMdiArea->subWindowList().count() > before) opened << window;
            } catch (const EFileError& e) {
                QMessageBox::critical(this, QStringLiteral("Curvane"), QString::fromUtf8(e.what()));
            }
        });
    }
    if (tile) {
        if (opened.size() > 1) FMdiArea->tileSubWindows();
        for (const QPointer<TfrmAbstractMDIChild>& window : opened) {
            if (!window) continue;
            RunGuarded([&] {
                window->Recalculate(false);
                window->UpdateCaption();
            });
        }
    }
    PostUpdateControls();
}

void TfrmMain::File_Open() {
    const QStringList paths = QFileDialog::getOpenFileNames(this, QStringLiteral("Open"), QString(),
                                                            QStringLiteral("Function definitions (*.gfx)"));
    if (!paths.isEmpty()) OpenDocuments(paths);
}

void TfrmMain::File_Save() {
    if (TfrmAbstractMDIChild* window = CurrentGraphWindow(FMdiArea)) {
        FSaveSucceeded = false;
        FSaveSucceeded = SaveGraphWindow(*window, false);
    }
}

void TfrmMain::File_SaveAs() {
    if (TfrmAbstractMDIChild* window = CurrentGraphWindow(FMdiArea)) {
        FSaveSucceeded = false;
        FSaveSucceeded = SaveGraphWindow(*window, true);
    }
}

void TfrmMain::FileClose() { FMdiArea->closeActiveSubWindow(); }

void TfrmMain::FileCloseAll() {
    const auto windows = FMdiArea->subWindowList();
    for (auto it = windows.crbegin(); it != windows.crend(); ++it) (*it)->close();
}

void TfrmMain::FileExit() {
    // Exit closes the frame like its close box does, so every document with
    // functions is asked about first instead of being dropped unsaved.
    close();
}

// ---------------------------------------------------------------------------
// Function commands

void TfrmMain::FuncSet() {
    if (!edtFunc->isEnabled()) return;
    edtFunc->setFocus(Qt::ShortcutFocusReason);
    edtFunc->lineEdit()->selectAll();
}

void TfrmMain::FuncUpdate() {
    TfrmAbstractMDIChild* window = CurrentGraphWindow(FMdiArea);
    if (!window) return;
    QLineEdit* edit = edtFunc->lineEdit();
    const QString text = edit->text();
    if (const TFuncItem* item = window->ActiveFunc(); item && text == QString::fromStdString(item->Expression)) {
        edit->selectAll();
        return;
    }
    const qsizetype semicolon = text.indexOf(QLatin1Char(';'));
    if (semicolon >= 0 && text.left(semicolon).trimmed().isEmpty()) return;
    if (cbxGraphicWidth->currentIndex() < 0) cbxGraphicWidth->SetWidth(1);
    window->SetActiveExpression(text);
    if (window->ActiveFunc()) {
        window->SetFuncColor(window->FuncActive(), btnFuncColor->Color());
        if (window->WindowType() == 0) window->SetFuncWidth(window->FuncActive(), cbxGraphicWidth->Width());
    }
    UpdateFuncBar(true);
    const int caret = edit->cursorPosition();
    window->Recalculate(true);
    FillFuncCombo();
    SelectFuncActiveInCombo();
    edit->setCursorPosition(caret);
    edit->selectAll();
}

bool TfrmMain::RunPropertiesDialog(int index) {
    TfrmAbstractMDIChild* window = CurrentGraphWindow(FMdiArea);
    if (!window || !window->Func(index)) return false;
    TfrmFuncProps dialog(this);
    dialog.Setup(window->WindowType() == 1, window->Functions(), index);
    return dialog.exec() == QDialog::Accepted;
}

void TfrmMain::FuncAdd() {
    TfrmAbstractMDIChild* window = CurrentGraphWindow(FMdiArea);
    if (!window) return;
    window->AddFunction(QString());
    const int last = window->FuncCount() - 1;
    if (!RunPropertiesDialog(last)) {
        window->DeleteFunction(last);
        UpdateFuncBar(true);
        return;
    }
    window->UpdateCaption();
    window->SetFuncActive(last);
    window->Recalculate(false);
    UpdateFuncBar(true);
}

void TfrmMain::FuncDelete() {
    TfrmAbstractMDIChild* window = CurrentGraphWindow(FMdiArea);
    if (!window) return;
    window->DeleteFunction(window->FuncActive());
    UpdateFuncBar(true);
    window->Redraw();
}

void TfrmMain::FuncDraw() {
    if (TfrmAbstractMDIChild* window = CurrentGraphWindow(FMdiArea)) window->Recalculate(false);
}

void TfrmMain::FuncProperties() {
    TfrmAbstractMDIChild* window = CurrentGraphWindow(FMdiArea);
    if (!window || !window->ActiveFunc()) return;
    if (!RunPropertiesDialog(window->FuncActive())) return;
    UpdateFuncDependentControls();
    window->Recalculate(false);
    window->UpdateCaption();
    FillFuncCombo();
    SelectFuncActiveInCombo();
}

void TfrmMain::FuncDerivate() {
    TfrmAbstractMDIChild* window = CurrentGraphWindow(FMdiArea);
    TFuncItem* item = window ? window->ActiveFunc() : nullptr;
    if (!item) return;
    item->Derivative = Action("FuncDerivate")->isChecked();
    FillFuncCombo();
    SelectFuncActiveInCombo();
    window->UpdateCaption();
    window->Recalculate(true);
}

void TfrmMain::FuncAddCopy() {
    TfrmAbstractMDIChild* window = CurrentGraphWindow(FMdiArea);
    if (!window || !window->ActiveFunc()) return;
    const int source = window->FuncActive();
    const int before = window->FuncCount();
    window->AddFunction(QString::fromStdString(window->Func(source)->Expression));
    // An empty last function is reused instead of appended; copying onto it
    // is still right, but copying onto the source itself would be a no-op
    // that hides the failure, so nothing more happens then.
    if (window->FuncCount() == before && window->FuncActive() == source) return;
    CopyFuncParams(*window->ActiveFunc(), *window->Func(source));
    window->UpdateCaption();
    UpdateFuncBar(true);
}

void TfrmMain::FuncAddDeriv() {
    TfrmAbstractMDIChild* window = CurrentGraphWindow(FMdiArea);
    if (!window || !window->ActiveFunc() || window->WindowType() != 0) return;
    const int before = window->FuncActive();
    FuncAddCopy();
    if (window->FuncActive() == before) return;
    window->ActiveFunc()->Derivative = true;
    window->UpdateCaption();
    UpdateFuncBar(true);
    window->Recalculate(true);
}

void TfrmMain::FuncVisible() {
    TfrmAbstractMDIChild* window = CurrentGraphWindow(FMdiArea);
    TFuncItem* item = window ? window->ActiveFunc() : nullptr;
    if (!item) return;
    item->Active = !item->Active;
    window->Recalculate(false);
    window->Redraw();
    UpdateFuncBar(true);
}

// ---------------------------------------------------------------------------
// Function bar

void TfrmMain::FuncComboChanged(int index) {
    const bool listChoice = edtFunc->ListChoice();
    edtFunc->SetListChoice(false);
    TfrmAbstractMDIChild* window = CurrentGraphWindow(FMdiArea);
    if (!listChoice || !window || !window->ActiveFunc() || !window->Func(index)) return;
    window->SetFuncActive(index);
    UpdateFuncBar(false);
}

void TfrmMain::WidthChanged(int) {
    cbxGraphicWidth->SetListChoice(false);
    TfrmAbstractMDIChild* window = CurrentGraphWindow(FMdiArea);
    if (!window || !window->ActiveFunc() || cbxGraphicWidth->Width() == 0) return;
    if (window->Func(edtFunc->currentIndex())) window->SetFuncActive(edtFunc->currentIndex());
    window->SetFuncWidth(window->FuncActive(), cbxGraphicWidth->Width());
    window->Redraw();
}

void TfrmMain::ColorChanged(std::int32_t color) {
    TfrmAbstractMDIChild* window = CurrentGraphWindow(FMdiArea);
    if (!window || !window->ActiveFunc()) return;
    window->SetFuncColor(window->FuncActive(), color);
    window->Redraw();
    if (FMemory) FMemory->RefreshExplorer();
}

void TfrmMain::SetCoordinateSystem(int funcType) {
    TfrmChild2D_* window = As2D(CurrentGraphWindow(FMdiArea));
    TFuncItem* item = window ? window->ActiveFunc() : nullptr;
    if (!item) return;
    if (static_cast<int>(item->FuncType) != funcType) {
        item->FuncType = static_cast<TFuncType>(funcType);
        window->Recalculate(true);
    }
    UpdateFuncBar(true);
}

void TfrmMain::btnOrthoClick() { SetCoordinateSystem(0); }

void TfrmMain::btnPolarClick() { SetCoordinateSystem(1); }

// ---------------------------------------------------------------------------
// 2D view commands

void TfrmMain::MouseModeCommand() {
    auto* action = qobject_cast<QAction*>(sender());
    if (!action) return;
    if (TfrmChild2D_* window = As2D(CurrentGraphWindow(FMdiArea)))
        window->Indicator().SetMouseMode(static_cast<TMouseMode>(action->data().toInt()));
    action->setChecked(true);
    FCheckedMode = action;
}

void TfrmMain::actDisUniform() {
    TfrmChild2D_* window = As2D(CurrentGraphWindow(FMdiArea));
    if (!window) return;
    window->Indicator().SetUniform(!Action("actDisUniform")->isChecked());
    if (Autoredraw()) window->Recalculate(false);
}

void TfrmMain::actDisGrid() {
    if (TfrmChild2D_* window = As2D(CurrentGraphWindow(FMdiArea)))
        window->Indicator().SetFullGrid(Action("actDisGrid")->isChecked());
}

void TfrmMain::actDisLabels() {
    if (TfrmChild2D_* window = As2D(CurrentGraphWindow(FMdiArea)))
        window->Indicator().SetLabels(Action("actDisLabels")->isChecked());
}

void TfrmMain::actDisPoints() {
    if (TfrmChild2D_* window = As2D(CurrentGraphWindow(FMdiArea)))
        window->Indicator().SetDrawType(Action("actDisPoints")->isChecked() ? TDrawType::dtPoints
                                                                            : TDrawType::dtLines);
}

void TfrmMain::actDisAutoredraw() { SetAutoredraw(Action("actDisAutoredraw")->isChecked()); }

void TfrmMain::actDisResetScales() {
    TfrmChild2D_* window = As2D(CurrentGraphWindow(FMdiArea));
    if (!window) return;
    {
        TUpdateGuard<TScope> guard(*window->Scope());
        TIndicator& indicator = window->Indicator();
        const bool uniform = indicator.Uniform();
        indicator.SetUniform(true);
        indicator.SetUniform(uniform);
    }
    if (Autoredraw()) window->Recalculate(false);
}

void TfrmMain::actDisDefault() {
    TfrmChild2D_* window = As2D(CurrentGraphWindow(FMdiArea));
    if (!window) return;
    {
        TUpdateGuard<TScope> guard(*window->Scope());
        window->Indicator().ZoomToRect(QPointF(-10, -10), QPointF(10, 10));
    }
    if (Autoredraw()) window->Recalculate(false);
}

// ---------------------------------------------------------------------------
// Window commands

void TfrmMain::WindowCascade1() { FMdiArea->cascadeSubWindows(); }

void TfrmMain::WindowTileHorizontal1() {
    // Windows stacked one above the other, each as wide as the area.
    const auto windows = FMdiArea->subWindowList();
    if (windows.isEmpty()) return;
    const QRect area = FMdiArea->viewport()->rect();
    const int height = area.height() / static_cast<int>(windows.size());
    int y = 0;
    for (QMdiSubWindow* sub : windows) {
        sub->showNormal();
        sub->setGeometry(0, y, area.width(), height);
        y += height;
    }
}

void TfrmMain::WindowTileVertical1() {
    // Windows side by side, each as tall as the area.
    const auto windows = FMdiArea->subWindowList();
    if (windows.isEmpty()) return;
    const QRect area = FMdiArea->viewport()->rect();
    const int width = area.width() / static_cast<int>(windows.size());
    int x = 0;
    for (QMdiSubWindow* sub : windows) {
        sub->showNormal();
        sub->setGeometry(x, 0, width, area.height());
        x += width;
    }
}

void TfrmMain::WindowMinimizeAll1() {
    for (QMdiSubWindow* sub : FMdiArea->subWindowList()) sub->showMinimized();
}

void TfrmMain::WindowArrangeAll1() {
    for (QMdiSubWindow* sub : FMdiArea->subWindowList()) sub->showMaximized();
}

}  // namespace curvane
