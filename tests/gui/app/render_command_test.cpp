#include "gui/app/render_command.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

#include <map>
#include <set>
#include <utility>
#include <vector>

#include "core/document/graph_document.h"
#include "core/settings/settings.h"
#include "core/support/ini_file.h"
#include "gui/plot2d/frm_child2d.h"
#include "gui/plot2d/scope.h"

namespace curvane {
namespace {

const QStringList Examples = {"explicit", "polar", "parametric", "derivative", "units_pi"};
const QSize ReferenceSize(320, 240);

QString ExamplePath(const QString& name) {
    return QStringLiteral(CURVANE_SOURCE_DIR "/examples/") + name + ".gfx";
}
QString ReferencePath(const QString& name) {
    return QStringLiteral(CURVANE_TEST_DATA "/render/") + name + ".png";
}

// Runs the real executable without a display: no DISPLAY, no platform chosen.
int RunCurvane(const QStringList& args, QString* err = nullptr,
               const std::vector<std::pair<QString, QString>>& extraEnv = {}) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const auto& [name, value] : extraEnv) env.insert(name, value);
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    env.remove("QT_QPA_PLATFORM");
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(CURVANE_EXE), args);
    if (!p.waitForFinished(60000)) return -1;
    if (err) *err = QString::fromUtf8(p.readAllStandardError());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
}

// How many pixels of each curve colour a picture holds.
std::map<QRgb, int> ColourCounts(const QImage& image, const std::vector<QRgb>& colours) {
    std::map<QRgb, int> counts;
    for (QRgb c : colours) counts[c] = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const auto it = counts.find(image.pixel(x, y) | 0xFF000000u);
            if (it != counts.end()) ++it->second;
        }
    return counts;
}

// The curve colours of a document as the pictures show them.
std::vector<QRgb> CurveColours(const QString& gfx) {
    TIniFile ini(gfx.toStdString());
    TFuncList list;
    std::int32_t active = -1;
    LoadFunctions(ini, list, active, false);
    std::vector<QRgb> colours;
    for (int i = 0; i < list.Count(); ++i) {
        const std::int32_t c = list.Items(i)->Color;
        colours.push_back(qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF));
    }
    return colours;
}

TEST(RenderCommand, ExamplesMatchTheirReferencePictures) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // Aliased curves: every pixel is the curve's colour or the picture's.
    const QString settings = dir.filePath("curvane.ini");
    {
        QFile f(settings);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[2D window]\nAntialiasing=0\n");
    }
    const bool update = qEnvironmentVariableIsSet("CURVANE_UPDATE_REFERENCES");
    for (const QString& name : Examples) {
        SCOPED_TRACE(name.toStdString());
        const QString out = dir.filePath(name + ".png");
        QString err;
        ASSERT_EQ(RunCurvane({"--render", ExamplePath(name), "--output", out, "--size", "320x240"}, &err,
                             {{"CURVANE_SETTINGS", settings}}),
                  0)
            << err.toStdString();
        const QImage picture(out);
        ASSERT_EQ(picture.size(), ReferenceSize);
        if (update) {
            QDir().mkpath(QStringLiteral(CURVANE_TEST_DATA "/render"));
            ASSERT_TRUE(picture.save(ReferencePath(name)));
            continue;
        }
        const QImage reference(ReferencePath(name));
        ASSERT_FALSE(reference.isNull()) << "no reference picture (CURVANE_UPDATE_REFERENCES=1 makes them)";
        ASSERT_EQ(reference.size(), ReferenceSize);

        // Text could be rasterised a little differently on another machine even
        // with the same fonts; everything else must match. At most 0.3% of the
        // pixels may differ, and every curve must keep its amount of ink.
        int differing = 0;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                if ((picture.pixel(x, y) | 0xFF000000u) != (reference.pixel(x, y) | 0xFF000000u)) ++differing;
        EXPECT_LE(differing, picture.width() * picture.height() * 3 / 1000);
        const std::vector<QRgb> colours = CurveColours(ExamplePath(name));
        const auto got = ColourCounts(picture, colours);
        const auto want = ColourCounts(reference, colours);
        for (QRgb c : colours) {
            SCOPED_TRACE(QString::number(c, 16).toStdString());
            EXPECT_GT(want.at(c), 20) << "each curve shows in the reference";
            EXPECT_NEAR(got.at(c), want.at(c), want.at(c) / 50 + 2);
        }
    }
}

TEST(RenderCommand, PictureIsWhatAWindowOfThatPlotSizeShows) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    Settings().Window2D.Antialiasing = false;
    const QString out = dir.filePath("units.png");
    QString errText;
    QTextStream err(&errText);
    ASSERT_EQ(RunRenderCommand(ExamplePath("units_pi"), out, QSize(300, 200), err), 0) << errText.toStdString();

    QMdiArea area;
    area.resize(800, 600);
    area.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&area));
    auto* window = new TfrmChild2D;
    QMdiSubWindow* sub = AddGraphWindow(&area, window);
    window->SetPlotSize(QSize(300, 200));
    sub->adjustSize();
    window->LoadFromFile(ExamplePath("units_pi"));
    window->SetFileName(ExamplePath("units_pi"));
    window->UpdateCaption();
    window->Recalculate(false);
    const QImage shown = window->Scope()->Buffer().convertToFormat(QImage::Format_RGB32);
    const QImage rendered = QImage(out).convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shown, rendered);

    while (window->FuncCount() > 0) window->DeleteFunction(0);
    area.closeAllSubWindows();
    Settings() = TSettings();
}

TEST(RenderCommand, FailuresAreReportedWithTheirExitStatus) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    auto write = [&](const QString& name, const char* text) {
        QFile f(dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
        return f.fileName();
    };
    const QString other = write("other.gfx", "[Global]\nFunc count=0\nWindow type=2\n");
    const QString bad = write("bad.gfx", "[Global]\nFunc count=1\n[Function1]\nExpression=sin(\n");
    const QString good = ExamplePath("explicit");
    struct Row {
        const char* why;
        QString file, out;
        QSize size;
        int status;
        const char* message;
    };
    const Row rows[] = {
        {"missing document", dir.filePath("none.gfx"), dir.filePath("a.png"), {100, 100}, 1, "does not exist"},
        {"unknown window type", other, dir.filePath("b.png"), {100, 100}, 1, "not a 2D or 3D document"},
        {"formula error", bad, dir.filePath("c.png"), {100, 100}, 4, "bad.gfx"},
        {"unwritable output", good, dir.filePath("no/such/folder/d.png"), {100, 100}, 3, "cannot write"},
        {"empty size", good, dir.filePath("e.png"), {0, 10}, 2, "size"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        QString errText;
        QTextStream err(&errText);
        EXPECT_EQ(RunRenderCommand(row.file, row.out, row.size, err), row.status);
        err.flush();
        EXPECT_TRUE(errText.contains(row.message)) << errText.toStdString();
        EXPECT_FALSE(QFile::exists(row.out));
    }

    // The command line itself.
    QString errText;
    EXPECT_EQ(RunCurvane({"--render", good, "--output", dir.filePath("f.png"), "--size", "80by60"}, &errText), 2);
    EXPECT_TRUE(errText.contains("--size")) << errText.toStdString();
    EXPECT_EQ(RunCurvane({"--render", good}, &errText), 2);
    EXPECT_EQ(RunCurvane({"--render", good, "--output", dir.filePath("g.png")}), 0);
    EXPECT_EQ(QImage(dir.filePath("g.png")).size(), DefaultRenderSize);
}

// A 3D document draws through EGL with no display at all; with no EGL
// driver to be found it says so and exits with its own status.
TEST(RenderCommand, ThreeDimensionalDocumentWithoutDisplay) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString out = dir.filePath("surface.png");
    QString errText;
    EXPECT_EQ(RunCurvane({"--render", ExamplePath("surface3d"), "--output", out, "--size", "320x240"}, &errText), 0);
    EXPECT_TRUE(errText.isEmpty()) << errText.toStdString();
    const QImage picture(out);
    ASSERT_EQ(picture.size(), QSize(320, 240));
    // The surface's orange, shaded, and the background.
    std::set<QRgb> colours;
    for (int y = 0; y < picture.height(); y += 4)
        for (int x = 0; x < picture.width(); x += 4) colours.insert(picture.pixel(x, y));
    EXPECT_GT(colours.size(), 20u);
    const QRgb centre = picture.pixel(160, 120);
    EXPECT_GT(qRed(centre), qBlue(centre) + 40) << std::hex << centre;

    const QString none = dir.filePath("none.png");
    EXPECT_EQ(RunCurvane({"--render", ExamplePath("surface3d"), "--output", none},
                         &errText, {{"__EGL_VENDOR_LIBRARY_FILENAMES", "/nonexistent.json"}}),
              5);
    EXPECT_TRUE(errText.startsWith("curvane: cannot create an OpenGL context: ")) << errText.toStdString();
    EXPECT_FALSE(QFile::exists(none));
}

TEST(RenderCommand, SizeParsing) {
    struct Row {
        const char* text;
        bool ok;
        QSize size;
    };
    const Row rows[] = {
        {"800x600", true, {800, 600}},   {" 1X1 ", true, {1, 1}},  {"16384x2", true, {16384, 2}},
        {"16385x2", false, {}},          {"0x5", false, {}},       {"800", false, {}},
        {"-1x5", false, {}},             {"8e2x600", false, {}},   {"", false, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        QSize size;
        EXPECT_EQ(ParseRenderSize(row.text, size), row.ok);
        if (row.ok) {
            EXPECT_EQ(size, row.size);
        }
    }
}

}  // namespace
}  // namespace curvane
