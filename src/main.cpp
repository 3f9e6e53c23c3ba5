#include <QCoreApplication>
#include <QCommandLineParser>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("Curvane");
    QCoreApplication::setApplicationVersion("1.0");
    QCommandLineParser parser;
    parser.setApplicationDescription("Curvane: plots mathematical functions and computes with them.");
    parser.addHelpOption();
    parser.addVersionOption();
    parser.process(app);
    return 0;
}
