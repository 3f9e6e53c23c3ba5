// SPDX-License-Identifier: GPL-3.0-or-later
// Curves as drawn against the true curve: each formula is drawn by TPlot2D and
// compared with the same formula sampled 64 times as densely in long double,
// its domain ends found by bisection.
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "core/core_test_helpers.h"
#include "core/document/graph_document.h"
#include "core/plot/sampler2d.h"
#include "core/settings/settings.h"
#include "render/plot2d/plot2d.h"

namespace curvane {
namespace {

using TTrueFunction = std::function<long double(long double)>;  // NaN where undefined

struct TPixelPoint {
    double X, Y;
};

// The true curve in pixel coordinates (pixel (i, j) has its centre at (i, j)),
// as pieces of points: its pieces end where it is undefined and where it
// leaves the view at one edge to come back at the other (a pole).
std::vector<std::vector<TPixelPoint>> TrueCurve(const TTrueFunction& f, const TMapping2D& m, int columns,
                                                double centre, double left, double right) {
    const long double base = m.ControlRect().Left + m.MarginLeft() + 1 - centre;
    const long double baseY = m.ControlRect().Top + m.MarginTop() + 1 - centre;
    auto place = [&](long double x, long double y) {
        return TPixelPoint{static_cast<double>(base + (x - m.OriginX()) * m.ScaleX()),
                           static_cast<double>(baseY - (y - m.OriginY()) * m.ScaleY())};
    };
    auto defined = [&](long double x) { return std::isfinite(f(x)); };
    const int n = columns * 64;
    const long double step = (static_cast<long double>(right) - left) / n;
    std::vector<std::vector<TPixelPoint>> pieces(1);
    long double before = left;
    for (int i = 0; i <= n; ++i) {
        const long double x = left + step * i;
        if (i > 0 && defined(x) != defined(before)) {
            // The domain's end between them, to the last bit.
            long double in = defined(x) ? x : before, out = defined(x) ? before : x;
            for (int k = 0; k < 80; ++k) {
                const long double mid = (in + out) / 2;
                (defined(mid) ? in : out) = mid;
            }
            if (defined(x)) pieces.emplace_back();
            pieces.back().push_back(place(in, f(in)));
        }
        if (defined(x)) {
            const TPixelPoint p = place(x, f(x));
            auto& piece = pieces.back();
            const double top = m.PlotRect().Top, bottom = m.PlotRect().Bottom;
            if (!piece.empty() && ((piece.back().Y < top && p.Y > bottom) || (piece.back().Y > bottom && p.Y < top)))
                pieces.emplace_back();
            pieces.back().push_back(p);
        }
        before = x;
    }
    return pieces;
}

double SegmentDistance(TPixelPoint p, TPixelPoint a, TPixelPoint b) {
    const double dx = b.X - a.X, dy = b.Y - a.Y, l = dx * dx + dy * dy;
    const double s = l > 0 ? std::clamp(((p.X - a.X) * dx + (p.Y - a.Y) * dy) / l, 0.0, 1.0) : 0;
    return std::hypot(p.X - a.X - s * dx, p.Y - a.Y - s * dy);
}

struct TCase {
    const char* Why;
    const char* Formula;
    TTrueFunction Truth;
    double Left, Right, Bottom, Top;
    int Width, Height;
};

const TCase Cases[] = {
    {"vertical at both ends of its domain: reaches the x axis at -4 and 4", "sqrt(16-x^2)",
     [](long double x) { return std::sqrt(16 - x * x); }, -5, 5, -1, 5, 600, 400},
    {"vertical where its domain begins", "sqrt(x)", [](long double x) { return std::sqrt(x); }, -1, 4, -0.5, 2.5,
     600, 400},
    {"vertical at both ends of [-1, 1]", "arcsin(x)", [](long double x) { return std::asin(x); }, -1.5, 1.5, -2, 2,
     600, 400},
    {"runs down to the bottom edge as x nears 0", "ln(x)", [](long double x) { return std::log(x); }, -1, 5, -8, 2,
     600, 400},
    {"nothing between -1 and 1, vertical at both", "sqrt(x^2-1)", [](long double x) { return std::sqrt(x * x - 1); },
     -3, 3, -0.5, 2.5, 600, 400},
    {"a peak two pixels wide whose centre no sample hits", "exp(-10000*(x-0.0013)^2)",
     [](long double x) { return std::exp(-10000 * (x - 0.0013L) * (x - 0.0013L)); }, -1, 1, -0.2, 1.2, 600, 600},
    {"cusps down to zero with no zero of the derivative", "abs(sin(40*x))",
     [](long double x) { return std::fabs(std::sin(40 * x)); }, -1, 1, -0.2, 1.2, 600, 600},
    {"a pole whose branches run to the top and bottom of a tall view", "2/(x+0.37)",
     [](long double x) { return 2 / (x + 0.37L); }, -1, 1, -3000, 3000, 600, 400},
};

// Draws the formula with the default look, then without it: the pixels
// nearer the curve's colour than to what lies beneath are the curve's.
TEST(CurveAccuracy, DrawnCurvesFollowTheTrueCurve) {
    for (const TCase& row : Cases)
        for (const auto& [smooth, width] : {std::pair{false, 1}, {true, 1}, {false, 2}, {true, 2}}) {
            SCOPED_TRACE(std::string(row.Formula) + (smooth ? ", smooth" : ", aliased") + ", width " +
                         std::to_string(width) + ": " + row.Why);
            TPlot2D plot;
            plot.ApplySettings(TSettings());
            plot.Indicator().SetAntialiasing(smooth);
            plot.SetSize({row.Width, row.Height});
            plot.Indicator().SetUniform(false);
            plot.Indicator().ZoomToRect({row.Left, row.Bottom}, {row.Right, row.Top});
            TGraphDocument document;
            TFuncItem func(row.Formula, false);
            func.Color = 0x0000FF;  // red
            func.Width = width;
            document.Functions.Add(func);
            test::TNoQuestions yes;
            auto picture = [&] {
                plot.Sample(document, std::nullopt, yes);
                QImage image(row.Width, row.Height, QImage::Format_RGB32);
                QPainter painter(&image);
                plot.Paint(painter);
                return image;
            };
            const QImage drawn = picture();
            document.Functions[0]->Active = false;
            const QImage beneath = picture();

            const TMapping2D& m = plot.Indicator().Mapping();
            const TPixelRect& rect = m.PlotRect();
            // Qt's antialiased pen is centred on a vertex's coordinates, the
            // pixel centres lie half a pixel further on; an aliased pen lights
            // the pixel the coordinates name.
            const auto pieces = TrueCurve(row.Truth, m, rect.Right - rect.Left, smooth ? 0.5 : 0,
                                          plot.Indicator().WorldLeft(), plot.Indicator().WorldRight());
            const double reach = func.Width / 2.0 + 1;

            // Coverage at least one half, less the rounding of 8-bit channels:
            // a pen of width 1 centred on a pixel edge covers both sides by half.
            auto isCurve = [&](int x, int y) {
                const QColor c = drawn.pixelColor(x, y), b = beneath.pixelColor(x, y), red(255, 0, 0);
                auto far = [](QColor p, QColor q) {
                    return std::abs(p.red() - q.red()) + std::abs(p.green() - q.green()) +
                           std::abs(p.blue() - q.blue());
                };
                return far(c, b) > 0 && far(c, b) >= 0.48 * far(red, b);
            };
            // (a) No curve pixel lies further than half the pen and a pixel from the true curve.
            std::vector<char> near(static_cast<std::size_t>(row.Width) * row.Height, 0);
            for (const auto& piece : pieces)
                for (std::size_t i = 0; i < piece.size(); ++i) {
                    const TPixelPoint a = piece[i], b = piece[i + 1 < piece.size() ? i + 1 : i];
                    const int x0 = std::max(0, static_cast<int>(std::floor(std::min(a.X, b.X) - reach)));
                    const int x1 = std::min(row.Width - 1, static_cast<int>(std::ceil(std::max(a.X, b.X) + reach)));
                    const int y0 = std::max(0, static_cast<int>(std::floor(std::min(a.Y, b.Y) - reach)));
                    const int y1 = std::min(row.Height - 1, static_cast<int>(std::ceil(std::max(a.Y, b.Y) + reach)));
                    for (int y = y0; y <= y1; ++y)
                        for (int x = x0; x <= x1; ++x)
                            if (SegmentDistance({double(x), double(y)}, a, b) <= reach) near[y * row.Width + x] = 1;
                }
            int stray = 0;
            for (int y = rect.Top; y < rect.Bottom; ++y)
                for (int x = rect.Left; x < rect.Right; ++x)
                    if (isCurve(x, y) && !near[y * row.Width + x] && ++stray <= 3)
                        ADD_FAILURE() << "curve pixel (" << x << ", " << y << ") far from the true curve";
            EXPECT_EQ(stray, 0);

            // (b) Every point of the true curve in the view has a curve pixel
            // within a pixel; the frame's own line and the pixel inside it
            // stay out of it.
            int missed = 0;
            const double top = rect.Top + 2, bottom = rect.Bottom - 3;
            for (const auto& piece : pieces)
                for (std::size_t i = 0; i + 1 < piece.size(); ++i) {
                    const TPixelPoint a = piece[i], b = piece[i + 1];
                    // Only the part between the top and bottom rows: a segment
                    // next to a pole may be millions of pixels long.
                    double s0 = 0, s1 = 1;
                    if (a.Y != b.Y) {
                        const double u = (top - a.Y) / (b.Y - a.Y), w = (bottom - a.Y) / (b.Y - a.Y);
                        s0 = std::max(s0, std::min(u, w));
                        s1 = std::min(s1, std::max(u, w));
                    }
                    const int steps = 1 + static_cast<int>(4 * (s1 - s0) * std::hypot(b.X - a.X, b.Y - a.Y));
                    for (int k = 0; s0 <= s1 && k <= steps; ++k) {
                        const double s = s0 + (s1 - s0) * k / steps;
                        const double px = a.X + (b.X - a.X) * s, py = a.Y + (b.Y - a.Y) * s;
                        const int cx = static_cast<int>(std::lround(px)), cy = static_cast<int>(std::lround(py));
                        if (cx < rect.Left + 2 || cx >= rect.Right - 2 || cy < top || cy > bottom) continue;
                        bool covered = false;
                        for (int dy = -1; dy <= 1 && !covered; ++dy)
                            for (int dx = -1; dx <= 1 && !covered; ++dx) covered = isCurve(cx + dx, cy + dy);
                        if (!covered && ++missed <= 3)
                            ADD_FAILURE() << "true curve at (" << px << ", " << py << ") not drawn";
                    }
                }
            EXPECT_EQ(missed, 0);
        }
}

}  // namespace
}  // namespace curvane
