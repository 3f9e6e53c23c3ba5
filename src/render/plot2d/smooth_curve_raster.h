// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include <QPointF>
#include <QRgb>

#include "render/plot2d/curve_layer.h"

namespace curvane {

struct TCapsule;

// Smoothed curves rasterised by hand into a TCurveLayer: a round pen of any
// width, with round caps and joins. A pixel's coverage comes from the
// distance d of its centre to the segment: clamp(w/2 + 1/2 - d, 0, 1), a
// pixel wide ramp across the pen's edge. Each segment is scanned over its
// own band only, by rows (by columns when it is steep), into the layer's
// byte mask for rows (for columns) that keeps the largest coverage each
// pixel got from any segment of the curve; joins are the segments' end
// discs, and two segments overlapping there do not darken it. The masks are
// laid over the layer in the curve's colour at a flush (a new colour, the
// end of the curve, or a long curve's batch), which clears them again.
//
// A pen one of the layer's pixels wide is stepped along each segment's
// major axis instead, two pixels a step weighted by where the segment passes
// between their centres, blended at once: each step (a pixel column of a
// flat segment, a row of a steep one) belongs to the one segment whose
// half-open extent along that axis holds its centre, so segments going on
// the same way never overlap and need no mask. Segments too short to hold a
// step's centre take the mask's way as above.
//
// Wider pens are stepped the same way, each step's pixels across getting
// their coverage from the distance to the segment's straight line, blended at
// once; where two segments stepped on the same way meet, their steps meet,
// which for the slight turns of a sampled curve differs from a round join by
// little. Only near other joints (the next segment is steep where this one
// is flat, or turns back) and where the curve ends do the steps go to the
// mask with the segment's end disc, as above. Knowing the next segment means
// drawing each one segment late.
//
// Points are in picture coordinates, pixel (x, y) covering x..x+1 and
// y..y+1; the layer's scale enlarges them and the pen. Segments are cut in
// double precision to the layer grown by the pen's reach first, so no pixel
// outside the layer is touched however far away the vertices are.
class TSmoothCurveRaster {
public:
    // The layer must be prepared.
    TSmoothCurveRaster(TCurveLayer& layer, double width, QRgb color);
    ~TSmoothCurveRaster();
    TSmoothCurveRaster(const TSmoothCurveRaster&) = delete;
    TSmoothCurveRaster& operator=(const TSmoothCurveRaster&) = delete;
    // False when there is no memory for the coverage mask.
    bool Ready() const { return FMask != nullptr; }

    void SetColor(QRgb color);
    // The segment from the last point to p; the first point after a break
    // only starts the next run of segments (a lone point is drawn as a dot
    // only when a segment to itself follows).
    void LineTo(QPointF p) { LinesTo(&p, 1); }
    // LineTo for each of `count` points in turn: a curve's vertices handed
    // over a batch at a time, so that the merging below keeps its state in
    // registers.
    void LinesTo(const QPointF* points, std::size_t count);
    void Break();
    // Lays what was collected onto the layer.
    void Flush();

    // How far a vertex left out may lie from the segment that replaces it,
    // in the layer's pixels.
    static constexpr double Tolerance = 0.05;

private:
    // A segment cut to the layer, in its pixels.
    struct TCut {
        float X0, Y0, X1, Y1;
    };
    void DrawHeld(const TCut* after);
    template <bool columns>
    void StepWide(const TCut& s, const TCut* before, const TCut* after);
    template <bool columns>
    void StepMiddle(const TCapsule& own, int lineFirst, int lineEnd, bool back);
    template <bool columns>
    void MaskLine(const TCapsule& segment, int line, int endLine);
    template <bool columns>
    void NoteSpan(int line, int first, int last);
    void EmitPending();
    void Segment(double ax, double ay, double bx, double by);
    void BlendSpans();
    template <bool columns>
    void Scan(float p0, float q0, float p1, float q1);
    template <bool columns>
    bool Step(float p0, float q0, float p1, float q1);

    TCurveLayer& FLayer;
    std::uint8_t* FMask;        // the layer's row mask
    std::uint8_t* FColumnMask;  // and its column mask
    int FWidth, FHeight;    // the layer's, in its own pixels
    double FLeft, FTop;     // the layer's picture coordinates
    double FScale;          // the layer's pixels a picture pixel
    float FReach;           // w/2 + 1/2: beyond it a pixel's centre gets nothing
    QRgb FColor;            // premultiplied
    // The blend of FColor for the pixels stepped pens blend at once.
    std::unique_ptr<TCoverageBlend> FBlend;
    bool FThin;  // a pen one pixel wide, stepped two pixels a step
    // The layer's buffers: the spans waiting for the blend and, per layer
    // row and column, the index in FSpans of its latest span (stale where
    // that span is of another line or gone).
    std::vector<TCoverageSpan>& FSpans;
    std::vector<std::uint32_t>& FRowSpans;
    std::vector<std::uint32_t>& FColumnSpans;
    // Vertices that lie within Tolerance of one segment are drawn as that
    // segment: from the anchor, the last vertex drawn, to the pending one.
    // A curve sampled once per column has several segments in most places
    // where a pixel's worth of pen would do, and each segment costs the
    // lines of its band. The first vertex more than Tolerance from the anchor
    // sets a frame: U, the unit vector towards it. A vertex's place in it is
    // how far along U and how far across it lies; Lo to Hi are the slopes
    // (across per along) of the lines from the anchor that pass within
    // Tolerance, measured across U, of every vertex since, and Far is how far
    // along the last of them lies.
    struct TMerge {
        double AnchorX = 0, AnchorY = 0, PendingX = 0, PendingY = 0;
        double UX = 0, UY = 0, Lo = 0, Hi = 0, Far = 0;
        bool HavePoint = false, HavePending = false, HaveFrame = false;
        bool Absorb(double x, double y);
    };
    TMerge FMerge;
    // A wide pen's segment waiting for the next one (see StepWide), and the
    // one drawn before it when the two join.
    TCut FHeld{}, FBefore{};
    bool FHaveHeld = false, FHaveBefore = false;
};

}  // namespace curvane
