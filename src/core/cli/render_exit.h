// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace curvane {

// Exit statuses of `curvane --render`; scripts test these numbers.
enum class TRenderExit : int {
    reSuccess = 0,
    reDocument = 1,      // the document cannot be read, is not a document, or is neither 2D nor 3D
    reUsage = 2,         // bad arguments
    reWrite = 3,         // the picture cannot be written
    reFormulaError = 4,  // a formula does not compile
    reNoOpenGL = 5,      // no OpenGL context for a 3D document
};

}  // namespace curvane
