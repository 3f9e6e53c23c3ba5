// SPDX-License-Identifier: GPL-3.0-or-later
#include "render/plot2d/data_layer.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPen>

#include "render/color.h"
#include "render/plot2d/curve_layer.h"
#include "render/plot2d/curve_painter.h"
#include "render/plot2d/curve_raster.h"
#include "render/plot2d/indicator.h"

namespace curvane {

namespace {

// A marker's outline around (0, 0), `size` pixels across. Crosses are lines,
// which MarkerStroked says; the other shapes are filled.
QPainterPath MarkerPath(TMarkerShape shape, int size) {
    const double r = size / 2.0;
    QPainterPath path;
    switch (shape) {
        case TMarkerShape::msCircle:
            path.addEllipse(QPointF(0, 0), r, r);
            break;
        case TMarkerShape::msSquare:
            path.addRect(-r, -r, 2 * r, 2 * r);
            break;
        case TMarkerShape::msDiamond:
            path.addPolygon(QPolygonF({{0, -r}, {r, 0}, {0, r}, {-r, 0}}));
            path.closeSubpath();
            break;
        case TMarkerShape::msTriangle:
            path.addPolygon(QPolygonF({{0, -r}, {r, r}, {-r, r}}));
            path.closeSubpath();
            break;
        case TMarkerShape::msCross:
            path.moveTo(-r, -r), path.lineTo(r, r);
            path.moveTo(r, -r), path.lineTo(-r, r);
            break;
        case TMarkerShape::msPlus:
            path.moveTo(-r, 0), path.lineTo(r, 0);
            path.moveTo(0, -r), path.lineTo(0, r);
            break;
    }
    return path;
}

bool MarkerStroked(TMarkerShape shape) { return shape == TMarkerShape::msCross || shape == TMarkerShape::msPlus; }

// Thin crosses vanish among many points; the stroke grows with the marker.
double StrokeWidth(int size) { return std::max(1.0, size / 5.0); }

void PaintMarker(QPainter& painter, const QPainterPath& path, TMarkerShape shape, int size, const QColor& color) {
    if (MarkerStroked(shape)) painter.strokePath(path, QPen(color, StrokeWidth(size), Qt::SolidLine, Qt::FlatCap));
    else painter.fillPath(path, color);
}

// A marker drawn once, smoothed, into premultiplied pixels, to be copied to
// every point: pixel (Centre, Centre) lands on the point's pixel. Each row
// keeps the columns First..Last that hold any colour, so the transparent
// corners cost nothing.
struct TSprite {
    int Side = 0, Centre = 0;
    std::vector<std::uint32_t> Pixels;
    std::vector<int> First, Last;
};

// At a `scale` of device pixels a pixel the sprite is drawn that much
// larger, as a scaling painter would draw the marker: its centre, the middle
// of the point's pixel, falls on a device pixel's middle when the scale is
// odd and between four of them when it is even, which the offset says.
TSprite MakeSprite(TMarkerShape shape, int size, const QColor& color, int scale = 1) {
    TSprite s;
    s.Side = (size + 3) * scale;  // room for the smoothed edge and a cross's stroke
    s.Centre = s.Side / 2;
    QImage image(s.Side, s.Side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing, true);
        const double offset = scale % 2 ? 0.5 : 0.0;
        p.translate(s.Centre + offset, s.Centre + offset);
        p.scale(scale, scale);
        PaintMarker(p, MarkerPath(shape, size), shape, size, color);
    }
    s.Pixels.resize(static_cast<std::size_t>(s.Side) * s.Side);
    s.First.assign(s.Side, s.Side);
    s.Last.assign(s.Side, -1);
    for (int y = 0; y < s.Side; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(image.constScanLine(y));
        for (int x = 0; x < s.Side; ++x) {
            s.Pixels[static_cast<std::size_t>(y) * s.Side + x] = row[x];
            if (row[x] != 0) s.First[y] = std::min(s.First[y], x), s.Last[y] = x;
        }
    }
    return s;
}

// Premultiplied `src` over `dst`; an opaque pixel is stored as it is.
inline void Over(std::uint32_t src, std::uint32_t& dst) {
    const std::uint32_t a = src >> 24;
    if (a == 255) {
        dst = src;
        return;
    }
    const std::uint32_t keep = 255 - a;
    dst = src + ((((dst & 0xff00ffu) * keep) >> 8) & 0xff00ffu) + ((((dst >> 8) & 0xff00ffu) * keep) & 0xff00ff00u);
}

// Offsets below this many pixels are rounded and placed without the pole
// protection, which only offsets near the ends of int need.
constexpr double PlainOffsetPixels = 1 << 30;

// To nearest, ties to even, as the mapping rounds.
inline int RoundPixel(double d) {
#if defined(__SSE2__)
    return _mm_cvtsd_si32(_mm_set_sd(d));
#else
    return static_cast<int>(std::nearbyint(d));
#endif
}

// WorldToScreen as one multiply and add per axis, for the markers: the same
// rounding, so a marker sits on the pixel a curve through its point passes.
struct TPixelMap {
    double OriginX, ScaleX, OriginY, ScaleY;
    int BaseX, BaseY;
    explicit TPixelMap(const TMapping2D& m)
        : OriginX(m.OriginX()), ScaleX(m.ScaleX()), OriginY(m.OriginY()), ScaleY(m.ScaleY()),
          BaseX(m.ControlRect().Left + m.MarginLeft() + 1), BaseY(m.ControlRect().Top + m.MarginTop() + 1) {}
};

class TDataRaster {
public:
    TDataRaster(const TIndicator& indicator, TCurveLayer& layer)
        : FMapping(indicator.Mapping()), FMap(indicator.Mapping()), FLayer(layer), FArea(layer.Area()) {}

    // Lines, bars and markers into a layer of scale 1.
    void Draw(const TDataSet& set) {
        const QRgb color = qPremultiply(ToQColor(set.Color).rgba());
        if (set.Line && set.Count() >= 2) DrawLine(set, color);
        if (set.ErrorBars && set.HasUncertainties()) DrawErrorBars(set, color);
        DrawMarkers(set);
    }
    // The markers alone, into a layer of any scale.
    void DrawMarkers(const TDataSet& set) {
        Stamp(set, MakeSprite(set.Marker, std::clamp(set.MarkerSize, MinMarkerSize, MaxMarkerSize),
                              ToQColor(set.Color), FLayer.Scale()));
    }

private:
    // The points joined in their order through the curves' rasteriser. A
    // measured series sorted by x puts hundreds of points in each pixel
    // column, joined by steep segments within it: a segment inside the
    // column's stretch that earlier ones of this line have already covered
    // sets no pixel that is not set (one colour, one pen), so it is passed
    // over, and the line goes on from its end.
    void DrawLine(const TDataSet& set, QRgb color) {
        TCurveRaster raster(FLayer, std::clamp(set.LineWidth, 1, 10), color);
        bool havePoint = false;
        QPoint last;
        int column = 0, coveredTop = 0, coveredBottom = -1;  // of path pixels, inclusive
        for (std::size_t i = 0; i < set.Count(); ++i) {
            QPoint p;
            if (!Pixel(set.X[i], set.Y[i], p)) {
                raster.Break();
                havePoint = false;
                continue;
            }
            if (havePoint && p.x() == last.x()) {
                const int top = std::min(p.y(), last.y()), bottom = std::max(p.y(), last.y());
                if (p.x() == column && top >= coveredTop && bottom <= coveredBottom) {
                    raster.Break();  // restarts at p without drawing
                } else if (p.x() == column && top <= coveredBottom + 1 && bottom >= coveredTop - 1) {
                    coveredTop = std::min(coveredTop, top);
                    coveredBottom = std::max(coveredBottom, bottom);
                } else {
                    column = p.x();
                    coveredTop = top;
                    coveredBottom = bottom;
                }
            }
            raster.LineTo(p);
            last = p;
            havePoint = true;
        }
    }

    // Each bar a column from y - dy to y + dy and a cap across either end,
    // all one pixel wide and opaque: filled straight into the layer as the
    // rasteriser would fill them. Bars of a sorted series overlap their
    // neighbours in the same column, so only the part outside the stretch
    // already filled there is filled; a cap on the pixel of an earlier cap
    // is left out (a bit per pixel).
    void DrawErrorBars(const TDataSet& set, QRgb color) {
        const int cap = std::max(1, set.MarkerSize / 2);
        const int left = FArea.left(), top = FArea.top(), right = FArea.right(), bottom = FArea.bottom();
        const int width = FArea.width(), height = FArea.height();
        thread_local std::vector<std::uint64_t> capped;
        capped.assign((static_cast<std::size_t>(width + 2 * cap) * height + 63) / 64, 0);
        int column = 0, filledTop = 0, filledBottom = -1;  // clipped to the area, inclusive
        const auto fillCap = [&](int x, int y) {
            if (y < top || y > bottom) return;
            // By columns: the caps of a sorted series stay within a few
            // cache lines of the bits, where rows put each on a line of its own.
            const std::size_t key = static_cast<std::size_t>(x - left + cap) * height + (y - top);
            std::uint64_t& word = capped[key >> 6];
            const std::uint64_t bit = std::uint64_t{1} << (key & 63);
            if (word & bit) return;
            word |= bit;
            FLayer.Fill(std::max(x - cap, left), y, std::min(x + cap, right), y, color);
        };
        for (std::size_t i = 0; i < set.Count(); ++i) {
            QPoint low, high;
            if (!Pixel(set.X[i], set.Y[i] - set.DY[i], low) || !Pixel(set.X[i], set.Y[i] + set.DY[i], high))
                continue;
            const int x = low.x();
            if (x < left - cap || x > right + cap) continue;
            fillCap(x, low.y());
            fillCap(x, high.y());
            if (x < left || x > right) continue;
            const int y0 = std::max(std::min(low.y(), high.y()), top);
            const int y1 = std::min(std::max(low.y(), high.y()), bottom);
            if (y0 > y1) continue;
            if (x != column || y1 < filledTop - 1 || y0 > filledBottom + 1) {
                FLayer.Fill(x, y0, x, y1, color);
                column = x, filledTop = y0, filledBottom = y1;
                continue;
            }
            if (y0 < filledTop) FLayer.Fill(x, y0, x, filledTop - 1, color);
            if (y1 > filledBottom) FLayer.Fill(x, filledBottom + 1, x, y1, color);
            filledTop = std::min(filledTop, y0);
            filledBottom = std::max(filledBottom, y1);
        }
    }

    // VertexPixel, with the common case inlined: an offset well within int
    // is rounded in one instruction as VertexPixel rounds it (to nearest,
    // ties to even); a far one, a pole's substitute or NaN goes its way.
    // A call a vertex was a quarter of the time of the error bars.
    bool Pixel(double x, double y, QPoint& p) const {
        const double fx = (x - FMap.OriginX) * FMap.ScaleX, fy = (y - FMap.OriginY) * FMap.ScaleY;
        if (std::fabs(fx) < PlainOffsetPixels && std::fabs(fy) < PlainOffsetPixels) {
            p = QPoint(FMap.BaseX + RoundPixel(fx), FMap.BaseY - RoundPixel(fy));
            return true;
        }
        const double v[2] = {x, y};
        return FMapping.VertexPixel(v, 2, p);
    }

    // Markers go down in bands of rows rather than in the data's order: a
    // million points in random order otherwise miss the cache at every row
    // of every sprite. Within one set the order does not matter (the same
    // colour laid over itself blends the same either way round), and a
    // marker on the very pixel of an earlier one adds nothing but darker
    // smoothed edges, so it is left out.
    void Stamp(const TDataSet& set, const TSprite& s) {
        // Centres in a frame around the area wide enough for any sprite that
        // reaches it; everything else is passed over with two compares an
        // axis (NaN fails them too).
        const int frameW = FArea.width() + 2 * s.Side, frameH = FArea.height() + 2 * s.Side;
        const int frameLeft = FArea.left() - s.Side, frameTop = FArea.top() - s.Side;
        const double loX = frameLeft - FMap.BaseX, hiX = loX + frameW - 1;
        const double loY = FMap.BaseY - (frameTop + frameH - 1), hiY = FMap.BaseY - frameTop;
        constexpr int BandShift = 5;
        const int bands = (frameH >> BandShift) + 1;
        thread_local std::vector<std::uint64_t> seen;
        thread_local std::vector<std::uint32_t> keys, sorted;
        seen.assign((static_cast<std::size_t>(frameW) * frameH + 63) / 64, 0);
        keys.clear();
        std::vector<std::uint32_t> bandStart(bands + 1, 0);
        for (std::size_t i = 0; i < set.Count(); ++i) {
            const double fx = (set.X[i] - FMap.OriginX) * FMap.ScaleX;
            const double fy = (set.Y[i] - FMap.OriginY) * FMap.ScaleY;
            if (!(fx >= loX && fx <= hiX && fy >= loY && fy <= hiY)) continue;
            const int cx = FMap.BaseX + static_cast<int>(std::nearbyint(fx)) - frameLeft;
            const int cy = FMap.BaseY - static_cast<int>(std::nearbyint(fy)) - frameTop;
            if (cx < 0 || cx >= frameW || cy < 0 || cy >= frameH) continue;  // rounded over the edge
            const std::uint32_t key = static_cast<std::uint32_t>(cy) * frameW + cx;
            std::uint64_t& word = seen[key >> 6];
            const std::uint64_t bit = std::uint64_t{1} << (key & 63);
            if (word & bit) continue;
            word |= bit;
            keys.push_back(key);
            ++bandStart[(cy >> BandShift) + 1];
        }
        for (int b = 0; b < bands; ++b) bandStart[b + 1] += bandStart[b];
        sorted.resize(keys.size());
        for (const std::uint32_t key : keys) sorted[bandStart[(key / frameW) >> BandShift]++] = key;

        // From here in the layer's own pixels: the point's pixel times the
        // scale, its middle where the sprite's centre goes.
        std::uint32_t* const bits = FLayer.Pixels();
        const qsizetype stride = FLayer.Stride();
        const int scale = FLayer.Scale();
        const int right = FLayer.PixelSize().width() - 1, bottom = FLayer.PixelSize().height() - 1;
        const int shiftX = (frameLeft - FArea.left()) * scale + scale / 2 - s.Centre;
        const int shiftY = (frameTop - FArea.top()) * scale + scale / 2 - s.Centre;
        for (const std::uint32_t key : sorted) {
            const int left = static_cast<int>(key % frameW) * scale + shiftX;
            const int top = static_cast<int>(key / frameW) * scale + shiftY;
            const int x0 = std::max(left, 0), x1 = std::min(left + s.Side - 1, right);
            const int y0 = std::max(top, 0), y1 = std::min(top + s.Side - 1, bottom);
            if (x0 > x1 || y0 > y1) continue;
            for (int y = y0; y <= y1; ++y) {
                const int sy = y - top;
                const int from = std::max(x0, left + s.First[sy]), to = std::min(x1, left + s.Last[sy]);
                const std::uint32_t* src = s.Pixels.data() + static_cast<std::ptrdiff_t>(sy) * s.Side + (from - left);
                std::uint32_t* dst = bits + y * stride + from;
                for (int n = to - from; n >= 0; --n) Over(*src++, *dst++);
            }
            NoteBox(x0, y0, x1, y1);
        }
    }

    // Every tile of the box, in layer coordinates: steps of a tile's side
    // from one corner, each ending on the far edge.
    void NoteBox(int x0, int y0, int x1, int y1) {
        constexpr int tile = 32;
        for (int y = y0;; y += tile) {
            const int yy = std::min(y, y1);
            for (int x = x0;; x += tile) {
                const int xx = std::min(x, x1);
                FLayer.NoteSet(xx, yy);
                if (xx == x1) break;
            }
            if (yy == y1) break;
        }
    }

    const TMapping2D& FMapping;
    TPixelMap FMap;
    TCurveLayer& FLayer;
    QRect FArea;
};

// The part of a-b inside r (Liang-Barsky), or nothing.
std::optional<std::pair<QPointF, QPointF>> ClipSegment(QPointF a, QPointF b, const QRectF& r) {
    double t0 = 0, t1 = 1;
    const double dx = b.x() - a.x(), dy = b.y() - a.y();
    for (const auto& [p, q] : {std::pair{-dx, a.x() - r.left()}, std::pair{dx, r.right() - a.x()},
                              std::pair{-dy, a.y() - r.top()}, std::pair{dy, r.bottom() - a.y()}}) {
        if (p == 0) {
            if (q < 0) return std::nullopt;
            continue;
        }
        const double t = q / p;
        if (p < 0) t0 = std::max(t0, t);
        else t1 = std::min(t1, t);
        if (t0 > t1) return std::nullopt;
    }
    return std::pair{a + t0 * (b - a), a + t1 * (b - a)};
}

// Paths for a painter that scales: printing, vector files, a display above
// 100%.
enum class TMarkerRoute : std::uint8_t { mrPaths, mrElsewhere };

void PaintScaled(const TIndicator& indicator, QPainter& painter, const TDataSet& set, const QRect& area,
                 TMarkerRoute markers) {
    const TMapping2D& mapping = indicator.Mapping();
    const QColor color = ToQColor(set.Color);
    auto point = [&](double x, double y) -> std::optional<QPointF> {
        const double v[2] = {x, y};
        QPoint p;
        if (!mapping.VertexPixel(v, 2, p)) return std::nullopt;
        return QPointF(p) + QPointF(0.5, 0.5);
    };
    const int size = std::clamp(set.MarkerSize, MinMarkerSize, MaxMarkerSize);
    const QRectF reach = QRectF(area).adjusted(-size, -size, size, size);
    if (set.Line && set.Count() >= 2) {
        painter.setPen(QPen(color, std::clamp(set.LineWidth, 1, 10), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        // Segments are cut to the frame first: a point far outside it (a pole
        // substitute's million pixels) makes the smoothed stroker crawl.
        std::vector<QPointF> run;
        auto flush = [&] {
            if (run.size() >= 2) painter.drawPolyline(run.data(), static_cast<int>(run.size()));
            run.clear();
        };
        std::optional<QPointF> last;
        for (std::size_t i = 0; i < set.Count(); ++i) {
            const auto p = point(set.X[i], set.Y[i]);
            if (p && last) {
                if (const auto cut = ClipSegment(*last, *p, reach)) {
                    if (run.empty() || run.back() != cut->first) {
                        flush();
                        run.push_back(cut->first);
                    }
                    run.push_back(cut->second);
                }
            }
            if (!p) flush();
            last = p;
        }
        flush();
    }
    if (set.ErrorBars && set.HasUncertainties()) {
        painter.setPen(QPen(color, 1));
        const double cap = std::max(1, size / 2);
        for (std::size_t i = 0; i < set.Count(); ++i) {
            const auto low = point(set.X[i], set.Y[i] - set.DY[i]), high = point(set.X[i], set.Y[i] + set.DY[i]);
            if (!low || !high || low->x() < reach.left() || low->x() > reach.right()) continue;
            if (const auto cut = ClipSegment(*low, *high, reach)) painter.drawLine(cut->first, cut->second);
            painter.drawLine(*low - QPointF(cap, 0), *low + QPointF(cap, 0));
            painter.drawLine(*high - QPointF(cap, 0), *high + QPointF(cap, 0));
        }
    }
    if (markers == TMarkerRoute::mrElsewhere) return;
    const QPainterPath path = MarkerPath(set.Marker, size);
    for (std::size_t i = 0; i < set.Count(); ++i) {
        const auto p = point(set.X[i], set.Y[i]);
        if (!p || !reach.contains(*p)) continue;
        PaintMarker(painter, path.translated(*p), set.Marker, size, color);
    }
}

}  // namespace

void TDataLayer::Paint(const TIndicator& indicator, QPainter& painter) const {
    if (std::none_of(FSets.begin(), FSets.end(), [](const TDataSet& s) { return s.Visible && s.Count() > 0; }))
        return;
    const TPixelRect r = indicator.CurveRect();
    if (r.Right <= r.Left || r.Bottom <= r.Top) return;
    const QRect area(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top);
    if (FillsPixels(painter)) {
        TCurveLayer layer(area);
        if (layer.Prepare()) {
            {
                TDataRaster raster(indicator, layer);
                for (const TDataSet& set : FSets)
                    if (set.Visible) raster.Draw(set);
            }
            layer.DrawOnto(painter);
            return;
        }
    }
    // A raster picture of a whole number of device pixels a pixel (a
    // display above 100%) still takes its markers from sprites of that many
    // pixels, a layer a set so that each set's lines and bars, painted as
    // paths, lie under its markers and over the sets before.
    const int scale = PixelScale(painter);
    for (const TDataSet& set : FSets) {
        if (!set.Visible) continue;
        TCurveLayer layer(area, std::max(scale, 1));
        const bool sprites = scale > 1 && layer.Prepare();
        painter.save();
        painter.setClipRect(area, Qt::IntersectClip);
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setBrush(Qt::NoBrush);
        PaintScaled(indicator, painter, set, area, sprites ? TMarkerRoute::mrElsewhere : TMarkerRoute::mrPaths);
        painter.restore();
        if (!sprites) continue;
        TDataRaster(indicator, layer).DrawMarkers(set);
        layer.DrawOnto(painter);
    }
}

}  // namespace curvane
