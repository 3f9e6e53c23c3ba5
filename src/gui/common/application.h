// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QApplication>

namespace curvane {

// "Curvane v" and the version: the main window's title, the application's display name,
// and the caption of every message box that has no caption of its own.
QString ApplicationTitle();

// The last net of the exception report: an exception thrown by any event
// handler that does not run through a command guard is caught here, reported,
// and the event counts as not handled. Nothing unwinds into Qt's event loop,
// whose code is not exception-safe.
class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace curvane
