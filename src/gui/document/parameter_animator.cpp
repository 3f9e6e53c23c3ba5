// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/document/parameter_animator.h"

#include <QTimer>

#include <algorithm>
#include <cctype>

#include "gui/document/document_owner.h"

namespace curvane {

namespace {
// A frame later than this (a modal question held the loop) moves on as if
// only this much had passed, instead of jumping across the range.
constexpr double LongestFrameSeconds = 0.25;

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) { return std::tolower(x) == std::tolower(y); });
}
}  // namespace

void ShowParameterValue(TDocumentOwner& owner, int index, double value) {
    if (index < 0 || index >= owner.Document().Parameters.Count()) return;
    if (owner.Document().Parameters[index].Value == value) return;
    TGraphDocument document = owner.Document();
    document.Parameters[index].Value = value;
    owner.Show(document);
}

TParameterAnimator& TParameterAnimator::Of(TDocumentOwner& owner) {
    if (auto* animator = owner.findChild<TParameterAnimator*>(QString(), Qt::FindDirectChildrenOnly)) return *animator;
    return *new TParameterAnimator(owner);
}

TParameterAnimator::TParameterAnimator(TDocumentOwner& owner)
    : QObject(&owner), FOwner(owner), FTimer(new QTimer(this)) {
    FTimer->setTimerType(Qt::PreciseTimer);
    FTimer->setInterval(FrameIntervalMs);
    connect(FTimer, &QTimer::timeout, this, &TParameterAnimator::Tick);
}

bool TParameterAnimator::IsPlaying(std::string_view name) const {
    return std::any_of(FPlaying.begin(), FPlaying.end(), [&](const TPlaying& p) { return SameName(p.Name, name); });
}

void TParameterAnimator::Play(const std::string& name) {
    const TParameter* parameter = FOwner.Document().Parameters.Find(name);
    if (!parameter || IsPlaying(name)) return;
    FPlaying.push_back({parameter->Name, StartAnimation(*parameter)});
    if (!FTimer->isActive()) {
        FClock.start();
        FTimer->start();
    }
    emit PlayingChanged();
}

void TParameterAnimator::Pause(std::string_view name) {
    const auto erased = std::erase_if(FPlaying, [&](const TPlaying& p) { return SameName(p.Name, name); });
    if (FPlaying.empty()) FTimer->stop();
    if (erased) emit PlayingChanged();
}

void TParameterAnimator::Tick() {
    const double seconds = std::min(static_cast<double>(FClock.restart()) / 1000.0, LongestFrameSeconds);
    Advance(seconds);
}

void TParameterAnimator::Advance(double seconds) {
    TGraphDocument document = FOwner.Document();
    const std::size_t before = FPlaying.size();
    bool stopped = false;
    for (auto it = FPlaying.begin(); it != FPlaying.end();) {
        TParameter* parameter = document.Parameters.Find(it->Name);
        if (!parameter) {
            it = FPlaying.erase(it);
            stopped = true;
            continue;
        }
        AdvanceAnimation(*parameter, it->State, seconds);
        parameter->Value = SnapParameterValue(*parameter, it->State.Position);
        if (it->State.Finished) {
            it = FPlaying.erase(it);
            stopped = true;
        } else {
            ++it;
        }
    }
    // All the playing parameters change in one frame: one change, one picture.
    if (!(document.Parameters == FOwner.Document().Parameters)) FOwner.Show(document);
    if (FPlaying.empty()) FTimer->stop();
    if (stopped || FPlaying.size() != before) emit PlayingChanged();
}

}  // namespace curvane
