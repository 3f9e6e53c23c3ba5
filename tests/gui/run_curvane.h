// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <map>

namespace curvane::testing {

struct TRun {
    int Status = -1;  // -2: killed by a signal
    QString Out, Err;
};

// Runs the real executable with no display, no session and no platform
// chosen, as over ssh; `env` adds or (with an empty value) removes variables.
inline TRun RunCurvane(const QStringList& args, const std::map<QString, QString>& env = {}) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_SESSION_TYPE", "XDG_RUNTIME_DIR"})
        environment.remove(name);
    for (const auto& [name, value] : env) {
        if (value.isEmpty()) environment.remove(name);
        else environment.insert(name, value);
    }
    QProcess p;
    p.setProcessEnvironment(environment);
    p.start(QStringLiteral(CURVANE_EXE), args);
    TRun run;
    if (!p.waitForFinished(60000)) return run;
    run.Status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    run.Out = QString::fromUtf8(p.readAllStandardOutput());
    run.Err = QString::fromUtf8(p.readAllStandardError());
    return run;
}

// Runs xdotool (keys and window look-ups on the test's X server, for driving
// a real Curvane started with QProcess); returns what it printed.
inline QString XDo(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral("xdotool"), args);
    p.waitForFinished(20000);
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

}  // namespace curvane::testing
