// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QElapsedTimer>
#include <QSize>

class QTimer;

#include <optional>
#include <vector>

#include "core/plot/view_history.h"
#include "gui/document/frm_abstract_mdi_child.h"
#include "gui/plot2d/view_step.h"

namespace curvane {

class TIndicator;
class TPlot2D;
class TPointsOfInterest;
class TScope;
class TSamplerDialog;

// The 2D graph document window: a TScope showing the window's TPlot2D over
// the client area, one curve per function. The plot samples and paints; the
// window adds what belongs to a window: the status texts, the message boxes
// that ask about manual limits, the recovery of the formula box after a
// compile error, and when to sample again.
class TfrmChild2D_ : public TfrmAbstractMDIChild {
    Q_OBJECT
public:
    explicit TfrmChild2D_(QWidget* parent = nullptr);
    ~TfrmChild2D_() override;

    TScope* Scope() const { return FScope; }
    TPlot2D& Plot() const;
    TIndicator& Indicator() const;
    // The marked roots, extrema and intersections of the active function.
    TPointsOfInterest& PointsOfInterest() const { return *FPoints; }

    // Resizes the window so that its plotting control is exactly `size`.
    void SetPlotSize(QSize size);

    // Questions raised while sampling manual limits go here instead of message
    // boxes. Null restores the message boxes. The window does not own the
    // object.
    void SetSamplerDialog(TSamplerDialog* dialog) { FSamplerDialog = dialog; }

    // The views this window's pan, zoom, axis scaling and display commands
    // left, walked by PreviousView and NextView. Kept apart from the
    // document: a view is not an edit, and the history is not saved.
    const TViewHistory& ViewHistory() const { return FViewHistory; }
    // Records `before` as left when the view shown is another one now; a
    // burst of wheel or key steps under way ends here.
    void ViewLeft(const TWorldView& before);
    // Zooms or pans the view by one wheel, pinch or key step. The picture
    // follows at once; with Autoredraw the curves are sampled again when the
    // input has been handled, once for all the steps that came together.
    // Steps of one kind each closer than ViewBurstPauseMs to the last are
    // one entry of the view history.
    void StepView(const TViewStep& step);
    // Show the view before or after this one, resampled as any view change
    // is; nothing happens at either end of the history.
    void PreviousView();
    void NextView();

    void Recalculate(TRecalc scope) override;
    void Redraw() override;

    // -- what a feature asks any graph window --
    // The back buffer; the plot paints itself again as vectors.
    QImage Picture() const override;
    bool HasPicture() const override { return true; }
    QSize PictureSize() const override;
    bool HasVectors() const override { return true; }
    void PaintVectors(QPainter& painter) const override;
    TViewBox ViewBox() const override;
    void SetViewValue(TViewValue which, double value) override;
    void ApplyLook(const TWindowLook& look) override;

protected:
    TPlotNeed FollowDocument(const TDocumentChange& change, TChangeOrigin origin) override;
    void SampleChange(const TDocumentChange& change, TPlotNeed need) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Samples the functions listed, or every function, with the window's
    // questions.
    void Sample(const std::optional<std::vector<int>>& functions);
    void FollowView();
    void ShowView(const TWorldView& view);
    void ShowCoordinates(QPoint pixel);

    TScope* FScope = nullptr;
    TSamplerDialog* FSamplerDialog = nullptr;
    TPointsOfInterest* FPoints = nullptr;
    // Autoredraw resamples only a window that was sampled: a document being
    // opened is sampled once, when its window has its place, not at every
    // resize on the way there.
    bool FSampled = false;
    TViewHistory FViewHistory;
    // The view shown when the mouse gesture under way began.
    std::optional<TWorldView> FGestureStart;
    // The kind and time of the last step of the burst under way, if any.
    std::optional<TViewStepKind> FBurstKind;
    QElapsedTimer FLastStep;
    // Samples after a run of steps (single shot, no delay: it fires once the
    // steps waiting in the event queue are handled).
    QTimer* FStepSampler = nullptr;
};

// One command's change of a window's view: the view shown when it began is
// recorded in the history if the command left it.
class TViewAction {
public:
    explicit TViewAction(TfrmChild2D_& window);
    ~TViewAction();
    TViewAction(const TViewAction&) = delete;
    TViewAction& operator=(const TViewAction&) = delete;

private:
    TfrmChild2D_& FWindow;
    TWorldView FBefore;
};

class TfrmChild2D : public TfrmChild2D_ {
    Q_OBJECT
public:
    using TfrmChild2D_::TfrmChild2D_;
    void UpdateCaption() override;
};

}  // namespace curvane
