// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/app/calculus_commands.h"

#include <QAction>
#include <QSignalBlocker>

#include "gui/app/frm_main.h"
#include "gui/tools/frm_integral.h"
#include "gui/tools/frm_points.h"
#include "gui/tools/frm_root.h"
#include "gui/tools/frm_ticker.h"
#include "gui/tools/frm_value.h"

namespace curvane {

TCalculusCommands::TCalculusCommands(TfrmMain& main)
    : TCommandGroup(main),
      CalcTabulation(Add("CalcTabulation", "Tabulation...", "", {}, &TCalculusCommands::CalcTabulationExecute)),
      CalcIntegral(Add("CalcIntegral", "Integral...", "", {}, &TCalculusCommands::CalcIntegralExecute)),
      CalcRoot(Add("CalcRoot", "Root/Intersection finder...", "", {}, &TCalculusCommands::CalcRootExecute)),
      CalcPoints(Add("CalcPoints", "Points of interest...", "", {}, &TCalculusCommands::CalcPointsExecute)),
      FuncTicker(Add("FuncTicker", "Ticker...", "", {}, &TCalculusCommands::FuncTickerExecute)) {
    FuncTicker->setCheckable(true);
}

void TCalculusCommands::UpdateControls(const TCommandState&) {
    // The tools compile into evaluators of their own: a run holding the
    // shared ones does not concern them, and they need no graph window.
    for (QAction* action : {CalcTabulation, CalcIntegral, CalcRoot, CalcPoints, FuncTicker}) Enable(action, true);
    const QSignalBlocker block(FuncTicker);
    FuncTicker->setChecked(TfrmTicker::Instance() != nullptr);
}

void TCalculusCommands::CalcTabulationExecute() { TfrmValue::ShowInstance(&Main()); }

void TCalculusCommands::CalcIntegralExecute() { TfrmIntegral::ShowInstance(&Main()); }

void TCalculusCommands::CalcRootExecute() { TfrmRoot::Open(&Main()); }

void TCalculusCommands::CalcPointsExecute() { TfrmPoints::Open(&Main()); }

void TCalculusCommands::FuncTickerExecute() {
    if (TfrmTicker* ticker = TfrmTicker::Instance()) {
        ticker->close();
        return;
    }
    TfrmTicker* ticker = TfrmTicker::Open(&Main());
    connect(ticker, &TfrmTicker::Closed, this, [this] {
        const QSignalBlocker block(FuncTicker);
        FuncTicker->setChecked(false);
    });
    const QSignalBlocker block(FuncTicker);
    FuncTicker->setChecked(true);
}

}  // namespace curvane
