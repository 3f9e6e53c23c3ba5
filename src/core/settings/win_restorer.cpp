// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/settings/win_restorer.h"

#include "core/support/exceptions.h"
#include "core/support/ini_file.h"

namespace curvane {

using enum TRestoreAspect;

TWinRestorer::TWinRestorer(TRestoreAspects defaults) : FDefaults(defaults) {
    if (defaults.Contains(raDefault))
        throw Exception(
            "Attempt to initialize default window position paramaters with set  containing [default] item.  "
            "Default params may contain only members of [size, location, state].");
}

TRestoreAspects TWinRestorer::Resolve(TRestoreAspects aspects) const {
    TRestoreAspects r;
    auto add = [&](TRestoreAspect a) {
        if (aspects.Contains(a) || (aspects.Contains(raDefault) && FDefaults.Contains(a))) r.Add(a);
    };
    add(raSize);
    add(raLocation);
    add(raState);
    return r;
}

void TWinRestorer::Restore(const TIniFile& ini, const std::string& className, TRestoreAspects aspects,
                           TWinPlacement& placement) const {
    const TRestoreAspects what = Resolve(aspects);
    if (what.Contains(raSize)) {
        placement.Width = ini.ReadInteger(Section, className + "_Width", placement.Width);
        placement.Height = ini.ReadInteger(Section, className + "_Height", placement.Height);
    }
    if (what.Contains(raLocation)) {
        placement.Top = ini.ReadInteger(Section, className + "_Top", placement.Top);
        placement.Left = ini.ReadInteger(Section, className + "_Left", placement.Left);
    }
    if (what.Contains(raState)) {
        switch (ini.ReadInteger(Section, className + "_WindowState", 0)) {
            case 1: placement.State = TWinState::wsMinimized; break;
            case 2: placement.State = TWinState::wsNormal; break;
            case 3: placement.State = TWinState::wsMaximized; break;
            default: break;
        }
    }
}

void TWinRestorer::Save(TIniFile& ini, const std::string& className, TRestoreAspects aspects,
                        const TWinPlacement& placement) const {
    const TRestoreAspects what = Resolve(aspects);
    if (what.Contains(raState)) ini.WriteInteger(Section, className + "_WindowState", int(placement.State));
    if (placement.State != TWinState::wsNormal) return;
    if (what.Contains(raSize)) {
        ini.WriteInteger(Section, className + "_Width", placement.Width);
        ini.WriteInteger(Section, className + "_Height", placement.Height);
    }
    if (what.Contains(raLocation)) {
        ini.WriteInteger(Section, className + "_Top", placement.Top);
        ini.WriteInteger(Section, className + "_Left", placement.Left);
    }
}

}  // namespace curvane
