// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/plot3d/frm_view.h"

#include <QCloseEvent>
#include <QFormLayout>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QVBoxLayout>

#include "core/document/constant_formula.h"
#include "core/settings/settings.h"
#include "core/support/number_format.h"
#include "gui/common/application.h"
#include "gui/common/exception_report.h"
#include "gui/common/form_placement.h"
#include "gui/document/document_owner.h"
#include "gui/document/frm_abstract_mdi_child.h"
#include "gui/document/view_box.h"
#include "gui/help/help.h"
#include "render/plot3d/plot3d.h"

namespace curvane {

namespace {

QPointer<TfrmView> GInstance;

QGroupBox* MakeGroup(const QString& caption) {
    auto* group = new QGroupBox(caption);
    QFont bold = group->font();
    bold.setBold(true);
    group->setFont(bold);
    return group;
}

QLineEdit* MakeEdit(const char* name) {
    auto* edit = new QLineEdit;
    edit->setObjectName(QString::fromLatin1(name));
    QFont font(QStringLiteral("Terminal"));
    font.setPixelSize(12);
    edit->setFont(font);
    return edit;
}

// Rows of label and edit; the labels keep the regular weight inside the
// bold group.
void AddRows(QGroupBox* group, std::initializer_list<std::pair<const char*, QLineEdit*>> rows) {
    auto* grid = new QGridLayout(group);
    grid->setContentsMargins(6, 4, 6, 4);
    // A font made from a family name alone leaves its weight unset, and an
    // unset weight is inherited: the weight is given.
    QFont plain(QStringLiteral("MS Sans Serif"));
    plain.setBold(false);
    int row = 0;
    for (const auto& [caption, edit] : rows) {
        auto* label = new QLabel(QString::fromLatin1(caption));
        label->setFont(plain);
        grid->addWidget(label, row, 0);
        grid->addWidget(edit, row, 1);
        ++row;
    }
    grid->setColumnStretch(1, 1);
}

QString FormatValue(double value) { return QString::fromStdString(FormatGeneral(value, 15)); }

TScene3DStyle MeshLookOf(const TView3D& view) {
    TScene3DStyle style;
    style.Coloring = static_cast<TMeshColoring>(view.ColorMode);
    style.ColorMap = static_cast<TColorMap>(view.ColorMap);
    style.Contours = static_cast<TContourPlace>(view.Contours);
    style.ContourCount = view.ContourCount;
    return style;
}

}  // namespace

TfrmView* TfrmView::Instance() { return GInstance.data(); }

TfrmView* TfrmView::Open(QWidget* parent, TFormPositionStore store) {
    if (GInstance) {
        GInstance->raise();
        return GInstance;
    }
    auto* view = new TfrmView(parent, std::move(store));
    GInstance = view;
    view->show();
    return view;
}

TfrmView::TfrmView(QWidget* parent, TFormPositionStore store)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint), GroupX(MakeGroup(QStringLiteral(" X "))),
      GroupY(MakeGroup(QStringLiteral(" Y "))), GroupZ(MakeGroup(QStringLiteral(" Z "))),
      GroupCamera(MakeGroup(QStringLiteral(" Camera "))), GroupSurface(MakeGroup(QStringLiteral(" Surface "))),
      edtX1(MakeEdit("edtX1")), edtX2(MakeEdit("edtX2")),
      edtY1(MakeEdit("edtY1")), edtY2(MakeEdit("edtY2")), edtZ1(MakeEdit("edtZ1")), edtZ2(MakeEdit("edtZ2")),
      edtDistance(MakeEdit("edtDistance")), edtAngleX(MakeEdit("edtAngleX")), edtAngleY(MakeEdit("edtAngleY")),
      FStore(std::move(store)) {
    setObjectName(QStringLiteral("frmView"));
    SetHelpTopic(this, QStringLiteral("windows2d.html#controller"));
    setWindowTitle(QStringLiteral("Display controller"));
    setAttribute(Qt::WA_DeleteOnClose);

    AddRows(GroupX, {{"From", edtX1}, {"To", edtX2}});
    AddRows(GroupY, {{"From", edtY1}, {"To", edtY2}});
    AddRows(GroupZ, {{"From", edtZ1}, {"To", edtZ2}});
    AddRows(GroupCamera, {{"Distance", edtDistance}, {"Angle X", edtAngleX}, {"Angle Y", edtAngleY}});
    auto* surface = new QFormLayout(GroupSurface);
    surface->setContentsMargins(6, 4, 6, 4);
    FMeshLook.AddRows(*surface);
    // As in AddRows: the weight is given, or the group's bold is inherited.
    QFont plain = font();
    plain.setBold(false);
    for (QWidget* child : GroupSurface->findChildren<QWidget*>()) child->setFont(plain);
    FMeshLook.OnChange(this, [this] { RunGuarded([this] { ChooseMeshLook(); }); });
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(2);
    // Sized to what is shown: the groups of a 2D window leave a shorter form.
    layout->setSizeConstraint(QLayout::SetFixedSize);
    for (QGroupBox* group : {GroupX, GroupY, GroupZ, GroupCamera, GroupSurface}) {
        group->setMinimumWidth(170 - 8);
        layout->addWidget(group);
    }
    layout->addStretch(1);
    for (QLineEdit* edit : {edtX1, edtX2, edtY1, edtY2, edtZ1, edtZ2, edtDistance, edtAngleX, edtAngleY})
        edit->installEventFilter(this);

    Settings().FormView = true;
    if (FStore.Load) {
        if (const std::optional<TWinPlacement> placement = FStore.Load())
            ApplyPlacement(*this, *placement, {TRestoreAspect::raLocation});
    }
    connect(&TGraphHub::Instance(), &TGraphHub::ViewChanged, this, [this] { UpdateView(); });
    connect(&TGraphHub::Instance(), &TGraphHub::ActiveDocumentChanged, this, [this] { UpdateView(); });
    UpdateView();
}

void TfrmView::UpdateView() {
    // One layout pass for all the groups shown or hidden.
    setUpdatesEnabled(false);
    struct TResume {
        QWidget* form;
        ~TResume() { form->setUpdatesEnabled(true); }
    } resume{this};

    TfrmAbstractMDIChild* window = CurrentGraphWindow();
    const std::optional<TViewBox> box = window ? std::optional(window->ViewBox()) : std::nullopt;
    const bool depth = box && box->HasDepth;
    GroupX->setVisible(window);
    GroupY->setVisible(window);
    GroupZ->setVisible(depth);
    GroupCamera->setVisible(depth);
    GroupSurface->setVisible(depth);
    if (!box) return;
    if (depth) FMeshLook.Show(MeshLookOf(window->Document().View3D));
    const QList<QLineEdit*> edits = Edits();
    // A 2D window's z and camera edits are hidden and keep what they held.
    const std::size_t shown = depth ? ViewValueCount : static_cast<std::size_t>(TViewValue::vvZ1);
    for (std::size_t i = 0; i < shown; ++i) edits[static_cast<qsizetype>(i)]->setText(FormatValue(box->Values[i]));
    edtY1->setEnabled(!box->YFollowsX);
    edtY2->setEnabled(!box->YFollowsX);
}

QList<QLineEdit*> TfrmView::Edits() const {
    return {edtX1, edtX2, edtY1, edtY2, edtZ1, edtZ2, edtDistance, edtAngleX, edtAngleY};
}

void TfrmView::edtX1Exit(QLineEdit* edit) {
    TfrmAbstractMDIChild* window = CurrentGraphWindow();
    if (!window || FApplying) return;
    const std::optional<double> parsed = ParseConstant(edit->text().toStdString());
    if (!parsed) {
        FApplying = true;
        QMessageBox::critical(this, ApplicationTitle(), QStringLiteral("Invalid float value"), QMessageBox::Ok);
        FApplying = false;
        edit->setFocus(Qt::OtherFocusReason);
        return;
    }
    const double value = *parsed;
    const qsizetype index = Edits().indexOf(edit);
    if (index >= 0) window->SetViewValue(static_cast<TViewValue>(index), value);
    edit->selectAll();
}

void TfrmView::ChooseMeshLook() {
    TfrmAbstractMDIChild* window = CurrentGraphWindow();
    if (!window || window->WindowType() != TWindowType::wt3D) return;
    TScene3DStyle chosen;
    FMeshLook.Choose(chosen);
    TDocumentEdit edit(window->Owner(), QStringLiteral("Surface"));
    TView3D& view = edit.Document().View3D;
    view.ColorMode = static_cast<std::int32_t>(chosen.Coloring);
    view.ColorMap = static_cast<std::int32_t>(chosen.ColorMap);
    view.Contours = static_cast<std::int32_t>(chosen.Contours);
    view.ContourCount = chosen.ContourCount;
    edit.Commit();
}

bool TfrmView::eventFilter(QObject* watched, QEvent* event) {
    auto* edit = qobject_cast<QLineEdit*>(watched);
    if (edit) {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                RunGuarded([this, edit] { edtX1Exit(edit); });
                return true;
            }
        } else if (event->type() == QEvent::FocusOut) {
            // Leaving the edit for another control applies it; switching to
            // another window (or a message box appearing) does not.
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
                RunGuarded([this, edit] { edtX1Exit(edit); });
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TfrmView::SavePosition() {
    if (FStore.Save) FStore.Save(PlacementOf(*this));
}

void TfrmView::closeEvent(QCloseEvent* event) {
    Settings().FormView = false;
    SavePosition();
    if (GInstance == this) GInstance = nullptr;
    emit Closed();
    QWidget::closeEvent(event);
}

void TfrmView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && !isActiveWindow() && isVisible()) SavePosition();
    QWidget::changeEvent(event);
}

}  // namespace curvane
