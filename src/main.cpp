#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <optional>

#include "core/cli/eval_command.h"
#include "gui/app/application.h"
#include "gui/app/frm_main.h"
#include "gui/app/render_command.h"
#include "render/fonts.h"

namespace {

struct TOptions {
    QCommandLineOption Eval{"eval", "Evaluates FORMULA with X and Y bound to --x and --y, prints its value and exits.",
                            "FORMULA"};
    QCommandLineOption X{"x", "Value of the variable X for --eval (default 0).", "N"};
    QCommandLineOption Y{"y", "Value of the variable Y for --eval (default 0).", "N"};
    QCommandLineOption Render{"render",
                              "Samples and paints the 2D document FILE as a window of that plot size shows it, "
                              "writes the picture to --output and exits (no display needed).",
                              "FILE"};
    QCommandLineOption Output{"output", "Picture file written by --render (PNG unless the extension says "
                                        "otherwise).",
                              "OUT"};
    QCommandLineOption Size{"size", "Plot size for --render, WIDTHxHEIGHT (default 800x600).", "WxH"};
};

void Describe(QCommandLineParser& parser, const TOptions& options) {
    parser.setApplicationDescription(
        "Curvane: plots mathematical functions and computes with them.\n"
        "Without options it starts the program and opens the given .gfx documents, each in a window of its own.");
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions({options.Eval, options.X, options.Y, options.Render, options.Output, options.Size});
    parser.addPositionalArgument("files", "Graph documents (.gfx) to open.", "[FILE.gfx...]");
}

bool HasArgument(int argc, char** argv, std::initializer_list<const char*> names) {
    for (int i = 1; i < argc; ++i) {
        for (const char* name : names) {
            const std::size_t n = std::strlen(name);
            if (std::strncmp(argv[i], name, n) == 0 && (argv[i][n] == '\0' || argv[i][n] == '=')) return true;
        }
    }
    return false;
}

// The modes that print and exit run without a display: they must work over
// ssh and in scripts, where a GUI application could not even start.
int RunConsoleMode(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("Curvane");
    QCoreApplication::setApplicationVersion("1.0");
    QCommandLineParser parser;
    TOptions options;
    Describe(parser, options);
    parser.process(app);  // --help, --version and malformed options end here

    if (!parser.isSet(options.Eval)) {
        std::cerr << "curvane: --x and --y belong to --eval\n";
        return 1;
    }
    auto optional = [&](const QCommandLineOption& o) -> std::optional<std::string> {
        if (!parser.isSet(o)) return std::nullopt;
        return parser.value(o).toStdString();
    };
    // The formula's bytes exactly as given: decoding to QString and back
    // would turn bytes that are not valid text into replacement characters.
    std::string formula = parser.value(options.Eval).toStdString();
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--eval" || arg == "-eval") && i + 1 < argc) {
            formula = argv[i + 1];
            break;
        }
        if (arg.rfind("--eval=", 0) == 0) {
            formula = arg.substr(7);
            break;
        }
    }
    return curvane::RunEvalCommand(formula, optional(options.X), optional(options.Y), std::cout, std::cerr);
}

int RunGui(int argc, char** argv) {
    curvane::TApplication app(argc, argv);
    QCoreApplication::setApplicationName("Curvane");
    QCoreApplication::setApplicationVersion("1.0");
    QCommandLineParser parser;
    TOptions options;
    Describe(parser, options);
    parser.process(app);
    curvane::InstallFontSubstitutions();

    curvane::TfrmMain frame;
    frame.show();
    QStringList files;
    for (const QString& file : parser.positionalArguments()) files << QFileInfo(file).absoluteFilePath();
    if (!files.isEmpty()) frame.OpenDocuments(files);
    return app.exec();
}

}  // namespace

int main(int argc, char** argv) {
    if (curvane::IsRenderCommandLine(argc, argv)) return curvane::RenderMain(argc, argv);
    if (HasArgument(argc, argv, {"--eval", "-eval", "--x", "--y", "-x", "-y", "-h", "--help", "--help-all", "-v", "--version"}))
        return RunConsoleMode(argc, argv);
    return RunGui(argc, argv);
}
