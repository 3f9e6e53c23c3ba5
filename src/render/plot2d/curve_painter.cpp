// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/plot2d/curve_painter.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include <QLineF>
#include <QPaintEngine>
#include <QPainter>
#include <QPen>
#include <QTransform>

#include "core/plot/pline.h"
#include "render/color.h"
#include "render/plot2d/curve_raster.h"
#include "render/plot2d/paint_helpers.h"
#include "render/plot2d/smooth_curve_raster.h"

namespace curvane {

using detail::LineTo;
using detail::MakePen;

namespace {

// The colour stored in component 2 of a vertex, or `fallback` where the
// double does not hold one.
TPlotColor VertexColor(const double* v, TPlotColor fallback) {
    const double c = std::nearbyint(v[2]);
    if (!(c >= std::numeric_limits<std::int32_t>::min() &&
          c <= std::numeric_limits<std::int32_t>::max()))
        return fallback;
    return static_cast<TPlotColor>(c);
}

struct TClip {
    int Left, Top, Right, Bottom;
    bool Inside(QPoint p) const {
        return Left <= p.x() && p.x() < Right && Top <= p.y() && p.y() < Bottom;
    }
};

// Where the segment from the inside point a toward b leaves c (b itself when
// it lies inside). The integer arithmetic (division truncating toward zero)
// decides the exact end pixel; 64 bits keep the products of far-away points
// exact.
QPoint ClippedEnd(const TClip& c, QPoint a, QPoint b) {
    if (c.Inside(b)) return b;
    const std::int64_t ax = a.x(), ay = a.y(), bx = b.x(), by = b.y();
    const std::int64_t dy = ay - by;
    const std::int64_t dx = bx - ax;
    std::int64_t ey = by < ay ? c.Top : (by > ay ? c.Bottom : ay);
    const std::int64_t t = dy != 0 ? (ay - ey) * dx / dy : dx;
    std::int64_t ex = ax + t;
    if (ex < c.Left || ex > c.Right) {
        ex = ex > c.Right ? c.Right : c.Left;
        const std::int64_t u = t != 0 ? (ex - ax) * (ay - ey) / t : by - ay;
        ey = ay - u;
    }
    return QPoint(static_cast<int>(ex), static_cast<int>(ey));
}

// Draws from the inside point a toward b, cut where it leaves c.
void DrawFromInside(QPainter& p, const TClip& c, QPoint a, QPoint b) {
    const QPoint e = ClippedEnd(c, a, b);
    if (c.Inside(b) || a.x() == e.x() || a.y() == e.y()) {
        LineTo(p, a.x(), a.y(), e.x(), e.y());
        return;
    }
    // A slanted line may keep its end pixel instead of its start, and the end
    // lies on the edge, possibly on the frame: the clip keeps it inside.
    p.save();
    p.setClipRect(QRect(c.Left, c.Top, c.Right - c.Left, c.Bottom - c.Top), Qt::IntersectClip);
    p.drawLine(a, e);
    p.restore();
}

TClip ToClip(const TPixelRect& r) { return {r.Left, r.Top, r.Right, r.Bottom}; }

void DrawClipped(QPainter& p, const TClip& c, QPoint p1, QPoint p2) {
    if (c.Inside(p1)) DrawFromInside(p, c, p1, p2);
    else if (c.Inside(p2)) DrawFromInside(p, c, p2, p1);
}


// The vertices of a run of segments inside the frame, handed to the painter
// as polylines. Of consecutive vertices in one pixel column only the first,
// the topmost, the bottommost and the last are kept, in their order: the
// segments between them cover the same pixels of that column as all of them
// did, and a dense parametric curve hands Qt a few vertices a column.
//
// A wide pen's polyline goes out in pieces of a few dozen vertices, each
// starting where the last ended (its round cap is the join). Qt fills the
// outline of a whole stroke at once, and for a long curve that crosses
// itself in outline at every turn the smoothed fill grows far faster than
// the curve: a 1,900-vertex sine of width 2 took 12 ms whole and 2 ms in
// pieces.
class TPolylineRun {
public:
    TPolylineRun(QPainter& painter, double shift, bool wide)
        : FPainter(painter), FShift(shift), FPieceLength(wide ? 24 : std::numeric_limits<std::size_t>::max()) {}
    bool Empty() const { return FPoints.empty(); }
    void Add(QPoint p) {
        if (FPoints.empty() || p.x() != FFirst.Pixel.x()) {
            if (FPoints.size() >= FPieceLength) {
                Draw();
                FPoints.erase(FPoints.begin(), FPoints.end() - 1);
            }
            FStart = FPoints.size();
            FFirst = FTop = FBottom = FLast = {p, 0};
            Push(p);
            return;
        }
        const TKept k{p, FLast.Order + 1};
        if (p.y() < FTop.Pixel.y()) FTop = k;
        if (p.y() > FBottom.Pixel.y()) FBottom = k;
        FLast = k;
        FPoints.resize(FStart + 1);
        const TKept& early = FTop.Order < FBottom.Order ? FTop : FBottom;
        const TKept& late = FTop.Order < FBottom.Order ? FBottom : FTop;
        for (const TKept* m : {&early, &late})
            if (m->Order != 0 && m->Order != FLast.Order) Push(m->Pixel);
        Push(FLast.Pixel);
    }
    void Flush() {
        Draw();
        FPoints.clear();
    }

private:
    struct TKept {
        QPoint Pixel;
        int Order;  // within the column
    };
    void Push(QPoint p) { FPoints.emplace_back(p.x() + FShift, p.y() + FShift); }
    void Draw() {
        if (FPoints.size() >= 2) FPainter.drawPolyline(FPoints.data(), static_cast<int>(FPoints.size()));
    }

    QPainter& FPainter;
    double FShift;
    std::size_t FPieceLength;
    std::vector<QPointF> FPoints;
    std::size_t FStart = 0;  // where the last column's vertices begin
    TKept FFirst{}, FTop{}, FBottom{}, FLast{};
};

}  // namespace

int PixelScale(const QPainter& p) {
    const QPaintEngine* engine = p.paintEngine();
    if (!engine || (engine->type() != QPaintEngine::Raster && engine->type() != QPaintEngine::Picture)) return 0;
    const QTransform t = p.deviceTransform();
    const double s = t.m11();
    if (t.type() > QTransform::TxScale || t.m22() != s || s != std::trunc(s) || s < 1 || s > 16) return 0;
    return t.dx() == std::trunc(t.dx()) && t.dy() == std::trunc(t.dy()) ? static_cast<int>(s) : 0;
}

bool FillsPixels(const QPainter& p) { return PixelScale(p) == 1; }

void DrawClippedSegment(QPainter& painter, const TPixelRect& rect, QPoint p1, QPoint p2) {
    DrawClipped(painter, ToClip(rect), p1, p2);
}

void TCurvePainter::Draw(QPainter& p, const TPline& pline, int width, bool vertexColors, bool ordered,
                         TCurveLayer* layer) const {
    const int count = pline.Count();
    if (count == 0) return;
    switch (FLook.ScopeType) {
        case TScopeType::stScope:
            break;
        case TScopeType::stChart1:
        case TScopeType::stChart2:
            DrawCharts(p, pline, width, vertexColors);
            return;
        default:
            return;
    }
    int first = 0, last = count - 1;
    if (FLook.OutPlineCut && count >= 2 && ordered) {
        // Ordered data: find the visible run by bisection, so vertices far
        // outside the view cost nothing.
        const bool leftToRight = FLook.Orientation == TDataOrientation::doLeftToRight;
        const int axis = leftToRight ? 0 : 1;
        const double lower = leftToRight ? FMapping.WorldLeft() : FMapping.WorldBottom();
        const double upper = leftToRight ? FMapping.WorldRight() : FMapping.WorldTop();
        const int dim = pline.Dimension();
        const double* data = pline.Data();
        // A gap vertex counts as sitting where the vertex before it sits,
        // which keeps the order the bisection relies on.
        auto at = [&](int i) {
            for (; i >= 0; --i) {
                const double c = data[static_cast<std::ptrdiff_t>(i) * dim + axis];
                if (!std::isnan(c)) return c;
            }
            return -std::numeric_limits<double>::infinity();
        };
        auto firstIndex = [&](int from, int to, auto pred) {  // first i in [from, to) with pred
            while (from < to) {
                const int mid = from + (to - from) / 2;
                if (pred(mid)) to = mid;
                else from = mid + 1;
            }
            return from;
        };
        if (FLook.DrawType == TDrawType::dtLines) {
            first = firstIndex(0, count - 1, [&](int i) { return at(i + 1) > lower; });
            if (first == count - 1) first = count - 2;
            // Segments start at vertices below upper; the last one ends at
            // the first vertex at or above it.
            const int stop = firstIndex(first, count - 1, [&](int i) { return at(i) >= upper; });
            last = stop;
            if (last == first) return;
        } else {
            first = firstIndex(0, count, [&](int i) { return at(i) > lower; });
            last = firstIndex(first, count, [&](int i) { return at(i) >= upper; }) - 1;
            if (last < first) return;
        }
    }
    if (FLook.DrawType == TDrawType::dtLines) DrawLines(p, pline, width, vertexColors, first, last, layer);
    else DrawPoints(p, pline, vertexColors, first, last);
}

void TCurvePainter::DrawLines(QPainter& p, const TPline& pline, int width, bool vertexColors, int first,
                              int last, TCurveLayer* layer) const {
    const TClip c = ToClip(FCurveRect);
    const int dim = pline.Dimension();
    const double* data = pline.Data();
    TPlotColor penColor = pline.LineColor();
    // The colour of the segment that ends at vertex i is that vertex's.
    auto newColor = [&](int i, const double* v) {
        if (i == first || !vertexColors || dim < 3) return false;
        const TPlotColor color = VertexColor(v, pline.LineColor());
        if (color == penColor) return false;
        penColor = color;
        return true;
    };
    // A segment is drawn only when one of its ends lies inside; a vertex
    // with no pixel (a gap marker, an undefined value) takes both its
    // segments along. The pixels of consecutive vertices are kept as point
    // and flag rather than as optionals: copying those through memory
    // stalled the loop.
    const bool smooth = p.testRenderHint(QPainter::Antialiasing);
    // Smoothed lines run through the middle of the pixels the aliased pen
    // sets: pixel centres for odd widths, pixel corners for even ones.
    const double shift = smooth && width % 2 != 0 ? 0.5 : 0.0;
    if (smooth && layer && layer->Prepare()) {
        TSmoothCurveRaster raster(*layer, width, qPremultiply(ToQColor(penColor).rgba()));
        if (raster.Ready()) {
            // Inside as the vertex's pixel is: the nearest one.
            const double left = c.Left - 0.5, right = c.Right - 0.5, top = c.Top - 0.5, bottom = c.Bottom - 0.5;
            auto inside = [&](QPointF q) { return left <= q.x() && q.x() < right && top <= q.y() && q.y() < bottom; };
            const TMapping2D::TPointMap map(FMapping);
            // The points go to the raster a batch at a time; those batched
            // go before a new colour or a break.
            std::array<QPointF, 256> batch;
            std::size_t n = 0;
            auto hand = [&] {
                raster.LinesTo(batch.data(), n);
                n = 0;
            };
            bool haveA = false, insideA = false;
            for (int i = first; i <= last; ++i) {
                const double* v = data + static_cast<std::ptrdiff_t>(i) * dim;
                if (newColor(i, v)) {
                    hand();
                    raster.SetColor(qPremultiply(ToQColor(penColor).rgba()));
                }
                QPointF b;
                const bool haveB = map(v, dim, b);
                const bool insideB = haveB && inside(b);
                if (!haveB || (haveA && !insideA && !insideB)) {
                    hand();
                    raster.Break();
                }
                if (haveB) {
                    batch[n++] = b + QPointF(shift, shift);
                    if (n == batch.size()) hand();
                }
                haveA = haveB, insideA = insideB;
            }
            hand();
            return;
        }
    }
    QPoint a, b;
    bool haveA = false;
    if (!smooth && layer && layer->Scale() == 1 && layer->Prepare()) {
        TCurveRaster raster(*layer, width, ToQColor(penColor).rgba());
        for (int i = first; i <= last; ++i) {
            const double* v = data + static_cast<std::ptrdiff_t>(i) * dim;
            if (newColor(i, v)) raster.SetColor(ToQColor(penColor).rgba());
            const bool haveB = FMapping.VertexPixel(v, dim, b);
            if (!haveB || (haveA && !c.Inside(a) && !c.Inside(b))) raster.Break();
            if (haveB) raster.LineTo(b);
            a = b;
            haveA = haveB;
        }
        return;
    }

    p.setPen(MakePen(penColor, width));
    // Runs of segments that lie wholly inside go out as one polyline; a cut
    // segment, a dropped point or a new colour ends the run.
    TPolylineRun run(p, shift, width > 1);
    for (int i = first; i <= last; ++i) {
        const double* v = data + static_cast<std::ptrdiff_t>(i) * dim;
        const bool haveB = FMapping.VertexPixel(v, dim, b);
        if (newColor(i, v)) {
            run.Flush();
            p.setPen(MakePen(penColor, width));
        }
        if (haveA && haveB) {
            if (c.Inside(a) && c.Inside(b)) {
                if (run.Empty()) run.Add(a);
                run.Add(b);
            } else {
                run.Flush();
                if (!smooth) {
                    DrawClipped(p, c, a, b);
                } else if (c.Inside(a) || c.Inside(b)) {
                    // The painter's clip keeps the smoothed edge inside.
                    const QPoint in = c.Inside(a) ? a : b;
                    const QPoint e = ClippedEnd(c, in, c.Inside(a) ? b : a);
                    p.drawLine(QLineF(in.x() + shift, in.y() + shift, e.x() + shift, e.y() + shift));
                }
            }
        } else {
            run.Flush();
        }
        a = b;
        haveA = haveB;
    }
    run.Flush();
}

void TCurvePainter::DrawPoints(QPainter& p, const TPline& pline, bool vertexColors, int first,
                               int last) const {
    const TPixelRect& r = FMapping.PlotRect();
    const int dim = pline.Dimension();
    const double* data = pline.Data();
    QPen pen(ToQColor(pline.LineColor()), 1, Qt::SolidLine, Qt::SquareCap);
    p.setPen(pen);
    std::vector<QPoint> points;
    for (int i = first; i <= last; ++i) {
        const double* v = data + static_cast<std::ptrdiff_t>(i) * dim;
        const std::optional<int> sx = FMapping.ScreenX(v[0]);
        const std::optional<int> sy = FMapping.ScreenY(dim > 1 ? v[1] : 0.0);
        if (!sx || !sy) continue;
        if (*sx < r.Left || *sx > r.Right || *sy < r.Top || *sy > r.Bottom) continue;
        if (vertexColors && dim >= 3) {
            pen.setColor(ToQColor(VertexColor(v, pline.LineColor())));
            p.setPen(pen);
            p.drawPoint(*sx, *sy);
        } else {
            points.emplace_back(*sx, *sy);
        }
    }
    if (!points.empty()) p.drawPoints(points.data(), static_cast<int>(points.size()));
}

void TCurvePainter::DrawCharts(QPainter& p, const TPline& pline, int width, bool vertexColors) const {
    const int dim = pline.Dimension();
    if (dim < 2) return;
    const bool bars2 = FLook.ScopeType == TScopeType::stChart2;
    const int group = bars2 ? 4 : 2;
    const int count = pline.Count();
    const double* data = pline.Data();
    auto vertex = [&](int i) { return data + static_cast<std::ptrdiff_t>(i) * dim; };
    QPen pen = MakePen(FLook.GraphicColor, width);
    p.setPen(pen);
    auto segment = [&](double xa, double ya, double xb, double yb) {
        const std::optional<int> sxa = FMapping.ScreenX(xa), sya = FMapping.ScreenY(ya);
        const std::optional<int> sxb = FMapping.ScreenX(xb), syb = FMapping.ScreenY(yb);
        if (sxa && sya && sxb && syb) DrawClipped(p, ToClip(FCurveRect), {*sxa, *sya}, {*sxb, *syb});
    };
    for (int i = 0; i + group <= count;) {
        // A gap vertex ends the group it falls into; the next one starts after it.
        int gap = i;
        while (gap < i + group && !IsGapVertex(vertex(gap))) ++gap;
        if (gap < i + group) {
            i = gap + 1;
            continue;
        }
        const int g = i;
        i += group;
        const double* v = vertex(g);
        if (vertexColors && dim >= 3) {
            pen.setColor(ToQColor(VertexColor(vertex(g + 1), FLook.GraphicColor)));
            p.setPen(pen);
        }
        segment(v[0], v[1], v[0], vertex(g + 1)[1]);
        if (bars2) {
            segment(v[0], vertex(g + 2)[1], v[0] - FLook.BranchLength, vertex(g + 2)[1]);
            segment(v[0], vertex(g + 3)[1], v[0] + FLook.BranchLength, vertex(g + 3)[1]);
        }
    }
}

}  // namespace curvane
