// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

namespace curvane {

class TIniFile;

// What a restore or save touches. raDefault stands for the restorer's own
// default set and is only meaningful in a Restore/Save call.
enum class TRestoreAspect : std::uint8_t { raSize = 0, raLocation = 1, raState = 2, raDefault = 3 };

class TRestoreAspects {
public:
    constexpr TRestoreAspects() = default;
    constexpr TRestoreAspects(std::initializer_list<TRestoreAspect> aspects) {
        for (auto a : aspects) FBits |= Bit(a);
    }
    constexpr bool Contains(TRestoreAspect a) const { return (FBits & Bit(a)) != 0; }
    constexpr void Add(TRestoreAspect a) { FBits |= Bit(a); }
    constexpr bool Empty() const { return FBits == 0; }
    constexpr bool operator==(const TRestoreAspects&) const = default;

private:
    static constexpr std::uint8_t Bit(TRestoreAspect a) { return std::uint8_t(1u << unsigned(a)); }
    std::uint8_t FBits = 0;
};

// The three states a top-level window can be saved in. The numbers are the
// ones the "_WindowState" key stores.
enum class TWinState : int { wsMinimized = 1, wsNormal = 2, wsMaximized = 3 };

// A window's placement as the restorer sees it: the position of its frame, its
// size, and its state.
struct TWinPlacement {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    TWinState State = TWinState::wsNormal;
    bool operator==(const TWinPlacement&) const = default;
};

// Keeps windows' placements in the "WindowsRestorer" section, one group of
// keys per window class: "<class>_Left", "_Top", "_Width", "_Height",
// "_WindowState".
class TWinRestorer {
public:
    static constexpr const char* Section = "WindowsRestorer";

    // Throws Exception when `defaults` itself contains raDefault.
    explicit TWinRestorer(TRestoreAspects defaults);

    TRestoreAspects Defaults() const { return FDefaults; }
    // raDefault inside `aspects` adds the restorer's default set.
    TRestoreAspects Resolve(TRestoreAspects aspects) const;

    // Reads the keys of the chosen aspects, each falling back to what
    // `placement` holds now. A stored state other than 1, 2 or 3 leaves the
    // state as it is.
    void Restore(const TIniFile& ini, const std::string& className, TRestoreAspects aspects,
                 TWinPlacement& placement) const;
    // Writes the state when asked; size and location only for a window in its
    // normal state, so a maximised or minimised window keeps its last normal
    // bounds in the file.
    void Save(TIniFile& ini, const std::string& className, TRestoreAspects aspects,
              const TWinPlacement& placement) const;

private:
    TRestoreAspects FDefaults;
};

}  // namespace curvane
