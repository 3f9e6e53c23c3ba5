// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/plot3d/frm_child3d.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QVBoxLayout>

#include <array>
#include <optional>

#include "core/document/func_item.h"
#include "core/document/graph_document.h"
#include "core/document/shared_evaluators.h"
#include "core/plot/camera3d.h"
#include "core/support/exceptions.h"
#include "core/support/ini_file.h"
#include "gui/common/application.h"
#include "gui/common/exception_report.h"
#include "gui/document/view_box.h"
#include "gui/document/window_look.h"
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
        FPanel->OnCameraChanged = [this] { UpdateStatus(); };
        FPanel->OnDragEnded = [this] { emit TGraphHub::Instance().ViewChanged(this); };
        FPanel->OnPointerMoved = [this](const TMeshHit& hit) { ShowPointer(hit); };
        ClientLayout()->addWidget(FPanel);
    } else {
        FHeadlessPlot = std::make_unique<TPlot3D>();
        FNoOpenGL = new QLabel(QStringLiteral("3D graphs need OpenGL, which this display does not offer (%1).")
                                   .arg(problem),
                               this);
        FNoOpenGL->setObjectName(QStringLiteral("NoOpenGL"));
        FNoOpenGL->setAlignment(Qt::AlignCenter);
        FNoOpenGL->setWordWrap(true);
        ClientLayout()->addWidget(FNoOpenGL);
    }
    // A new document shows the switches the settings give; saving and
    // recovery take the camera from the plot.
    TGraphDocument document = Document();
    document.View3D = Plot().DocumentView();
    document.Grid3D = Plot().Style().Grid;
    Owner()->Reset(document);
    Owner()->SetViewSource([this](TGraphDocument& doc) {
        const TView3D view = Plot().DocumentView();
        doc.View3D.AngleX = view.AngleX;
        doc.View3D.AngleY = view.AngleY;
        doc.View3D.Distance = view.Distance;
    });
    UpdateStatus();
}

TfrmChild3D::~TfrmChild3D() {
    // The plot goes with the window; the owner may still be asked for a copy.
    Owner()->SetViewSource({});
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

void TfrmChild3D::ShowPointer(const TMeshHit& hit) {
    const TFuncItem* func = Func(hit.Mesh);
    if (!func) {
        SetStatusPanel(TStatusPanel::spPointer, QString());
        return;
    }
    const auto number = [](double v) { return QString::number(v, 'g', 4); };
    SetStatusPanel(TStatusPanel::spPointer, QStringLiteral("x = %1, y = %2, z = %3 on %4")
                                                 .arg(number(hit.Point.X), number(hit.Point.Y), number(hit.Point.Z),
                                                      FromStd(func->Expression)));
}

void TfrmChild3D::Activated() {
    TfrmAbstractMDIChild::Activated();
    if (FPanel) FPanel->Activate();
}

TPlotNeed TfrmChild3D::FollowDocument(const TDocumentChange& change, TChangeOrigin origin) {
    const TPlotNeed need = Plot().Follow(Document(), change);
    if (origin == TChangeOrigin::coLoad) {
        // The camera of the file; the opener builds the meshes.
        Plot().SetDocumentView(Document().View3D);
        UpdateStatus();
        Redraw();
    }
    if (change.Kind == TChangeKind::ckDisplay || change.Kind == TChangeKind::ckDocument)
        TGraphHub::Instance().PostUpdateControls();
    return need;
}

void TfrmChild3D::SampleChange(const TDocumentChange&, TPlotNeed) { Recalculate(TRecalc::rcAll); }

void TfrmChild3D::Recalculate(TRecalc) {
    // A question on the screen (this window's or another computation's) runs
    // a nested event loop; a rebuild asked for there waits until that
    // computation is over instead of compiling into its evaluators.
    if (PostponeWhileLeased(TRecalc::rcAll)) return;

    const TComputationNotice notice;
    TGraphHub& hub = TGraphHub::Instance();
    const TSharedEvaluatorLease lease;

    TMessageBoxMeshDialog boxes(this);
    TMeshDialog& dialog = FMeshDialog ? *FMeshDialog : static_cast<TMeshDialog&>(boxes);
    TMeshRebuildReport report;
    try {
        // A copy: a question's event loop may edit the document meanwhile.
        const TGraphDocument document = Document();
        Plot().Rebuild(document, dialog, report);
    } catch (const ESyntaxError&) {
        // The faulty function waits in the formula box, ready for correction.
        const int failed = report.SyntaxErrorFunction;
        emit hub.StatusTextRequested(TMainStatusPanel::mspState, QStringLiteral("Ready"));
        if (const TFuncItem* func = Func(failed)) {
            const QString expression = FromStd(func->Expression);
            SetFuncActive(failed);
            emit hub.FormulaEditRequested(expression);
        }
        throw;
    }
    // Implicit surfaces in spherical or cylindrical coordinates stay empty
    // (only a file can hold one), and the user is told why.
    for (int i = 0; i < FuncCount(); ++i) {
        const TFuncItem& func = *Func(i);
        if (func.Active && !func.Expression.empty() && func.FuncKind == TFuncKind::fkImplicit &&
            func.FuncType != TFuncType::ftOrtho3D) {
            emit hub.StatusTextRequested(TMainStatusPanel::mspHint,
                                         QStringLiteral("Implicit functions need Cartesian coordinates"));
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

// -- what a feature asks any graph window --

QImage TfrmChild3D::Picture() const { return FPanel ? FPanel->grabFramebuffer() : QImage(); }

QSize TfrmChild3D::PictureSize() const { return FPanel ? FPanel->size() : QSize(); }

namespace {

// The view's numbers in the order of TViewValue.
std::array<double*, ViewValueCount> ViewFields(TViewBox3D& view) {
    return {&view.X1, &view.X2, &view.Y1, &view.Y2, &view.Z1, &view.Z2,
            &view.Camera.Distance, &view.Camera.AngleX, &view.Camera.AngleY};
}

}  // namespace

TViewBox TfrmChild3D::ViewBox() const {
    TViewBox box;
    const auto fields = ViewFields(Plot().View());
    for (std::size_t i = 0; i < ViewValueCount; ++i) box.Values[i] = *fields[i];
    box.HasDepth = true;
    return box;
}

void TfrmChild3D::SetViewValue(TViewValue which, double value) {
    // Taken as typed: no bounds, no rebuild; the next rebuild refits.
    *ViewFields(Plot().View())[static_cast<std::size_t>(which)] = value;
    Redraw();
    UpdateStatus();
}

void TfrmChild3D::ApplyLook(const TWindowLook& look) {
    if (!look.Style3D) return;
    CopyLook3D(*look.Style3D, Plot().Style());
    Redraw();
}

}  // namespace curvane
