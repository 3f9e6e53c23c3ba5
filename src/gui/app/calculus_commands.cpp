#include "gui/app/calculus_commands.h"

#include <QAction>

namespace curvane {

TCalculusCommands::TCalculusCommands(TfrmMain& main)
    : TCommandGroup(main),
      CalcTabulation(AddPlaceholder("CalcTabulation", "Tabulation...")),
      CalcIntegral(AddPlaceholder("CalcIntegral", "Integral...")),
      CalcRoot(AddPlaceholder("CalcRoot", "Root/Intersection finder...")),
      FuncTicker(AddPlaceholder("FuncTicker", "Ticker...")) {
    FuncTicker->setCheckable(true);
}

void TCalculusCommands::UpdateControls(const TCommandState&) {
    // The tools, once built, will wait here while a run holds the evaluators.
}

}  // namespace curvane
