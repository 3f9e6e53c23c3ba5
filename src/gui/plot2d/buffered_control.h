// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QWidget>

namespace curvane {

// A widget that shows an off-screen picture of its own size. It never erases
// itself and never draws in paintEvent: the picture is rendered by DrawBuffer
// (in a subclass) and only copied to the screen. Redraws can be suspended
// for batches of changes (see TUpdateGuard in render/indicator_owner.h).
//
// The picture has the screen's device pixel ratio, so on a high-density
// screen it is as sharp as the screen. Painters on it work in the widget's
// logical pixels; code that reads or writes its pixels directly multiplies
// by Buffer().devicePixelRatio().
class TBufferedControl : public QWidget {
    Q_OBJECT
public:
    // Below this width or height the plot has no room; sizes are raised to it.
    static constexpr int MinSide = 50;

    explicit TBufferedControl(QWidget* parent = nullptr);

    // The off-screen picture. Tools may draw on it and call update(); the
    // next DrawBuffer replaces what they drew.
    QImage& Buffer() { return FBuffer; }
    const QImage& Buffer() const { return FBuffer; }
    // The picture's size in logical pixels (its pixel size over the ratio).
    QSize BufferSize() const { return FBufferSize; }

    // Renders the picture into the buffer; nothing here.
    virtual void DrawBuffer() {}

    bool RedrawOnResize() const { return FRedrawOnResize; }
    void SetRedrawOnResize(bool on) { FRedrawOnResize = on; }

    // Suspensions nest; the last EndUpdate renders once.
    void BeginUpdate() { ++FUpdateDepth; }
    void EndUpdate();
    void EndUpdateSilently();
    bool UpdateSuspended() const { return FUpdateDepth > 0; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // Drawn over the copied picture on the screen only (rubber bands, hints).
    virtual void PaintOverlay(QPainter& painter);
    // The buffer has a new size or ratio; lay out and render as the
    // subclass needs.
    virtual void Resized() {}

private:
    // Makes the buffer `size` logical pixels at the widget's current ratio;
    // false when it already is.
    bool ResizeBuffer(QSize size);

    QImage FBuffer;
    QSize FBufferSize;
    bool FRedrawOnResize = true;
    int FUpdateDepth = 0;
};

}  // namespace curvane
