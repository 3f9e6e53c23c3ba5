#include "render/plot3d/plot3d.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "render/plot3d/offscreen_gl.h"

namespace curvane {
namespace {

constexpr TPlotColor White = 0xFFFFFF;
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

// A scene with nothing but what a test switches on, on white.
void MakeBare(TPlot3D& plot) {
    TScene3DStyle& s = plot.Style();
    s.Background = White;
    s.Grid = s.Axes = s.AxesLabels = s.Normals = false;
    s.DrawType = 2;
}

void AddFunction(TPlot3D& plot, const char* expression, TPlotColor color, double opacity = 1) {
    TFuncItem f(expression, true);
    f.Color = color;
    f.Opacity = opacity;
    plot.Functions().Add(std::move(f));
}

void Rebuild(TPlot3D& plot) {
    TNoQuestions dialog;
    TMeshRebuildReport report;
    plot.Rebuild(dialog, report);
    ASSERT_TRUE(report.Fitted);
}

// Every test draws through its own off-screen context; one that cannot get
// a context fails, since the machines that run these all have Mesa.
class Plot3DPaint : public ::testing::Test {
protected:
    static constexpr int W = 240, H = 180;

    void SetUp() override {
        try {
            FGl = std::make_unique<TOffscreenGL>(QSize(W, H));
        } catch (const EOpenGLError& e) {
            FAIL() << e.Message();
        }
    }
    QImage Draw(TPlot3D& plot) {
        FGl->MakeCurrent();
        plot.InitializeGL();
        plot.Paint(W, H);
        return FGl->Grab();
    }
    // Where a world point lands in the last picture (y down), through the
    // matrices the frame left behind.
    QPoint Project(double x, double y, double z) {
        GLdouble model[16], projection[16], wx, wy, wz;
        GLint viewport[4];
        glGetDoublev(GL_MODELVIEW_MATRIX, model);
        glGetDoublev(GL_PROJECTION_MATRIX, projection);
        glGetIntegerv(GL_VIEWPORT, viewport);
        gluProject(x, y, z, model, projection, viewport, &wx, &wy, &wz);
        return QPoint(static_cast<int>(wx), H - 1 - static_cast<int>(wy));
    }

    std::unique_ptr<TOffscreenGL> FGl;
};

TEST_F(Plot3DPaint, SurfaceSeenFromAbove) {
    TPlot3D plot;
    MakeBare(plot);
    AddFunction(plot, "0", Red);
    Rebuild(plot);
    plot.Camera().AngleY = 0;
    const QColor centre = Draw(plot).pixelColor(W / 2, H / 2);
    // Lit from (30, 30, 30): global ambient plus diffuse, no green or blue.
    EXPECT_GT(centre.red(), 100);
    EXPECT_LT(centre.green(), 20);
    EXPECT_LT(centre.blue(), 20);
}

TEST_F(Plot3DPaint, TranslucentSurfacesBlendOverOpaqueOnes) {
    // The translucent plane comes first in the list and lies nearer the
    // camera: drawn in list order it would vanish under the opaque one.
    TPlot3D plot;
    MakeBare(plot);
    AddFunction(plot, "1", Blue, 0.5);
    AddFunction(plot, "0", Red);
    Rebuild(plot);
    plot.Camera().AngleY = 0;
    const QColor mix = Draw(plot).pixelColor(W / 2, H / 2);
    EXPECT_GT(mix.red(), 30);
    EXPECT_GT(mix.blue(), 30);
    EXPECT_LT(mix.green(), 20);
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
    // The X is drawn from (X1, Y2, Z1) on: some of its pixels lie close by.
    const QPoint corner = Project(-6, 6, -6);
    int near = 0;
    for (int y = corner.y() - 20; y <= corner.y() + 20; ++y)
        for (int x = corner.x() - 20; x <= corner.x() + 20; ++x)
            if (with.valid(x, y) && with.pixel(x, y) != without.pixel(x, y) && qBlue(with.pixel(x, y)) > 200 &&
                qRed(with.pixel(x, y)) < 100)
                ++near;
    EXPECT_GT(near, 5) << "at " << corner.x() << "," << corner.y();
}

TEST_F(Plot3DPaint, ArraysDrawWhatImmediateModeDraws) {
    TPlot3D plot;
    MakeBare(plot);
    plot.Style().Grid = plot.Style().Axes = plot.Style().AxesLabels = true;
    AddFunction(plot, "sin(x)*cos(y)", Red);
    Rebuild(plot);
    const QImage before = Draw(plot);
    // The cached arrays must follow a rebuild.
    plot.Functions().Items(0)->Expression = "x*y/5";
    Rebuild(plot);
    for (const int drawType : {0, 1, 2}) {
        for (const bool normals : {false, true}) {
            SCOPED_TRACE(testing::Message() << "draw type " << drawType << (normals ? " with normals" : ""));
            plot.Style().DrawType = static_cast<std::uint8_t>(drawType);
            plot.Style().Normals = normals;
            plot.SetImmediateMode(true);
            const QImage immediate = Draw(plot);
            plot.SetImmediateMode(false);
            const QImage arrays = Draw(plot);
            EXPECT_TRUE(immediate == arrays);
            if (drawType == 2 && !normals) {
                EXPECT_FALSE(arrays == before);
            }
        }
    }
}

TEST_F(Plot3DPaint, UnusableStepsAndHugeBoxesStillEnd) {
    struct Row {
        const char* why;
        TViewBox3D view;
    };
    const Row rows[] = {
        {"step 0 from a settings file", {-6, 6, -6, 6, -6, 6, 0, 0, 0, {}}},
        {"typed box of 1e9", {-1e9, 1e9, -1e9, 1e9, -1e9, 1e9, 1, 1, 1, {}}},
        {"upside-down box", {6, -6, 6, -6, 6, -6, 1, 1, 1, {}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        TPlot3D plot;
        plot.Style().Grid = plot.Style().Axes = plot.Style().AxesLabels = true;
        plot.View() = row.view;
        const auto start = std::chrono::steady_clock::now();
        Draw(plot);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    }
}

}  // namespace
}  // namespace curvane
