// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>

#include <dlfcn.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/cli/command_line.h"
#include "core/cli/eval_command.h"
#include "core/cli/fit_command.h"
#include "core/cli/numeric_commands.h"
#include "core/settings/settings.h"
#include "core/support/exceptions.h"
#include "core/support/installation.h"
#include "core/support/version.h"
#include "gui/app/frm_main.h"
#include "gui/app/session_end.h"
#include "gui/common/application.h"
#include "gui/common/artwork.h"
#include "gui/export/render_command.h"
#include "gui/plot3d/gl_panel.h"
#include "render/fonts.h"

namespace {

using curvane::TCommandLine;

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// Why the X server cannot be reached, or "" when it can. libxcb is what Qt's
// xcb plugin connects with, so asking it answers exactly what Qt would find,
// through the same DISPLAY and Xauthority rules. It is loaded at run time
// because only this check needs it: the build needs no X headers, and where
// libxcb is missing Qt's xcb plugin could not load either.
std::string XcbProblem(const std::string& display) {
    const std::string shown = display.empty() ? Environment("DISPLAY") : display;
    if (shown.empty()) return "DISPLAY is not set";
    void* library = dlopen("libxcb.so.1", RTLD_LAZY | RTLD_LOCAL);
    if (!library) return "libxcb.so.1 cannot be loaded";
    using TConnect = void* (*)(const char*, int*);
    using TConnection = int (*)(void*);
    using TDisconnect = void (*)(void*);
    const auto connect = reinterpret_cast<TConnect>(dlsym(library, "xcb_connect"));
    const auto hasError = reinterpret_cast<TConnection>(dlsym(library, "xcb_connection_has_error"));
    const auto disconnect = reinterpret_cast<TDisconnect>(dlsym(library, "xcb_disconnect"));
    std::string problem;
    if (!connect || !hasError || !disconnect) {
        problem = "libxcb.so.1 lacks xcb_connect";
    } else {
        // xcb_connect never returns null: a failed connection is an object in error.
        void* connection = connect(display.empty() ? nullptr : display.c_str(), nullptr);
        if (hasError(connection)) problem = "cannot connect to the X server " + shown;
        disconnect(connection);
    }
    dlclose(library);
    return problem;
}

// Why no Wayland compositor is there, or "". libwayland-client looks for the
// socket WAYLAND_DISPLAY (default wayland-0) in XDG_RUNTIME_DIR unless the
// name is absolute; without the socket Qt's wayland plugin fails.
std::string WaylandProblem() {
    std::string name = Environment("WAYLAND_DISPLAY");
    if (name.empty()) name = "wayland-0";
    std::filesystem::path socket = name;
    if (socket.is_relative()) {
        const std::string runtime = Environment("XDG_RUNTIME_DIR");
        if (runtime.empty()) return "WAYLAND_DISPLAY and XDG_RUNTIME_DIR are not set";
        socket = std::filesystem::path(runtime) / socket;
    }
    std::error_code ignored;
    if (!std::filesystem::is_socket(socket, ignored)) return "no Wayland compositor at " + socket.string();
    return "";
}

// Why the windows cannot be shown, or "" when they can (as far as we can tell).
// When its platform plugin cannot connect, Qt prints several lines about
// plugins, which mislead more than they help, and aborts. So the platforms Qt
// is about to try are tried first, in Qt's order: -platform, else
// QT_QPA_PLATFORM, else Wayland when the session says it is one and then
// xcb, this build's default; each entry may be a ';' list, and ':' starts a
// plugin's arguments. One that works is enough. Platforms that need no server
// (offscreen, minimal, vnc, eglfs...) are left to Qt.
std::string DisplayProblem(const TCommandLine& line) {
    std::string platforms = line.Value("platform").value_or(Environment("QT_QPA_PLATFORM"));
    if (platforms.empty()) platforms = Environment("XDG_SESSION_TYPE") == "wayland" ? "wayland;xcb" : "xcb";
    std::vector<std::string> problems;
    std::size_t start = 0;
    while (start <= platforms.size()) {
        const std::size_t end = std::min(platforms.find(';', start), platforms.size());
        const std::string entry = platforms.substr(start, end - start);
        const std::string name = entry.substr(0, entry.find(':'));
        start = end + 1;
        std::string problem;
        if (name == "xcb") {
            problem = XcbProblem(line.Value("display").value_or(""));
        } else if (name.starts_with("wayland")) {
            problem = WaylandProblem();
        } else if (name.empty()) {
            continue;
        } else {
            return "";
        }
        if (problem.empty()) return "";
        problems.push_back(problem);
    }
    std::string joined;
    for (const std::string& p : problems) joined += (joined.empty() ? "" : "; ") + p;
    return joined;
}

// Every QGuiApplication looks into the runtime directory while it starts, and
// where XDG_RUNTIME_DIR is not set (ssh without a login session, cron,
// containers: where --render runs) Qt warns on stderr and falls back to a
// shared /tmp/runtime-USER. Then a private directory of our own (0700, as Qt
// requires) is the one it gets, removed when the program ends; create it
// before the application object and keep it until that is gone. Not for the
// GUI: what it starts (a browser for a link) inherits the environment and
// would outlive the directory.
class TRuntimeDir {
public:
    TRuntimeDir() {
        if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) return;
        FDir.emplace(QDir::tempPath() + "/curvane-runtime-XXXXXX");
        if (FDir->isValid()) qputenv("XDG_RUNTIME_DIR", QFile::encodeName(FDir->path()));
    }

private:
    std::optional<QTemporaryDir> FDir;
};

int RunGui(int argc, char** argv, const TCommandLine& line) {
    if (const std::string problem = DisplayProblem(line); !problem.empty()) {
        std::cerr << "curvane: cannot open a display (" << problem << "); --render and --eval work without one\n";
        return 2;
    }
    // The GL context format is fixed before the application exists.
    curvane::PrepareOpenGL();
    curvane::TApplication app(argc, argv);
    QCoreApplication::setApplicationName("Curvane");
    QCoreApplication::setApplicationVersion(QString::fromUtf8(curvane::Version));
    // The desktop matches the windows to the menu entry <id>.desktop by this
    // name (its icon and name in the task bar and the window switcher).
    QGuiApplication::setDesktopFileName(
        QString::fromLatin1(curvane::ApplicationId.data(), qsizetype(curvane::ApplicationId.size())));
    QApplication::setWindowIcon(curvane::ApplicationIcon());
    curvane::InstallFontSubstitutions();

    curvane::TfrmMain frame;
    const curvane::TSessionEndWatch sessionEnd([&frame] { frame.EndSession(); });
    frame.show();
    QStringList files;
    for (const std::string& file : line.Positional())
        files << QFileInfo(QString::fromLocal8Bit(file)).absoluteFilePath();
    if (!files.isEmpty()) frame.OpenDocuments(files);
    return app.exec();
}

int RunRender(int argc, char** argv, const TCommandLine& line) {
    QSize size = curvane::DefaultRenderSize;
    if (const auto text = line.Value("size"); text && !curvane::ParseRenderSize(QString::fromLocal8Bit(*text), size)) {
        std::cerr << "curvane: --size takes WIDTHxHEIGHT, for example 800x600 (each 1..16384)\n";
        return static_cast<int>(curvane::TRenderExit::reUsage);
    }
    int scale = 1;
    if (const auto text = line.Value("scale");
        text && !curvane::ParseRenderScale(QString::fromLocal8Bit(*text), scale)) {
        std::cerr << "curvane: --scale takes a whole number from 1 to " << curvane::MaxRenderScale << "\n";
        return static_cast<int>(curvane::TRenderExit::reUsage);
    }
    // No display is needed for a picture: the offscreen platform paints with
    // the same raster engine, unless the caller chose a platform himself.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    const TRuntimeDir runtime;
    QApplication app(argc, argv);
    QTextStream err(stderr);
    // The picture has the look a new window would have: the settings file's
    // colours, fonts and switches (read only, never written back).
    try {
        curvane::LoadSettingsFile(curvane::TfrmMain::SettingsFile().toStdString(), curvane::Settings());
    } catch (const curvane::Exception& e) {
        err << "curvane: warning: " << QString::fromUtf8(e.what()) << "; the built-in settings are used\n";
        curvane::Settings() = curvane::TSettings();
    }
    const auto bits = line.Value("bits");
    return static_cast<int>(curvane::RunRenderCommand(
        QString::fromLocal8Bit(*line.Value("render")), QString::fromLocal8Bit(*line.Value("output")), size, err, scale,
        bits ? std::optional(QString::fromLocal8Bit(*bits)) : std::nullopt, line.Values("set"),
        line.Value("animate")));
}

}  // namespace

// The command line is parsed once, before any Qt object exists: a wrong one
// starts nothing, and the modes that print and exit (--eval, the numerical
// modes, --help) never touch Qt, so they work over ssh and in scripts.
int main(int argc, char** argv) {
    TCommandLine line;
    try {
        line = TCommandLine::Parse(std::span<const char* const>(argv + 1, argc > 0 ? argc - 1 : 0));
    } catch (const curvane::ECommandLine& e) {
        std::cerr << "curvane: " << e.what() << " (curvane --help lists the options)\n";
        return e.Status();
    }
    switch (line.Mode()) {
    case curvane::TCliMode::cmHelp:
        std::cout << curvane::CommandLineHelp();
        return 0;
    case curvane::TCliMode::cmVersion:
        std::cout << "Curvane " << curvane::Version << "\n";
        return 0;
    case curvane::TCliMode::cmEval:
        return curvane::RunEvalCommand(*line.Value("eval"), line.Value("x"), line.Value("y"), std::cout, std::cerr,
                                       line.Values("set"));
    case curvane::TCliMode::cmTabulate:
        return curvane::RunTabulateCommand(line, std::cout, std::cerr);
    case curvane::TCliMode::cmIntegrate:
        return curvane::RunIntegrateCommand(line, std::cout, std::cerr);
    case curvane::TCliMode::cmRoot:
        return curvane::RunRootCommand(line, std::cout, std::cerr);
    case curvane::TCliMode::cmRoots:
    case curvane::TCliMode::cmExtrema:
    case curvane::TCliMode::cmIntersections:
        return curvane::RunPointsCommand(line, std::cout, std::cerr);
    case curvane::TCliMode::cmFit:
        return curvane::RunFitCommand(line, std::cout, std::cerr);
    case curvane::TCliMode::cmRender:
        return RunRender(argc, argv, line);
    case curvane::TCliMode::cmGui:
        break;
    }
    return RunGui(argc, argv, line);
}
