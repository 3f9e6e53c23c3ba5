#include "gui/app/calculus_commands.h"

#include <QAction>

#include "gui/app/frm_main.h"
#include "gui/tools/frm_value.h"

namespace curvane {

TCalculusCommands::TCalculusCommands(TfrmMain& main)
    : TCommandGroup(main),
      CalcTabulation(Add("CalcTabulation", "Tabulation...", "", {}, &TCalculusCommands::CalcTabulationExecute)),
      CalcIntegral(AddPlaceholder("CalcIntegral", "Integral...")),
      CalcRoot(AddPlaceholder("CalcRoot", "Root/Intersection finder...")),
      FuncTicker(AddPlaceholder("FuncTicker", "Ticker...")) {
    FuncTicker->setCheckable(true);
}

void TCalculusCommands::UpdateControls(const TCommandState&) {
    // The tools, once built, will wait here while a run holds the evaluators.
    // The tabulation compiles into an evaluator of its own: always usable.
    Enable(CalcTabulation, true);
}

void TCalculusCommands::CalcTabulationExecute() { TfrmValue::ShowInstance(&Main()); }

}  // namespace curvane
