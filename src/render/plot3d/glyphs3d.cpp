// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/plot3d/glyphs3d.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <QFontMetricsF>
#include <QPainterPath>

#include <array>
#include <deque>
#include <memory>

#include "render/fonts.h"

namespace curvane {

namespace {

// The outlines are flattened at this size and then scaled down, so that the
// straight pieces stay within about a hundredth of an em of the curves.
constexpr int FlattenPixels = 256;

// The tessellator hands back triangles only (an edge-flag callback forbids
// fans and strips); vertices it makes up where contours cross go to Extra.
struct TTessState {
    std::vector<float>* Out = nullptr;
    std::deque<std::array<GLdouble, 3>> Extra;
    bool Failed = false;
};

void GLAPIENTRY OnBegin(GLenum, void*) {}
void GLAPIENTRY OnEnd(void*) {}
void GLAPIENTRY OnEdgeFlag(GLboolean, void*) {}
void GLAPIENTRY OnVertex(void* vertex, void* data) {
    const auto* v = static_cast<const GLdouble*>(vertex);
    auto* state = static_cast<TTessState*>(data);
    state->Out->push_back(static_cast<float>(v[0]));
    state->Out->push_back(static_cast<float>(v[1]));
}
void GLAPIENTRY OnCombine(GLdouble coords[3], void*[4], GLfloat[4], void** out, void* data) {
    auto* state = static_cast<TTessState*>(data);
    state->Extra.push_back({coords[0], coords[1], coords[2]});
    *out = state->Extra.back().data();
}
void GLAPIENTRY OnError(GLenum, void* data) { static_cast<TTessState*>(data)->Failed = true; }

using TCallback = void(GLAPIENTRY*)();

TGlyphOutline Tessellate(GLUtesselator* tess, const QFont& font, const QFontMetricsF& metrics, QChar ch) {
    TGlyphOutline glyph;
    glyph.Advance = static_cast<float>(metrics.horizontalAdvance(ch) / FlattenPixels);
    QPainterPath path;
    path.addText(0, 0, font, QString(ch));
    // Screen y grows downward; the scene's y grows upward.
    const QTransform toEm = QTransform::fromScale(1.0 / FlattenPixels, -1.0 / FlattenPixels);
    const QList<QPolygonF> contours = path.toSubpathPolygons(toEm);
    if (contours.isEmpty()) return glyph;

    std::deque<std::array<GLdouble, 3>> points;
    TTessState state;
    state.Out = &glyph.Triangles;
    gluTessBeginPolygon(tess, &state);
    for (const QPolygonF& contour : contours) {
        // Closed subpaths repeat their first point at the end.
        qsizetype n = contour.size();
        if (n > 1 && contour.first() == contour.last()) --n;
        if (n < 3) continue;
        gluTessBeginContour(tess);
        for (qsizetype i = 0; i < n; ++i) {
            points.push_back({contour[i].x(), contour[i].y(), 0.0});
            gluTessVertex(tess, points.back().data(), points.back().data());
        }
        gluTessEndContour(tess);
    }
    gluTessEndPolygon(tess);
    // A glyph the tessellator rejects is left blank rather than half drawn.
    if (state.Failed || glyph.Triangles.size() % 6 != 0) glyph.Triangles.clear();
    return glyph;
}

std::vector<TGlyphOutline> MakeLabelGlyphs() {
    InstallFontSubstitutions();
    QFont font = MakePlotFont(QStringLiteral("Terminal"), 12);
    font.setPixelSize(FlattenPixels);
    const QFontMetricsF metrics(font);

    std::unique_ptr<GLUtesselator, void (*)(GLUtesselator*)> tess(gluNewTess(), gluDeleteTess);
    std::vector<TGlyphOutline> glyphs(GlyphCount);
    if (!tess) return glyphs;
    gluTessCallback(tess.get(), GLU_TESS_BEGIN_DATA, reinterpret_cast<TCallback>(OnBegin));
    gluTessCallback(tess.get(), GLU_TESS_END_DATA, reinterpret_cast<TCallback>(OnEnd));
    gluTessCallback(tess.get(), GLU_TESS_EDGE_FLAG_DATA, reinterpret_cast<TCallback>(OnEdgeFlag));
    gluTessCallback(tess.get(), GLU_TESS_VERTEX_DATA, reinterpret_cast<TCallback>(OnVertex));
    gluTessCallback(tess.get(), GLU_TESS_COMBINE_DATA, reinterpret_cast<TCallback>(OnCombine));
    gluTessCallback(tess.get(), GLU_TESS_ERROR_DATA, reinterpret_cast<TCallback>(OnError));
    // TrueType contours are meant for the non-zero rule.
    gluTessProperty(tess.get(), GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_NONZERO);
    gluTessNormal(tess.get(), 0, 0, 1);
    for (int c = 0; c < GlyphCount; ++c)
        glyphs[c] = Tessellate(tess.get(), font, metrics, QChar(static_cast<char16_t>(c)));
    return glyphs;
}

}  // namespace

const std::vector<TGlyphOutline>& LabelGlyphs() {
    static const std::vector<TGlyphOutline> glyphs = MakeLabelGlyphs();
    return glyphs;
}

void BuildGlyphLists() {
    const std::vector<TGlyphOutline>& glyphs = LabelGlyphs();
    for (int c = 0; c < GlyphCount; ++c) {
        const TGlyphOutline& glyph = glyphs[c];
        glNewList(GlyphListBase + c, GL_COMPILE);
        if (!glyph.Triangles.empty()) {
            glNormal3f(0, 0, 1);
            glBegin(GL_TRIANGLES);
            for (std::size_t i = 0; i + 1 < glyph.Triangles.size(); i += 2)
                glVertex2f(glyph.Triangles[i], glyph.Triangles[i + 1]);
            glEnd();
        }
        glTranslatef(glyph.Advance, 0, 0);
        glEndList();
    }
}

void DrawGlyphText(const std::string& text) {
    std::string codes;
    codes.reserve(text.size());
    for (const char ch : text)
        if (static_cast<unsigned char>(ch) < GlyphCount) codes.push_back(ch);
    if (codes.empty()) return;
    glListBase(GlyphListBase);
    glCallLists(static_cast<GLsizei>(codes.size()), GL_UNSIGNED_BYTE, codes.data());
}

}  // namespace curvane
