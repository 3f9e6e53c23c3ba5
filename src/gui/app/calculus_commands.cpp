#include "gui/app/calculus_commands.h"

#include <QAction>

#include "gui/app/frm_main.h"
#include "gui/tools/frm_integral.h"

namespace curvane {

TCalculusCommands::TCalculusCommands(TfrmMain& main)
    : TCommandGroup(main),
      CalcTabulation(AddPlaceholder("CalcTabulation", "Tabulation...")),
      CalcIntegral(Add("CalcIntegral", "Integral...", "", {}, &TCalculusCommands::CalcIntegralExecute)),
      CalcRoot(AddPlaceholder("CalcRoot", "Root/Intersection finder...")),
      FuncTicker(AddPlaceholder("FuncTicker", "Ticker...")) {
    FuncTicker->setCheckable(true);
}

void TCalculusCommands::UpdateControls(const TCommandState&) {
    // The tools, once built, will wait here while a run holds the evaluators.
    // The integral compiles into an evaluator of its own: usable at any time,
    // with or without a graph window.
    Enable(CalcIntegral, true);
}

void TCalculusCommands::CalcIntegralExecute() { TfrmIntegral::ShowInstance(&Main()); }

}  // namespace curvane
