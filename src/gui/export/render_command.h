// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSize>
#include <QString>

#include <optional>
#include <string>
#include <vector>

#include "core/cli/render_exit.h"
#include "core/document/graph_document.h"

class QImage;
class QTextStream;

namespace curvane {

// The plot size `curvane --render` uses when --size is not given.
inline constexpr QSize DefaultRenderSize{800, 600};

// Samples and paints the document `file` exactly as a window whose plot is
// `size` pixels shows it, and writes the picture to `out` in the format its
// extension names: PNG, JPEG, a bitmap of `bits` bits per pixel (the text of
// --bits; none: 24), or for a 2D document SVG or PDF drawn as vectors; PNG
// for an extension no image format has. With a `scale` above 1 a bitmap has
// that many pixels per plot pixel, as on a screen of that density: the same
// layout and sampling, sharper. Needs a QApplication; works on the offscreen
// platform (a 3D document draws through EGL with no display). Problems are
// written to `err`. Returns the exit status; bad arguments (reUsage) include
// --bits other than 4, 8, 15, 16, 24 or with an output that is not .bmp, and
// SVG or PDF of a 3D document, and `sets`, the texts of every --set, naming
// a parameter that neither the document has nor its formulas use
// (ApplyParameterSettings).
//
// With `animate` (NAME=FROM:TO:STEP, ParseAnimationRange) it paints one frame
// per value of that parameter, each as a still with that value is painted,
// into the files `out` numbers with its one %0Nd (frames/%04d.png, the first
// frame 0), or into one looping GIF when `out` ends in .gif. An `out` with
// neither, or of a vector format, is a bad argument.
TRenderExit RunRenderCommand(const QString& file, const QString& out, QSize size, QTextStream& err,
                             int scale = 1, const std::optional<QString>& bits = std::nullopt,
                             const std::vector<std::string>& sets = {},
                             const std::optional<std::string>& animate = std::nullopt);

// The picture --render paints of the document in `ini` (a 2D document with
// the look of the settings), `size` plot pixels times `scale`; problems go to
// `err` naming `file`. Returns reSuccess or why there is no picture.
TRenderExit PaintBitmap(const TIniFile& ini, TWindowType type, const QString& file, QSize size, int scale,
                        QTextStream& err, QImage& picture);

// Parses "WIDTHxHEIGHT" ("800x600"); each side 1..16384. False when malformed.
bool ParseRenderSize(const QString& text, QSize& size);

// The largest --scale; a picture side (size times scale) stays within 16384.
inline constexpr int MaxRenderScale = 8;

// Parses a --scale value: a whole number 1..MaxRenderScale. False otherwise.
bool ParseRenderScale(const QString& text, int& scale);

}  // namespace curvane
