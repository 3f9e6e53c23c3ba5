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
        // The formula's bytes as given, so that non-ASCII input reaches the
        // evaluator (and its messages) unchanged.
        const QByteArray formula = parser.value(evalOption).toLocal8Bit();
        return curvane::RunEvalCommand(formula.toStdString(), optional(xOption), optional(yOption), std::cout,
                                       std::cerr);
    }
    return 0;
}
