// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace curvane {

// How a picture is sized on the printed page. Numbers as the settings of the
// print dialog have always used them; any other value prints the picture
// one printer pixel per picture pixel.
enum class TPrintFit : std::uint8_t { pfProportional = 1, pfMaximum = 2 };

// Printer pixels the picture covers, from the page's top-left corner.
struct TPrintRect {
    int Width = 0;
    int Height = 0;
    friend bool operator==(const TPrintRect&, const TPrintRect&) = default;
};

// The printed size of a w x h pixel picture on a page of pageW x pageH
// printer pixels.
// - Proportional: the picture keeps its size on screen, each side scaled by
//   the printer's resolution over the screen's pixels per inch.
// - Maximum: the largest size of the picture's proportions that fits the
//   page, so a wide picture fills the page width and a tall one its height.
// Integer arithmetic, multiply before divide, rounding towards zero. An empty
// picture, page or resolution gives an empty rectangle.
TPrintRect PrintRect(int w, int h, int pageW, int pageH, int printerDpiX, int printerDpiY, int screenDpi,
                     TPrintFit fitMode);

}  // namespace curvane
