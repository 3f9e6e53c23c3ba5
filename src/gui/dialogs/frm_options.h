// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/document/graph_document.h"

#include <QDialog>

#include "core/plot/units.h"
#include "gui/widgets/mesh_look_boxes.h"
#include "render/plot3d/plot3d.h"

class QCheckBox;
class QComboBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QMdiArea;
class QPushButton;
class QTabWidget;
class QVBoxLayout;

namespace curvane {

class TColorBox;
class TGLPanel_;
class TScope;
class TfrmAbstractMDIChild;

// Where the dialog opens.
enum class TOptionsPage { opGeneral, op2DAppearance, op2DGrid, op3D };

// Edits the settings record on a live 2D preview and, from the first time
// its 3D page is shown, a live 3D preview; Apply and OK store the choices and
// carry them to the graph windows of an MDI area.
//
// What Apply does is decided by two boxes: "Save as default" copies the
// previews into the settings record (what new windows take), "Apply to all"
// carries them to every graph window of the area instead of only the active
// one. A 3D window only changes once the 3D preview exists: until then the
// dialog has no 3D choices of the user's to give it.
class TfrmOptions : public QDialog {
    Q_OBJECT
public:
    // The area whose graph windows Apply changes; it must outlive the dialog.
    explicit TfrmOptions(QMdiArea* area, QWidget* parent = nullptr);
    ~TfrmOptions() override;

    // Ticks or clears both boxes and turns to `page`.
    void Setup(TOptionsPage page, bool saveAndApplyToAll);

    // Stores "Save config on exit", then, as the two boxes say, the defaults
    // and the target windows.
    void Apply();
    void accept() override;

    TScope* Preview2D() const { return FPreview2D; }
    // Null until the 3D page was shown, and where there is no OpenGL.
    TGLPanel_* Preview3D() const { return FPreview3D; }
    QTabWidget* Pages() const { return FPages; }
    QTabWidget* Pages2D() const { return FPages2D; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* BuildGeneralPage();
    QWidget* Build2DPage();
    QWidget* Build3DPage();
    TColorBox* AddColorRow(QFormLayout* form, const char* name, const QString& caption);
    QCheckBox* AddCheck(const char* name, const QString& caption);
    void LoadControls();
    void PageChanged();
    void Create3DPreview();
    // Shows the 2D controls on the preview, redrawn once.
    void Update2DPreview();
    void ChooseUnits(TAxis axis);
    void ChooseGridFont();
    // The 3D look the controls show (the preview's, once it exists).
    TScene3DStyle Chosen3DStyle() const;
    void Update3DPreview();
    // What a window's document keeps of the choices: its switches and units.
    void ChooseSwitches2D(TView2D& view) const;
    void ChooseSwitches3D(TGraphDocument& document) const;

    QMdiArea* FArea;
    bool F3DShown = false;

    QTabWidget* FPages = nullptr;
    QWidget* tshGeneral = nullptr;
    QWidget* tsh2D = nullptr;
    QWidget* tsh3D = nullptr;
    QTabWidget* FPages2D = nullptr;
    QCheckBox* cbxSaveConfig = nullptr;

    TScope* FPreview2D = nullptr;
    TColorBox* clrWindow2D = nullptr;
    TColorBox* clrIndicator = nullptr;
    TColorBox* clrAxes2D = nullptr;
    TColorBox* clrGrid2D = nullptr;
    TColorBox* clrPeriod = nullptr;
    QCheckBox* cbxAntialiasing = nullptr;
    QComboBox* cbxUnitsX = nullptr;
    QComboBox* cbxUnitsY = nullptr;
    QCheckBox* cbxFullGrid = nullptr;
    QCheckBox* cbxLabels = nullptr;
    QCheckBox* cbxUniform = nullptr;
    QPushButton* btnGridFont = nullptr;

    QVBoxLayout* F3DPreviewPlace = nullptr;
    TGLPanel_* FPanel3D = nullptr;    // made with the dialog where there is OpenGL
    TGLPanel_* FPreview3D = nullptr;  // the same, once shown
    QLabel* FNoOpenGL = nullptr;
    TColorBox* clrWindow3D = nullptr;
    TColorBox* clrAxes3D = nullptr;
    TColorBox* clrGrid3D = nullptr;
    TColorBox* clrLabels3D = nullptr;
    QCheckBox* cbxGrid3D = nullptr;
    QCheckBox* cbxAxes3D = nullptr;
    QCheckBox* cbxLabels3D = nullptr;
    QCheckBox* cbxSmooth = nullptr;
    TMeshLookBoxes FMeshLook;
    QCheckBox* cbxScaledBox = nullptr;
    QCheckBox* cbxScreenLabels = nullptr;
    QLineEdit* edBoxRatio = nullptr;

    QCheckBox* cbxSaveDefault = nullptr;
    QCheckBox* cbxApplyAll = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnCancel = nullptr;
    QPushButton* btnHelp = nullptr;
    QPushButton* btnApply = nullptr;
};

// Opens the dialog modally over `parent` on `page`, both boxes ticked or
// cleared, for the graph windows of `area`; it is freed when it closes.
void RunOptionsDialog(QMdiArea* area, QWidget* parent, TOptionsPage page, bool saveAndApplyToAll);

}  // namespace curvane
