// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/plot3d/plot3d.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "core/document/parameter_cells.h"
#include "core/plot/camera3d.h"
#include "core/settings/settings.h"
#include "core/support/ini_file.h"
#include "render/plot3d/glyphs3d.h"
#include "render/plot3d/scene3d.h"

namespace curvane {

namespace {

void SetColor(TPlotColor color) {
    const QColor c = ToQColor(color);
    glColor3ub(static_cast<GLubyte>(c.red()), static_cast<GLubyte>(c.green()), static_cast<GLubyte>(c.blue()));
}

// Opacity 0..1 as an alpha byte, the tie to the even byte (0.5 gives 128).
GLubyte OpacityAlpha(double opacity) {
    if (!(opacity > 0)) return 0;
    return static_cast<GLubyte>(std::nearbyint(std::min(opacity, 1.0) * 255));
}

void Line(double x1, double y1, double z1, double x2, double y2, double z2) {
    glVertex3d(x1, y1, z1);
    glVertex3d(x2, y2, z2);
}

void DrawDragCross(const TViewBox3D& v) {
    const TCamera3D& c = v.Camera;
    glBegin(GL_LINES);
    Line(c.TargetX, c.TargetY, std::min(v.Z1, c.TargetZ), c.TargetX, c.TargetY, std::max(v.Z2, c.TargetZ));
    Line(c.TargetX, std::min(v.Y1, c.TargetY), c.TargetZ, c.TargetX, std::max(v.Y2, c.TargetY), c.TargetZ);
    Line(std::min(v.X1, c.TargetX), c.TargetY, c.TargetZ, std::max(v.X2, c.TargetX), c.TargetY, c.TargetZ);
    glEnd();
}

// The floor z = Z1 and the back walls y = Y1 and x = X1. With the axes on,
// the zero lines are left to them.
void DrawGrid(const TViewBox3D& v, bool axes) {
    glBegin(GL_LINES);
    for (const double x : GridPositions(v.X1, v.X2, v.StepX, axes)) {
        if (axes && x == 0) continue;
        Line(x, v.Y1, v.Z1, x, v.Y2, v.Z1);
        Line(x, v.Y1, v.Z1, x, v.Y1, v.Z2);
    }
    for (const double y : GridPositions(v.Y1, v.Y2, v.StepY, axes)) {
        if (axes && y == 0) continue;
        Line(v.X1, y, v.Z1, v.X2, y, v.Z1);
        Line(v.X1, y, v.Z1, v.X1, y, v.Z2);
    }
    for (const double z : GridPositions(v.Z1, v.Z2, v.StepZ, axes)) {
        if (axes && z == 0) continue;
        Line(v.X1, v.Y1, z, v.X2, v.Y1, z);
        Line(v.X1, v.Y1, z, v.X1, v.Y2, z);
    }
    glEnd();
}

// With the grid on, an axis whose zero lies inside the box shows as the
// zero lines of the grid walls; otherwise as a line through the origin.
void DrawAxes(const TViewBox3D& v, bool grid) {
    glBegin(GL_LINES);
    if (v.Y1 * v.Y2 < 0 && grid) {
        Line(v.X1, 0, v.Z1, v.X2, 0, v.Z1);
        Line(v.X1, 0, v.Z1, v.X1, 0, v.Z2);
    } else {
        Line(v.X1, 0, 0, v.X2, 0, 0);
    }
    if (v.X1 * v.X2 < 0 && grid) {
        Line(0, v.Y1, v.Z1, 0, v.Y2, v.Z1);
        Line(0, v.Y1, v.Z1, 0, v.Y1, v.Z2);
    } else {
        Line(0, v.Y1, 0, 0, v.Y2, 0);
    }
    if (v.Z1 * v.Z2 < 0 && grid) {
        Line(v.X1, v.Y1, 0, v.X1, v.Y2, 0);
        Line(v.X1, v.Y1, 0, v.X2, v.Y1, 0);
    } else {
        Line(0, 0, v.Z1, 0, 0, v.Z2);
    }
    glEnd();
}

// The axis letter at the start of a column of values, one text line apart;
// each value is drawn in its own saved matrix so only the line step moves on.
void DrawLabelColumn(const char* letter, double shiftX, const std::vector<double>& values) {
    DrawGlyphText(letter);
    glTranslated(shiftX, -1.5, 0);
    for (const double value : values) {
        glPushMatrix();
        DrawGlyphText(LabelText(value));
        glPopMatrix();
        glTranslated(0, -1, 0);
    }
}

void DrawLabels(const TViewBox3D& v) {
    glPushMatrix();

    glPushMatrix();
    glTranslated(v.X1, v.Y2, v.Z1);
    glRotated(90, 0, 0, 1);
    glScaled(v.StepX, v.StepX, v.StepX);
    DrawLabelColumn("X", 0, LabelPositions(v.X1, v.X2, v.StepX, false));
    glPopMatrix();

    glPushMatrix();
    glTranslated(v.X2 + v.StepX, v.Y1, v.Z1);
    glRotated(180, 0, 0, 1);
    glScaled(v.StepY, v.StepY, v.StepY);
    DrawLabelColumn("Y", -3, LabelPositions(v.Y1, v.Y2, v.StepY, false));
    glPopMatrix();

    glPushMatrix();
    glTranslated(v.X2, v.Y1, v.Z2);
    glRotated(-180, 0, 0, 1);
    glRotated(90, 1, 0, 0);
    glScaled(v.StepZ, v.StepZ, v.StepZ);
    DrawLabelColumn("Z", -3, LabelPositions(v.Z1, v.Z2, v.StepZ, true));
    glPopMatrix();

    glPopMatrix();
}

void SetSurfaceLight(const float position[4]) {
    static constexpr GLfloat Ambient[] = {0, 0, 0, 1};
    static constexpr GLfloat Diffuse[] = {0.6f, 0.6f, 0.6f, 1};
    static constexpr GLfloat Specular[] = {1, 1, 1, 1};
    static constexpr GLfloat MaterialSpecular[] = {0.3f, 0.3f, 0.3f, 1};
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glLightfv(GL_LIGHT0, GL_AMBIENT, Ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, Diffuse);
    glLightfv(GL_LIGHT0, GL_SPECULAR, Specular);
    // Given under the camera's matrix, so the light stays put in the world.
    glLightfv(GL_LIGHT0, GL_POSITION, position);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 128);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, MaterialSpecular);
}

// The far end of the depth range that level lines on the surface are drawn
// in: near enough to win against the surface they lie in, too little to
// show through a fold in front of them.
constexpr double ContourDepthRange = 0.9999;

// The colour bar's measures in device pixels, for a picture `height` high.
// The labels grow with the picture, so an enlarged `--render` or a printout
// keeps the bar's proportions.
struct TColorBarLayout {
    double Em = 0;               // the labels' size
    double Bottom = 0, Top = 0;  // the bar's ends
    std::vector<double> Values;  // labelled heights: the box's ends and the z steps that fit between
    int Width = 0;               // the whole strip
    double BarLeft() const { return 0.8 * Em; }
    double BarRight() const { return 1.8 * Em; }
};

// The label font's outlines measured: advance and the extent above and below
// the baseline, in ems.
struct TTextExtent {
    double Width = 0, Low = 0, High = 0;
};

TTextExtent MeasureText(const std::string& text) {
    const std::vector<TGlyphOutline>& glyphs = LabelGlyphs();
    TTextExtent extent;
    bool any = false;
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c >= glyphs.size()) continue;
        const TGlyphOutline& g = glyphs[c];
        for (std::size_t i = 1; i < g.Triangles.size(); i += 2) {
            const double y = g.Triangles[i];
            extent.Low = any ? std::min(extent.Low, y) : y;
            extent.High = any ? std::max(extent.High, y) : y;
            any = true;
        }
        extent.Width += g.Advance;
    }
    return extent;
}

// Drawing in window pixels (y up) from (0, 0) to (width, height) over the
// scene, lighting and depth test off; the matrices, the viewport and the
// switches are the scene's again afterwards.
class TPixelSpace {
public:
    TPixelSpace(int width, int height) {
        glPushAttrib(GL_ENABLE_BIT | GL_VIEWPORT_BIT);
        glDisable(GL_LIGHTING);
        glDisable(GL_DEPTH_TEST);
        glViewport(0, 0, width, height);
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        glLoadIdentity();
        glOrtho(0, width, 0, height, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glLoadIdentity();
    }
    ~TPixelSpace() {
        glPopMatrix();
        glMatrixMode(GL_PROJECTION);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
        glPopAttrib();
    }
    TPixelSpace(const TPixelSpace&) = delete;
    TPixelSpace& operator=(const TPixelSpace&) = delete;
};

// The colour bar's label size in device pixels. With labels at screen size
// the bar's numbers match the axes'; the older labels grow with the
// picture, and so do the bar's then.
double ColorBarEm(const TScene3DStyle& style, double pixelScale, int height) {
    return style.ScreenLabels ? style.LabelPixels * pixelScale : std::max(8.0, height / 40.0);
}

// The bar's numbers written as the axes' are: as many decimals as the z
// step needs, and more for an end of the box that lies between steps.
std::string BarLabelText(double z, double step) {
    if (!(std::isfinite(step) && step > 0)) return LabelText(z);
    double s = step;
    for (int i = 0; i < 6 && std::fabs(z / s - std::nearbyint(z / s)) > 1e-6; ++i) s /= 10;
    return StepLabelText(z, s);
}

// em: the labels' size in device pixels.
TColorBarLayout LayoutColorBar(const TViewBox3D& v, int height, double em) {
    TColorBarLayout bar;
    bar.Em = em;
    bar.Bottom = 1.5 * bar.Em;
    bar.Top = std::max(bar.Bottom, height - 1.5 * bar.Em);
    const auto at = [&](double z) { return bar.Bottom + (bar.Top - bar.Bottom) * HeightFraction(z, v.Z1, v.Z2); };
    // Steps closer than a line and a half to the label before, or to the top
    // end's, are left out rather than drawn over each other.
    const double gap = 1.5 * bar.Em;
    bar.Values.push_back(v.Z1);
    // A box typed upside down puts the whole scale at its middle: one label.
    if (v.Z2 > v.Z1) {
        for (const double z : LabelPositions(v.Z1, v.Z2, v.StepZ, false))
            if (at(z) - at(bar.Values.back()) >= gap && at(v.Z2) - at(z) >= gap) bar.Values.push_back(z);
        bar.Values.push_back(v.Z2);
    }
    double widest = 0;
    for (const double z : bar.Values) widest = std::max(widest, MeasureText(BarLabelText(z, v.StepZ)).Width);
    bar.Width = static_cast<int>(std::ceil(bar.BarRight() + (0.5 + widest + 0.6) * bar.Em));
    return bar;
}

// The scale from the box's Z1 (bottom) to Z2 (top) in the strip right of
// `left`, outlined and labelled in `labels`, over whatever the scene drew.
void DrawColorBar(const TColorBarLayout& bar, const TViewBox3D& v, TColorMap map, TPlotColor labels, int left,
                  int width, int height) {
    const TPixelSpace pixels(width, height);
    glTranslated(left, 0, 0);

    constexpr int Bands = 64;
    glBegin(GL_QUAD_STRIP);
    for (int i = 0; i <= Bands; ++i) {
        const double t = static_cast<double>(i) / Bands;
        const TRgb8 c = ColorMapAt(map, t);
        glColor3ub(c.R, c.G, c.B);
        const double y = bar.Bottom + (bar.Top - bar.Bottom) * t;
        glVertex2d(bar.BarLeft(), y);
        glVertex2d(bar.BarRight(), y);
    }
    glEnd();
    SetColor(labels);
    glBegin(GL_LINE_LOOP);
    glVertex2d(bar.BarLeft(), bar.Bottom);
    glVertex2d(bar.BarRight(), bar.Bottom);
    glVertex2d(bar.BarRight(), bar.Top);
    glVertex2d(bar.BarLeft(), bar.Top);
    glEnd();
    glListBase(GlyphListBase);
    for (const double z : bar.Values) {
        const double y = bar.Bottom + (bar.Top - bar.Bottom) * HeightFraction(z, v.Z1, v.Z2);
        glPushMatrix();
        glTranslated(bar.BarRight() + 0.5 * bar.Em, y - 0.35 * bar.Em, 0);
        glScaled(bar.Em, bar.Em, 1);
        DrawGlyphText(BarLabelText(z, v.StepZ));
        glPopMatrix();
    }
}


// A label placed in GL window coordinates (y up), and for a number which
// multiple of the step it is.
struct TPlacedLabel {
    std::string Text;
    QRectF Box;
    long long Multiple = 0;
};

// The text's box put beside anchor, a gap away in direction (dx, dy) (a
// unit vector pointing away from the box).
TPlacedLabel PlaceBeside(const std::string& text, QPointF anchor, QPointF direction, double em, double gap) {
    const TTextExtent e = MeasureText(text);
    const double w = e.Width * em, h = (e.High - e.Low) * em;
    const double reach = gap + (std::fabs(direction.x()) * w + std::fabs(direction.y()) * h) / 2;
    const QPointF centre = anchor + direction * reach;
    return {text, QRectF(centre.x() - w / 2, centre.y() - h / 2, w, h)};
}

}  // namespace

TPlot3D::TPlot3D() {
    ApplySettings(Settings());
    FView.Camera = TCamera3D{};
    FView.Camera.Distance = (FView.X2 - FView.X1) * 1.5;
}

TPlot3D::~TPlot3D() = default;

void TPlot3D::ApplySettings(const TSettings& settings) {
    const TSettings3D& s = settings.Window3D;
    FStyle.Axes = s.Axes;
    FStyle.Grid = s.Grid;
    FStyle.AxesLabels = s.AxesLabels;
    FStyle.Smooth = s.Smooth;
    FStyle.Background = s.WindowBackground;
    FStyle.GridColor = s.GridColor;
    FStyle.AxesColor = s.AxesColor;
    FStyle.LabelsColor = s.LabelsColor;
    FStyle.Coloring = static_cast<TMeshColoring>(s.ColorMode);
    FStyle.ColorMap = static_cast<TColorMap>(s.ColorMap);
    FStyle.Contours = static_cast<TContourPlace>(s.Contours);
    FStyle.ContourCount = s.ContourCount;
    FStyle.ScaledBox = s.ScaledBox;
    FStyle.ScreenLabels = s.ScreenLabels;
    FStyle.BoxRatioX = s.BoxRatioX, FStyle.BoxRatioY = s.BoxRatioY, FStyle.BoxRatioZ = s.BoxRatioZ;
    // The 2D grid font's size in points, as pixels at 96 per inch.
    FStyle.LabelPixels = std::max(6.0, settings.GridFont.Size * 96.0 / 72.0);
    FView.X1 = s.X1, FView.X2 = s.X2;
    FView.Y1 = s.Y1, FView.Y2 = s.Y2;
    FView.Z1 = s.Z1, FView.Z2 = s.Z2;
    FView.StepX = s.StepX, FView.StepY = s.StepY, FView.StepZ = s.StepZ;
}

TView3D TPlot3D::DocumentView() const {
    TView3D view;
    view.AngleX = FView.Camera.AngleX;
    view.AngleY = FView.Camera.AngleY;
    view.Distance = FView.Camera.Distance;
    view.DrawType = FStyle.DrawType;
    view.Smooth = FStyle.Smooth;
    view.Axes = FStyle.Axes;
    view.Normals = FStyle.Normals;
    view.Labels = FStyle.AxesLabels;
    view.ColorMode = static_cast<std::int32_t>(FStyle.Coloring);
    view.ColorMap = static_cast<std::int32_t>(FStyle.ColorMap);
    view.Contours = static_cast<std::int32_t>(FStyle.Contours);
    view.ContourCount = FStyle.ContourCount;
    view.ScaledBox = FStyle.ScaledBox;
    view.BoxRatioX = FStyle.BoxRatioX, view.BoxRatioY = FStyle.BoxRatioY, view.BoxRatioZ = FStyle.BoxRatioZ;
    view.ScreenLabels = FStyle.ScreenLabels;
    return view;
}

void TPlot3D::SetDocumentView(const TView3D& view) {
    FView.Camera.AngleX = view.AngleX;
    FView.Camera.AngleY = view.AngleY;
    FView.Camera.Distance = view.Distance;
    FStyle.DrawType = static_cast<std::uint8_t>(view.DrawType);
    FStyle.Smooth = view.Smooth;
    FStyle.Axes = view.Axes;
    FStyle.Normals = view.Normals;
    FStyle.AxesLabels = view.Labels;
    FStyle.Coloring = static_cast<TMeshColoring>(view.ColorMode);
    FStyle.ColorMap = static_cast<TColorMap>(view.ColorMap);
    FStyle.Contours = static_cast<TContourPlace>(view.Contours);
    FStyle.ContourCount = view.ContourCount;
    FStyle.ScaledBox = view.ScaledBox;
    FStyle.BoxRatioX = view.BoxRatioX, FStyle.BoxRatioY = view.BoxRatioY, FStyle.BoxRatioZ = view.BoxRatioZ;
    FStyle.ScreenLabels = view.ScreenLabels;
}

void TPlot3D::MatchMeshes(const TGraphDocument& document) {
    const std::size_t count = static_cast<std::size_t>(document.Functions.Count());
    if (FMeshes.size() != count) {
        FMeshes.resize(count);
        MeshesChanged();
    }
    FLooks.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        const TFuncItem& f = *document.Functions[static_cast<int>(i)];
        FLooks[i] = {static_cast<TPlotColor>(f.Color), f.Opacity};
    }
}

TPlotNeed TPlot3D::Follow(const TGraphDocument& document, const TDocumentChange& change) {
    TPlotNeed need = TPlotNeed::pnPaint;
    const int meshes = static_cast<int>(FMeshes.size());
    switch (change.Kind) {
        case TChangeKind::ckNothing:
        case TChangeKind::ckActive:
            return TPlotNeed::pnNothing;
        case TChangeKind::ckLook:
            break;
        case TChangeKind::ckRemoved:
            if (change.Function >= 0 && change.Function < meshes) {
                FMeshes.erase(FMeshes.begin() + change.Function);
                MeshesChanged();
            }
            break;
        case TChangeKind::ckMoved:
            if (std::max(change.Function, change.To) < meshes && std::min(change.Function, change.To) >= 0) {
                TMesh moved = std::move(FMeshes[change.Function]);
                FMeshes.erase(FMeshes.begin() + change.Function);
                FMeshes.insert(FMeshes.begin() + change.To, std::move(moved));
                MeshesChanged();
            }
            break;
        case TChangeKind::ckInserted:
            if (change.Function >= 0 && change.Function <= meshes) {
                FMeshes.insert(FMeshes.begin() + change.Function, TMesh());
                MeshesChanged();
            }
            need = TPlotNeed::pnSampleAll;
            break;
        case TChangeKind::ckFormula:
            need = TPlotNeed::pnSampleAll;
            break;
        case TChangeKind::ckParameters:
            // The meshes are built together (one view box fits them all).
            if (change.Functions.empty()) return TPlotNeed::pnNothing;
            need = TPlotNeed::pnSampleAll;
            break;
        case TChangeKind::ckScale:
        case TChangeKind::ckDisplay:
        case TChangeKind::ckDocument: {
            TView3D view = document.View3D;
            const TView3D camera = DocumentView();
            view.AngleX = camera.AngleX;
            view.AngleY = camera.AngleY;
            view.Distance = camera.Distance;
            SetDocumentView(view);
            FStyle.Grid = document.Grid3D;
            if (change.Kind == TChangeKind::ckDocument) need = TPlotNeed::pnSampleAll;
            break;
        }
    }
    MatchMeshes(document);
    return need;
}

void TPlot3D::ShowDocument(const TGraphDocument& document) {
    Follow(document, {TChangeKind::ckDocument});
    SetDocumentView(document.View3D);
}

void TPlot3D::Rebuild(const TGraphDocument& document, TMeshDialog& dialog, TMeshRebuildReport& report) {
    MatchMeshes(document);
    // Whatever the rebuild reached has changed, also when it throws.
    struct TStale {
        TPlot3D& Plot;
        ~TStale() { Plot.MeshesChanged(); }
    } stale{*this};
    const TParameterBinding parameters(document.Parameters);
    RebuildMeshes(document.Functions, FMeshes, FView, dialog, report);
}

void TPlot3D::MeshesChanged() { FGeometry.clear(); }

const TMeshGeometry& TPlot3D::Geometry(std::size_t mesh) {
    if (FGeometry.size() != FMeshes.size()) FGeometry.resize(FMeshes.size());
    TCachedGeometry& cache = FGeometry[mesh];
    const TMesh& rows = FMeshes[mesh];
    if (!cache.Ready || cache.Rows != rows.data() || cache.RowCount != rows.size()) {
        cache.Geometry = BuildMeshGeometry(rows);
        cache.Rows = rows.data();
        cache.RowCount = rows.size();
        cache.Ready = true;
        cache.ColorsReady = cache.ContoursReady = false;
    }
    return cache.Geometry;
}

THeightScale TPlot3D::HeightScale(std::size_t mesh) const {
    return {FStyle.ColorMap, FView.Z1, FView.Z2, OpacityAlpha(FLooks[mesh].Opacity)};
}

const std::vector<float>& TPlot3D::HeightColors(std::size_t mesh, int part) {
    const TMeshGeometry& g = Geometry(mesh);
    TCachedGeometry& cache = FGeometry[mesh];
    const THeightScale scale = HeightScale(mesh);
    if (!cache.ColorsReady || !(cache.ColorScale == scale)) {
        cache.Colors[0] = curvane::HeightColors(g.Quads, 6, 5, scale);
        cache.Colors[1] = curvane::HeightColors(g.Lines, 3, 2, scale);
        cache.Colors[2] = curvane::HeightColors(g.Points, 3, 2, scale);
        cache.ColorScale = scale;
        cache.ColorsReady = true;
    }
    return cache.Colors[part];
}

const std::vector<float>& TPlot3D::Contours(std::size_t mesh, const std::vector<double>& levels) {
    Geometry(mesh);  // drops the lines of rows that have changed
    TCachedGeometry& cache = FGeometry[mesh];
    if (!cache.ContoursReady || cache.Levels != levels) {
        cache.Contours = ContourSegments(FMeshes[mesh], levels);
        cache.Levels = levels;
        cache.ContoursReady = true;
    }
    return cache.Contours;
}

void TPlot3D::InitializeGL() { BuildGlyphLists(); }

void TPlot3D::ApplyGLState(int width, int height) const {
    // The caller has bound the framebuffer to draw into (QOpenGLWidget and the
    // off-screen context both draw into framebuffer objects, where GL_BACK is
    // not a valid draw buffer), so the draw buffer is left as it is.
    glViewport(0, 0, width, height);
    const QColor background = ToQColor(FStyle.Background);
    glClearColor(static_cast<GLfloat>(background.redF()), static_cast<GLfloat>(background.greenF()),
                 static_cast<GLfloat>(background.blueF()), 0);
    glEnable(GL_DEPTH_TEST);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_COLOR_MATERIAL);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1);
    glShadeModel(FStyle.Smooth ? GL_SMOOTH : GL_FLAT);
}

void TPlot3D::DrawMeshes() {
    const std::size_t count = FMeshes.size();
    const auto colorOf = [this](std::size_t i, GLubyte alpha) {
        const QColor c = ToQColor(FLooks[i].Color);
        glColor4ub(static_cast<GLubyte>(c.red()), static_cast<GLubyte>(c.green()), static_cast<GLubyte>(c.blue()),
                   alpha);
    };
    // A mesh without its function (the lists are briefly out of step while
    // a window edits them) is not drawn.
    const auto hasFunction = [this](std::size_t i) { return i < FLooks.size(); };
    const bool height = FStyle.Coloring == TMeshColoring::mcHeight;

    switch (FStyle.DrawType) {
        case 0:
        case 1:
            glDisable(GL_LIGHTING);
            for (std::size_t i = 0; i < count; ++i) {
                if (!hasFunction(i)) continue;
                colorOf(i, 255);
                const bool points = FStyle.DrawType == 0;
                // Lines and points are not blended: the opacity in the
                // scale's alpha changes nothing here.
                const THeightScale scale = HeightScale(i);
                const THeightScale* byHeight = height ? &scale : nullptr;
                if (FImmediateMode) {
                    points ? DrawPointsImmediate(FMeshes[i], byHeight) : DrawLinesImmediate(FMeshes[i], byHeight);
                } else {
                    const float* colors = height ? HeightColors(i, points ? 2 : 1).data() : nullptr;
                    points ? DrawPointsArrays(Geometry(i), colors) : DrawLinesArrays(Geometry(i), colors);
                }
            }
            break;
        case 2: {
            SetSurfaceLight(FStyle.LightPosition);
            const auto pass = [&](bool opaque) {
                for (std::size_t i = 0; i < count; ++i) {
                    if (!hasFunction(i)) continue;
                    const double opacity = FLooks[i].Opacity;
                    if ((opacity >= 1) != opaque) continue;
                    colorOf(i, OpacityAlpha(opacity));
                    const THeightScale scale = HeightScale(i);
                    if (FImmediateMode)
                        DrawSurfaceImmediate(FMeshes[i], height ? &scale : nullptr);
                    else
                        DrawSurfaceArrays(Geometry(i), height ? HeightColors(i, 0).data() : nullptr);
                }
            };
            pass(true);
            // Translucent surfaces blend over everything opaque and do not
            // hide one another.
            glEnable(GL_BLEND);
            glDepthMask(GL_FALSE);
            pass(false);
            glDepthMask(GL_TRUE);
            glDisable(GL_BLEND);
            break;
        }
        default:
            break;
    }
}

int TPlot3D::ColorBarWidth(int height) const {
    if (FStyle.Coloring != TMeshColoring::mcHeight) return 0;
    return LayoutColorBar(FView, height, ColorBarEm(FStyle, FPixelScale, height)).Width;
}

void TPlot3D::DrawContours() {
    const int place = static_cast<int>(FStyle.Contours);
    const bool onSurface = (place & static_cast<int>(TContourPlace::cpSurface)) != 0;
    const bool onFloor = (place & static_cast<int>(TContourPlace::cpFloor)) != 0;
    if (!onSurface && !onFloor) return;
    const std::vector<double> levels = ContourLevels(FView.Z1, FView.Z2, FView.StepZ, FStyle.ContourCount);
    if (levels.empty()) return;
    // Lighting stays as the frame leaves it for the next one.
    glPushAttrib(GL_ENABLE_BIT);
    glDisable(GL_LIGHTING);
    const QColor b = ToQColor(FStyle.Background);
    glColor3d(1 - b.redF(), 1 - b.greenF(), 1 - b.blueF());
    for (std::size_t i = 0; i < FMeshes.size() && i < FLooks.size(); ++i) {
        const std::vector<float>& segments = Contours(i, levels);
        if (onSurface) {
            // The lines lie in the surface, so they would lose half their
            // pixels to its depth values: they come a hair nearer instead.
            // (Pushing the surface back with a polygon offset would do it
            // too, but changes how the surface itself is drawn.)
            glDepthRange(0, ContourDepthRange);
            DrawSegments(segments);
            glDepthRange(0, 1);
        }
        if (onFloor) {
            // Flattened onto the floor: every z becomes Z1.
            glPushMatrix();
            glTranslated(0, 0, FView.Z1);
            glScaled(1, 1, 0);
            DrawSegments(segments);
            glPopMatrix();
        }
    }
    glPopAttrib();
}

void TPlot3D::Paint(int width, int height) {
    ApplyGLState(width, height);
    glDepthMask(GL_TRUE);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    // The colour bar takes its own strip, and the scene keeps its shape in
    // what is left.
    const int bar = ColorBarWidth(height);
    const int sceneWidth = bar > 0 ? std::max(width - bar, 1) : width;
    if (bar > 0) glViewport(0, 0, sceneWidth, height);

    // The camera looks at the box as shown; everything is drawn in values,
    // through the box's scale.
    const TBoxScale scale = BoxScale();
    const TViewBox3D shown = scale.Identity() ? FView : ToShown(scale, FView);
    const TClipPlanes planes = CameraClipPlanes(shown);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(50, static_cast<double>(sceneWidth) / std::max(height, 1), planes.Near, planes.Far);

    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    const TLookAt look = CameraLookAt(shown.Camera);
    gluLookAt(look.Eye.X, look.Eye.Y, look.Eye.Z, look.Centre.X, look.Centre.Y, look.Centre.Z, look.Up.X, look.Up.Y,
              look.Up.Z);
    if (scale.Identity()) {
        glDisable(GL_NORMALIZE);
    } else {
        glTranslated(scale.Centre.X, scale.Centre.Y, scale.Centre.Z);
        glScaled(scale.Scale.X, scale.Scale.Y, scale.Scale.Z);
        glTranslated(-scale.Centre.X, -scale.Centre.Y, -scale.Centre.Z);
        // A stretched normal is no longer of unit length.
        glEnable(GL_NORMALIZE);
    }
    glGetDoublev(GL_MODELVIEW_MATRIX, FModel);
    glGetDoublev(GL_PROJECTION_MATRIX, FProjection);
    FViewport[2] = sceneWidth, FViewport[3] = height;

    // Lighting is switched off only by the steps that need it off: after a
    // surface frame, axes and labels stay lit unless grid or cross came first.
    if (FDragging) {
        glDisable(GL_LIGHTING);
        SetColor(FStyle.AxesColor);
        DrawDragCross(FView);
    }
    if (FStyle.Grid) {
        glDisable(GL_LIGHTING);
        SetColor(FStyle.GridColor);
        DrawGrid(FView, FStyle.Axes);
    }
    if (FStyle.Axes) {
        SetColor(FStyle.AxesColor);
        DrawAxes(FView, FStyle.Grid);
    }
    if (FStyle.AxesLabels && !FStyle.ScreenLabels) {
        glListBase(GlyphListBase);
        SetColor(FStyle.LabelsColor);
        DrawLabels(FView);
    }
    // A scaled box holds its surfaces: what lies beyond its z range (a pole)
    // is cut off rather than squashing the rest.
    const bool clip = FStyle.ScaledBox && std::isfinite(FView.Z1) && std::isfinite(FView.Z2);
    if (clip) {
        const GLdouble below[4] = {0, 0, 1, -std::min(FView.Z1, FView.Z2)};
        const GLdouble above[4] = {0, 0, -1, std::max(FView.Z1, FView.Z2)};
        glClipPlane(GL_CLIP_PLANE0, below);
        glClipPlane(GL_CLIP_PLANE1, above);
        glEnable(GL_CLIP_PLANE0);
        glEnable(GL_CLIP_PLANE1);
    }
    if (FStyle.Normals) {
        glDisable(GL_LIGHTING);
        const QColor b = ToQColor(FStyle.Background);
        glColor3d(1 - b.redF(), 1 - b.greenF(), 1 - b.blueF());
        for (std::size_t i = 0; i < FMeshes.size(); ++i)
            FImmediateMode ? DrawNormalsImmediate(FMeshes[i]) : DrawNormalsArrays(Geometry(i));
    }
    DrawMeshes();
    DrawContours();
    if (clip) {
        glDisable(GL_CLIP_PLANE0);
        glDisable(GL_CLIP_PLANE1);
    }
    // The labels stay in the scene's part of the picture, clear of the bar.
    FScreenLabels.clear();
    if (FStyle.AxesLabels && FStyle.ScreenLabels) {
        LayOutScreenLabels(sceneWidth, height);
        DrawScreenLabels(sceneWidth, height);
    }
    if (bar > 0) DrawColorBar(LayoutColorBar(FView, height, ColorBarEm(FStyle, FPixelScale, height)), FView, FStyle.ColorMap, FStyle.LabelsColor, sceneWidth, width, height);
    glFlush();

    if (!FCaption.isEmpty()) {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(-10, 10, -10, 10, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glTranslated(-7, 5, 0);
        const QColor b = ToQColor(FStyle.Background);
        glColor3ub(static_cast<GLubyte>(255 - b.red()), static_cast<GLubyte>(255 - b.green()),
                   static_cast<GLubyte>(255 - b.blue()));
        DrawGlyphText(FCaption.toLatin1().toStdString());
        glFlush();
    }
}

TBoxScale TPlot3D::BoxScale() const {
    if (!FStyle.ScaledBox) return {};
    return ProportionBox(FView, FStyle.BoxRatioX, FStyle.BoxRatioY, FStyle.BoxRatioZ);
}

void TPlot3D::LayOutScreenLabels(int width, int height) {
    const double em = FStyle.LabelPixels * FPixelScale;
    const double gap = em / 2;
    const auto project = [this](double x, double y, double z) {
        GLdouble wx = 0, wy = 0, wz = 0;
        gluProject(x, y, z, FModel, FProjection, FViewport, &wx, &wy, &wz);
        return QPointF(wx, wy);
    };
    const TViewBox3D& v = FView;
    const QPointF centre = project((v.X1 + v.X2) / 2, (v.Y1 + v.Y2) / 2, (v.Z1 + v.Z2) / 2);
    const auto outward = [&](QPointF at) {
        const QPointF d = at - centre;
        const double length = std::hypot(d.x(), d.y());
        return length > 1e-6 && std::isfinite(length) ? d / length : QPointF(0, -1);
    };

    // One axis: its numbers along an edge of the box, then its letter past
    // the edge's middle and beyond the numbers. The edge is the lower of two
    // floor edges (x, y), or the leftmost upright one (z).
    struct TAxisLabels {
        std::vector<TPlacedLabel> Numbers;
        TPlacedLabel Letter;
    };
    const auto axis = [&](const char* letter, double from, double to, double step, auto point) {
        TAxisLabels labels;
        const QPointF a = project(point(from)[0], point(from)[1], point(from)[2]);
        const QPointF b = project(point(to)[0], point(to)[1], point(to)[2]);
        const QPointF middle = (a + b) / 2;
        const QPointF direction = outward(middle);
        double reach = 0;
        for (const double value : GridPositions(std::min(from, to), std::max(from, to), step, true)) {
            const auto p = point(value);
            labels.Numbers.push_back(PlaceBeside(StepLabelText(value, step), project(p[0], p[1], p[2]),
                                                 direction, em, gap));
            // Far from zero any multiple will do: the ones the walk gives.
            const double multiple = value / step;
            labels.Numbers.back().Multiple = std::fabs(multiple) < 1e15
                                                 ? std::llround(multiple)
                                                 : static_cast<long long>(labels.Numbers.size());
            const QRectF& r = labels.Numbers.back().Box;
            reach = std::max(reach, std::fabs(direction.x()) * r.width() + std::fabs(direction.y()) * r.height());
        }
        labels.Letter = PlaceBeside(letter, middle + direction * (reach + gap), direction, em, gap);
        return labels;
    };
    using TPoint = std::array<double, 3>;
    const auto lower = [&](TPoint a1, TPoint a2, TPoint b1, TPoint b2) {
        const double ya = (project(a1[0], a1[1], a1[2]).y() + project(a2[0], a2[1], a2[2]).y());
        const double yb = (project(b1[0], b1[1], b1[2]).y() + project(b2[0], b2[1], b2[2]).y());
        return ya <= yb;
    };
    const double yEdge = lower({v.X1, v.Y1, v.Z1}, {v.X2, v.Y1, v.Z1}, {v.X1, v.Y2, v.Z1}, {v.X2, v.Y2, v.Z1}) ? v.Y1
                                                                                                              : v.Y2;
    const double xEdge = lower({v.X1, v.Y1, v.Z1}, {v.X1, v.Y2, v.Z1}, {v.X2, v.Y1, v.Z1}, {v.X2, v.Y2, v.Z1}) ? v.X1
                                                                                                              : v.X2;
    TPoint upright{v.X1, v.Y1, 0};
    double leftmost = std::numeric_limits<double>::infinity();
    for (const double x : {v.X1, v.X2})
        for (const double y : {v.Y1, v.Y2}) {
            const double at = project(x, y, v.Z1).x() + project(x, y, v.Z2).x();
            if (at < leftmost) leftmost = at, upright = {x, y, 0};
        }
    TAxisLabels axes[3] = {
        axis("X", v.X1, v.X2, v.StepX, [&](double x) { return TPoint{x, yEdge, v.Z1}; }),
        axis("Y", v.Y1, v.Y2, v.StepY, [&](double y) { return TPoint{xEdge, y, v.Z1}; }),
        axis("Z", v.Z1, v.Z2, v.StepZ, [&](double z) { return TPoint{upright[0], upright[1], z}; }),
    };

    // Labels keep a little room between them and stay whole inside the
    // picture. Each axis first keeps only the multiples of 2, 5, 10, 20, ...
    // steps until its own numbers fit; then letters and numbers that still
    // meet an earlier one (another axis's) or the picture's edge are left out.
    const double room = em / 4;
    const auto meet = [room](const QRectF& a, const QRectF& b) {
        return a.adjusted(-room, -room, room, room).intersects(b);
    };
    const QRectF picture(0, 0, width, height);
    std::vector<TPlacedLabel> kept;
    const auto keep = [&](const TPlacedLabel& label) {
        if (!picture.contains(label.Box)) return;
        for (const TPlacedLabel& other : kept)
            if (meet(label.Box, other.Box)) return;
        kept.push_back(label);
    };
    for (const TAxisLabels& a : axes) keep(a.Letter);
    for (const TAxisLabels& a : axes) {
        const std::vector<TPlacedLabel>& n = a.Numbers;
        std::vector<const TPlacedLabel*> chosen;
        // 1, 2, 5, 10, 20, 50, ...: the leading digit 2 goes to 5.
        const auto next = [](long long every) {
            long long lead = every;
            while (lead >= 10) lead /= 10;
            return lead == 2 ? every / 2 * 5 : every * 2;
        };
        for (long long every = 1;; every = next(every)) {
            chosen.clear();
            for (const TPlacedLabel& label : n)
                if (label.Multiple % every == 0) chosen.push_back(&label);
            bool apart = true;
            for (std::size_t i = 1; i < chosen.size() && apart; ++i) apart = !meet(chosen[i - 1]->Box, chosen[i]->Box);
            if (apart || chosen.size() < 2) break;
        }
        for (const TPlacedLabel* label : chosen) keep(*label);
    }
    for (const TPlacedLabel& label : kept) {
        const QRectF& b = label.Box;
        FScreenLabels.push_back({label.Text, QRectF(b.left(), height - b.bottom(), b.width(), b.height())});
    }
}

void TPlot3D::DrawScreenLabels(int width, int height) const {
    const double em = FStyle.LabelPixels * FPixelScale;
    // Lighting stays off for the next frame, as the labels drawn into the
    // scene leave it.
    glDisable(GL_LIGHTING);
    const TPixelSpace pixels(width, height);
    SetColor(FStyle.LabelsColor);
    for (const TScreenLabel& label : FScreenLabels) {
        // Back to window coordinates: the baseline lies the text's descent
        // above the box's lower edge.
        const double low = height - label.Box.bottom();
        glLoadIdentity();
        glTranslated(label.Box.left(), low - MeasureText(label.Text).Low * em, 0);
        glScaled(em, em, 1);
        DrawGlyphText(label.Text);
    }
}

TMeshHit TPlot3D::Pick(double x, double y) const {
    if (FStyle.DrawType > 2 || FViewport[2] <= 0 || FViewport[3] <= 0) return {};
    const double windowY = FViewport[3] - y;
    TVector3 nearPoint, farPoint;
    if (!gluUnProject(x, windowY, 0, FModel, FProjection, FViewport, &nearPoint.X, &nearPoint.Y, &nearPoint.Z) ||
        !gluUnProject(x, windowY, 1, FModel, FProjection, FViewport, &farPoint.X, &farPoint.Y, &farPoint.Z))
        return {};
    const TVector3 direction{farPoint.X - nearPoint.X, farPoint.Y - nearPoint.Y, farPoint.Z - nearPoint.Z};
    double low = -std::numeric_limits<double>::infinity(), high = std::numeric_limits<double>::infinity();
    if (FStyle.ScaledBox) low = std::min(FView.Z1, FView.Z2), high = std::max(FView.Z1, FView.Z2);
    // Meshes whose function is gone (the lists briefly out of step) are
    // not drawn, so they cannot be hit either.
    const std::size_t drawn = std::min(FMeshes.size(), FLooks.size());
    if (drawn == FMeshes.size()) return PickMeshes(FMeshes, nearPoint, direction, low, high);
    std::vector<TMesh> shown(FMeshes.begin(), FMeshes.begin() + static_cast<std::ptrdiff_t>(drawn));
    return PickMeshes(shown, nearPoint, direction, low, high);
}

}  // namespace curvane
