#pragma once

#include <QImage>
#include <QWidget>

namespace curvane {

// A widget that shows an off-screen picture of its own size. It never erases
// itself and never draws in paintEvent: the picture is rendered by DrawBuffer
// (in a subclass) and only copied to the screen. Redraws can be suspended
// for batches of changes (see TUpdateGuard in render/indicator_owner.h).
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
    // The buffer has the new size; lay out and render as the subclass needs.
    virtual void Resized() {}

private:
    QImage FBuffer;
    bool FRedrawOnResize = true;
    int FUpdateDepth = 0;
};

}  // namespace curvane
