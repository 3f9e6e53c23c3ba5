// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <vector>

namespace curvane {

class TGraphDocument;

// What an edit changed in a graph document, so that every view of it does
// only what the change needs: a colour is painted again, a formula samples
// its own function again, a new scale samples them all.
enum class TChangeKind : std::uint8_t {
    ckNothing,    // the same document
    ckDocument,   // replaced as a whole (opened, several things at once, or the data sets): everything again
    ckFormula,    // what Function draws (formula, kind, ranges, visibility, derivative)
    ckLook,       // colours or widths only: Function, or -1 when several changed
    ckInserted,   // a function was inserted at Function
    ckRemoved,    // the function at Function was removed
    ckMoved,      // the function at Function moved to To; the others shifted
    ckActive,     // only the active function
    ckScale,      // a switch that changes the mapping of the 2D view (uniform scale)
    ckDisplay,    // switches that change only the picture (grid, labels, units, 3D draw type ...)
    ckParameters, // the parameters: a value, the set of names, or only ranges, steps and animation;
                  // Functions lists the functions that use a name whose value changed or that came
                  // or went (none after a change of ranges only); Parameter is the one changed
                  // parameter's index, or -1. A formula made in one edit with the parameters it
                  // names comes as ckFormula or ckInserted, all the pictures need: a view of the
                  // parameters themselves compares them on every change
};

struct TDocumentChange {
    TChangeKind Kind = TChangeKind::ckNothing;
    int Function = -1;
    int To = -1;
    int Parameter = -1;
    std::vector<int> Functions = {};  // ckParameters: what to sample again, in list order

    // Whether the pictures of the document stay what they are: the edit
    // changed nothing drawn (the active function, a file name, a parameter's
    // range).
    bool LeavesPictures() const {
        return Kind == TChangeKind::ckNothing || Kind == TChangeKind::ckActive ||
               (Kind == TChangeKind::ckParameters && Functions.empty());
    }

    friend bool operator==(const TDocumentChange&, const TDocumentChange&) = default;
};

// What a view of the document (a plot) needs after following a change.
enum class TPlotNeed : std::uint8_t {
    pnNothing,
    pnPaint,      // paint again: the curves still hold their samples
    pnSampleOne,  // sample the changed function (the change's Function), then paint
    pnSampleAll,  // sample every function, then paint
    pnSampleListed,  // sample the change's Functions, then paint
};

// The smallest change that turns `before` into `after`. The visible area (the
// 2D edges, the 3D camera) is not content and is not compared.
TDocumentChange DescribeChange(const TGraphDocument& before, const TGraphDocument& after);

}  // namespace curvane
