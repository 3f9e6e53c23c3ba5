// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace curvane {

// The pixel formats a picture is saved in as a Windows bitmap: 16 colours
// (the standard VGA palette), 256 colours (a 6x6x6 colour cube and 40 greys),
// 32K colours (5-5-5), 64K colours (5-6-5) and true colour.
enum class TBmpDepth : std::uint8_t { bd4 = 4, bd8 = 8, bd15 = 15, bd16 = 16, bd24 = 24 };

// Whether `bits` is one of the depths above (15 counts, 32 does not).
bool IsBmpDepth(int bits);

// A picture of 32-bit pixels 0xAARRGGBB (alpha ignored), top row first, each
// row `Stride` pixels after the previous one.
struct TBmpSource {
    const std::uint32_t* Pixels = nullptr;
    int Width = 0;
    int Height = 0;
    std::ptrdiff_t Stride = 0;
    // Written into the header; 3780 is 96 dots per inch.
    std::int32_t PixelsPerMeter = 3780;
};

// The palettes of the two indexed depths, as 0x00RRGGBB.
const std::array<std::uint32_t, 16>& VgaPalette();
const std::array<std::uint32_t, 256>& CubePalette();

// The whole .bmp file: rows bottom-up, each padded to 4 bytes; indexed
// depths take the palette colour nearest in RGB (no dithering), 15 and 16
// bits keep the top bits of each channel; 16 bits are stored as 5-6-5 with
// BI_BITFIELDS masks. Throws Exception for an empty picture or one whose
// file would pass 4 GB.
std::vector<std::uint8_t> EncodeBmp(const TBmpSource& source, TBmpDepth depth);

// Writes bytes to `path` through a temporary file in the same folder that is
// renamed over it, so a failed write leaves an older file as it was. A
// read-only file is not replaced. Throws EFileError "Unable to write to ...".
void WriteFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes);

// EncodeBmp written with WriteFileAtomically.
void WriteBmpFile(const std::string& path, const TBmpSource& source, TBmpDepth depth);

}  // namespace curvane
