// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

#include <functional>

class QComboBox;
class QFormLayout;
class QSpinBox;

namespace curvane {

struct TScene3DStyle;

// The lists that choose how a 3D scene colours its meshes and where it
// draws level lines, shared by the Options dialog's 3D page and the display
// controller. The boxes belong to the layout they are added to.
class TMeshLookBoxes {
public:
    TMeshLookBoxes();
    // Rows "Surface color", "Color scale", "Contour lines", "Contour levels".
    void AddRows(QFormLayout& form);
    // Shows style's choices without reporting a change.
    void Show(const TScene3DStyle& style);
    void Choose(TScene3DStyle& style) const;
    // Calls changed (in context) whenever the user picks another entry.
    void OnChange(QObject* context, std::function<void()> changed);

    QComboBox* const cbxColoring;
    QComboBox* const cbxColorMap;
    QComboBox* const cbxContours;
    QSpinBox* const spnContourLevels;

private:
    // The scale list and the level count mean nothing without what they refine.
    void UpdateEnabled();
};

}  // namespace curvane
