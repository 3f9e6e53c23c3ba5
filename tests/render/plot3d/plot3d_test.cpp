// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/plot3d/plot3d.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "render/plot3d/offscreen_gl.h"

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
    const auto arraysMatch = [&] {
        plot.SetImmediateMode(true);
        const QImage immediate = Draw(plot);
        plot.SetImmediateMode(false);
        return Draw(plot) == immediate;
    };
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(testing::Message() << "draw type " << i / 2 << (i % 2 ? " with normals" : ""));
        plot.Style().DrawType = static_cast<std::uint8_t>(i / 2);
        plot.Style().Normals = i % 2 == 1;
        EXPECT_TRUE(arraysMatch());
    }
    std::swap(plot.Meshes()[0], plot.Meshes()[1]);
    EXPECT_TRUE(arraysMatch()) << "after the meshes moved";
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
