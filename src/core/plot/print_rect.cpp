// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/plot/print_rect.h"

namespace curvane {

namespace {

// 64 bits in between: a page is thousands of printer pixels and a picture
// thousands of screen pixels, whose product leaves 32 bits behind.
int MulDiv(int a, int b, int c) { return static_cast<int>(static_cast<std::int64_t>(a) * b / c); }

}  // namespace

TPrintRect PrintRect(int w, int h, int pageW, int pageH, int printerDpiX, int printerDpiY, int screenDpi,
                     TPrintFit fitMode) {
    if (w <= 0 || h <= 0) return {};
    switch (fitMode) {
    case TPrintFit::pfProportional:
        if (screenDpi <= 0 || printerDpiX <= 0 || printerDpiY <= 0) return {};
        return {MulDiv(w, printerDpiX, screenDpi), MulDiv(h, printerDpiY, screenDpi)};
    case TPrintFit::pfMaximum: {
        if (pageW <= 0 || pageH <= 0) return {};
        const int width = MulDiv(w, pageH, h);
        if (width >= pageW) return {pageW, MulDiv(h, pageW, w)};
        return {width, pageH};
    }
    }
    return {w, h};
}

}  // namespace curvane
