#pragma once

#include "gui/app/command_group.h"

namespace curvane {

// Help contents, the home page and the about box. Not built yet: disabled
// placeholders.
class THelpCommands : public TCommandGroup {
    Q_OBJECT
public:
    explicit THelpCommands(TfrmMain& main);

    void UpdateControls(const TCommandState& state) override;

    QAction* const HelpContents;
    QAction* const HelpVelmoraHomePage;
    QAction* const HelpAbout;
};

}  // namespace curvane
