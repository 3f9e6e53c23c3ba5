// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/export/render_command.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "core/document/graph_document.h"
#include "core/settings/settings.h"
#include "core/support/ini_file.h"
#include "gui/plot2d/frm_child2d.h"
#include "gui/document_test_helpers.h"
#include "gui/plot2d/scope.h"
#include "gui/run_curvane.h"

namespace curvane {
namespace {

using testing::RunCurvane;
using testing::TRun;

const QStringList Examples = {"explicit", "polar", "parametric", "derivative", "units_pi"};
const QSize ReferenceSize(320, 240);

QString ExamplePath(const QString& name) {
    return QStringLiteral(CURVANE_SOURCE_DIR "/examples/") + name + ".gfx";
}
QString ReferencePath(const QString& name) {
    return QStringLiteral(CURVANE_TEST_DATA "/render/") + name + ".png";
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
    testing::WriteText(settings, "[2D window]\nAntialiasing=0\n");
    const bool update = qEnvironmentVariableIsSet("CURVANE_UPDATE_REFERENCES");
    for (const QString& name : Examples) {
        SCOPED_TRACE(name.toStdString());
        const QString out = dir.filePath(name + ".png");
        const TRun run = RunCurvane({"--render", ExamplePath(name), "--output", out, "--size", "320x240"},
                                    {{"CURVANE_SETTINGS", settings}});
        ASSERT_EQ(run.Status, 0) << run.Err.toStdString();
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
    ASSERT_EQ(RunRenderCommand(ExamplePath("units_pi"), out, QSize(300, 200), err), TRenderExit::reSuccess)
        << errText.toStdString();

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
    window->Recalculate(TRecalc::rcAll);
    const QImage shown = window->Scope()->Buffer().convertToFormat(QImage::Format_RGB32);
    const QImage rendered = QImage(out).convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shown, rendered);

    area.closeAllSubWindows();
    Settings() = TSettings();
}

TEST(RenderCommand, FailuresAreReportedWithTheirExitStatus) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    auto write = [&](const QString& name, const char* text) {
        testing::WriteText(dir.filePath(name), text);
        return dir.filePath(name);
    };
    const QString other = write("other.gfx", "[Global]\nFunc count=0\nWindow type=2\n");
    const QString text = write("text.gfx", "Func count=1\nExpression=x\n");
    const QString bad = write("bad.gfx", "[Global]\nFunc count=1\n[Function1]\nExpression=sin(\n");
    const QString good = ExamplePath("explicit");
    using enum TRenderExit;
    struct Row {
        const char* why;
        QString file, out;
        QSize size;
        TRenderExit status;
        const char* message;
    };
    const Row rows[] = {
        {"missing document", dir.filePath("none.gfx"), dir.filePath("a.png"), {100, 100}, reDocument, "does not exist"},
        {"unknown window type", other, dir.filePath("b.png"), {100, 100}, reDocument, "not a 2D or 3D document"},
        {"no [Global] section", text, dir.filePath("t.png"), {100, 100}, reDocument, "not a Curvane document"},
        {"formula error", bad, dir.filePath("c.png"), {100, 100}, reFormulaError, "bad.gfx"},
        {"unwritable output", good, dir.filePath("no/such/folder/d.png"), {100, 100}, reWrite, "Unable to write to"},
        {"empty size", good, dir.filePath("e.png"), {0, 10}, reUsage, "size"},
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

    // The command line itself: what it refuses, and the default size.
    const QString h = dir.filePath("h.png");
    const struct { QStringList Args; const char* Message; } refused[] = {
        {{"--output", dir.filePath("f.png"), "--size", "80by60"}, "--size"}, {{}, ""},
        {{"--output", h, "--scale", "0"}, "--scale"}, {{"--output", h, "--scale", "9"}, "--scale"},
        {{"--output", h, "--scale", "1.5"}, "--scale"}, {{"--output", h, "--size", "9000x10", "--scale", "2"}, ""},
    };
    for (const auto& row : refused) {
        SCOPED_TRACE(row.Args.join(' ').toStdString());
        const TRun run = RunCurvane(QStringList{"--render", good} + row.Args);
        EXPECT_EQ(run.Status, 2);
        EXPECT_TRUE(run.Err.contains(row.Message)) << run.Err.toStdString();
    }
    EXPECT_FALSE(QFile::exists(h));
    EXPECT_EQ(RunCurvane({"--render", good, "--output", dir.filePath("g.png")}).Status, 0);
    EXPECT_EQ(QImage(dir.filePath("g.png")).size(), DefaultRenderSize);
    EXPECT_EQ(RunCurvane({"--render", good, "--output", h, "--scale", "2"}).Status, 0);
    EXPECT_EQ(QImage(dir.filePath("h.png")).size(), DefaultRenderSize * 2);
}

// A 3D document draws through EGL with no display at all; with no EGL
// driver to be found it says so and exits with its own status.
TEST(RenderCommand, ThreeDimensionalDocumentWithoutDisplay) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString out = dir.filePath("surface.png");
    const TRun run = RunCurvane({"--render", ExamplePath("surface3d"), "--output", out, "--size", "320x240"});
    EXPECT_EQ(run.Status, 0);
    EXPECT_TRUE(run.Err.isEmpty()) << run.Err.toStdString();
    const QImage picture(out);
    ASSERT_EQ(picture.size(), QSize(320, 240));
    // The surface's orange, shaded, and the background.
    std::set<QRgb> colours;
    for (int y = 0; y < picture.height(); y += 4)
        for (int x = 0; x < picture.width(); x += 4) colours.insert(picture.pixel(x, y));
    EXPECT_GT(colours.size(), 20u);
    const QRgb centre = picture.pixel(160, 120);
    EXPECT_GT(qRed(centre), qBlue(centre) + 40) << std::hex << centre;

    const QString sharp = dir.filePath("sharp.png");
    EXPECT_EQ(RunCurvane({"--render", ExamplePath("surface3d"), "--output", sharp, "--size", "320x240", "--scale", "2"})
                  .Status,
              0);
    EXPECT_EQ(QImage(sharp).size(), QSize(640, 480));

    const QString none = dir.filePath("none.png");
    const TRun noDriver = RunCurvane({"--render", ExamplePath("surface3d"), "--output", none},
                                     {{"__EGL_VENDOR_LIBRARY_FILENAMES", "/nonexistent.json"}});
    EXPECT_EQ(noDriver.Status, 5);
    EXPECT_TRUE(noDriver.Err.startsWith("curvane: cannot create an OpenGL context: ")) << noDriver.Err.toStdString();
    EXPECT_FALSE(QFile::exists(none));
}

// Where a picture shows a curve's colour: pixels that mix at least `least`
// of it into the background with little else (a vector picture read back
// is antialiased; at 1 the colour itself).
std::vector<QPoint> Ink(const QImage& image, QRgb colour, QRgb background, double least) {
    const double c[3] = {double(qRed(colour) - qRed(background)), double(qGreen(colour) - qGreen(background)),
                         double(qBlue(colour) - qBlue(background))};
    const double norm = c[0] * c[0] + c[1] * c[1] + c[2] * c[2];
    std::vector<QPoint> ink;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            const double d[3] = {double(qRed(p) - qRed(background)), double(qGreen(p) - qGreen(background)),
                                 double(qBlue(p) - qBlue(background))};
            const double f = (d[0] * c[0] + d[1] * c[1] + d[2] * c[2]) / norm;
            double rest = 0;
            for (int i = 0; i < 3; ++i) rest += (d[i] - f * c[i]) * (d[i] - f * c[i]);
            if (f >= least - 1e-9 && f <= 1.3 && rest <= (least >= 1 ? 0 : 45 * 45)) ink.emplace_back(x, y);
        }
    return ink;
}

// Whether every point of `from` has one of `to` within `reach` pixels.
bool AllNear(const std::vector<QPoint>& from, const std::vector<QPoint>& to, int reach) {
    std::set<std::pair<int, int>> targets;
    for (QPoint p : to) targets.insert({p.x(), p.y()});
    for (QPoint p : from) {
        bool found = false;
        for (int dy = -reach; dy <= reach && !found; ++dy)
            for (int dx = -reach; dx <= reach && !found; ++dx) found = targets.contains({p.x() + dx, p.y() + dy});
        if (!found) return false;
    }
    return true;
}

// SVG and PDF draw the same plot as vectors: read back (the SVG by Qt SVG,
// the PDF by pdftoppm at 72 dpi, a point to the pixel) each curve lies where
// the PNG shows it.
TEST(RenderCommand, VectorPicturesDrawTheCurvesWhereThePixelsAre) {
    // Aliased, so the bitmap's curve pixels have exactly the curve's colour.
    Settings().Window2D.Antialiasing = false;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QSize size(320, 240);
    for (const char* name : {"p.png", "v.svg", "v.pdf"}) {
        QString errText;
        QTextStream err(&errText);
        ASSERT_EQ(RunRenderCommand(ExamplePath("explicit"), dir.filePath(name), size, err), TRenderExit::reSuccess)
            << errText.toStdString();
    }
    const QImage png = QImage(dir.filePath("p.png")).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(png.size(), size);

    QFile svgFile(dir.filePath("v.svg"));
    ASSERT_TRUE(svgFile.open(QIODevice::ReadOnly));
    const QString svgText = QString::fromUtf8(svgFile.readAll());
    EXPECT_FALSE(svgText.contains("<image")) << "no embedded bitmap";
    QSvgRenderer renderer(dir.filePath("v.svg"));
    ASSERT_TRUE(renderer.isValid());
    QImage svg(size, QImage::Format_RGB32);
    svg.fill(Qt::magenta);  // a page the SVG would not cover shows
    {
        QPainter painter(&svg);
        renderer.render(&painter, QRectF(QPointF(0, 0), size));
    }

    QProcess pdftoppm;
    pdftoppm.start("pdftoppm", {"-png", "-r", "72", "-singlefile", dir.filePath("v.pdf"), dir.filePath("pdf")});
    ASSERT_TRUE(pdftoppm.waitForFinished(60000));
    ASSERT_EQ(pdftoppm.exitCode(), 0) << pdftoppm.readAllStandardError().toStdString();
    const QImage pdf = QImage(dir.filePath("pdf.png")).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(pdf.size(), size);

    std::map<QRgb, int> frequency;
    for (int y = 0; y < png.height(); ++y)
        for (int x = 0; x < png.width(); ++x) ++frequency[png.pixel(x, y)];
    const QRgb background =
        std::max_element(frequency.begin(), frequency.end(), [](auto& a, auto& b) { return a.second < b.second; })->first;
    const std::vector<QRgb> colours = CurveColours(ExamplePath("explicit"));
    for (QRgb colour : colours) {
        SCOPED_TRACE(QString::number(colour, 16).toStdString());
        // The pen is set on a group around the lines it draws.
        const QString stroke = QStringLiteral("stroke=\"%1\"").arg(QColor(colour).name());
        EXPECT_TRUE(svgText.contains(QRegularExpression(stroke + "[^>]*>\\s*<(path|polyline) ")))
            << "the curve is a path: " << stroke.toStdString();
        const std::vector<QPoint> shown = Ink(png, colour, background, 1);
        ASSERT_GT(shown.size(), 50u);
        for (const auto& [what, vector] : {std::pair<const char*, const QImage*>{"svg", &svg}, {"pdf", &pdf}}) {
            SCOPED_TRACE(what);
            EXPECT_TRUE(AllNear(shown, Ink(*vector, colour, background, 0.3), 2)) << "every curve pixel is drawn";
            EXPECT_TRUE(AllNear(Ink(*vector, colour, background, 0.6), shown, 2)) << "and nothing beside it";
        }
    }
    Settings() = TSettings();
}

// --bits chooses a bitmap's depth and belongs to .bmp pictures only; a 3D
// document has no vector picture.
TEST(RenderCommand, BitmapDepthsAndRefusedFormats) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    using enum TRenderExit;
    const struct {
        const char* why;
        QString document, out;
        std::optional<QString> bits;
        TRenderExit status;
        int fileBits;
        const char* message;
    } rows[] = {
        {"default depth", ExamplePath("explicit"), "a.bmp", std::nullopt, reSuccess, 24, ""},
        {"16 colours", ExamplePath("explicit"), "b.BMP", "4", reSuccess, 4, ""},
        {"15 bits", ExamplePath("explicit"), "c.bmp", "15", reSuccess, 16, ""},
        {"no such depth", ExamplePath("explicit"), "d.bmp", "32", reUsage, 0, "--bits takes"},
        {"not a number", ExamplePath("explicit"), "e.bmp", "8x", reUsage, 0, "--bits takes"},
        {"not a bitmap", ExamplePath("explicit"), "f.png", "8", reUsage, 0, ".bmp picture only"},
        {"3D as vectors", ExamplePath("surface3d"), "g.pdf", std::nullopt, reUsage, 0, "2D documents only"},
        {"JPEG", ExamplePath("explicit"), "i.jpg", std::nullopt, reSuccess, 0, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.why);
        QString errText;
        QTextStream err(&errText);
        EXPECT_EQ(RunRenderCommand(row.document, dir.filePath(row.out), {64, 56}, err, 1, row.bits), row.status);
        err.flush();
        EXPECT_TRUE(errText.contains(row.message)) << errText.toStdString();
        QFile out(dir.filePath(row.out));
        EXPECT_EQ(out.exists(), row.status == reSuccess);
        if (row.fileBits > 0 && out.open(QIODevice::ReadOnly)) {
            const QByteArray bytes = out.readAll();
            EXPECT_EQ(static_cast<int>(bytes.at(28)), row.fileBits);
            EXPECT_EQ(QImage::fromData(bytes).size(), QSize(64, 56));
        }
    }
    EXPECT_EQ(RunCurvane({"--render", ExamplePath("explicit"), "--output", dir.filePath("h.jpg"), "--bits", "8"}).Status,
              2);
    EXPECT_EQ(QImageReader(dir.filePath("i.jpg")).format(), "jpeg");
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
