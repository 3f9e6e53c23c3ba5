// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

namespace curvane {

// The display lists of the label font: list GlyphListBase + c draws
// character c (0..GlyphCount - 1, Latin-1) as flat filled triangles in the
// z = 0 plane, in units where the font's em is 1 and the baseline is y = 0,
// then moves the current position right by the character's advance.
inline constexpr unsigned GlyphListBase = 100;
inline constexpr int GlyphCount = 255;

// One character's outline, triangulated: x, y pairs, three per triangle.
struct TGlyphOutline {
    std::vector<float> Triangles;
    float Advance = 0;
};

// The label font's characters 0..GlyphCount - 1, computed once per process
// (it needs the QGuiApplication for the font database).
const std::vector<TGlyphOutline>& LabelGlyphs();

// Compiles the lists into the current context, replacing what those list
// names held. Contexts that share lists may each call it: the lists come out
// the same, and none is ever deleted while another context could use it.
void BuildGlyphLists();

// Calls the lists of text's characters (Latin-1; others are skipped) from
// the current position, with GlyphListBase as the list base.
void DrawGlyphText(const std::string& text);

}  // namespace curvane
