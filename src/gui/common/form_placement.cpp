// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/common/form_placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace curvane {

namespace {

constexpr int MinWindowWidth = 200;
constexpr int MinWindowHeight = 150;

QScreen* ScreenFor(const QRect& r, const QWidget& window) {
    if (QScreen* s = QGuiApplication::screenAt(r.center())) return s;
    if (QScreen* s = window.screen()) return s;
    return QGuiApplication::primaryScreen();
}

}  // namespace

TWinPlacement PlacementOf(const QWidget& window) {
    TWinPlacement p;
    p.Left = window.x();
    p.Top = window.y();
    p.Width = window.width();
    p.Height = window.height();
    if (window.isMinimized())
        p.State = TWinState::wsMinimized;
    else if (window.isMaximized())
        p.State = TWinState::wsMaximized;
    else
        p.State = TWinState::wsNormal;
    return p;
}

void ApplyPlacement(QWidget& window, const TWinPlacement& placement, TRestoreAspects aspects) {
    using enum TRestoreAspect;
    const bool size = aspects.Contains(raSize);
    const bool location = aspects.Contains(raLocation);
    if (size || location) {
        QRect r(location ? placement.Left : window.x(), location ? placement.Top : window.y(),
                size ? placement.Width : window.width(), size ? placement.Height : window.height());
        r.setWidth(std::max(r.width(), MinWindowWidth));
        r.setHeight(std::max(r.height(), MinWindowHeight));
        if (QScreen* screen = ScreenFor(r, window)) {
            const QRect avail = screen->availableGeometry();
            r.setWidth(std::min(r.width(), avail.width()));
            r.setHeight(std::min(r.height(), avail.height()));
            r.moveLeft(std::clamp(r.left(), avail.left(), avail.right() - r.width() + 1));
            r.moveTop(std::clamp(r.top(), avail.top(), avail.bottom() - r.height() + 1));
        }
        // The normal bounds are set even for a window about to be maximised,
        // so that un-maximising it brings back what the user had.
        const Qt::WindowStates state = window.windowState();
        if (state & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen))
            window.setWindowState(Qt::WindowNoState);
        window.resize(r.size());
        window.move(r.topLeft());
        window.setWindowState(state);
    }
    if (aspects.Contains(raState)) {
        Qt::WindowStates state = window.windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized);
        if (placement.State == TWinState::wsMinimized) state |= Qt::WindowMinimized;
        if (placement.State == TWinState::wsMaximized) state |= Qt::WindowMaximized;
        window.setWindowState(state);
    }
}

}  // namespace curvane
