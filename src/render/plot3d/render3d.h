// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QSize>

class QTextStream;

namespace curvane {

class TIniFile;

// Draws the 3D document in ini as a new 3D window of the given size would
// show it after opening it (settings, the document's functions and view
// keys, one rebuild), through an off-screen OpenGL context. Nobody is asked
// anything: a mesh of more than a million samples is not built, and that and
// unusable ranges are reported as warnings on err.
// With a `scale` above 1 the picture has that many pixels per window pixel:
// the same view, with lines and points as wide as `scale` pixels and screen
// labels `scale` times as large.
// Raises EOpenGLError when no context can be had, ESyntaxError for a formula
// that does not compile, EFileError for a damaged document.
QImage Render3DDocument(const TIniFile& ini, QSize size, QTextStream& err, int scale = 1);

}  // namespace curvane
