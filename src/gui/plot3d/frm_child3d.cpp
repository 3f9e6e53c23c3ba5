// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/plot3d/frm_child3d.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QVBoxLayout>

#include <optional>

#include "core/document/func_item.h"
#include "core/document/graph_document.h"
#include "core/document/shared_evaluators.h"
#include "core/plot/camera3d.h"
#include "core/support/exceptions.h"
#include "core/support/ini_file.h"
#include "gui/app/application.h"
#include "gui/app/exception_report.h"
#include "gui/document/document_edit.h"
#include "gui/plot3d/gl_panel.h"
#include "render/plot3d/plot3d.h"

namespace curvane {

namespace {

QString FromStd(const std::string& text) { return QString::fromStdString(text); }

// The mesh questions as message boxes over the window.
class TMessageBoxMeshDialog : public TMeshDialog {
public:
    explicit TMessageBoxMeshDialog(QWidget* parent) : FParent(parent) {}

    bool ConfirmLongMesh(const std::string& expression, double samples) override {
        const QString text = QStringLiteral("The surface of %1 needs about %2 samples and could take very long "
                                            "to build. Proceed?")
                                 .arg(FromStd(expression))
                                 .arg(samples, 0, 'g', 3);
        return QMessageBox::warning(FParent, ApplicationTitle(), text, QMessageBox::Yes | QMessageBox::No) ==
               QMessageBox::Yes;
    }
    void RefuseRange(const std::string& message) override {
        QMessageBox::warning(FParent, ApplicationTitle(), FromStd(message), QMessageBox::Ok);
    }

private:
    QWidget* FParent;
};

// Arrow keys and the keypad's plus and minus steer the camera.
std::optional<TCameraKey> CameraKeyOf(const QKeyEvent& event) {
    switch (event.key()) {
    case Qt::Key_Left:
        return TCameraKey::ckLeft;
    case Qt::Key_Right:
        return TCameraKey::ckRight;
    case Qt::Key_Up:
        return TCameraKey::ckUp;
    case Qt::Key_Down:
        return TCameraKey::ckDown;
    case Qt::Key_Plus:
        if (event.modifiers() & Qt::KeypadModifier) return TCameraKey::ckCloser;
        break;
    case Qt::Key_Minus:
        if (event.modifiers() & Qt::KeypadModifier) return TCameraKey::ckFurther;
        break;
    default:
        break;
    }
    return std::nullopt;
}

}  // namespace

TfrmChild3D::TfrmChild3D(QWidget* parent) : TfrmAbstractMDIChild(TWindowType::wt3D, parent) {
    setWindowTitle(QStringLiteral("child3D"));
    setMinimumSize(205, 100);
    const QString problem = OpenGLProblem();
    if (problem.isEmpty()) {
        FPanel = new TGLPanel(this);
        FPanel->Plot().ShareFunctions(Functions());
        FPanel->OnCameraChanged = [this] { UpdateStatus(); };
        FPanel->OnDragEnded = [this] { emit TGraphHub::Instance().ViewChanged(this); };
        ClientLayout()->addWidget(FPanel);
    } else {
        FHeadlessPlot = std::make_unique<TPlot3D>();
        FHeadlessPlot->ShareFunctions(Functions());
        FNoOpenGL = new QLabel(QStringLiteral("3D graphs need OpenGL, which this display does not offer (%1).")
                                   .arg(problem),
                               this);
        FNoOpenGL->setObjectName(QStringLiteral("NoOpenGL"));
        FNoOpenGL->setAlignment(Qt::AlignCenter);
        FNoOpenGL->setWordWrap(true);
        ClientLayout()->addWidget(FNoOpenGL);
    }
    UpdateStatus();
}

TfrmChild3D::~TfrmChild3D() {
    // The panel goes first: its plot points at the function list of the base.
    delete FPanel;
    FPanel = nullptr;
}

TPlot3D& TfrmChild3D::Plot() const { return FPanel ? FPanel->Plot() : *FHeadlessPlot; }

void TfrmChild3D::UpdateStatus() {
    const TCamera3D& camera = Plot().View().Camera;
    SetStatusPanel(TStatusPanel::spX, QString::asprintf("angleX = %.2f", camera.AngleX));
    SetStatusPanel(TStatusPanel::spY, QString::asprintf("angleY = %.2f", camera.AngleY));
    SetStatusPanel(TStatusPanel::spDistance, QString::asprintf("Distance = %.2f", camera.Distance));
    SetStatusPanel(TStatusPanel::spPointView, Plot().Dragging()
                                                  ? QString::asprintf("Point View = (%.2f,%.2f,%.2f)", camera.TargetX,
                                                                      camera.TargetY, camera.TargetZ)
                                                  : QString());
}

void TfrmChild3D::Activated() {
    TfrmAbstractMDIChild::Activated();
    if (FPanel) FPanel->Activate();
}

void TfrmChild3D::AlignMeshes() {
    std::vector<TMesh>& meshes = Plot().Meshes();
    if (meshes.size() < static_cast<std::size_t>(FuncCount())) meshes.resize(FuncCount());
}

void TfrmChild3D::AddFunction(const QString& text) {
    // The base reuses an empty last function instead of adding one; a mesh
    // is only needed when the list grew.
    TfrmAbstractMDIChild::AddFunction(text);
    AlignMeshes();
    UpdateCaption();
}

void TfrmChild3D::FunctionLoaded(int) { AlignMeshes(); }

void TfrmChild3D::DeleteFunction(int index) {
    std::vector<TMesh>& meshes = Plot().Meshes();
    if (index >= 0 && index < FuncCount() && index < static_cast<int>(meshes.size())) {
        meshes.erase(meshes.begin() + index);
        Plot().MeshesChanged();
    }
    TfrmAbstractMDIChild::DeleteFunction(index);
}

void TfrmChild3D::MoveFunction(int from, int to) {
    const int count = FuncCount();
    TfrmAbstractMDIChild::MoveFunction(from, to);
    std::vector<TMesh>& meshes = Plot().Meshes();
    const int meshCount = static_cast<int>(meshes.size());
    if (from < 0 || from >= count || to < 0 || to >= count || from == to || from >= meshCount || to >= meshCount)
        return;
    TMesh moved = std::move(meshes[from]);
    meshes.erase(meshes.begin() + from);
    meshes.insert(meshes.begin() + to, std::move(moved));
    Plot().MeshesChanged();
}

void TfrmChild3D::Recalculate(bool) {
    // A question on the screen (this window's or another computation's) runs
    // a nested event loop; a rebuild asked for there waits until that
    // computation is over instead of compiling into its evaluators.
    if (PostponeWhileLeased(false)) return;

    const TComputationNotice notice;
    TGraphHub& hub = TGraphHub::Instance();
    const TSharedEvaluatorLease lease;

    TMessageBoxMeshDialog boxes(this);
    TMeshDialog& dialog = FMeshDialog ? *FMeshDialog : static_cast<TMeshDialog&>(boxes);
    TMeshRebuildReport report;
    try {
        Plot().Rebuild(dialog, report);
    } catch (const ESyntaxError&) {
        // The faulty function waits in the formula box, ready for correction.
        const int failed = report.SyntaxErrorFunction;
        emit hub.StatusTextRequested(TMainStatusPanel::mspState, QStringLiteral("Ready"));
        if (const TFuncItem* func = Func(failed)) {
            SetFuncActive(failed);
            emit hub.FuncBarRefreshRequested(false);
            emit hub.FormulaEditRequested(FromStd(func->Expression));
        }
        throw;
    }
    // Implicit surfaces have no sampling rule in 3D: they stay empty, and
    // the user is told why instead of wondering.
    for (int i = 0; i < FuncCount(); ++i) {
        const TFuncItem& func = *Func(i);
        if (func.Active && !func.Expression.empty() && func.FuncKind == TFuncKind::fkImplicit) {
            emit hub.StatusTextRequested(TMainStatusPanel::mspHint,
                                         QStringLiteral("Implicit functions are not drawn in 3D windows"));
            break;
        }
    }
    UpdateStatus();
    Redraw();
    if (report.MathErrorRows > 0) {
        // One box for the whole rebuild, however many rows were cut.
        QMessageBox box(QMessageBox::NoIcon, ApplicationTitle(), QStringLiteral("3D EMathError"), QMessageBox::Ok,
                        this);
        box.exec();
    }
}

void TfrmChild3D::Redraw() {
    if (FPanel) FPanel->update();
}

std::int32_t TfrmChild3D::GetFuncColor(int index) const {
    const TFuncItem* f = Func(index);
    if (!f || index >= static_cast<int>(Plot().Meshes().size())) return 0xFFFFFF;
    return f->Color;
}

void TfrmChild3D::SetFuncColor(int index, std::int32_t color) {
    TFuncItem* f = Func(index);
    if (!f) return;
    // Read when the mesh is drawn: nothing to rebuild.
    f->Color = color;
}

void TfrmChild3D::SetFuncWidth(int, std::int32_t) {
    // Surfaces have no line width.
}

std::int32_t TfrmChild3D::GetFuncWidth(int) const { return 1; }

void TfrmChild3D::SaveToIni(TIniFile& ini) {
    TfrmAbstractMDIChild::SaveToIni(ini);
    SaveView3D(ini, Plot().DocumentView());
}

void TfrmChild3D::LoadFromIni(TIniFile& ini) {
    TfrmAbstractMDIChild::LoadFromIni(ini);
    AlignMeshes();
    TView3D view = Plot().DocumentView();
    LoadView3D(ini, view);
    Plot().SetDocumentView(view);
    UpdateStatus();
    Redraw();
}

void TfrmChild3D::GetContent(TDocumentContent& content) const {
    TfrmAbstractMDIChild::GetContent(content);
    content.View3D = Plot().DocumentView();
    // The camera is the view, not the document: it keeps its defaults here.
    const TView3D none;
    content.View3D.AngleX = none.AngleX;
    content.View3D.AngleY = none.AngleY;
    content.View3D.Distance = none.Distance;
    content.Grid3D = Plot().Style().Grid;
}

void TfrmChild3D::SetContent(const TDocumentContent& content) {
    TfrmAbstractMDIChild::SetContent(content);
    TView3D view = content.View3D;
    const TView3D current = Plot().DocumentView();
    view.AngleX = current.AngleX;
    view.AngleY = current.AngleY;
    view.Distance = current.Distance;
    Plot().SetDocumentView(view);
    Plot().Style().Grid = content.Grid3D;
}

void TfrmChild3D::keyPressEvent(QKeyEvent* event) {
    const std::optional<TCameraKey> key = CameraKeyOf(*event);
    if (!key) {
        TfrmAbstractMDIChild::keyPressEvent(event);
        return;
    }
    PressCameraKey(Plot().Camera(), *key);
    Redraw();
    UpdateStatus();
}

}  // namespace curvane
