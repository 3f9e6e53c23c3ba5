// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPointer>
#include <QSlider>
#include <QWidget>

#include <optional>
#include <vector>

#include "core/document/graph_document.h"
#include "gui/common/dockable.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class QVBoxLayout;

namespace curvane {

class TDocumentOwner;
class TfrmAbstractMDIChild;

// A parameter's slider: 1000 positions across the range. The arrow keys and
// Page Up/Down do not move the handle themselves but ask for a step of 1/100
// or 1/10 of the range, which the panel turns into a value (snapped to the
// parameter's Step, never stuck on one).
class TParamSlider : public QSlider {
    Q_OBJECT
public:
    static constexpr int Positions = 1000;
    explicit TParamSlider(QWidget* parent = nullptr);

signals:
    // `fraction` of the range, negative downwards.
    void KeyStep(double fraction);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

// The controls of one parameter in the panel.
struct TParameterRow {
    QWidget* Frame = nullptr;
    QLineEdit* Name = nullptr;
    QLineEdit* Value = nullptr;
    QToolButton* Play = nullptr;
    QToolButton* Delete = nullptr;
    TParamSlider* Slider = nullptr;
    QLineEdit* Min = nullptr;
    QLineEdit* Max = nullptr;
    QLineEdit* Step = nullptr;
    QComboBox* Mode = nullptr;
    QLineEdit* Speed = nullptr;
};

// The parameters of the current graph window's document: one row each with
// its name, a slider, the value (a constant formula; a value outside the
// range widens it), the range and step, play/pause and how it plays. Every
// change is one undo step of that window's document; a drag, from press to
// release, is one step, shown live while it lasts. The panel follows the
// current window's document by itself.
class TfrmParameters : public TfrmDockable {
    Q_OBJECT
public:
    TfrmParameters(TDockState& record, QMainWindow* mainWindow);

    int RowCount() const { return static_cast<int>(FRows.size()); }
    const TParameterRow& Row(int index) const { return FRows.at(static_cast<std::size_t>(index)); }
    QPushButton* AddButton() const { return btnAdd; }
    // The last refusal (a name that cannot be taken, a field that does not
    // read); empty when there is none.
    QString Message() const;

    // The panel's commands, each one undo step on the current window's document.
    void AddParameter();
    void RenameParameter(int index, const QString& name);
    // Asks first when a formula uses the parameter, naming the functions.
    void DeleteParameter(int index);
    void TypeValue(int index, const QString& text);

private:
    void Follow();
    void Rebuild();
    void ShowValues();
    void ShowMessage(const QString& text);
    TDocumentOwner* Owner() const;
    const TParameter* Parameter(int index) const;
    // One undo step named `text` changing the parameter at index.
    void EditParameter(int index, const QString& text, const std::function<void(TParameter&)>& change);

    void SliderMoved(int index, int position);
    void SliderPressed(int index);
    void SliderReleased(int index);
    void ApplyPendingDrag();
    void KeyStep(int index, double fraction);
    void RangeEdited(int index);
    void AnimationEdited(int index);
    void TogglePlay(int index);

    QPushButton* btnAdd;
    QLabel* lblMessage;
    QLabel* lblEmpty;
    QVBoxLayout* FRowsLayout;
    std::vector<TParameterRow> FRows;
    std::vector<std::string> FShownNames;
    QPointer<TfrmAbstractMDIChild> FWindow;
    QMetaObject::Connection FAnimatorConnection;

    // The drag under way: the document as it was at the press (the undo
    // step's "before"), and the latest position not yet shown. Positions
    // that come while a frame is being drawn replace each other: only the
    // newest is shown once the loop is free again.
    struct TDrag {
        QPointer<TDocumentOwner> Owner;
        int Index = -1;
        TGraphDocument Before;
        std::optional<double> Pending;
        bool ApplyPosted = false;
    };
    std::optional<TDrag> FDrag;
    bool FFilling = false;
};

// Turns one of the slider's positions into the parameter's value and back.
double SliderValue(const TParameter& parameter, int position);
int SliderPosition(const TParameter& parameter, double value);

}  // namespace curvane
