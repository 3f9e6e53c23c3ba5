// SPDX-License-Identifier: GPL-3.0-or-later
// Prints the MIME type Qt's database gives each file named on the command
// line, by name and content together, as file dialogs and file managers see
// it. The installation test points XDG_DATA_DIRS at the installed tree.
#include <QCoreApplication>
#include <QMimeDatabase>
#include <QTextStream>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const QMimeDatabase database;
    for (int i = 1; i < argc; ++i) out << database.mimeTypeForFile(QString::fromLocal8Bit(argv[i])).name() << '\n';
    return argc > 1 ? 0 : 2;
}
