// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRectF>
#include <QSize>
#include <QString>

#include <cstdint>
#include <vector>

#include "core/document/document_change.h"
#include "core/document/func_item.h"
#include "core/document/graph_document.h"
#include "core/plot/color_map.h"
#include "core/plot/contour3d.h"
#include "core/plot/mesh3d.h"
#include "core/plot/pick3d.h"
#include "core/plot/view3d.h"
#include "render/plot3d/mesh_geometry3d.h"
#include "render/color.h"

namespace curvane {

struct TSettings;
class TIniFile;

// The display switches and colours of a 3D scene. A new panel takes them
// from the settings; a document's "View" section carries the switches.
struct TScene3DStyle {
    TPlotColor Background = 0xFFFFFF;
    TPlotColor GridColor = 0x808080;
    TPlotColor AxesColor = 0x00FFFF;
    TPlotColor LabelsColor = 0x000000;
    bool Smooth = true;
    bool Axes = true;
    bool Grid = true;
    bool Normals = false;
    bool AxesLabels = true;
    std::uint8_t DrawType = 1;  // 0 points, 1 lines, 2 surface; others draw no mesh
    float LightPosition[4] = {30, 30, 30, 1};
    // By height: every mesh through ColorMap over the box's z range, with a
    // colour bar at the right edge.
    TMeshColoring Coloring = TMeshColoring::mcFunction;
    TColorMap ColorMap = TColorMap::cmViridis;
    TContourPlace Contours = TContourPlace::cpNone;
    int ContourCount = 0;  // 0: at the z grid steps
    // The box in proportion (edges in these ratios), its surfaces clipped to
    // its z range; off, the box has the scale of its values.
    bool ScaledBox = false;
    double BoxRatioX = 1, BoxRatioY = 1, BoxRatioZ = 1;
    // Labels at LabelPixels on the screen rather than drawn into the scene.
    bool ScreenLabels = false;
    double LabelPixels = 12;  // the label font's em, in pixels of scale 1
};

// One axis number or letter as the last frame placed it, in pixels of the
// picture (y grows downward).
struct TScreenLabel {
    std::string Text;
    QRectF Box;
};

// The 3D counterpart of TPlot2D: one 3D document's meshes, view box, camera
// and style, built and drawn without widgets. The 3D window, `--render` and
// later picture export and the Options preview all draw through it.
//
// Painting needs a current OpenGL context (compatibility profile, GL 1.x
// fixed function with GLU); everything else needs none.
class TPlot3D {
public:
    // A new panel's state: colours, switches, axis box and steps from the
    // settings, DrawType 1 (lines), Normals off, Distance 1.5 times the x
    // range, AngleX 45, AngleY 50, target at the origin.
    TPlot3D();
    ~TPlot3D();
    TPlot3D(const TPlot3D&) = delete;
    TPlot3D& operator=(const TPlot3D&) = delete;

    void ApplySettings(const TSettings& settings);


    TScene3DStyle& Style() { return FStyle; }
    const TScene3DStyle& Style() const { return FStyle; }
    TViewBox3D& View() { return FView; }
    const TViewBox3D& View() const { return FView; }
    TCamera3D& Camera() { return FView.Camera; }

    // One mesh per function of the document shown, in list order.
    std::vector<TMesh>& Meshes() { return FMeshes; }
    const std::vector<TMesh>& Meshes() const { return FMeshes; }

    // The document's "View" keys (angles, distance, draw type, switches).
    TView3D DocumentView() const;
    void SetDocumentView(const TView3D& view);
    // Brings the meshes (mesh i belongs to function i), their colours and the
    // switches in line with `document` after `change`, and says what the
    // picture needs now: a new or changed function rebuilds every mesh, since
    // the view box is fitted to all of them. The camera stays.
    TPlotNeed Follow(const TGraphDocument& document, const TDocumentChange& change);
    // A whole document for a plot of its own: meshes, switches and camera.
    // Rebuild it next.
    void ShowDocument(const TGraphDocument& document);

    // Rebuilds every mesh of `document` and refits the view box
    // (RebuildMeshes); the report says which function failed to compile and
    // whether rows were cut by a math error. An ESyntaxError propagates.
    void Rebuild(const TGraphDocument& document, TMeshDialog& dialog, TMeshRebuildReport& report);
    // The meshes changed outside Rebuild: cached vertex data is stale.
    void MeshesChanged();

    // Shown while a mouse button is held over the scene: the drag cross.
    bool Dragging() const { return FDragging; }
    void SetDragging(bool value) { FDragging = value; }
    // Drawn over the finished scene (empty: none).
    void SetCaption(const QString& text) { FCaption = text; }

    // Per GL context, with the context current: builds the glyph display
    // lists 100..354 (the label font's outlines, em = 1). Call again for a
    // new context (QOpenGLWidget::initializeGL).
    void InitializeGL();
    // The per-context state of one frame for a viewport of width x height
    // device pixels.
    void ApplyGLState(int width, int height) const;
    // One frame into the current context's draw framebuffer, then the
    // caption; no buffer swap. Lighting state is carried from the previous
    // frame of the same context, as the fixed pipeline leaves it.
    void Paint(int width, int height);

    // Device pixels per pixel of the labels' size: the screen's pixel ratio,
    // or the picture scale of `--render --scale`.
    void SetPixelScale(double scale) { FPixelScale = scale; }
    // The screen labels of the last frame (none when they are off).
    const std::vector<TScreenLabel>& ScreenLabels() const { return FScreenLabels; }
    // The surface point under device pixel (x, y) of the last frame (y grows
    // downward), by a ray through the meshes as they were drawn.
    TMeshHit Pick(double x, double y) const;

    // Immediate mode sends every vertex of every mesh each frame; otherwise
    // the meshes are laid out in vertex arrays once per change (Rebuild,
    // MeshesChanged) and drawn from there. Same picture either way.
    bool ImmediateMode() const { return FImmediateMode; }
    void SetImmediateMode(bool value) { FImmediateMode = value; }

    // The strip at the right edge that the colour bar takes from a picture
    // width x height device pixels wide (0 when colouring by function).
    int ColorBarWidth(int height) const;

private:
    const TMeshGeometry& Geometry(std::size_t mesh);
    // The colours of mesh's Quads, Lines and Points (their order) by height.
    const std::vector<float>& HeightColors(std::size_t mesh, int part);
    const std::vector<float>& Contours(std::size_t mesh, const std::vector<double>& levels);
    THeightScale HeightScale(std::size_t mesh) const;
    void DrawMeshes();
    void DrawContours();
    void MatchMeshes(const TGraphDocument& document);
    TBoxScale BoxScale() const;
    void LayOutScreenLabels(int width, int height);
    void DrawScreenLabels(int width, int height) const;


    // What a mesh is drawn in, taken from its function.
    struct TMeshLook {
        TPlotColor Color = 0;
        double Opacity = 1;
    };

    TScene3DStyle FStyle;
    TViewBox3D FView;
    std::vector<TMesh> FMeshes;
    std::vector<TMeshLook> FLooks;
    bool FDragging = false;
    QString FCaption;
    bool FImmediateMode = false;
    double FPixelScale = 1;
    std::vector<TScreenLabel> FScreenLabels;
    // The matrices and viewport of the last frame, for Pick.
    double FModel[16] = {};
    double FProjection[16] = {};
    int FViewport[4] = {};
    // One entry per mesh, built on first use after a change. Each remembers
    // the rows it was built from, so that a mesh moved or removed by a
    // window that forgot MeshesChanged is laid out again rather than drawn
    // in another function's colour.
    struct TCachedGeometry {
        const TPline* Rows = nullptr;
        std::size_t RowCount = 0;
        bool Ready = false;
        TMeshGeometry Geometry;
        // Made on first use and again when what they were made for changes:
        // the scale (the box's z range, the map, the opacity) and the levels.
        bool ColorsReady = false;
        THeightScale ColorScale;
        std::vector<float> Colors[3];
        bool ContoursReady = false;
        std::vector<double> Levels;
        std::vector<float> Contours;
    };
    std::vector<TCachedGeometry> FGeometry;
};

}  // namespace curvane
