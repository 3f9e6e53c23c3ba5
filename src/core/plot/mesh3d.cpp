// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/plot/mesh3d.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <optional>

#include "core/document/compiled_function.h"
#include "core/document/func_item.h"
#include "core/document/shared_evaluators.h"
#include "core/plot/implicit_mesh3d.h"
#include "core/support/exceptions.h"

namespace curvane {

namespace {

// Values at or beyond this magnitude round to infinity in single precision
// (the largest float plus half its spacing: the tie rounds to even, upward).
constexpr double SingleOverflow = 0x1.ffffffp127;

// Rounds to single precision; false where the value leaves the float range
// (or is no number), which the hardware would report as an overflow.
bool ToSingle(double value, float& out) {
    if (!(std::fabs(value) < SingleOverflow)) return false;
    out = static_cast<float>(value);
    return true;
}

// Points evaluated per batch call along a row: small enough for the L1 cache.
constexpr std::size_t MeshChunk = 512;

// The parameter values of one range, by repeated addition exactly as a loop
// "t = t + step while t <= to" visits them. Step 0 gives one value.
std::vector<double> RangeValues(double from, double to, double step) {
    std::vector<double> values;
    for (double t = from; t <= to;) {
        values.push_back(t);
        const double next = t + step;
        // The range check refuses steps too small to move t; this only keeps
        // step 0 (one value by design) and rounding surprises from looping.
        if (!(next > t)) break;
        t = next;
    }
    return values;
}

struct TMeshRange {
    double From = 0, To = 0, Step = 0;
};

// The range of one parameter in evaluator units, or false with the reason.
bool MeshRange(double from, double to, double step, bool degrees, const std::string& parameter,
               const std::string& expression, TMeshRange& range, std::string& why) {
    const std::string subject = "\"" + expression + "\"";
    if (!std::isfinite(from) || !std::isfinite(to) || !std::isfinite(step)) {
        why = "The limits of " + subject + " are not finite numbers. The function is not drawn.";
        return false;
    }
    if (step < 0) {
        why = "The step of the " + parameter + " parameter of " + subject +
              " is negative. The function is not drawn.";
        return false;
    }
    const double scale = degrees ? std::numbers::pi / 180 : 1.0;
    range = {from * scale, to * scale, step * scale};
    const double far = std::max(std::fabs(range.From), std::fabs(range.To));
    if (step > 0 && range.From <= range.To && far + range.Step == far) {
        why = "The step of the " + parameter + " parameter of " + subject +
              " is too small for its limits. The function is not drawn.";
        return false;
    }
    return true;
}

// How many values a range visits, roughly (repeated addition may land a
// value meant for the upper bound just beyond it).
double EstimateCount(const TMeshRange& r) {
    if (!(r.From <= r.To)) return 0;
    if (r.Step == 0) return 1;
    return std::floor((r.To - r.From) / r.Step) + 1;
}

// Compiles one text so that the batch entry varies the second parameter: a
// row holds the first parameter still while the second one runs along it.
TCompiledFunction CompileAlongRow(const TFuncItem& func, TFormulaSlot slot) {
    TRapidEvaluator* evaluator = SharedEvaluatorFor(func.FuncKind, func.FuncType, slot);
    return TCompiledFunction(*evaluator, FormulaText(func, slot), &EvalArg2, &EvalArg1);
}

struct TPoint {
    float X = 0, Y = 0, Z = 0;
};

// Cartesian position of one evaluated triple; false when it leaves single
// precision.
bool ToCartesian(TFuncType type, const std::array<float, 3>& t, TPoint& c) {
    switch (type) {
        case TFuncType::ftSpherical: {
            const double a = t[0], f = t[1], r = t[2];  // f from the +z axis
            return ToSingle(r * std::cos(a) * std::sin(f), c.X) && ToSingle(r * std::sin(a) * std::sin(f), c.Y) &&
                   ToSingle(r * std::cos(f), c.Z);
        }
        case TFuncType::ftCylindrical: {
            const double a = t[0], r = t[1];
            c.Z = t[2];
            return ToSingle(r * std::cos(a), c.X) && ToSingle(r * std::sin(a), c.Y);
        }
        default:
            c = {t[0], t[1], t[2]};
            return true;
    }
}

// The cross product d1 x d2 of the differences from c0, in single
// precision; false when a difference or a component leaves its range.
bool CrossAt(const TPoint& c0, const TPoint& c1, const TPoint& c2, float n[3]) {
    // Differences in single precision; one that overflows is an infinity.
    const float d1[3] = {c1.X - c0.X, c1.Y - c0.Y, c1.Z - c0.Z};
    const float d2[3] = {c2.X - c0.X, c2.Y - c0.Y, c2.Z - c0.Z};
    // Products of floats are exact in double. Every difference takes part
    // in two components of the cross product, where an infinity stays an
    // infinity or (times 0) becomes a NaN; so this one test also catches
    // an overflowed difference.
    const double m[3] = {double(d1[1]) * d2[2] - double(d1[2]) * d2[1],
                         double(d1[2]) * d2[0] - double(d1[0]) * d2[2],
                         double(d1[0]) * d2[1] - double(d1[1]) * d2[0]};
    if (!(std::fabs(m[0]) < SingleOverflow && std::fabs(m[1]) < SingleOverflow && std::fabs(m[2]) < SingleOverflow))
        return false;
    for (int k = 0; k < 3; ++k) n[k] = static_cast<float>(m[k]);
    return true;
}

// Samples one function. Each sample is the point P0 = (u, v) and the probes
// P1 = (u + Step/10, v) and P2 = (u, v + Step/10) (both offsets from the first
// parameter's step). A row is evaluated in batches, one per probe and
// formula; since an evaluation has no side effects, a sample whose batches
// all succeeded gets exactly what evaluating P0, P1, P2 one by one gives, and
// one with any fault would have stopped at that fault: undefined either way.
class TMeshSampler {
public:
    TMeshSampler(const TFuncItem& func, std::vector<TCompiledFunction> parts, const TMeshRange& u,
                 const TMeshRange& v, TBoundingBox3D& box, TMeshRebuildReport& report)
        : FType(func.FuncType), FParts(std::move(parts)), FU(u), FBox(box), FReport(report) {
        FV = RangeValues(v.From, v.To, v.Step);
        FVProbe.resize(FV.size());
        FVSingle.resize(FV.size());
        for (std::size_t j = 0; j < FV.size(); ++j) {
            FVProbe[j] = FV[j] + u.Step / 10;
            TSingleParameter& s = FVSingle[j];
            s.Fits = ToSingle(FV[j], s.Value) && ToSingle(FVProbe[j], s.Probe);
        }
    }

    // The rows of the previous mesh are refilled rather than freed: a
    // rebuild over the same ranges then allocates and clears nothing.
    void Run(TMesh& mesh) {
        std::size_t rows = 0;
        for (double u = FU.From; u <= FU.To;) {
            if (rows == mesh.size()) mesh.emplace_back(MeshDimension);
            TPline& row = mesh[rows++];
            row.SetDimension(MeshDimension);
            SampleRow(u, row);
            if (FU.Step == 0) break;
            const double next = u + FU.Step;
            if (!(next > u)) break;
            u = next;
        }
        mesh.resize(rows, TPline(MeshDimension));
    }

private:
    void SampleRow(double u, TPline& row) {
        // Sized up front (a reused row of that size is not even cleared) and
        // written in place; a math error cuts it back.
        row.SetCount(static_cast<std::int32_t>(FV.size()));
        double* vertex = row.Data();
        const double uProbe = u + FU.Step / 10;
        FUSingle.Fits = ToSingle(u, FUSingle.Value) && ToSingle(uProbe, FUSingle.Probe);
        for (std::size_t start = 0; start < FV.size(); start += MeshChunk) {
            const std::size_t n = std::min(MeshChunk, FV.size() - start);
            const double* v = FV.data() + start;
            const double* vProbe = FVProbe.data() + start;
            for (std::size_t q = 0; q < FParts.size(); ++q) {
                FParts[q].EvaluateBatch(v, u, n, FValues[0][q].data(), FFaults[0][q].data());
                FParts[q].EvaluateBatch(v, uProbe, n, FValues[1][q].data(), FFaults[1][q].data());
                FParts[q].EvaluateBatch(vProbe, u, n, FValues[2][q].data(), FFaults[2][q].data());
            }
            // Positions and cross products first, then the normalising in a
            // loop of its own, where the square roots and divisions of
            // neighbouring samples overlap instead of waiting on each other.
            // The unit normals go back to float storage before they are
            // widened into the vertices: GCC 12's vectorizer has been seen to
            // drop a double-to-float-to-double round trip kept in registers.
            std::size_t done = 0;
            for (; done < n; ++done)
                if (!Prepare(done, start + done, FScratch[done])) break;
            for (std::size_t j = 0; j < done; ++j) Normalize(FScratch[j]);
            for (std::size_t j = 0; j < done; ++j, vertex += MeshDimension) Emit(FScratch[j], vertex);
            if (done < n) {
                // The row keeps what it has; sampling goes on with the next u.
                row.SetCount(static_cast<std::int32_t>(start + done));
                ++FReport.MathErrorRows;
                return;
            }
        }
    }

    // The triple of probe p at chunk index j, false if any of its evaluations
    // faulted or left single precision. An explicit function's triple starts
    // with its parameters, rounded once per row and column.
    bool Triple(int p, std::size_t j, std::size_t column, std::array<float, 3>& t) const {
        for (std::size_t q = 0; q < FParts.size(); ++q)
            if (FFaults[p][q][j] != TSampleFault::sfNone) return false;
        if (FParts.size() == 1) {
            t[0] = p == 1 ? FUSingle.Probe : FUSingle.Value;
            t[1] = p == 2 ? FVSingle[column].Probe : FVSingle[column].Value;
            return ToSingle(FValues[p][0][j], t[2]);
        }
        return ToSingle(FValues[p][0][j], t[0]) && ToSingle(FValues[p][1][j], t[1]) &&
               ToSingle(FValues[p][2][j], t[2]);
    }

    // One sample before its normal is made a unit vector.
    struct TScratch {
        TPoint Position;
        float Normal[3] = {};
        bool Defined = false;
    };
    // A parameter value and its probe in single precision.
    struct TSingleParameter {
        float Value = 0, Probe = 0;
        bool Fits = false;
    };

    // False for a math error outside the evaluations, which ends the row
    // before this sample.
    bool Prepare(std::size_t j, std::size_t column, TScratch& out) const {
        std::array<std::array<float, 3>, 3> triples;
        out.Defined = false;
        // A parameter beyond single precision leaves an explicit sample
        // undefined, as an evaluation beyond it would.
        if (FParts.size() == 1 && !(FUSingle.Fits && FVSingle[column].Fits)) return true;
        for (int p = 0; p < 3; ++p)
            if (!Triple(p, j, column, triples[p])) return true;
        TPoint c[3];
        for (int p = 0; p < 3; ++p)
            if (!ToCartesian(FType, triples[p], c[p])) return false;
        if (!CrossAt(c[0], c[1], c[2], out.Normal)) return false;
        out.Position = c[0];
        out.Defined = true;
        return true;
    }

    static void Normalize(TScratch& s) {
        float* n = s.Normal;
        // Squares of floats stay far inside the double range. Too short a
        // cross product has no direction: its normal is zero.
        const double length = std::sqrt(double(n[0]) * n[0] + double(n[1]) * n[1] + double(n[2]) * n[2]);
        const double scale = length > 1e-20 ? 1 / length : 0;
        for (int k = 0; k < 3; ++k) n[k] = static_cast<float>(n[k] * scale);
    }

    void Emit(const TScratch& s, double* vertex) {
        if (!s.Defined) {
            std::fill_n(vertex, VertexUndefined, 0.0);
            vertex[VertexUndefined] = 1;
            return;
        }
        // Component by component: a copy of the seven would become a call
        // to memcpy per vertex.
        vertex[0] = s.Position.X, vertex[1] = s.Position.Y, vertex[2] = s.Position.Z;
        vertex[3] = s.Normal[0], vertex[4] = s.Normal[1], vertex[5] = s.Normal[2];
        vertex[6] = 0;
        FBox.Include(s.Position.X, s.Position.Y, s.Position.Z);
    }

    TFuncType FType;
    std::vector<TCompiledFunction> FParts;  // Expression, or Expression1, 2 and 3
    TMeshRange FU;
    std::vector<double> FV, FVProbe;
    std::vector<TSingleParameter> FVSingle;
    TSingleParameter FUSingle;
    TBoundingBox3D& FBox;
    TMeshRebuildReport& FReport;
    // [probe][formula][point]
    std::array<std::array<std::array<double, MeshChunk>, 3>, 3> FValues;
    std::array<std::array<std::array<TSampleFault, MeshChunk>, 3>, 3> FFaults;
    std::array<TScratch, MeshChunk> FScratch;
};

bool Is3DType(TFuncType type) {
    return type == TFuncType::ftOrtho3D || type == TFuncType::ftSpherical || type == TFuncType::ftCylindrical;
}

// Whether a function of `samples` samples may be built, asking the user
// above LongMeshSamples; built counts the samples of the meshes built so far
// and grows by these when they are admitted.
bool AdmitSamples(const TFuncItem& func, double samples, TMeshDialog& dialog, double& built) {
    const std::string limit = std::to_string(static_cast<long long>(MaxMeshSamples));
    if (samples > MaxMeshSamples) {
        dialog.RefuseRange("The mesh of \"" + func.Expression + "\" would need more than " + limit +
                           " samples. The function is not drawn.");
        return false;
    }
    // The meshes of one window stay in memory together: many functions just
    // below the question must not add up to more than one refused mesh.
    if (built + samples > MaxMeshSamples) {
        dialog.RefuseRange("The meshes of this window would need more than " + limit + " samples. \"" +
                           func.Expression + "\" is not drawn.");
        return false;
    }
    if (samples > LongMeshSamples && !dialog.ConfirmLongMesh(func.Expression, samples)) return false;
    built += samples;
    return true;
}

// The surface F(x, y, z) = 0 of a Cartesian implicit function, over its x,
// y and z ranges. Its grid points count as samples: they are what costs.
bool BuildImplicitMesh(int index, const TFuncItem& func, TMesh& mesh, TMeshDialog& dialog, TBoundingBox3D& box,
                       TMeshRebuildReport& report, double& built) {
    // Spherical and cylindrical coordinates have no third variable to solve
    // for; the window says so.
    if (func.FuncType != TFuncType::ftOrtho3D) return false;
    std::optional<TCompiledFunction> f;
    try {
        f.emplace(*SharedEvaluatorFor(func.FuncKind, func.FuncType, TFormulaSlot::fsExpression), func.Expression);
    } catch (const ESyntaxError&) {
        mesh.clear();
        report.SyntaxErrorFunction = index;
        throw;
    }
    TMeshRange x, y, z;
    std::string why;
    if (!MeshRange(func.From, func.To, func.Step, false, "x", func.Expression, x, why) ||
        !MeshRange(func.FromY, func.ToY, func.StepY, false, "y", func.Expression, y, why) ||
        !MeshRange(func.FromZ, func.ToZ, func.StepZ, false, "z", func.Expression, z, why)) {
        dialog.RefuseRange(why);
        return false;
    }
    const double samples = EstimateCount(x) * EstimateCount(y) * EstimateCount(z);
    if (samples == 0 || !AdmitSamples(func, samples, dialog, built)) return false;
    const TImplicitGrid grid{RangeValues(x.From, x.To, x.Step), RangeValues(y.From, y.To, y.Step),
                             RangeValues(z.From, z.To, z.Step)};
    const TTriangleMesh surface = MeshImplicitSurface(*f, &EvalArg3, grid);
    if (surface.TooLarge) {
        dialog.RefuseRange("The surface of \"" + func.Expression + "\" would need more than " +
                           std::to_string(MaxImplicitTriangles) + " triangles. The function is not drawn.");
        return false;
    }
    if (!TrianglesToMesh(surface, mesh, box)) ++report.MathErrorRows;
    return true;
}

// Builds the mesh of one function; false where it is skipped (the caller
// empties the mesh then). built counts the samples of the meshes built so far.
bool BuildMesh(int index, const TFuncItem& func, TMesh& mesh, TMeshDialog& dialog, TBoundingBox3D& box,
               TMeshRebuildReport& report, double& built) {
    if (!func.Active || func.Expression.empty() || !Is3DType(func.FuncType)) return false;
    if (func.FuncKind == TFuncKind::fkImplicit)
        return BuildImplicitMesh(index, func, mesh, dialog, box, report, built);
    if (func.FuncKind != TFuncKind::fkExplicit && func.FuncKind != TFuncKind::fkParametric) return false;

    std::vector<TCompiledFunction> parts;
    try {
        if (func.FuncKind == TFuncKind::fkExplicit) {
            parts.push_back(CompileAlongRow(func, TFormulaSlot::fsExpression));
        } else {
            for (TFormulaSlot slot : {TFormulaSlot::fsExpression1, TFormulaSlot::fsExpression2,
                                      TFormulaSlot::fsExpression})
                parts.push_back(CompileAlongRow(func, slot));
        }
    } catch (const ESyntaxError&) {
        mesh.clear();
        report.SyntaxErrorFunction = index;
        throw;
    }

    TMeshRange u, v;
    std::string why;
    if (!MeshRange(func.From, func.To, func.Step, func.ConvToDeg, "first", func.Expression, u, why) ||
        !MeshRange(func.FromY, func.ToY, func.StepY, func.ConvToDegY, "second", func.Expression, v, why)) {
        dialog.RefuseRange(why);
        return false;
    }
    // Count what will be built. No value of the first parameter means no
    // row, and then the second range is not even laid out: it may be huge.
    const double rows = EstimateCount(u);
    if (rows == 0) return false;
    // Empty rows cost memory too (FromY > ToY), so each row counts at least once.
    const double samples = rows * std::max(EstimateCount(v), 1.0);
    if (!AdmitSamples(func, samples, dialog, built)) return false;

    TMeshSampler(func, std::move(parts), u, v, box, report).Run(mesh);
    return true;
}

}  // namespace

void RebuildMeshes(const TFuncList& funcs, std::vector<TMesh>& meshes, TViewBox3D& view, TMeshDialog& dialog,
                   TMeshRebuildReport& report) {
    const TSharedEvaluatorLease lease;
    report = {};
    meshes.resize(static_cast<std::size_t>(funcs.Count()));
    TBoundingBox3D box;
    double built = 0;
    for (int i = 0; i < funcs.Count(); ++i) {
        TMesh& mesh = meshes[static_cast<std::size_t>(i)];
        if (!BuildMesh(i, *funcs[i], mesh, dialog, box, report, built)) mesh.clear();
    }
    report.Fitted = FitViewBox(box, view);
}

bool FitViewBox(const TBoundingBox3D& box, TViewBox3D& view) {
    if (box.Empty) return false;
    struct TAxis {
        float Min, Max;
        double Extent = 0, Step = 0, Centre = 0;
    };
    TAxis axes[3] = {{box.MinX, box.MaxX}, {box.MinY, box.MaxY}, {box.MinZ, box.MaxZ}};
    double step = 0;
    for (TAxis& a : axes) {
        a.Max = std::min(a.Max, static_cast<float>(ViewFitLimit));
        a.Min = std::max(a.Min, static_cast<float>(-ViewFitLimit));
        float extent = a.Max - a.Min;
        if (extent == 0) extent = 1;
        // Every sample of this axis lies beyond one limit: the clamp crossed
        // over and there is nothing sensible to show.
        if (!(extent > 0)) return false;
        a.Extent = extent;
        a.Step = std::pow(10.0, std::trunc(std::log10(a.Extent)) - 1);
        a.Centre = (double(a.Max) + a.Min) / 2;
        step = std::max(step, a.Step);
    }
    // Limits on whole steps, one step of margin on x and y and two on z (room
    // for the labels above and below the surface).
    auto low = [step](const TAxis& a, int margin) {
        return (std::trunc((a.Centre - a.Extent / 2) / step) - margin) * step;
    };
    auto high = [step](const TAxis& a, int margin) {
        return (std::trunc((a.Centre + a.Extent / 2) / step) + margin) * step;
    };
    view.X1 = low(axes[0], 1), view.X2 = high(axes[0], 1);
    view.Y1 = low(axes[1], 1), view.Y2 = high(axes[1], 1);
    view.Z1 = low(axes[2], 2), view.Z2 = high(axes[2], 2);
    view.StepX = view.StepY = view.StepZ = step;
    view.Camera.Distance =
        std::min(1.5 * std::max({axes[0].Extent, axes[1].Extent, axes[2].Extent}), MaxCameraDistance);
    view.Camera.TargetX = axes[0].Centre;
    view.Camera.TargetY = axes[1].Centre;
    view.Camera.TargetZ = axes[2].Centre;
    return true;
}

}  // namespace curvane
