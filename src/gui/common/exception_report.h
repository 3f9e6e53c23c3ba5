// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <exception>
#include <functional>

class QWidget;

namespace curvane {

// What one unhandled exception leaves behind: the text the log and the error
// dialog show. `Address` is the code address of the throw when it is known
// (see LastThrowAddress), else 0.
struct TExceptionInfo {
    QString Message;
    QString ClassName;
    quintptr Address = 0;
};

// Builds the record for an exception caught by a guard or by the event-loop
// net. Call it inside the catch block: it reads the address of the most recent
// throw on this thread.
TExceptionInfo DescribeException(const std::exception& e);
TExceptionInfo DescribeUnknownException();

// "%8.8xh": at least eight lower-case hexadecimal digits and the letter h.
QString FormatExceptAddress(quintptr address);

// The address recorded by the most recent throw on this thread (0 before any).
quintptr LastThrowAddress();

// The error log beside the executable when that folder is writable and the
// copy is not installed (see IsInstalledCopy), else $XDG_STATE_HOME/curvane/
// (~/.local/state/curvane/ by default).
// CURVANE_ERROR_LOG in the environment overrides both, for tests and for
// installations that want the log elsewhere.
QString DefaultErrorLogPath();

// " unknown creation time" unless the executable can be found; then its
// creation time (modification time where the file system keeps no creation
// time), in UTC as stored, formatted as a date and time.
QString ExecutableCreationText();

// Appends one report to the log, creating the file (and its folder) when it
// does not exist yet. Returns false when the log cannot be written; the caller
// goes on showing the dialog regardless.
bool AppendErrorReport(const QString& logPath, const TExceptionInfo& info);

// The one application-wide handler for exceptions that escaped a command:
// shows "in exception", appends the report to the log, shows TfrmExcept and
// ends the program when the user chooses "Terminate".
class TExceptionReport {
public:
    static TExceptionReport& Instance();

    void Handle(const TExceptionInfo& info);

    QString LogPath() const;
    void SetLogPath(const QString& path);  // empty = DefaultErrorLogPath()

    // Ending the program; the default calls QCoreApplication::exit(3). Tests
    // replace it to observe "Terminate" without losing their process.
    void SetTerminateHandler(std::function<void()> handler);

    bool Installed() const { return FInstalled; }
    void SetInstalled(bool value) { FInstalled = value; }

    // Handle() shows nothing while a report is being shown already: a second
    // exception raised by a paint event behind the modal dialog would
    // otherwise stack dialogs without end. The second one is still logged.
    bool Busy() const { return FBusy; }

private:
    TExceptionReport() = default;
    QString FLogPath;
    std::function<void()> FTerminate;
    bool FInstalled = false;
    bool FBusy = false;
};

// Runs one command. An exception that escapes it goes to the exception report
// and the command simply ends there; nothing reaches Qt's event loop.
// Returns true when the command finished normally.
bool RunGuarded(const std::function<void()>& command);

}  // namespace curvane
