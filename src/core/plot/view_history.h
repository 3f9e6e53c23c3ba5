// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <deque>

namespace curvane {

// What a 2D window shows of the world: the top-left corner, the sizes and
// whether both axes share one scale. Kept as the plot keeps it (corner and
// sizes, not four edges), so a view put back is the very view left: edges
// would be turned into sizes again and could come back a rounding off.
struct TWorldView {
    double Left = 0;
    double Top = 0;
    double Width = 0;
    double Height = 0;
    bool Uniform = false;
    friend bool operator==(const TWorldView&, const TWorldView&) = default;
};

// The views a window left, walked like a browser's back and forward. A new
// view pushed after going back forgets the views ahead. Each list keeps at
// most Limit views and forgets its oldest first.
class TViewHistory {
public:
    static constexpr std::size_t DefaultLimit = 100;

    explicit TViewHistory(std::size_t limit = DefaultLimit) : FLimit(limit) {}

    std::size_t Limit() const { return FLimit; }
    bool CanBack() const { return !FBack.empty(); }
    bool CanForward() const { return !FForward.empty(); }
    std::size_t BackCount() const { return FBack.size(); }
    std::size_t ForwardCount() const { return FForward.size(); }

    // Records the view an action left; the views ahead are forgotten.
    void Push(const TWorldView& left);
    // The view to show instead of `current`, which goes on the other list.
    // With nothing to go to, `current` comes back and nothing changes.
    TWorldView Back(const TWorldView& current);
    TWorldView Forward(const TWorldView& current);
    void Clear();

private:
    std::size_t FLimit;
    std::deque<TWorldView> FBack;     // newest last
    std::deque<TWorldView> FForward;  // nearest last
};

}  // namespace curvane
