// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/plot3d/mesh_geometry3d.h"

#include <GL/gl.h>

#include <algorithm>

namespace curvane {

namespace {

// The length of the normal vectors drawn by the Normals switch.
constexpr double NormalLength = 0.5;

// Calls visit(row, j) for every vertex of every strip: first each row in
// order, then each column j of the first row's length through the rows that
// have a vertex j. Undefined vertices are skipped, so a strip joins the
// defined vertices on either side of a gap. begin() and end() bracket each
// strip.
template <typename Begin, typename Visit, typename End>
void ForEachStrip(const TMesh& mesh, Begin begin, Visit visit, End end) {
    for (const TPline& row : mesh) {
        begin();
        for (int j = 0; j < row.Count(); ++j)
            if (VertexDefined(row.GetVertex(j))) visit(row.GetVertex(j));
        end();
    }
    const int columns = mesh.empty() ? 0 : mesh.front().Count();
    for (int j = 0; j < columns; ++j) {
        begin();
        for (const TPline& row : mesh)
            if (j < row.Count() && VertexDefined(row.GetVertex(j))) visit(row.GetVertex(j));
        end();
    }
}

// Calls visit(vertex) for the four corners of every quadrilateral between
// rows k and k + 1 whose corners are all defined, in the order (k, j),
// (k + 1, j), (k + 1, j + 1), (k, j + 1).
template <typename Visit>
void ForEachQuad(const TMesh& mesh, Visit visit) {
    ForEachDefinedQuad(mesh, [&visit](const std::array<const double*, 4>& corners) {
        for (const double* v : corners) visit(v);
    });
}

template <typename Visit>
void ForEachDefined(const TMesh& mesh, Visit visit) {
    for (const TPline& row : mesh)
        for (int j = 0; j < row.Count(); ++j)
            if (VertexDefined(row.GetVertex(j))) visit(row.GetVertex(j));
}

void PushPosition(std::vector<float>& out, const double* v) {
    out.insert(out.end(), {static_cast<float>(v[0]), static_cast<float>(v[1]), static_cast<float>(v[2])});
}

void NormalTip(const double* v, double tip[3]) {
    for (int i = 0; i < 3; ++i) tip[i] = v[i] + NormalLength * v[VertexNormal + i];
}

}  // namespace

TMeshGeometry BuildMeshGeometry(const TMesh& mesh) {
    TMeshGeometry g;
    ForEachQuad(mesh, [&g](const double* v) {
        g.Quads.insert(g.Quads.end(), {static_cast<float>(v[3]), static_cast<float>(v[4]), static_cast<float>(v[5])});
        PushPosition(g.Quads, v);
    });
    ForEachStrip(
        mesh, [&g] { g.StripFirst.push_back(static_cast<int>(g.Lines.size() / 3)); },
        [&g](const double* v) { PushPosition(g.Lines, v); },
        [&g] {
            const int count = static_cast<int>(g.Lines.size() / 3) - g.StripFirst.back();
            if (count < 2) {  // a strip of one vertex draws nothing
                g.Lines.resize(g.StripFirst.back() * 3);
                g.StripFirst.pop_back();
            } else {
                g.StripCount.push_back(count);
            }
        });
    ForEachDefined(mesh, [&g](const double* v) {
        PushPosition(g.Points, v);
        double tip[3];
        NormalTip(v, tip);
        PushPosition(g.Normals, v);
        PushPosition(g.Normals, tip);
    });
    return g;
}

namespace {

// Bytes as the floats GL would make of them; given as floats both ways, so
// that the array path and the immediate path light the very same values
// (the drivers' byte conversions differ in the last bit).
float Unit(std::uint8_t v) { return v / 255.0f; }

}  // namespace

std::vector<float> HeightColors(const std::vector<float>& data, int stride, int zOffset, const THeightScale& scale) {
    std::vector<float> colors;
    colors.reserve(data.size() / stride * 4);
    for (std::size_t i = zOffset; i < data.size(); i += stride) {
        const TRgb8 c = ColorMapAt(scale.Map, HeightFraction(data[i], scale.Z1, scale.Z2));
        colors.insert(colors.end(), {Unit(c.R), Unit(c.G), Unit(c.B), Unit(scale.Alpha)});
    }
    return colors;
}

namespace {

// The vertices were rounded to single precision when the mesh was built, so
// the height read here as a double is the float the arrays hold: both ways
// pick the same colour.
void HeightColor(const THeightScale* scale, const double* v) {
    if (!scale) return;
    const TRgb8 c = ColorMapAt(scale->Map, HeightFraction(static_cast<float>(v[2]), scale->Z1, scale->Z2));
    glColor4f(Unit(c.R), Unit(c.G), Unit(c.B), Unit(scale->Alpha));
}

}  // namespace

void DrawSurfaceImmediate(const TMesh& mesh, const THeightScale* scale) {
    glBegin(GL_QUADS);
    ForEachQuad(mesh, [scale](const double* v) {
        HeightColor(scale, v);
        glNormal3f(static_cast<float>(v[3]), static_cast<float>(v[4]), static_cast<float>(v[5]));
        glVertex3d(v[0], v[1], v[2]);
    });
    glEnd();
}

void DrawLinesImmediate(const TMesh& mesh, const THeightScale* scale) {
    ForEachStrip(
        mesh, [] { glBegin(GL_LINE_STRIP); },
        [scale](const double* v) {
            HeightColor(scale, v);
            glVertex3d(v[0], v[1], v[2]);
        },
        [] { glEnd(); });
}

void DrawPointsImmediate(const TMesh& mesh, const THeightScale* scale) {
    glBegin(GL_POINTS);
    ForEachDefined(mesh, [scale](const double* v) {
        HeightColor(scale, v);
        glVertex3d(v[0], v[1], v[2]);
    });
    glEnd();
}

void DrawNormalsImmediate(const TMesh& mesh) {
    glBegin(GL_LINES);
    ForEachDefined(mesh, [](const double* v) {
        double tip[3];
        NormalTip(v, tip);
        glVertex3d(v[0], v[1], v[2]);
        glVertex3d(tip[0], tip[1], tip[2]);
    });
    glEnd();
}

namespace {

// A colour array leaves the current colour undefined once drawn, so the
// caller sets it again before anything else in its own colour.
void EnableColors(const float* colors) {
    if (!colors) return;
    glEnableClientState(GL_COLOR_ARRAY);
    glColorPointer(4, GL_FLOAT, 0, colors);
}

void DisableColors(const float* colors) {
    if (colors) glDisableClientState(GL_COLOR_ARRAY);
}

void DrawPositions(const std::vector<float>& positions, GLenum mode, const float* colors = nullptr) {
    if (positions.empty()) return;
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, positions.data());
    EnableColors(colors);
    glDrawArrays(mode, 0, static_cast<GLsizei>(positions.size() / 3));
    DisableColors(colors);
    glDisableClientState(GL_VERTEX_ARRAY);
}

}  // namespace

void DrawSurfaceArrays(const TMeshGeometry& g, const float* colors) {
    if (g.Quads.empty()) return;
    glInterleavedArrays(GL_N3F_V3F, 0, g.Quads.data());
    EnableColors(colors);
    glDrawArrays(GL_QUADS, 0, static_cast<GLsizei>(g.Quads.size() / 6));
    DisableColors(colors);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
}

void DrawLinesArrays(const TMeshGeometry& g, const float* colors) {
    if (g.Lines.empty()) return;
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, g.Lines.data());
    EnableColors(colors);
    for (std::size_t i = 0; i < g.StripFirst.size(); ++i) glDrawArrays(GL_LINE_STRIP, g.StripFirst[i], g.StripCount[i]);
    DisableColors(colors);
    glDisableClientState(GL_VERTEX_ARRAY);
}

void DrawPointsArrays(const TMeshGeometry& g, const float* colors) {
    DrawPositions(g.Points, GL_POINTS, colors);
}
void DrawNormalsArrays(const TMeshGeometry& g) { DrawPositions(g.Normals, GL_LINES); }
void DrawSegments(const std::vector<float>& segments) { DrawPositions(segments, GL_LINES); }

}  // namespace curvane
