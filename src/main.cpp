#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>
#include <iostream>
#include <optional>

#include "core/cli/eval_command.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("Curvane");
    QCoreApplication::setApplicationVersion("1.0");
    QCommandLineParser parser;
    parser.setApplicationDescription("Curvane: plots mathematical functions and computes with them.");
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption evalOption("eval", "Evaluates FORMULA and prints its value.", "FORMULA");
    const QCommandLineOption xOption("x", "Value of the variable X for --eval (default 0).", "N");
    const QCommandLineOption yOption("y", "Value of the variable Y for --eval (default 0).", "N");
    parser.addOptions({evalOption, xOption, yOption});
    parser.process(app);

    if (parser.isSet(evalOption)) {
        auto optional = [&](const QCommandLineOption& o) -> std::optional<std::string> {
            if (!parser.isSet(o)) return std::nullopt;
            return parser.value(o).toStdString();
        };
        // The formula's bytes exactly as given: decoding to QString and back
        // would turn bytes that are not valid text into replacement characters.
        std::string formula = parser.value(evalOption).toStdString();
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
        return curvane::RunEvalCommand(formula, optional(xOption), optional(yOption), std::cout, std::cerr);
    }
    return 0;
}
