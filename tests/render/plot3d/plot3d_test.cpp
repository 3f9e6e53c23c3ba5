// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/plot3d/plot3d.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include <QTextStream>

#include "core/settings/settings.h"
#include "core/support/ini_file.h"
#include "render/plot3d/offscreen_gl.h"
#include "render/plot3d/render3d.h"

namespace curvane {
namespace {

constexpr TPlotColor Red = 0x0000FF;
constexpr TPlotColor Blue = 0xFF0000;

// Every dialog question fails the test: these meshes are small.
class TNoQuestions : public TMeshDialog {
public:
    bool ConfirmLongMesh(const std::string&, double) override {
        ADD_FAILURE() << "asked about a long mesh";
        return false;
    }
    void RefuseRange(const std::string& message) override { ADD_FAILURE() << message; }
};

// A scene with nothing but what a test switches on, on the default white.
void MakeBare(TPlot3D& plot) {
    TScene3DStyle& s = plot.Style();
    s.Grid = s.Axes = s.AxesLabels = s.Normals = false;
    s.DrawType = 2;
}

void AddFunction(TGraphDocument& document, const char* expression, TPlotColor color, double opacity = 1) {
    TFuncItem f(expression, true);
    f.Color = color;
    f.Opacity = opacity;
    document.Functions.Add(std::move(f));
}

void Rebuild(TPlot3D& plot, const TGraphDocument& document) {
    TNoQuestions dialog;
    TMeshRebuildReport report;
    plot.Rebuild(document, dialog, report);
    ASSERT_TRUE(report.Fitted);
}

// A surface is built with its document's parameter values; a new range
// rebuilds nothing, a new value rebuilds.
TEST(Plot3D, SurfacesUseTheirDocumentsParameters) {
    TPlot3D plot;
    TGraphDocument document;
    AddFunction(document, "k*x", 0xFF);
    document.Parameters.Add({"k", 2});
    plot.ShowDocument(document);
    Rebuild(plot, document);
    const double* v = plot.Meshes().at(0).at(1).GetVertex(1);
    EXPECT_EQ(v[2], 2 * v[0]);
    TGraphDocument range = document;
    range.Parameters[0].Max = 50;
    EXPECT_EQ(plot.Follow(range, DescribeChange(document, range)), TPlotNeed::pnNothing);
    TGraphDocument value = document;
    value.Parameters[0].Value = 3;
    EXPECT_EQ(plot.Follow(value, DescribeChange(document, value)), TPlotNeed::pnSampleAll);
}

// Every test draws through its own off-screen context; one that cannot get
// a context fails, since the machines that run these all have Mesa.
class Plot3DPaint : public ::testing::Test {
protected:
    static constexpr int W = 240, H = 180;

    void SetUp() override { ASSERT_NO_THROW(FGl = std::make_unique<TOffscreenGL>(QSize(W, H))); }
    QImage Draw(TPlot3D& plot) {
        FGl->MakeCurrent();
        plot.InitializeGL();
        plot.Paint(W, H);
        return FGl->Grab();
    }
    std::unique_ptr<TOffscreenGL> FGl;
};

// Seen from above, lit from (30, 30, 30): a red plane shows red, and a
// translucent blue plane listed first but lying nearer the camera blends
// over it (drawn in list order it would vanish under the opaque one).
TEST_F(Plot3DPaint, SurfacesShowTheirColourAndTranslucentOnesBlend) {
    for (const bool translucent : {false, true}) {
        SCOPED_TRACE(translucent ? "blue at 0.5 over red" : "red alone");
        TPlot3D plot;
        MakeBare(plot);
        TGraphDocument document;
        if (translucent) AddFunction(document, "1", Blue, 0.5);
        AddFunction(document, "0", Red);
        Rebuild(plot, document);
        plot.Camera().AngleY = 0;
        const QColor centre = Draw(plot).pixelColor(W / 2, H / 2);
        EXPECT_GT(centre.red(), translucent ? 30 : 100);
        EXPECT_LT(centre.green(), 20);
        EXPECT_EQ(centre.blue() > 30, translucent) << centre.blue();
    }
}

// A sphere F(x,y,z) = 0 seen from above: a lit red disc (its outside
// taken for the front, so not lit from behind) with the background around.
TEST_F(Plot3DPaint, ImplicitSurfacesDrawLikeAnyOther) {
    TPlot3D plot;
    MakeBare(plot);
    TGraphDocument document;
    AddFunction(document, "x^2+y^2+z^2-4", Red);
    document.Func(0)->FuncKind = TFuncKind::fkImplicit;
    Rebuild(plot, document);
    plot.Camera().AngleY = 0;
    const QImage surface = Draw(plot);
    const QColor centre = surface.pixelColor(W / 2, H / 2);
    EXPECT_GT(centre.red(), 100);
    EXPECT_LT(centre.green(), 20);
    EXPECT_EQ(surface.pixelColor(2, 2), QColor(Qt::white)) << "the corner is background";
}

TEST_F(Plot3DPaint, AxisLettersAtTheirCorners) {
    TPlot3D plot;
    MakeBare(plot);
    plot.Style().LabelsColor = Blue;
    plot.Style().DrawType = 1;  // no surface, so no lighting carried over
    plot.View() = TViewBox3D{-6, 6, -6, 6, -6, 6, 1, 1, 1, {45, 60, 30, 0, 0, 0}};
    const QImage without = Draw(plot);
    plot.Style().AxesLabels = true;
    const QImage with = Draw(plot);
    // The X is drawn from (X1, Y2, Z1) on: some of its pixels lie close to
    // where that corner lands through the matrices the frame left behind.
    GLdouble model[16], projection[16], wx, wy, wz;
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, model);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    gluProject(-6, 6, -6, model, projection, viewport, &wx, &wy, &wz);
    const QPoint corner(static_cast<int>(wx), H - 1 - static_cast<int>(wy));
    int near = 0;
    for (int y = corner.y() - 20; y <= corner.y() + 20; ++y)
        for (int x = corner.x() - 20; x <= corner.x() + 20; ++x)
            near += with.valid(x, y) && with.pixel(x, y) != without.pixel(x, y) && qBlue(with.pixel(x, y)) > 200 &&
                    qRed(with.pixel(x, y)) < 100;
    EXPECT_GT(near, 5) << "at " << corner.x() << "," << corner.y();
}

// The cached arrays must follow a rebuild, and a window that moves meshes
// and forgets to say so still gets each drawn in its own function's colour.
TEST_F(Plot3DPaint, ArraysDrawWhatImmediateModeDraws) {
    TPlot3D plot;  // grid, axes and labels on, as the defaults have them
    TGraphDocument document;
    AddFunction(document, "sin(x)*cos(y)", Red);
    AddFunction(document, "-3", Blue);
    Rebuild(plot, document);
    const QImage before = Draw(plot);
    document.Func(0)->Expression = "x*y/5";
    Rebuild(plot, document);
    EXPECT_FALSE(Draw(plot) == before) << "the rebuilt surface shows";
    // Each way draws a frame before the one compared: a frame starts with
    // the lighting state the previous one left, which differs after the
    // switches changed. Colours given per vertex are lit by llvmpipe one unit
    // apart here and there depending on how they were sent, so by height
    // the pictures may differ by that much.
    const auto arraysMatch = [&] {
        plot.SetImmediateMode(true);
        Draw(plot);
        const QImage immediate = Draw(plot);
        plot.SetImmediateMode(false);
        Draw(plot);
        const QImage arrays = Draw(plot);
        if (plot.Style().Coloring == TMeshColoring::mcFunction) return arrays == immediate;
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                const QRgb a = arrays.pixel(x, y), b = immediate.pixel(x, y);
                if (std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                              std::abs(qBlue(a) - qBlue(b))}) > 1)
                    return false;
            }
        return true;
    };
    for (int i = 0; i < 12; ++i) {
        SCOPED_TRACE(testing::Message() << "draw type " << i % 6 / 2 << (i % 2 ? " with normals" : "")
                                        << (i >= 6 ? ", by height with level lines" : ""));
        plot.Style().DrawType = static_cast<std::uint8_t>(i % 6 / 2);
        plot.Style().Normals = i % 2 == 1;
        plot.Style().Coloring = i >= 6 ? TMeshColoring::mcHeight : TMeshColoring::mcFunction;
        plot.Style().Contours = i >= 6 ? TContourPlace::cpBoth : TContourPlace::cpNone;
        EXPECT_TRUE(arraysMatch());
    }
    plot.View().Z2 += 5;
    EXPECT_TRUE(arraysMatch()) << "after the box's z range changed the scale";
    std::swap(plot.Meshes()[0], plot.Meshes()[1]);
    EXPECT_TRUE(arraysMatch()) << "after the meshes moved";
}

// z = x seen from straight above: its low and high ends take the two ends
// of the scale, and the bar beside the scene shows the scale bottom to top.
TEST_F(Plot3DPaint, HeightColoursAndTheirBar) {
    TPlot3D plot;
    MakeBare(plot);
    TGraphDocument document;
    AddFunction(document, "x/4", Red);
    Rebuild(plot, document);
    plot.Camera().AngleY = 0;
    plot.Camera().AngleX = -90;  // x grows to the right of the picture
    plot.Style().Coloring = TMeshColoring::mcHeight;
    const int bar = plot.ColorBarWidth(H);
    ASSERT_GT(bar, 0);
    ASSERT_LT(bar, W / 3);
    const QImage image = Draw(plot);
    const QColor low = image.pixelColor((W - bar) / 2 - 30, H / 2), high = image.pixelColor((W - bar) / 2 + 30, H / 2);
    EXPECT_GT(low.blue(), low.green()) << "viridis starts in violet";
    EXPECT_GT(high.green(), high.blue()) << "and ends in yellow-green";
    EXPECT_GT(high.green(), low.green() + 20);
    // The bar's middle column: dark violet near its bottom, yellow near its top.
    const int x = W - bar + bar / 5;
    const QColor bottom = image.pixelColor(x, H - 16), top = image.pixelColor(x, 16);
    EXPECT_GT(bottom.blue(), bottom.green() + 40);
    EXPECT_GT(top.red() + top.green(), 2 * top.blue() + 200);
    plot.Style().Coloring = TMeshColoring::mcFunction;
    EXPECT_EQ(plot.ColorBarWidth(H), 0);
    EXPECT_EQ(Draw(plot).pixelColor(x, 16), QColor(Qt::white)) << "no bar by function colour";
}

// A paraboloid's level lines projected on the floor show as rings around
// the centre, also where no surface is drawn.
TEST_F(Plot3DPaint, LevelLinesOnTheFloor) {
    TPlot3D plot;
    MakeBare(plot);
    plot.Style().DrawType = 3;
    TGraphDocument document;
    AddFunction(document, "x^2+y^2", Red);
    Rebuild(plot, document);
    plot.Camera().AngleY = 0;
    const auto darkPixels = [&] {
        const QImage image = Draw(plot);
        int dark = 0;
        for (int x = 0; x < W; ++x) dark += qGray(image.pixel(x, H / 2)) < 128;
        return dark;
    };
    EXPECT_EQ(darkPixels(), 0);
    plot.Style().Contours = TContourPlace::cpFloor;
    plot.Style().ContourCount = 4;
    // Of the levels 10, 20, 30 and 40 of the box 0..50, the two inner rings
    // cross the middle row twice each (the outer ones only cut the corners
    // of the -5..5 square), and the centre stays clear.
    EXPECT_GE(darkPixels(), 4);
    EXPECT_GT(qGray(Draw(plot).pixel(W / 2, H / 2)), 128);
}

// A document saved before the colouring and level-line keys existed draws
// in its functions' colours, whatever new windows are set to.
TEST(Render3D, DocumentsWithoutTheNewKeysLookAsBefore) {
    const TIniFile ini = TIniFile::FromText(
        "[Global]\nWindow type=1\nFunc count=1\n[Function1]\nExpression=sin(x)*cos(y)\nColor=255\n"
        "[View]\nAngleX=45\nAngleY=50\nDistance=30\nDrawType=2\n");
    QString warnings;
    QTextStream err(&warnings);
    const QImage before = Render3DDocument(ini, QSize(160, 120), err);
    struct TRestore {
        TSettings3D Saved = Settings().Window3D;
        ~TRestore() { Settings().Window3D = Saved; }
    } restore;
    Settings().Window3D.ColorMode = 1;
    Settings().Window3D.Contours = 3;
    EXPECT_TRUE(Render3DDocument(ini, QSize(160, 120), err) == before);
    TIniFile height = ini;
    height.WriteInteger("View", "ColorMode", 1);
    EXPECT_FALSE(Render3DDocument(height, QSize(160, 120), err) == before) << "the key is read";
    EXPECT_TRUE(warnings.isEmpty()) << warnings.toStdString();
}

TEST_F(Plot3DPaint, UnusableStepsAndHugeBoxesStillEnd) {
    const std::pair<const char*, TViewBox3D> rows[] = {
        {"step 0 from a settings file", {-6, 6, -6, 6, -6, 6, 0, 0, 0, {}}},
        {"typed box of 1e9", {-1e9, 1e9, -1e9, 1e9, -1e9, 1e9, 1, 1, 1, {}}},
        {"upside-down box", {6, -6, 6, -6, 6, -6, 1, 1, 1, {}}},
    };
    for (const auto& [why, view] : rows) {
        SCOPED_TRACE(why);
        TPlot3D plot;  // grid, axes and labels on
        plot.View() = view;
        const auto start = std::chrono::steady_clock::now();
        Draw(plot);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    }
}

}  // namespace
}  // namespace curvane
