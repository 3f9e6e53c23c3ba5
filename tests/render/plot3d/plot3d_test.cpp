// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/plot3d/plot3d.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <gtest/gtest.h>

#include <QTextStream>

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
    plot.Style().ScreenLabels = false;  // the labels drawn into the scene
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
        // Level lines lie in the surface, a hair nearer: where the two ways
        // round a depth differently a line pixel may go either way. A stale
        // cache shows as a whole mesh or line set amiss, far more pixels.
        int differing = 0;
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                const QRgb a = arrays.pixel(x, y), b = immediate.pixel(x, y);
                differing += std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                                       std::abs(qBlue(a) - qBlue(b))}) > 1;
            }
        return differing <= W * H / 1000;
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
    // The bar's middle column: dark violet near its bottom, yellow near its
    // top (a sixth of the height in, past the ends' margins at any label size).
    const int x = W - bar + bar / 5;
    const QColor bottom = image.pixelColor(x, H - H / 6), top = image.pixelColor(x, H / 6);
    EXPECT_GT(bottom.blue(), bottom.green() + 40);
    EXPECT_GT(top.red() + top.green(), 2 * top.blue() + 200);
    plot.Style().Coloring = TMeshColoring::mcFunction;
    EXPECT_EQ(plot.ColorBarWidth(H), 0);
    EXPECT_NE(Draw(plot).pixelColor(x, H / 6), top) << "no bar by function colour";
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

// The bounds of what a bare scene drew over its white background.
QRect DrawnArea(const QImage& image) {
    QRect area;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF) area |= QRect(x, y, 1, 1);
    return area;
}

// Where the last frame put the corners of the plot's box, in picture pixels.
QRectF ProjectedBox(const TPlot3D& plot, int height) {
    GLdouble model[16], projection[16];
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, model);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    QRectF box;
    const TViewBox3D& v = plot.View();
    for (const double x : {v.X1, v.X2})
        for (const double y : {v.Y1, v.Y2})
            for (const double z : {v.Z1, v.Z2}) {
                GLdouble wx, wy, wz;
                gluProject(x, y, z, model, projection, viewport, &wx, &wy, &wz);
                box |= QRectF(wx, height - 1 - wy, 0.01, 0.01);
            }
    return box;
}

// x*y over -5..5 fits a box 12 x 12 x 54: at true scale a thin spike, in
// the scaled box a saddle about as wide as the picture.
TEST_F(Plot3DPaint, ScaledBoxTurnsTheSpikeIntoASaddle) {
    TPlot3D plot;
    MakeBare(plot);
    TGraphDocument document;
    AddFunction(document, "x*y", Red);
    Rebuild(plot, document);
    plot.Style().ScaledBox = false;
    const QRect spike = DrawnArea(Draw(plot));
    plot.Style().ScaledBox = true;
    const QRect saddle = DrawnArea(Draw(plot));
    const QRectF box = ProjectedBox(plot, H);
    EXPECT_LT(spike.width() * 3, spike.height());
    // Seen across a corner the saddle reaches out to the box's silhouette
    // but for its margins of a step or two.
    EXPECT_GT(saddle.width(), std::max(box.width() * 0.55, saddle.height() * 0.8));
    EXPECT_GT(saddle.height(), box.height() * 0.5);
}

// A pole shown in a box the user cut down to -5..5 stays within the box's
// picture; at true scale it runs out of it (the old look).
TEST_F(Plot3DPaint, ScaledBoxClipsThePoleToItsZRange) {
    TPlot3D plot;
    MakeBare(plot);
    TGraphDocument document;
    AddFunction(document, "1/(x*y)", Red);
    Rebuild(plot, document);
    plot.View().Z1 = -5, plot.View().Z2 = 5;
    plot.Camera().AngleY = 90;  // from the side: z is up the picture
    plot.Camera().Distance = 30;
    for (const bool scaled : {false, true}) {
        SCOPED_TRACE(scaled ? "scaled" : "true scale");
        plot.Style().ScaledBox = scaled;
        const QRect pole = DrawnArea(Draw(plot));
        const QRectF box = ProjectedBox(plot, H);
        ASSERT_FALSE(pole.isEmpty());
        EXPECT_EQ(pole.top() >= box.top() - 2 && pole.bottom() <= box.bottom() + 2, scaled);
    }
}

// Seen from several sides and at two pixel scales, the labels of x*y keep
// apart, stay whole inside the picture, are drawn where they are said to
// be, and grow with the scale.
TEST_F(Plot3DPaint, ScreenLabelsKeepApartAndInsideThePicture) {
    TPlot3D plot;
    MakeBare(plot);
    plot.Style().AxesLabels = plot.Style().ScaledBox = plot.Style().ScreenLabels = true;
    plot.Style().LabelsColor = Blue;
    plot.Style().DrawType = 1;
    TGraphDocument document;
    AddFunction(document, "x*y", Red);
    Rebuild(plot, document);
    const struct { double AngleX, AngleY, PixelScale; bool Scaled; } rows[] = {
        {45, 50, 1, true}, {135, 80, 1, true}, {300, 20, 1, true}, {45, 50, 2, true}, {45, 50, 1, false},
    };
    double height1 = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.AngleX << "/" << row.AngleY << " x" << row.PixelScale
                                        << (row.Scaled ? " scaled" : ""));
        plot.Camera().AngleX = row.AngleX, plot.Camera().AngleY = row.AngleY;
        plot.SetPixelScale(row.PixelScale);
        plot.Style().ScaledBox = row.Scaled;
        const QImage image = Draw(plot);
        const std::vector<TScreenLabel>& labels = plot.ScreenLabels();
        ASSERT_GE(labels.size(), row.PixelScale == 1 ? 6u : 3u);
        for (std::size_t i = 0; i < labels.size(); ++i) {
            const QRectF& box = labels[i].Box;
            EXPECT_TRUE(QRectF(0, 0, W, H).contains(box)) << labels[i].Text;
            for (std::size_t j = 0; j < i; ++j)
                EXPECT_FALSE(box.intersects(labels[j].Box)) << labels[i].Text << " meets " << labels[j].Text;
            // Drawn where it was placed: some pixel of its box is blue.
            const QRect pixels = box.toAlignedRect() & image.rect();
            bool blue = false;
            for (int k = 0; k < pixels.width() * pixels.height() && !blue; ++k) {
                const QRgb c = image.pixel(pixels.left() + k % pixels.width(), pixels.top() + k / pixels.width());
                blue = qBlue(c) > 200 && qRed(c) < 100;
            }
            EXPECT_TRUE(blue) << labels[i].Text;
        }
        if (row.PixelScale == 1 && height1 == 0) height1 = labels[0].Box.height();
        if (row.PixelScale == 2) {
            EXPECT_NEAR(labels[0].Box.height(), 2 * height1, 1);
        }
    }
}

// A document from before the scaled box and screen labels draws as it always
// did: no keys means both off, not the new window's defaults.
TEST(Render3D, OldDocumentsKeepTheirLook) {
    const std::string old = "[Global]\nWindow type=1\nFunc count=1\n[Function1]\nExpression=x*y\nFuncType=2\n"
                            "[View]\nAngleX=45\nAngleY=50\nDistance=81\nDrawType=2\nLabels=1\n";
    QString errors;
    QTextStream err(&errors);
    const auto render = [&](const std::string& extra) {
        return Render3DDocument(TIniFile::FromText(old + extra), QSize(200, 150), err);
    };
    const QImage asOld = render("");
    EXPECT_EQ(asOld, render("ScaledBox=0\nScreenLabels=0\n"));
    EXPECT_NE(asOld, render("ScaledBox=1\nScreenLabels=1\n"));
    EXPECT_TRUE(errors.isEmpty()) << errors.toStdString();
}

}  // namespace
}  // namespace curvane
