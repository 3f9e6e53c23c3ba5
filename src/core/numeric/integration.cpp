// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/numeric/integration.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "core/support/exceptions.h"

namespace curvane {

namespace {

// Counts segments and asks the stop request every IntegralStopPollSegments.
class TStopPoller {
public:
    explicit TStopPoller(const TStopRequest& stop) : FStop(stop) {}

    // Called after each segment; true once the pass has to end.
    bool SegmentDone() { return SegmentsDone(1); }

    // The same after `count` segments, which must not pass the next poll:
    // a batched pass asks after the same segments as a pass point by point.
    bool SegmentsDone(std::int64_t count) {
        if (!FStop || (FCount += count) < IntegralStopPollSegments) return false;
        FCount = 0;
        return FStop();
    }

    std::int64_t ToNextPoll() const { return IntegralStopPollSegments - FCount; }

private:
    const TStopRequest& FStop;
    std::int64_t FCount = 0;
};

[[noreturn]] void UnknownMethod(TIntegralMethod method) {
    throw Exception("IntegratePass: unknown method " + std::to_string(static_cast<int>(method)));
}

// Checks the limits and the count, then runs pass(from, to) with from < to.
template <class TPass>
TIntegralPass CheckedPass(double from, double to, std::int64_t segments, TPass pass) {
    if (!std::isfinite(from) || !std::isfinite(to)) throw Exception("Invalid float value!");
    if (segments < MinSegments)
        throw Exception("IntegratePass: the number of segments must be at least " + std::to_string(MinSegments));
    if (from == to) return {};
    TIntegralPass result = to < from ? pass(to, from) : pass(from, to);
    if (to < from) result.Value = -result.Value;
    // Every value of f is finite, so an infinity or a NaN here is the rule's
    // own arithmetic overflowing: the span, the step or the sum.
    if (!std::isfinite(result.Value)) throw EOverflow();
    return result;
}

TIntegralPass PointPass(const TRealFunction& f, TIntegralMethod method, double from, double to,
                        std::int64_t segments, const TStopRequest& stop) {
    const double h = (to - from) / static_cast<double>(segments);
    TStopPoller poller(stop);
    TIntegralPass pass;
    double sum = 0;
    switch (method) {
    case TIntegralMethod::imRectangles:
        // Led by x rather than by a count: rounding of the repeated addition
        // may give one midpoint more or fewer than there are segments, and
        // that is the value this rule has always shown.
        for (double x = from + h / 2; x < to; x += h) {
            sum += f(x);
            if ((pass.Stopped = poller.SegmentDone())) break;
        }
        pass.Value = h * sum;
        break;
    case TIntegralMethod::imTrapezoids:
        for (std::int64_t k = 0; k < segments; ++k) {
            const double left = f(from + static_cast<double>(k) * h);
            const double right = f(from + static_cast<double>(k + 1) * h);
            sum += left + right;
            if ((pass.Stopped = poller.SegmentDone())) break;
        }
        pass.Value = h * sum / 2;
        break;
    case TIntegralMethod::imSimpson:
        for (std::int64_t k = 0; k < segments; ++k) {
            const double x = from + static_cast<double>(k) * h;
            const double left = f(x);
            const double middle = f(x + h / 2);
            const double right = f(from + static_cast<double>(k + 1) * h);
            sum += left / 6 + middle * 2 / 3 + right / 6;
            if ((pass.Stopped = poller.SegmentDone())) break;
        }
        pass.Value = h * sum;
        break;
    default:
        UnknownMethod(method);
    }
    return pass;
}

// Segments per batch at most; a stop poll apart, so that a batched pass asks
// the stop request after the same segments as a pass point by point.
constexpr std::int64_t BatchSegments = IntegralStopPollSegments;

// Evaluates the points put into Xs() through the batch function and raises
// at the first faulting point, in the order they were put in.
class TBatchRun {
public:
    TBatchRun(const TIntegrand& f, std::size_t capacity)
        : FF(f), FXs(capacity), FYs(capacity), FFaults(capacity) {}

    double* Xs() { return FXs.data(); }

    const double* Evaluate(std::size_t n) {
        FF.Batch(FXs.data(), n, FYs.data(), FFaults.data());
        const auto end = FFaults.begin() + static_cast<std::ptrdiff_t>(n);
        const auto fault = std::find_if(FFaults.begin(), end, [](TEvalFault e) { return e != TEvalFault::efNone; });
        if (fault != end) RaiseAt(FXs[static_cast<std::size_t>(fault - FFaults.begin())], *fault);
        return FYs.data();
    }

private:
    // The point once more through Point, so that what is raised is what f
    // raises there (of its own type, with its own message), not one rebuilt
    // from the code. Should it pass this time (a function that keeps state
    // between calls), the batch's verdict stands.
    [[noreturn]] void RaiseAt(double x, TEvalFault fault) const {
        if (FF.Point) FF.Point(x);
        RaiseEvalFault(fault);
        throw Exception("IntegratePass: a faulting point raised nothing");  // fault is never efNone here
    }

    const TIntegrand& FF;
    std::vector<double> FXs;
    std::vector<double> FYs;
    std::vector<TEvalFault> FFaults;
};

// The sums over one batch of m segments, added to `sum` in segment order.
// Out of line on purpose: inlined into the pass, whose running sum lives
// across the calls of the batch function (which lose every vector register),
// the sum stayed in memory through the loop, and its store and reload at
// every addition made a Simpson pass of sin(x)*x about 6% slower.
[[gnu::noinline]] double AddRectangles(double sum, const double* ys, std::size_t m) {
    for (std::size_t i = 0; i < m; ++i) sum += ys[i];
    return sum;
}

// ys: the right ends; left: f at the first left end, then at the last right end.
[[gnu::noinline]] double AddTrapezoids(double sum, double& left, const double* ys, std::size_t m) {
    double l = left;
    for (std::size_t i = 0; i < m; ++i) {
        sum += l + ys[i];
        l = ys[i];
    }
    left = l;
    return sum;
}

// ys: midpoint and right end of each segment in turn. f(x_k)/6 is the
// f(x_k+1)/6 of the segment before, the same division of the same value.
[[gnu::noinline]] double AddSimpson(double sum, double& leftSixth, const double* ys, std::size_t m) {
    double l = leftSixth;
    for (std::size_t i = 0; i < m; ++i) {
        const double r = ys[2 * i + 1] / 6;
        sum += l + ys[2 * i] * 2 / 3 + r;
        l = r;
    }
    leftSixth = l;
    return sum;
}

// The rules of PointPass with the same points and the same operations in the
// same order, so the digits are the same; a segment end is evaluated once
// and kept for the next segment, where the one-point road evaluates it again.
TIntegralPass BatchPass(const TIntegrand& f, TIntegralMethod method, double from, double to,
                        std::int64_t segments, const TStopRequest& stop) {
    const double h = (to - from) / static_cast<double>(segments);
    const auto capacity = static_cast<std::size_t>(std::min(segments, BatchSegments));
    TStopPoller poller(stop);
    TIntegralPass pass;
    double sum = 0;
    // Segments the next batch may cover.
    const auto nextBatch = [&](std::int64_t left) {
        return static_cast<std::size_t>(std::min({static_cast<std::int64_t>(capacity), poller.ToNextPoll(), left}));
    };
    switch (method) {
    case TIntegralMethod::imRectangles: {
        TBatchRun run(f, capacity);
        double x = from + h / 2;
        while (x < to && !pass.Stopped) {
            const std::size_t limit = nextBatch(BatchSegments);
            double* xs = run.Xs();
            std::size_t m = 0;
            for (; m < limit && x < to; x += h) xs[m++] = x;
            const double* ys = run.Evaluate(m);
            sum = AddRectangles(sum, ys, m);
            pass.Stopped = poller.SegmentsDone(static_cast<std::int64_t>(m));
        }
        pass.Value = h * sum;
        break;
    }
    case TIntegralMethod::imTrapezoids: {
        TBatchRun run(f, capacity);
        run.Xs()[0] = from + static_cast<double>(0) * h;  // -0 + 0 is +0, as the one-point road has it
        double left = run.Evaluate(1)[0];
        for (std::int64_t k = 0; k < segments && !pass.Stopped;) {
            const std::size_t m = nextBatch(segments - k);
            double* xs = run.Xs();
            for (std::size_t i = 0; i < m; ++i)
                xs[i] = from + static_cast<double>(k + 1 + static_cast<std::int64_t>(i)) * h;
            const double* ys = run.Evaluate(m);
            sum = AddTrapezoids(sum, left, ys, m);
            k += static_cast<std::int64_t>(m);
            pass.Stopped = poller.SegmentsDone(static_cast<std::int64_t>(m));
        }
        pass.Value = h * sum / 2;
        break;
    }
    case TIntegralMethod::imSimpson: {
        // Midpoint and right end of each segment in turn: the order in which
        // the one-point road meets them, so the first fault is its first.
        TBatchRun run(f, 2 * capacity);
        run.Xs()[0] = from + static_cast<double>(0) * h;
        double leftSixth = run.Evaluate(1)[0] / 6;
        for (std::int64_t k = 0; k < segments && !pass.Stopped;) {
            const std::size_t m = nextBatch(segments - k);
            double* xs = run.Xs();
            for (std::size_t i = 0; i < m; ++i) {
                const std::int64_t segment = k + static_cast<std::int64_t>(i);
                xs[2 * i] = from + static_cast<double>(segment) * h + h / 2;
                xs[2 * i + 1] = from + static_cast<double>(segment + 1) * h;
            }
            const double* ys = run.Evaluate(2 * m);
            sum = AddSimpson(sum, leftSixth, ys, m);
            k += static_cast<std::int64_t>(m);
            pass.Stopped = poller.SegmentsDone(static_cast<std::int64_t>(m));
        }
        pass.Value = h * sum;
        break;
    }
    default:
        UnknownMethod(method);
    }
    return pass;
}

template <class TFunction>
TIntegralResult IntegrateWith(const TFunction& f, const TIntegralTask& task, const TStopRequest& stop) {
    TIntegralResult result;
    const TIntegralPass first = IntegratePass(f, task.Method, task.From, task.To, task.Segments, stop);
    result = {first.Value, 1, task.Segments, first.Stopped};
    while (task.LimitAccuracy && !result.Stopped) {
        const std::int64_t segments = 2 * result.Segments;
        const TIntegralPass next = IntegratePass(f, task.Method, task.From, task.To, segments, stop);
        ++result.Iterations;
        result.Segments = segments;
        // A pass cut short is no estimate: keep the previous one.
        if (next.Stopped) {
            result.Stopped = true;
            break;
        }
        const double difference = std::fabs(next.Value - result.Value);
        result.Value = next.Value;
        if (difference <= task.Accuracy) break;
        // Past this the count no longer fits in the doubling; a result that
        // never settles is what the stop request is for, but the count must
        // not wrap around meanwhile.
        if (segments > (std::int64_t{1} << 61)) break;
    }
    return result;
}

}  // namespace

TIntegralPass IntegratePass(const TRealFunction& f, TIntegralMethod method, double from, double to,
                            std::int64_t segments, const TStopRequest& stop) {
    return CheckedPass(from, to, segments,
                       [&](double a, double b) { return PointPass(f, method, a, b, segments, stop); });
}

TIntegralPass IntegratePass(const TIntegrand& f, TIntegralMethod method, double from, double to,
                            std::int64_t segments, const TStopRequest& stop) {
    if (!f.Batch) return IntegratePass(f.Point, method, from, to, segments, stop);
    return CheckedPass(from, to, segments,
                       [&](double a, double b) { return BatchPass(f, method, a, b, segments, stop); });
}

TIntegralResult Integrate(const TRealFunction& f, const TIntegralTask& task, const TStopRequest& stop) {
    return IntegrateWith(f, task, stop);
}

TIntegralResult Integrate(const TIntegrand& f, const TIntegralTask& task, const TStopRequest& stop) {
    return IntegrateWith(f, task, stop);
}

}  // namespace curvane
