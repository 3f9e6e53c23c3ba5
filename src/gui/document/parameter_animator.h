// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QElapsedTimer>
#include <QObject>

#include <string>
#include <string_view>
#include <vector>

#include "core/document/parameter_animation.h"

class QTimer;

namespace curvane {

class TDocumentOwner;

// Shows a new value of the parameter at `index` without an undo step and
// without marking the document modified (an animation frame, or a drag not
// yet released): the windows follow it as they follow an edit. An index
// outside the list does nothing.
void ShowParameterValue(TDocumentOwner& owner, int index, double value);

// Plays the parameters of one document. A timer at the display rate moves
// every playing parameter on by the time that really passed since the last
// frame, so a frame that takes long is followed by one bigger move rather
// than by a queue of small ones: the picture never falls behind the clock.
// The values are shown (ShowParameterValue), not edited: an animation is no
// undo step and leaves the document unmodified; pausing keeps the value.
class TParameterAnimator : public QObject {
    Q_OBJECT
public:
    static constexpr int FrameIntervalMs = 16;

    // The animator of the owner's document, made on first use and destroyed
    // with the owner.
    static TParameterAnimator& Of(TDocumentOwner& owner);

    bool IsPlaying(std::string_view name) const;
    bool AnyPlaying() const { return !FPlaying.empty(); }
    // Starts (from the value shown) or stops one parameter. A name the
    // document has no parameter of is ignored.
    void Play(const std::string& name);
    void Pause(std::string_view name);

    // One frame: moves the playing parameters on by `seconds` and shows the
    // values. Parameters deleted or renamed meanwhile stop.
    void Advance(double seconds);

signals:
    // A parameter started or stopped (a "once" animation stops by itself).
    void PlayingChanged();

private:
    explicit TParameterAnimator(TDocumentOwner& owner);
    void Tick();

    struct TPlaying {
        std::string Name;
        TAnimationState State;
    };
    TDocumentOwner& FOwner;
    QTimer* FTimer;
    QElapsedTimer FClock;
    std::vector<TPlaying> FPlaying;
};

}  // namespace curvane
