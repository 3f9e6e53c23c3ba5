// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "gui/app/command_group.h"

namespace curvane {

// The numerical tools: tabulation, integral, roots, points of interest and
// the ticker. Each opens one window of its own, created on first use and
// shown again afterwards.
class TCalculusCommands : public TCommandGroup {
    Q_OBJECT
public:
    explicit TCalculusCommands(TfrmMain& main);

    void UpdateControls(const TCommandState& state) override;

    QAction* const CalcTabulation;
    QAction* const CalcIntegral;
    QAction* const CalcRoot;
    QAction* const CalcPoints;
    QAction* const FuncTicker;

private:
    void CalcTabulationExecute();
    void CalcIntegralExecute();
    void CalcRootExecute();
    void CalcPointsExecute();
    void FuncTickerExecute();
};

}  // namespace curvane
