// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QTemporaryDir>

#include "gui/run_curvane.h"

namespace curvane {
namespace {

using testing::RunCurvane;
using testing::TRun;

// Qt warns about a missing XDG_RUNTIME_DIR unless the program gives it one;
// the private one it makes goes away again (TMPDIR shows what is left).
TEST(CurvaneExecutable, RenderSucceedsSilentlyAndLeavesNothingBehind) {
    QTemporaryDir out, tmp;
    ASSERT_TRUE(out.isValid() && tmp.isValid());
    const QString picture = out.filePath("p.png");
    const QString document = QStringLiteral(CURVANE_SOURCE_DIR "/examples/explicit.gfx");
    const TRun run =
        RunCurvane({"--render", document, "--output", picture, "--size", "80x60"}, {{"TMPDIR", tmp.path()}});
    EXPECT_EQ(run.Status, 0);
    EXPECT_EQ(run.Err, "");
    EXPECT_EQ(run.Out, "");
    EXPECT_EQ(QImage(picture).size(), QSize(80, 60));
    EXPECT_TRUE(QDir(tmp.path()).isEmpty()) << QDir(tmp.path()).entryList().join(' ').toStdString();
}

// Each ends with one line on stderr and its status, without a display and
// without ever reaching Qt's abort for a missing one.
TEST(CurvaneExecutable, BadCommandLinesAndNoDisplayEndWithOneLine) {
    const struct {
        const char* Why;
        QStringList Args;
        std::map<QString, QString> Env;
        int Status;
        const char* ErrStart;
    } rows[] = {
        {"unknown option", {"--bogus", "a.gfx"}, {}, 1, "curvane: unknown option --bogus"},
        {"stray value", {"--eval", "1", "2"}, {}, 1, "curvane: unexpected argument 2"},
        {"option of another mode", {"a.gfx", "--size", "9x9"}, {}, 1, "curvane: --size belongs to --render"},
        {"render keeps its status", {"--render", "a.gfx", "--output"}, {}, 2, "curvane: --output needs a value"},
        {"no DISPLAY", {"a.gfx"}, {}, 2, "curvane: cannot open a display (DISPLAY is not set)"},
        {"no X server there", {}, {{"DISPLAY", ":4711"}}, 2, "curvane: cannot open a display (cannot connect"},
        {"-display wins", {"-display", ":4711"}, {{"DISPLAY", ":0"}}, 2,
         "curvane: cannot open a display (cannot connect to the X server :4711)"},
        {"no Wayland compositor", {}, {{"QT_QPA_PLATFORM", "wayland"}}, 2, "curvane: cannot open a display (WAYLAND"},
        {"session order", {}, {{"XDG_SESSION_TYPE", "wayland"}}, 2, "curvane: cannot open a display (WAYLAND_DISPLAY "
                                                                     "and XDG_RUNTIME_DIR are not set; DISPLAY"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Why);
        const TRun run = RunCurvane(row.Args, row.Env);
        EXPECT_EQ(run.Status, row.Status);
        EXPECT_TRUE(run.Err.startsWith(row.ErrStart)) << run.Err.toStdString();
        EXPECT_EQ(run.Err.count('\n'), 1) << run.Err.toStdString();
    }
}

// The numerical modes print and exit like --eval, without a display.
TEST(CurvaneExecutable, NumericModesPrintTheirResultAndStatus) {
    const struct {
        const char* Why;
        QStringList Args;
        int Status;
        const char* OutStart;
        const char* Err;
    } rows[] = {
        {"2D table", {"--tabulate", "x*2", "--from", "0", "--to", "1", "--step", "0.5"}, 0,
         "X=0 Y=0 Z=0\nX=0.5 Y=1 Z=0\nX=1 Y=2 Z=0\n", ""},
        {"3D table, y fastest",
         {"--tabulate", "x+y", "--from", "0", "--to", "1", "--step", "1", "--y-from", "0", "--y-to", "2", "--y-step",
          "2", "--pattern", "%x,%y,%z"},
         0, "0,0,0\n0,2,2\n1,0,1\n1,2,3\n", ""},
        {"integral", {"--integrate", "x", "--from", "0", "--to", "1"}, 0, "0.5\n", ""},
        {"integral high to low", {"--integrate", "x", "--from", "1", "--to", "0"}, 0, "-0.5\n", ""},
        {"integral overflow", {"--integrate", "x", "--from", "-1e308", "--to", "1e308"}, 3, "", "Floating point overflow\n"},
        {"root", {"--root", "x^2-2", "--from", "0", "--to", "2", "--accuracy", "1e-10"}, 0,
         "Root for \"x^2-2\" in (0.0000,2.0000) is 1.41421356", ""},
        {"no root", {"--root", "x^2+1", "--from", "0", "--to", "2"}, 3, "", "No roots\n"},
        {"a pole is no root", {"--root", "tg(x)", "--from", "1", "--to", "2"}, 3, "", "No roots\n"},
        {"formula error", {"--integrate", "x+", "--from", "0", "--to", "1"}, 2, "", "Syntax error\n"},
        {"roots, one line each", {"--roots", "sin(x)", "--from", "-4", "--to", "4"}, 0, "root -3.14159265358979", ""},
        {"--ends belongs to --extrema", {"--roots", "x", "--from", "0", "--to", "1", "--ends"}, 1, "",
         "curvane: --ends belongs to --extrema (curvane --help lists the options)\n"},
        {"fit without its data", {"--fit", "m*x+c", "--data", "/nonexistent/points.csv"}, 1, "",
         "curvane: Unable to read from /nonexistent/points.csv\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Why);
        const TRun run = RunCurvane(row.Args);
        EXPECT_EQ(run.Status, row.Status);
        // A null QString starts with nothing, not even "".
        if (*row.OutStart) EXPECT_TRUE(run.Out.startsWith(row.OutStart)) << run.Out.toStdString();
        else EXPECT_EQ(run.Out, "");
        EXPECT_EQ(run.Err, row.Err);
    }
}

}  // namespace
}  // namespace curvane
