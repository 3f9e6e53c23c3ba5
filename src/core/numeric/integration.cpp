#include "core/numeric/integration.h"

#include <cmath>
#include <string>
#include <utility>

#include "core/support/exceptions.h"

namespace curvane {

namespace {

// Counts segments and asks the stop request every IntegralStopPollSegments.
class TStopPoller {
public:
    explicit TStopPoller(const TStopRequest& stop) : FStop(stop) {}

    // Called after each segment; true once the pass has to end.
    bool SegmentDone() {
        if (!FStop || ++FCount < IntegralStopPollSegments) return false;
        FCount = 0;
        return FStop();
    }

private:
    const TStopRequest& FStop;
    std::int64_t FCount = 0;
};

}  // namespace

TIntegralPass IntegratePass(const TRealFunction& f, TIntegralMethod method, double from, double to,
                            std::int64_t segments, const TStopRequest& stop) {
    if (!std::isfinite(from) || !std::isfinite(to)) throw Exception("Invalid float value!");
    if (segments < 1) throw Exception("IntegratePass: the number of segments must be at least 1");
    if (from == to) return {};
    if (to < from) {
        TIntegralPass flipped = IntegratePass(f, method, to, from, segments, stop);
        flipped.Value = -flipped.Value;
        return flipped;
    }

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
        throw Exception("IntegratePass: unknown method " + std::to_string(static_cast<int>(method)));
    }
    return pass;
}

TIntegralResult Integrate(const TRealFunction& f, const TIntegralTask& task, const TStopRequest& stop) {
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
        if (difference <= task.Accuracy || std::isnan(difference)) break;
        // Past this the count no longer fits in the doubling; a result that
        // never settles is what the stop request is for, but the count must
        // not wrap around meanwhile.
        if (segments > (std::int64_t{1} << 61)) break;
    }
    return result;
}

}  // namespace curvane
