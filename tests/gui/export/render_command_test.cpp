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

#include <gif_lib.h>

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
#include "render/gif_animation.h"
#include "render/plot2d/plot2d.h"

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
    // The surface coloured by height, shaded, and the background: the tops
    // in the scale's greens, the pits in its blues (the grid's greys and the
    // axes' yellow are neither).
    std::set<QRgb> colours;
    int tops = 0, pits = 0;
    for (int y = 0; y < picture.height(); y += 4)
        for (int x = 0; x < picture.width(); x += 4) {
            const QRgb p = picture.pixel(x, y);
            colours.insert(p);
            tops += qGreen(p) > qBlue(p) + 40 && qGreen(p) > qRed(p) + 20;
            pits += qBlue(p) > qGreen(p) + 40 && qBlue(p) > qRed(p) + 40;
        }
    EXPECT_GT(colours.size(), 20u);
    EXPECT_GT(tops, 10);
    EXPECT_GT(pits, 10);

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

// The data sets of a document are drawn by --render, as bitmap and as
// vectors: each point's pixel carries the marker's colour, and a copy of the
// document whose set is hidden shows none of it.
TEST(RenderCommand, DataSetsAreDrawnWhereTheirPointsAre) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QSize size(480, 360);
    const QString example = ExamplePath("data_fit");
    TGraphDocument document;
    document.LoadFromFile(example.toStdString());
    ASSERT_EQ(document.DataSets.size(), 1u);
    const TDataSet& set = document.DataSets[0];
    TGraphDocument hidden = document;
    hidden.DataSets[0].Visible = false;
    hidden.SaveToFile(dir.filePath("hidden.gfx").toStdString());
    TPlot2D plot;  // the layout --render gives that size
    plot.ApplySettings(Settings());
    plot.SetSize(size);
    plot.ShowDocument(document);
    const QRgb marker = qRgb(set.Color & 0xFF, (set.Color >> 8) & 0xFF, (set.Color >> 16) & 0xFF);

    struct TRow {
        QString Document, Output;
        bool Shown;
    } rows[] = {{example, "data.png", true},
                {example, "data.svg", true},
                {dir.filePath("hidden.gfx"), "hidden.png", false}};
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Output.toStdString());
        QString errText;
        QTextStream err(&errText);
        ASSERT_EQ(RunRenderCommand(row.Document, dir.filePath(row.Output), size, err), TRenderExit::reSuccess)
            << errText.toStdString();
        QImage picture(size, QImage::Format_RGB32);
        if (row.Output.endsWith(".svg")) {
            QPainter painter(&picture);
            QSvgRenderer(dir.filePath(row.Output)).render(&painter, QRectF(QPointF(0, 0), size));
        } else {
            picture = QImage(dir.filePath(row.Output)).convertToFormat(QImage::Format_RGB32);
        }
        int marked = 0;
        for (std::size_t i = 0; i < set.Count(); ++i) {
            const QPoint p = plot.Indicator().Mapping().WorldToScreen(set.X[i], set.Y[i]);
            marked += (picture.pixel(p) | 0xFF000000u) == marker;
        }
        EXPECT_EQ(marked, row.Shown ? static_cast<int>(set.Count()) : 0);
    }
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

// A document of one curve using k, whose file declares k, and one using m,
// whose file does not.
constexpr char ParameterDocument[] =
    "[Global]\nFunc count=2\nWindow type=0\n"
    "[Function1]\nExpression=k*sin(x)\nColor=255\n[Function2]\nExpression=m+cos(x)\nColor=16711680\n"
    "[Parameters]\nCount=1\n[Parameter0]\nName=k\nValue=1\nMin=-10\nMax=10\n";

QImage Still(const QString& document, const QString& path, const QString& k) {
    QString errText;
    QTextStream err(&errText);
    EXPECT_EQ(RunRenderCommand(document, path, {64, 48}, err, 1, std::nullopt, {"m=1,k=" + k.toStdString()}),
              TRenderExit::reSuccess)
        << errText.toStdString();
    return QImage(path).convertToFormat(QImage::Format_RGB32);
}

TEST(RenderCommand, SetAndAnimateRefuseWhatTheDocumentDoesNotUse) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString document = dir.filePath("p.gfx");
    testing::WriteText(document, ParameterDocument);
    using enum TRenderExit;
    const struct {
        std::vector<std::string> Sets;
        std::optional<std::string> Animate;
        const char* Out;
        TRenderExit Status;
        const char* Message;
    } rows[] = {
        {{"k=2", "m=0.5"}, std::nullopt, "a.png", reSuccess, ""},
        {{"k=2,q=1"}, std::nullopt, "b.png", reUsage, "--set: q is neither a parameter of the document nor used"},
        {{"t=2"}, std::nullopt, "c.png", reUsage, "\"t\" is the name of a variable"},
        {{"sin=2"}, std::nullopt, "d.png", reUsage, "\"sin\" is the name of a built-in function"},
        {{"m=1"}, "q=0:1:0.5", "e%02d.png", reUsage, "--animate: q is neither"},
        {{"m=1"}, "k=0:1:0.5", "f.png", reUsage, "one %0Nd"},
        {{"m=1"}, "k=0:1:0.5", "g%02d.svg", reUsage, "pictures of pixels"},
        {{"m=1"}, "k=0:1e5:1", "h%02d.png", reUsage, "more than 10000 frames"},
        {{"m=1"}, "k=1:0:0.5", "i%02d.png", reUsage, "TO at least FROM"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Out);
        QString errText;
        QTextStream err(&errText);
        EXPECT_EQ(RunRenderCommand(document, dir.filePath(row.Out), {64, 48}, err, 1, std::nullopt, row.Sets,
                                   row.Animate),
                  row.Status);
        err.flush();
        EXPECT_TRUE(errText.contains(row.Message)) << errText.toStdString();
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).join(' '), "a.png p.gfx");
    const TRun run = RunCurvane({"--render", document, "--output", dir.filePath("z.png"), "--set", "m=1,k=1", "--set",
                                 "t=2"});
    EXPECT_EQ(run.Status, 2);
    EXPECT_TRUE(run.Err.contains("\"t\" is the name of a variable")) << run.Err.toStdString();
}

// Each frame is the still that --set paints with the parameter at the
// frame's value; a GIF frame is that still with each pixel at its nearest
// colour of the GIF's palette.
TEST(RenderCommand, AnimationFramesAreTheStillsOfTheirValues) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString document = dir.filePath("p.gfx");
    testing::WriteText(document, ParameterDocument);
    const TRun run = RunCurvane({"--render", document, "--size", "64x48", "--set", "m=1", "--animate", "k=0:2:0.5",
                                 "--output", dir.filePath("f%03d.png")});
    ASSERT_EQ(run.Status, 0) << run.Err.toStdString();
    EXPECT_EQ(QDir(dir.path()).entryList({"f*.png"}).join(' '), "f000.png f001.png f002.png f003.png f004.png");
    std::vector<QImage> stills;
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        stills.push_back(Still(document, dir.filePath("still.png"), QString::number(i * 0.5)));
        EXPECT_EQ(QImage(dir.filePath(QStringLiteral("f%1.png").arg(i, 3, 10, QChar('0')))).convertToFormat(
                      QImage::Format_RGB32),
                  stills.back());
    }
    EXPECT_NE(stills.front(), stills.back()) << "k moves the curve";

    QString errText;
    QTextStream err(&errText);
    const QString gifPath = dir.filePath("a.gif");
    ASSERT_EQ(RunRenderCommand(document, gifPath, {64, 48}, err, 1, std::nullopt, {"m=1"}, "k=0:2:0.5"),
              TRenderExit::reSuccess);
    int error = 0;
    GifFileType* gif = DGifOpenFileName(gifPath.toLocal8Bit().constData(), &error);
    ASSERT_NE(gif, nullptr);
    ASSERT_EQ(DGifSlurp(gif), GIF_OK);
    ASSERT_EQ(gif->ImageCount, 5);
    const ExtensionBlock& loop = gif->SavedImages[0].ExtensionBlocks[0];
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(loop.Bytes), loop.ByteCount), "NETSCAPE2.0");
    const ColorMapObject* map = gif->SColorMap;
    ASSERT_NE(map, nullptr);
    const auto distance = [](QRgb p, const GifColorType& c) {
        return (qRed(p) - c.Red) * (qRed(p) - c.Red) + (qGreen(p) - c.Green) * (qGreen(p) - c.Green) +
               (qBlue(p) - c.Blue) * (qBlue(p) - c.Blue);
    };
    std::set<QRgb> stillColours;
    for (int i = 0; i < gif->ImageCount; ++i) {
        SCOPED_TRACE(i);
        GraphicsControlBlock control;
        ASSERT_EQ(DGifSavedExtensionToGCB(gif, i, &control), GIF_OK);
        EXPECT_EQ(control.DelayTime, DefaultGifFrameDelayCentiseconds);
        const SavedImage& frame = gif->SavedImages[i];
        ASSERT_EQ(frame.ImageDesc.Width * frame.ImageDesc.Height, 64 * 48);
        int wrong = 0;
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x) {
                const QRgb p = stills[static_cast<std::size_t>(i)].pixel(x, y);
                stillColours.insert(p);
                int best = distance(p, map->Colors[0]);
                for (int c = 1; c < map->ColorCount; ++c) best = std::min(best, distance(p, map->Colors[c]));
                wrong += distance(p, map->Colors[frame.RasterBits[y * 64 + x]]) != best;
            }
        EXPECT_EQ(wrong, 0);
    }
    DGifCloseFile(gif, &error);
    EXPECT_GT(stillColours.size(), 50u) << "the stills have colours the palette must reduce";
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
