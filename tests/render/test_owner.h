// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include <QImage>
#include <QPainter>

#include "render/color.h"
#include "render/plot2d/indicator.h"

namespace curvane::test {

// A headless owner with the redraw gate of the real control: it paints the
// indicator into an image and records what the indicator asked of it.
class TTestOwner : public TIndicatorOwner {
public:
    // Lays the indicator out on a control of w x h pixels.
    TTestOwner(int w, int h) : Image(w, h, QImage::Format_RGB32), Indicator(this) {
        Image.fill(Qt::darkGray);
        Indicator.Layout({0, 0, w, h});
    }

    void RequestRedraw() override { ++Requests; if (Depth == 0) DrawBuffer(); }
    void DrawBuffer() override {
        ++Draws;
        Image.fill(Qt::darkGray);
        QPainter p(&Image);
        Indicator.Paint(p);
        p.end();
        Indicator.AfterBufferRedrawn();
    }
    bool UpdateSuspended() const override { return Depth > 0; }
    void BeginUpdate() override { ++Depth; }
    void EndUpdate() override { if (Depth > 0 && --Depth == 0) DrawBuffer(); }
    void EndUpdateSilently() override { Depth = std::max(Depth - 1, 0); }
    QImage* Canvas() override { return &Image; }
    void Invalidate() override {}
    void ToggleZoomRect(const QRect& rect) override { if (!ZoomRects.removeOne(rect)) ZoomRects.append(rect); }
    void SetCursorId(TCursorId cursor) override { Cursor = cursor; }
    void AfterPan(TIndicator&) override { Events.push_back("owner:pan"); }
    void AfterScale(TIndicator&) override { if (Depth == 0) Events.push_back("owner:scale"); }
    void GetAxisLabel(double, TAxis, QString&) override {}

    int Count(const std::string& event) const { return int(std::count(Events.begin(), Events.end(), event)); }

    QImage Image;
    TIndicator Indicator;
    int Requests = 0, Draws = 0, Depth = 0;
    QList<QRect> ZoomRects;
    TCursorId Cursor = TCursorId::crDefault;
    std::vector<std::string> Events;
};

// 0x00BBGGRR value of an image pixel.
inline TPlotColor PixelColor(const QImage& i, int x, int y) { return FromQColor(QColor::fromRgb(i.pixel(x, y))); }

}  // namespace curvane::test
