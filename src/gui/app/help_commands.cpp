#include "gui/app/help_commands.h"

#include <QAction>

namespace curvane {

THelpCommands::THelpCommands(TfrmMain& main)
    : TCommandGroup(main),
      HelpContents(AddPlaceholder("HelpContents", "Contents", "help-contents", QKeySequence(Qt::Key_F1))),
      HelpVelmoraHomePage(AddPlaceholder("HelpVelmoraHomePage", "Velmora Software on WWW")),
      HelpAbout(AddPlaceholder("HelpAbout", "&About...", "help-about")) {}

void THelpCommands::UpdateControls(const TCommandState&) {}

}  // namespace curvane
