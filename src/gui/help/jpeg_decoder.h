// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QImage>

namespace curvane {

// Decodes a baseline or progressive JPEG (greyscale or colour) with libjpeg
// into an RGB32 image. Anything libjpeg cannot read, including data that ends
// before the last row and pictures above 64 megapixels, gives a null image;
// the process is never ended and nothing is printed.
QImage DecodeJpeg(const QByteArray& data);

}  // namespace curvane
