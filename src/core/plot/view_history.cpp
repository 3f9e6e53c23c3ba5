// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/plot/view_history.h"

namespace curvane {

namespace {

void PushBounded(std::deque<TWorldView>& list, const TWorldView& view, std::size_t limit) {
    list.push_back(view);
    while (list.size() > limit) list.pop_front();
}

// Moves `current` onto `to` and hands back the newest view of `from`.
TWorldView Step(std::deque<TWorldView>& from, std::deque<TWorldView>& to, const TWorldView& current,
                std::size_t limit) {
    if (from.empty()) return current;
    const TWorldView next = from.back();
    from.pop_back();
    PushBounded(to, current, limit);
    return next;
}

}  // namespace

void TViewHistory::Push(const TWorldView& left) {
    FForward.clear();
    PushBounded(FBack, left, FLimit);
}

TWorldView TViewHistory::Back(const TWorldView& current) { return Step(FBack, FForward, current, FLimit); }

TWorldView TViewHistory::Forward(const TWorldView& current) { return Step(FForward, FBack, current, FLimit); }

void TViewHistory::Clear() {
    FBack.clear();
    FForward.clear();
}

}  // namespace curvane
