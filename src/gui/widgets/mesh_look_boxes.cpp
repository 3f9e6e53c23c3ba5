// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/widgets/mesh_look_boxes.h"

#include <QComboBox>
#include <QFormLayout>
#include <QSignalBlocker>
#include <QSpinBox>

#include "core/plot/color_map.h"
#include "core/plot/contour3d.h"
#include "render/plot3d/plot3d.h"

namespace curvane {

namespace {

QComboBox* List(const char* name, std::initializer_list<QString> entries) {
    auto* list = new QComboBox;
    list->setObjectName(QString::fromLatin1(name));
    for (const QString& entry : entries) list->addItem(entry);
    return list;
}

QComboBox* ColorMapList() {
    auto* list = List("cbxColorMap", {});
    for (int i = 0; i < ColorMapCount; ++i) list->addItem(QString::fromLatin1(ColorMapName(static_cast<TColorMap>(i))));
    return list;
}

QSpinBox* LevelsBox() {
    auto* box = new QSpinBox;
    box->setObjectName(QStringLiteral("spnContourLevels"));
    box->setRange(0, MaxContourLevels);
    box->setSpecialValueText(QStringLiteral("At the grid steps"));
    return box;
}

// An entry of a list, or the first one for a number from a file that the
// list does not have.
int Entry(int value, const QComboBox* list) { return value >= 0 && value < list->count() ? value : 0; }

}  // namespace

TMeshLookBoxes::TMeshLookBoxes()
    : cbxColoring(List("cbxColoring", {QStringLiteral("Function's color"), QStringLiteral("By height")})),
      cbxColorMap(ColorMapList()),
      cbxContours(List("cbxContours", {QStringLiteral("None"), QStringLiteral("On the surface"),
                                       QStringLiteral("On the floor"), QStringLiteral("On the surface and the floor")})),
      spnContourLevels(LevelsBox()) {}

void TMeshLookBoxes::AddRows(QFormLayout& form) {
    form.addRow(QStringLiteral("Surface color"), cbxColoring);
    form.addRow(QStringLiteral("Color scale"), cbxColorMap);
    form.addRow(QStringLiteral("Contour lines"), cbxContours);
    form.addRow(QStringLiteral("Contour levels"), spnContourLevels);
}

void TMeshLookBoxes::Show(const TScene3DStyle& style) {
    const QSignalBlocker blockers[] = {QSignalBlocker(cbxColoring), QSignalBlocker(cbxColorMap),
                                       QSignalBlocker(cbxContours), QSignalBlocker(spnContourLevels)};
    cbxColoring->setCurrentIndex(Entry(static_cast<int>(style.Coloring), cbxColoring));
    cbxColorMap->setCurrentIndex(Entry(static_cast<int>(style.ColorMap), cbxColorMap));
    cbxContours->setCurrentIndex(Entry(static_cast<int>(style.Contours), cbxContours));
    spnContourLevels->setValue(style.ContourCount);
    UpdateEnabled();
}

void TMeshLookBoxes::Choose(TScene3DStyle& style) const {
    style.Coloring = static_cast<TMeshColoring>(cbxColoring->currentIndex());
    style.ColorMap = static_cast<TColorMap>(cbxColorMap->currentIndex());
    style.Contours = static_cast<TContourPlace>(cbxContours->currentIndex());
    style.ContourCount = spnContourLevels->value();
}

void TMeshLookBoxes::OnChange(QObject* context, std::function<void()> changed) {
    const auto run = [this, changed] {
        UpdateEnabled();
        changed();
    };
    for (QComboBox* list : {cbxColoring, cbxColorMap, cbxContours})
        QObject::connect(list, &QComboBox::activated, context, run);
    QObject::connect(spnContourLevels, &QSpinBox::valueChanged, context, run);
}

void TMeshLookBoxes::UpdateEnabled() {
    cbxColorMap->setEnabled(cbxColoring->currentIndex() == static_cast<int>(TMeshColoring::mcHeight));
    spnContourLevels->setEnabled(cbxContours->currentIndex() != static_cast<int>(TContourPlace::cpNone));
}

}  // namespace curvane
