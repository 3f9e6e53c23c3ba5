// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/common/application.h"

#include "core/support/version.h"
#include "gui/common/exception_report.h"

namespace curvane {

QString ApplicationTitle() { return QStringLiteral("Curvane v") + QString::fromUtf8(Version); }

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

// The last net: an exception that escaped a handler of its own is reported
// here instead of unwinding into Qt's event loop.
bool TApplication::notify(QObject* receiver, QEvent* event) {
    bool handled = false;
    RunGuarded([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}

}  // namespace curvane
