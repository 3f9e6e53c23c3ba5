// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/image/bmp_writer.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <random>

#include "core/support/exceptions.h"

namespace curvane {

namespace fs = std::filesystem;

namespace {

constexpr std::uint32_t FileHeaderSize = 14;  // BITMAPFILEHEADER
constexpr std::uint32_t InfoHeaderSize = 40;  // BITMAPINFOHEADER
constexpr std::uint32_t BiRgb = 0;
constexpr std::uint32_t BiBitfields = 3;
// The 5-6-5 layout of a 16-bit pixel; a 16-bit BI_RGB pixel is 5-5-5.
constexpr std::uint32_t Mask565Red = 0xF800, Mask565Green = 0x07E0, Mask565Blue = 0x001F;

constexpr int Red(std::uint32_t c) { return static_cast<int>((c >> 16) & 0xFF); }
constexpr int Green(std::uint32_t c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int Blue(std::uint32_t c) { return static_cast<int>(c & 0xFF); }
constexpr std::uint32_t Rgb(int r, int g, int b) {
    return static_cast<std::uint32_t>(r) << 16 | static_cast<std::uint32_t>(g) << 8 | static_cast<std::uint32_t>(b);
}

int Distance(std::uint32_t a, std::uint32_t b) {
    const int dr = Red(a) - Red(b), dg = Green(a) - Green(b), db = Blue(a) - Blue(b);
    return dr * dr + dg * dg + db * db;
}

// The cube's six levels per channel are 51 apart; the greys lie between
// them, 40 of them spread evenly over 0..255 (none falls on a cube level).
constexpr int CubeLevels = 6;
constexpr int CubeStep = 51;
constexpr int GreyCount = 40;
constexpr int CubeSize = CubeLevels * CubeLevels * CubeLevels;
static_assert(CubeSize + GreyCount == 256);

int GreyLevel(int i) { return ((i + 1) * 255 + (GreyCount + 1) / 2) / (GreyCount + 1); }

std::uint8_t NearestVga(std::uint32_t c) {
    const auto& palette = VgaPalette();
    int best = 0, bestDistance = std::numeric_limits<int>::max();
    for (int i = 0; i < 16; ++i) {
        const int d = Distance(c, palette[static_cast<std::size_t>(i)]);
        if (d < bestDistance) {
            best = i;
            bestDistance = d;
        }
    }
    return static_cast<std::uint8_t>(best);
}

// The distance is a sum over the channels, so the nearest cube entry is each
// channel rounded to its nearest level; only the greys need a search.
std::uint8_t NearestCube(std::uint32_t c) {
    const int r = (Red(c) + CubeStep / 2) / CubeStep;
    const int g = (Green(c) + CubeStep / 2) / CubeStep;
    const int b = (Blue(c) + CubeStep / 2) / CubeStep;
    int best = r * CubeLevels * CubeLevels + g * CubeLevels + b;
    const auto& palette = CubePalette();
    int bestDistance = Distance(c, palette[static_cast<std::size_t>(best)]);
    for (int i = CubeSize; i < 256; ++i) {
        const int d = Distance(c, palette[static_cast<std::size_t>(i)]);
        if (d < bestDistance) {
            best = i;
            bestDistance = d;
        }
    }
    return static_cast<std::uint8_t>(best);
}

class TByteWriter {
public:
    explicit TByteWriter(std::vector<std::uint8_t>& out) : FOut(out) {}
    void U8(std::uint32_t v) { FOut.push_back(static_cast<std::uint8_t>(v)); }
    void U16(std::uint32_t v) {
        U8(v);
        U8(v >> 8);
    }
    void U32(std::uint32_t v) {
        U16(v);
        U16(v >> 16);
    }

private:
    std::vector<std::uint8_t>& FOut;
};

void EncodeRow(const std::uint32_t* row, int width, TBmpDepth depth, std::uint8_t* out) {
    // Runs of one colour are common (background, frame): the last answer of
    // the palette search is kept.
    std::uint32_t lastColor = 0xFFFFFFFF;
    std::uint8_t lastIndex = 0;
    auto indexOf = [&](std::uint32_t c, auto nearest) {
        if (c != lastColor) {
            lastColor = c;
            lastIndex = nearest(c);
        }
        return lastIndex;
    };
    for (int x = 0; x < width; ++x) {
        const std::uint32_t c = row[x] & 0xFFFFFF;
        switch (depth) {
            case TBmpDepth::bd4: {
                const std::uint8_t i = indexOf(c, NearestVga);
                // Two pixels a byte, the left one in the high nibble.
                if (x % 2 == 0) out[x / 2] = static_cast<std::uint8_t>(i << 4);
                else out[x / 2] |= i;
                break;
            }
            case TBmpDepth::bd8:
                out[x] = indexOf(c, NearestCube);
                break;
            case TBmpDepth::bd15: {
                const auto v = static_cast<std::uint16_t>((Red(c) >> 3) << 10 | (Green(c) >> 3) << 5 | Blue(c) >> 3);
                out[2 * x] = static_cast<std::uint8_t>(v);
                out[2 * x + 1] = static_cast<std::uint8_t>(v >> 8);
                break;
            }
            case TBmpDepth::bd16: {
                const auto v = static_cast<std::uint16_t>((Red(c) >> 3) << 11 | (Green(c) >> 2) << 5 | Blue(c) >> 3);
                out[2 * x] = static_cast<std::uint8_t>(v);
                out[2 * x + 1] = static_cast<std::uint8_t>(v >> 8);
                break;
            }
            case TBmpDepth::bd24:
                out[3 * x] = static_cast<std::uint8_t>(Blue(c));
                out[3 * x + 1] = static_cast<std::uint8_t>(Green(c));
                out[3 * x + 2] = static_cast<std::uint8_t>(Red(c));
                break;
        }
    }
}

}  // namespace

bool IsBmpDepth(int bits) { return bits == 4 || bits == 8 || bits == 15 || bits == 16 || bits == 24; }

const std::array<std::uint32_t, 16>& VgaPalette() {
    static const std::array<std::uint32_t, 16> palette = {
        0x000000,  // black
        0x800000,  // maroon
        0x008000,  // green
        0x808000,  // olive
        0x000080,  // navy
        0x800080,  // purple
        0x008080,  // teal
        0xC0C0C0,  // silver
        0x808080,  // grey
        0xFF0000,  // red
        0x00FF00,  // lime
        0xFFFF00,  // yellow
        0x0000FF,  // blue
        0xFF00FF,  // fuchsia
        0x00FFFF,  // aqua
        0xFFFFFF,  // white
    };
    return palette;
}

const std::array<std::uint32_t, 256>& CubePalette() {
    static const std::array<std::uint32_t, 256> palette = [] {
        std::array<std::uint32_t, 256> p{};
        std::size_t n = 0;
        for (int r = 0; r < CubeLevels; ++r)
            for (int g = 0; g < CubeLevels; ++g)
                for (int b = 0; b < CubeLevels; ++b) p[n++] = Rgb(r * CubeStep, g * CubeStep, b * CubeStep);
        for (int i = 0; i < GreyCount; ++i) {
            const int v = GreyLevel(i);
            p[n++] = Rgb(v, v, v);
        }
        return p;
    }();
    return palette;
}

std::vector<std::uint8_t> EncodeBmp(const TBmpSource& source, TBmpDepth depth) {
    if (!source.Pixels || source.Width < 1 || source.Height < 1 || source.Stride < source.Width)
        throw Exception("Bitmap.Encode: the picture is empty");
    const int fileBits = depth == TBmpDepth::bd15 ? 16 : static_cast<int>(depth);
    const std::uint32_t paletteEntries = depth == TBmpDepth::bd4 ? 16 : depth == TBmpDepth::bd8 ? 256 : 0;
    const std::uint32_t masksSize = depth == TBmpDepth::bd16 ? 12 : 0;
    const std::uint32_t dataOffset = FileHeaderSize + InfoHeaderSize + masksSize + 4 * paletteEntries;
    const std::uint64_t rowBytes = (static_cast<std::uint64_t>(source.Width) * fileBits + 31) / 32 * 4;
    const std::uint64_t imageBytes = rowBytes * static_cast<std::uint64_t>(source.Height);
    if (imageBytes + dataOffset > std::numeric_limits<std::uint32_t>::max())
        throw Exception("Bitmap.Encode: the picture is too large for a bitmap file");

    std::vector<std::uint8_t> out;
    out.reserve(dataOffset + imageBytes);
    TByteWriter w(out);
    w.U8('B');
    w.U8('M');
    w.U32(static_cast<std::uint32_t>(dataOffset + imageBytes));
    w.U32(0);  // two reserved words
    w.U32(dataOffset);

    w.U32(InfoHeaderSize);
    w.U32(static_cast<std::uint32_t>(source.Width));
    w.U32(static_cast<std::uint32_t>(source.Height));  // positive: rows bottom-up
    w.U16(1);                                           // planes
    w.U16(static_cast<std::uint32_t>(fileBits));
    w.U32(depth == TBmpDepth::bd16 ? BiBitfields : BiRgb);
    w.U32(static_cast<std::uint32_t>(imageBytes));
    w.U32(static_cast<std::uint32_t>(source.PixelsPerMeter));
    w.U32(static_cast<std::uint32_t>(source.PixelsPerMeter));
    w.U32(paletteEntries);  // colours used
    w.U32(0);               // all colours important
    if (depth == TBmpDepth::bd16) {
        w.U32(Mask565Red);
        w.U32(Mask565Green);
        w.U32(Mask565Blue);
    }
    auto writePalette = [&](const auto& palette) {
        for (std::uint32_t c : palette) w.U32(c);  // blue, green, red, 0 in file order
    };
    if (depth == TBmpDepth::bd4) writePalette(VgaPalette());
    if (depth == TBmpDepth::bd8) writePalette(CubePalette());

    out.resize(dataOffset + imageBytes, 0);  // the row padding stays zero
    for (int y = 0; y < source.Height; ++y) {
        const std::uint32_t* row = source.Pixels + static_cast<std::ptrdiff_t>(source.Height - 1 - y) * source.Stride;
        EncodeRow(row, source.Width, depth, out.data() + dataOffset + static_cast<std::uint64_t>(y) * rowBytes);
    }
    return out;
}

void WriteFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    // The reason is the last system error, when there was one.
    const auto fail = [&](int error = 0) {
        throw EFileError("Unable to write to " + path + (error != 0 ? ": " + std::string(std::strerror(error)) : ""));
    };
    if (path.empty()) fail();
    std::error_code ec;
    // Through a symbolic link to the file it names, so the link survives.
    fs::path target(path);
    if (fs::is_symlink(fs::symlink_status(target, ec))) {
        const fs::path resolved = fs::canonical(target, ec);
        if (!ec) target = resolved;
    }
    const fs::file_status old = fs::status(target, ec);
    const bool existed = fs::exists(old);
    if (existed) {
        // Renaming over a read-only file would succeed; a direct write would
        // not. A file with no write bit at all counts as read-only even for root.
        constexpr fs::perms writeBits = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
        if (!fs::is_regular_file(old) || (old.permissions() & writeBits) == fs::perms::none) fail(EACCES);
        std::FILE* probe = std::fopen(target.c_str(), "r+b");
        if (!probe) fail(errno);
        std::fclose(probe);
    }

    static std::atomic<unsigned> counter{0};
    thread_local std::mt19937 random{std::random_device{}()};
    fs::path temp;
    std::FILE* file = nullptr;
    for (int attempt = 0; attempt < 16 && !file; ++attempt) {
        temp = target;
        temp += ".tmp" + std::to_string(random() % 1000000) + "_" + std::to_string(counter.fetch_add(1));
        file = std::fopen(temp.c_str(), "wbx");  // "x": never reuse a file that is there
    }
    if (!file) fail(errno);
    int error = 0;
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) error = errno;
    if (std::fclose(file) != 0 && error == 0) error = errno;
    if (error == 0 && existed) {
        fs::permissions(temp, old.permissions(), ec);
        error = ec.value();
    }
    if (error == 0) {
        fs::rename(temp, target, ec);
        error = ec.value();
    }
    if (error != 0) {
        fs::remove(temp, ec);
        fail(error);
    }
}

void WriteBmpFile(const std::string& path, const TBmpSource& source, TBmpDepth depth) {
    WriteFileAtomically(path, EncodeBmp(source, depth));
}

}  // namespace curvane
