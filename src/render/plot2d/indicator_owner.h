// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include "core/plot/units.h"
#include "render/plot2d/indicator_types.h"

class QImage;
class QRect;

namespace curvane {

class TIndicator;

// What an indicator needs from the control that shows it: the off-screen
// picture, the redraw gate, the cursor and the second step of its events.
// TScope is the one real owner; tests and headless renderers may provide
// their own or none (an indicator without owner just skips these calls).
class TIndicatorOwner {
public:
    virtual ~TIndicatorOwner() = default;

    // A setter's redraw request: render the picture unless redraws are
    // suspended.
    virtual void RequestRedraw() = 0;
    // Render the picture now, suspended or not (the view following a drag).
    virtual void DrawBuffer() = 0;
    virtual bool UpdateSuspended() const = 0;
    virtual void BeginUpdate() = 0;
    // Ends one suspension and renders once when the last one ended.
    virtual void EndUpdate() = 0;
    // Ends one suspension without rendering (the picture is already current).
    virtual void EndUpdateSilently() = 0;

    // The off-screen picture that exclusive-or drawings go into; may be null.
    virtual QImage* Canvas() = 0;
    // Shows the canvas again after it was drawn on directly.
    virtual void Invalidate() = 0;
    // The zoom rectangle is inverted on the screen, not in the picture:
    // showing the same rectangle a second time removes it.
    virtual void ToggleZoomRect(const QRect& rect) = 0;
    virtual void SetCursorId(TCursorId cursor) = 0;

    // The owner's handlers run after the indicator's own (see TIndicator).
    virtual void AfterPan(TIndicator& sender) = 0;
    // Skipped by the owner while its redraws are suspended.
    virtual void AfterScale(TIndicator& sender) = 0;
    virtual void GetAxisLabel(double value, TAxis axis, QString& text) = 0;
};

// Suspends an owner's redraws for a scope; the last guard to end redraws once,
// also when the scope is left by an exception.
template <class TOwner>
class TUpdateGuard {
public:
    explicit TUpdateGuard(TOwner& owner) : FOwner(owner) { FOwner.BeginUpdate(); }
    ~TUpdateGuard() {
        try {
            FOwner.EndUpdate();
        } catch (...) {
            // A destructor cannot pass the error on; the picture stays as it
            // was and the next redraw repairs it.
        }
    }
    TUpdateGuard(const TUpdateGuard&) = delete;
    TUpdateGuard& operator=(const TUpdateGuard&) = delete;

private:
    TOwner& FOwner;
};

// A batch of setters on an indicator that may have no owner (a bare or
// headless one has nobody to suspend); a batch
// whose caller draws the picture itself right after ends without a redraw.
class TOwnerBatch {
public:
    explicit TOwnerBatch(TIndicatorOwner* owner, bool silent = false) : FOwner(owner), FSilent(silent) {
        if (FOwner) FOwner->BeginUpdate();
    }
    ~TOwnerBatch() {
        if (!FOwner) return;
        try {
            if (FSilent) FOwner->EndUpdateSilently();
            else FOwner->EndUpdate();
        } catch (...) {
            // As in TUpdateGuard: the next redraw repairs the picture.
        }
    }
    TOwnerBatch(const TOwnerBatch&) = delete;
    TOwnerBatch& operator=(const TOwnerBatch&) = delete;

private:
    TIndicatorOwner* FOwner;
    bool FSilent;
};

}  // namespace curvane
