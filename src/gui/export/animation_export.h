// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include "core/cli/animation_frames.h"

class QWidget;

namespace curvane {

class TfrmAbstractMDIChild;
struct TParameter;

// What Export animation offers for a parameter: its whole range, in a
// hundred steps (or its own step when it has one, while that gives at most
// MaxAnimationFrames frames).
TAnimationRange DefaultAnimationRange(const TParameter& parameter);

enum class TAnimationExportOutcome : std::uint8_t { aoWritten, aoCanceled, aoFailed };

// Paints one frame per value of `range` from a copy of the window's document,
// off-screen at the window's picture size (the window itself is untouched),
// into `out`: numbered PNG files through its one %0Nd, or one looping GIF
// when it ends in .gif. A progress dialog can cancel it; a cancelled GIF
// leaves no file (numbered frames already written stay). Stops, as
// cancelled, when the window closes meanwhile. A bad pattern or a file that
// cannot be written is told in a message box naming it.
TAnimationExportOutcome ExportAnimation(TfrmAbstractMDIChild* window, const TAnimationRange& range,
                                        const QString& out, QWidget* parent);

// File > Export animation: asks for the parameter (a playing one first),
// the range and the file, then exports. Nothing happens without a window
// whose document has parameters.
void ExportGraphAnimation(TfrmAbstractMDIChild* window, QWidget* parent);

}  // namespace curvane
