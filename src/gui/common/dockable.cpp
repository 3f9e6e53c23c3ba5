// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/common/dockable.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QMainWindow>
#include <QScreen>

#include <algorithm>

namespace curvane {

namespace {

struct PanelName {
    const char* name;
    Qt::DockWidgetArea area;
};

constexpr PanelName PanelNames[] = {
    {LeftDockPanelName, Qt::LeftDockWidgetArea},
    {RightDockPanelName, Qt::RightDockWidgetArea},
    {TopDockPanelName, Qt::TopDockWidgetArea},
    {BottomDockPanelName, Qt::BottomDockWidgetArea},
};

bool IsSidePanel(Qt::DockWidgetArea area) {
    return area == Qt::LeftDockWidgetArea || area == Qt::RightDockWidgetArea;
}

// Smallest floating size we restore: a stored 0x0 or negative size would
// leave a window nobody can find or grab.
constexpr int MinFloatingWidth = 120;
constexpr int MinFloatingHeight = 80;

}  // namespace

std::optional<Qt::DockWidgetArea> DockAreaByName(const QString& name) {
    for (const auto& p : PanelNames)
        if (name.compare(QLatin1String(p.name), Qt::CaseInsensitive) == 0) return p.area;
    return std::nullopt;
}

QString DockAreaName(Qt::DockWidgetArea area) {
    for (const auto& p : PanelNames)
        if (p.area == area) return QString::fromLatin1(p.name);
    return {};
}

TfrmDockable::TfrmDockable(const QString& title, TDockState& record, QMainWindow* mainWindow)
    : QDockWidget(title, mainWindow), FRecord(record), FMainWindow(mainWindow) {
    setAttribute(Qt::WA_DeleteOnClose);
    setAllowedAreas(Qt::AllDockWidgetAreas);
    connect(this, &QDockWidget::dockLocationChanged, this, [this] { UpdateRecord(); });
    connect(this, &QDockWidget::topLevelChanged, this, [this] { UpdateRecord(); });
}

void TfrmDockable::ShowFromRecord() {
    FPlacing = true;
    const auto area = DockAreaByName(QString::fromStdString(FRecord.DockedTo));
    if (area && (allowedAreas() & *area)) {
        QDockWidget* last = LastVisibleDockIn(*area);
        setFloating(false);
        FMainWindow->addDockWidget(*area, this);
        if (last)
            FMainWindow->splitDockWidget(
                last, this, FRecord.Orientation == std::uint8_t(TDockOrientation::doRight) ? Qt::Horizontal
                                                                                            : Qt::Vertical);
        show();
        const bool side = IsSidePanel(*area);
        int extent = side ? FRecord.DockWidth : FRecord.DockHeight;
        if (FRecord.DockedWidth > 0) extent = FRecord.DockedWidth;
        extent = std::max(extent, side ? MinFloatingWidth / 2 : MinFloatingHeight / 2);
        FMainWindow->resizeDocks({this}, {extent}, side ? Qt::Horizontal : Qt::Vertical);
    } else {
        // A floating window still belongs to the main window's layout, so the
        // user can dock it later by dragging.
        FMainWindow->addDockWidget(Qt::RightDockWidgetArea, this);
        setFloating(true);
        PlaceFloating();
        show();
    }
    FPlacing = false;
    UpdateRecord();
}

void TfrmDockable::PlaceFloating() {
    QRect r(FRecord.UndockLeft, FRecord.UndockTop, std::max(FRecord.UnDockWidth, MinFloatingWidth),
            std::max(FRecord.UnDockHeight, MinFloatingHeight));
    // Screens change between runs: keep the window on one that exists now.
    QScreen* screen = QGuiApplication::screenAt(r.center());
    if (!screen) screen = FMainWindow->screen();
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (screen) {
        const QRect avail = screen->availableGeometry();
        r.setWidth(std::min(r.width(), avail.width()));
        r.setHeight(std::min(r.height(), avail.height()));
        r.moveLeft(std::clamp(r.left(), avail.left(), avail.right() - r.width() + 1));
        r.moveTop(std::clamp(r.top(), avail.top(), avail.bottom() - r.height() + 1));
    }
    resize(r.size());
    move(r.topLeft());
}

QDockWidget* TfrmDockable::LastVisibleDockIn(Qt::DockWidgetArea area) const {
    QDockWidget* last = nullptr;
    for (QDockWidget* d : FMainWindow->findChildren<QDockWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (d == this || d->isFloating() || !d->isVisible()) continue;
        if (FMainWindow->dockWidgetArea(d) == area) last = d;
    }
    return last;
}

void TfrmDockable::UpdateRecord() {
    if (FPlacing || !isVisible()) return;
    if (isFloating()) {
        FRecord.UndockLeft = x();
        FRecord.UndockTop = y();
        FRecord.UnDockWidth = width();
        FRecord.UnDockHeight = height();
        FRecord.Floating = true;
        FRecord.DockedTo.clear();
    } else {
        const Qt::DockWidgetArea area = FMainWindow->dockWidgetArea(this);
        const bool side = IsSidePanel(area);
        FRecord.DockLeft = x();
        FRecord.DockTop = y();
        switch (FRecord.Orientation) {
            case std::uint8_t(TDockOrientation::doBoth):
                FRecord.DockWidth = width();
                FRecord.DockHeight = height();
                break;
            case std::uint8_t(TDockOrientation::doRight):
                FRecord.DockWidth = width();
                break;
            default:
                if (side)
                    FRecord.DockWidth = width();
                else
                    FRecord.DockHeight = height();
                break;
        }
        FRecord.DockedWidth = side ? width() : height();
        FRecord.Floating = false;
        FRecord.DockedTo = DockAreaName(area).toStdString();
    }
    FRecord.Visible = true;
}

void TfrmDockable::closeEvent(QCloseEvent* event) {
    QDockWidget::closeEvent(event);
    if (!event->isAccepted()) return;
    FRecord.Visible = false;
    emit Closed();
}

void TfrmDockable::moveEvent(QMoveEvent* event) {
    QDockWidget::moveEvent(event);
    UpdateRecord();
}

void TfrmDockable::resizeEvent(QResizeEvent* event) {
    QDockWidget::resizeEvent(event);
    UpdateRecord();
}

}  // namespace curvane
