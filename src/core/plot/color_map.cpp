// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/plot/color_map.h"

#include <cmath>

namespace curvane {

namespace {

// Each scale sampled at nine evenly spaced points, 0, 1/8, ..., 1, from the
// published tables of the maps; colours between are interpolated linearly
// in sRGB, which stays within a few units of the full 256-entry tables.
constexpr int Samples = 9;
using TSamples = TRgb8[Samples];

constexpr TSamples Viridis = {{0x44, 0x01, 0x54}, {0x47, 0x2D, 0x7B}, {0x3B, 0x52, 0x8B},
                              {0x2C, 0x72, 0x8E}, {0x21, 0x90, 0x8C}, {0x27, 0xAD, 0x81},
                              {0x5D, 0xC8, 0x63}, {0xAA, 0xDC, 0x32}, {0xFD, 0xE7, 0x25}};
constexpr TSamples Plasma = {{0x0D, 0x08, 0x87}, {0x47, 0x03, 0x9F}, {0x73, 0x01, 0xA8},
                             {0x9C, 0x17, 0x9E}, {0xBD, 0x37, 0x86}, {0xD8, 0x57, 0x6B},
                             {0xED, 0x79, 0x53}, {0xFA, 0x9E, 0x3B}, {0xF0, 0xF9, 0x21}};
constexpr TSamples Magma = {{0x00, 0x00, 0x04}, {0x1D, 0x11, 0x47}, {0x51, 0x12, 0x7C},
                            {0x82, 0x26, 0x81}, {0xB6, 0x36, 0x79}, {0xE6, 0x51, 0x64},
                            {0xFB, 0x88, 0x61}, {0xFE, 0xC2, 0x87}, {0xFC, 0xFD, 0xBF}};
constexpr TSamples Inferno = {{0x00, 0x00, 0x04}, {0x1B, 0x0C, 0x42}, {0x4B, 0x0C, 0x6B},
                              {0x78, 0x1C, 0x6D}, {0xA5, 0x2C, 0x60}, {0xCF, 0x44, 0x46},
                              {0xED, 0x69, 0x25}, {0xFB, 0x9A, 0x06}, {0xFC, 0xFF, 0xA4}};
constexpr TSamples Cividis = {{0x00, 0x20, 0x4D}, {0x00, 0x33, 0x6F}, {0x39, 0x48, 0x6B},
                              {0x57, 0x5C, 0x6D}, {0x70, 0x71, 0x73}, {0x8A, 0x87, 0x79},
                              {0xA6, 0x9D, 0x75}, {0xC4, 0xB5, 0x6C}, {0xFF, 0xEA, 0x46}};

struct TMapEntry {
    const char* Name;
    const TSamples& Colors;
};

// In the order of TColorMap.
constexpr TMapEntry Maps[ColorMapCount] = {
    {"Viridis", Viridis}, {"Plasma", Plasma}, {"Magma", Magma}, {"Inferno", Inferno}, {"Cividis", Cividis},
};

const TMapEntry& Entry(TColorMap map) {
    const int i = static_cast<int>(map);
    return Maps[i >= 0 && i < ColorMapCount ? i : 0];
}

std::uint8_t Mix(std::uint8_t a, std::uint8_t b, double f) {
    return static_cast<std::uint8_t>(std::lround(a + (b - a) * f));
}

}  // namespace

TRgb8 ColorMapAt(TColorMap map, double t) {
    const TSamples& c = Entry(map).Colors;
    if (!(t > 0)) return c[0];
    if (t >= 1) return c[Samples - 1];
    const double at = t * (Samples - 1);
    const int i = static_cast<int>(at);
    const double f = at - i;
    return {Mix(c[i].R, c[i + 1].R, f), Mix(c[i].G, c[i + 1].G, f), Mix(c[i].B, c[i + 1].B, f)};
}

const char* ColorMapName(TColorMap map) { return Entry(map).Name; }

}  // namespace curvane
