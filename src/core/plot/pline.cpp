// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/plot/pline.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <istream>
#include <limits>
#include <new>
#include <ostream>
#include <utility>
#include <stdexcept>

#include "core/support/checked.h"
#include "core/support/exceptions.h"

namespace curvane {

// The stream format is little-endian and the vertex block is copied as raw
// doubles, which is only right on a little-endian host.
static_assert(std::endian::native == std::endian::little);

namespace {

constexpr std::uint8_t TagInt8 = 0x02;
constexpr std::uint8_t TagInt16 = 0x03;
constexpr std::uint8_t TagInt32 = 0x04;
constexpr std::uint8_t TagString = 0x06;      // 1-byte length
constexpr std::uint8_t TagLString = 0x0C;     // 32-bit length
constexpr std::uint8_t TagWString = 0x12;     // 32-bit count of UTF-16 units
constexpr std::uint8_t TagUtf8String = 0x14;  // 32-bit length, UTF-8 bytes

// Untrusted lengths are read in pieces of this size when the stream cannot say
// how much it still holds, so a forged length costs at most what is really there.
constexpr std::size_t ChunkBytes = 1 << 16;

const char* const BadFormat = "TPline.GetFromReader: bad pline format";
const char* const ObsoleteFormat =
    "TPline.GetFromReader: bad or obsolete pline format /use TPline.ReadObsoletePline()/";

void AppendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Unpaired surrogates become U+FFFD rather than failing the whole read.
std::string Utf16ToUtf8(const std::vector<std::uint16_t>& units) {
    std::string out;
    for (std::size_t i = 0; i < units.size(); ++i) {
        std::uint32_t u = units[i];
        if (u >= 0xD800 && u < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] < 0xE000) {
            AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (units[i + 1] - 0xDC00));
            ++i;
        } else if (u >= 0xD800 && u < 0xE000) {
            AppendUtf8(out, 0xFFFD);
        } else {
            AppendUtf8(out, u);
        }
    }
    return out;
}

}  // namespace

// --- TComponentWriter -------------------------------------------------------

void TComponentWriter::WriteInteger(std::int32_t value) {
    if (value >= -128 && value <= 127) {
        const std::int8_t v = static_cast<std::int8_t>(value);
        WriteRaw(&TagInt8, 1);
        WriteRaw(&v, 1);
    } else if (value >= -32768 && value <= 32767) {
        const std::int16_t v = static_cast<std::int16_t>(value);
        WriteRaw(&TagInt16, 1);
        WriteRaw(&v, 2);
    } else {
        WriteRaw(&TagInt32, 1);
        WriteRaw(&value, 4);
    }
}

void TComponentWriter::WriteString(const std::string& value) {
    if (value.size() <= 255) {
        const std::uint8_t len = static_cast<std::uint8_t>(value.size());
        WriteRaw(&TagString, 1);
        WriteRaw(&len, 1);
    } else {
        if (value.size() > std::numeric_limits<std::uint32_t>::max())
            throw Exception("TComponentWriter.WriteString: string too long");
        const std::uint32_t len = static_cast<std::uint32_t>(value.size());
        WriteRaw(&TagLString, 1);
        WriteRaw(&len, 4);
    }
    WriteRaw(value.data(), value.size());
}

void TComponentWriter::WriteRaw(const void* data, std::size_t size) {
    FStream.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
}

// --- TComponentReader -------------------------------------------------------

TComponentReader::TComponentReader(std::istream& stream, std::string errorMessage)
    : FStream(stream), FErrorMessage(std::move(errorMessage)) {}

void TComponentReader::Fail() const { throw Exception(FErrorMessage); }

void TComponentReader::ReadRaw(void* data, std::size_t size) {
    if (size == 0) return;
    FStream.read(static_cast<char*>(data), static_cast<std::streamsize>(size));
    if (static_cast<std::size_t>(FStream.gcount()) != size) Fail();
}

std::uint8_t TComponentReader::ReadByte() {
    std::uint8_t b = 0;
    ReadRaw(&b, 1);
    return b;
}

std::uint32_t TComponentReader::ReadU32() {
    std::uint32_t v = 0;
    ReadRaw(&v, 4);
    return v;
}

std::optional<std::uint64_t> TComponentReader::Remaining() {
    if (!FStream.good()) return std::nullopt;
    const auto here = FStream.tellg();
    if (here < 0) return std::nullopt;
    FStream.seekg(0, std::ios::end);
    const auto end = FStream.tellg();
    FStream.seekg(here);
    if (end < 0 || !FStream.good()) {
        FStream.clear();
        FStream.seekg(here);
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(end - here);
}

std::int32_t TComponentReader::ReadInteger() {
    switch (ReadByte()) {
        case TagInt8: {
            std::int8_t v = 0;
            ReadRaw(&v, 1);
            return v;
        }
        case TagInt16: {
            std::int16_t v = 0;
            ReadRaw(&v, 2);
            return v;
        }
        case TagInt32: {
            std::int32_t v = 0;
            ReadRaw(&v, 4);
            return v;
        }
        default:
            Fail();
    }
}

std::string TComponentReader::ReadString() {
    const std::uint8_t tag = ReadByte();
    std::uint64_t bytes = 0;
    switch (tag) {
        case TagString: bytes = ReadByte(); break;
        case TagLString:
        case TagUtf8String: bytes = ReadU32(); break;
        case TagWString: bytes = std::uint64_t{ReadU32()} * 2; break;
        default: Fail();
    }
    if (auto left = Remaining(); left && bytes > *left) Fail();
    std::string raw;
    while (raw.size() < bytes) {
        const std::size_t piece = static_cast<std::size_t>(std::min<std::uint64_t>(ChunkBytes, bytes - raw.size()));
        const std::size_t at = raw.size();
        raw.resize(at + piece);
        ReadRaw(raw.data() + at, piece);
    }
    if (tag != TagWString) return raw;
    std::vector<std::uint16_t> units(raw.size() / 2);
    std::memcpy(units.data(), raw.data(), units.size() * 2);
    return Utf16ToUtf8(units);
}

// --- TPline -----------------------------------------------------------------

TPline::TPline(std::int32_t dimension) { SetDimension(dimension); }

void TPline::Error(const std::string& message) const { throw Exception(message); }

void TPline::CheckIndex(int index, const char* operation) const {
    if (index < 0 || index >= FCount) Error(std::string("TPline.") + operation + ": Index out of bounds");
}

void TPline::CheckColorIndex(int index, const char* operation) const {
    CheckIndex(index, operation);
    // A colour lives in component 2; a thinner polyline has nowhere to keep it.
    if (FDimension < 3) Error(std::string("TPline.") + operation + ": Dimension below 3");
}

void TPline::Resize(std::int32_t capacity, std::int32_t dimension) {
    const std::size_t doubles = static_cast<std::size_t>(capacity) * static_cast<std::size_t>(dimension);
    try {
        FData.resize(doubles);
        // resize never gives memory back; do it when most of the block is unused.
        if (FData.capacity() / 2 > doubles) FData.shrink_to_fit();
    } catch (const std::bad_alloc&) {
        Error("TPline.SetCapacity: Out of memory");
    } catch (const std::length_error&) {
        Error("TPline.SetCapacity: Out of memory");
    }
}

int TPline::Add(const double* vertex) {
    if (FCount == FCapacity) Grow(GrowBy);
    ++FCount;
    SetVertex(FCount - 1, vertex);
    return FCount - 1;
}

int TPline::AddVertex(std::initializer_list<double> values) {
    return AddVertex(std::span<const double>(values.begin(), values.size()));
}

int TPline::AddVertex(std::span<const double> values) {
    if (values.size() < static_cast<std::size_t>(FDimension))
        Error("TPline.AddVertex: fewer values than Dimension");
    return Add(values.data());
}

const double* TPline::GetVertex(int index) const {
    CheckIndex(index, "GetVertex");
    return FData.data() + static_cast<std::size_t>(index) * FDimension;
}

double* TPline::GetVertex(int index) {
    CheckIndex(index, "GetVertex");
    return FData.data() + static_cast<std::size_t>(index) * FDimension;
}

void TPline::SetVertex(int index, const double* vertex) {
    CheckIndex(index, "SetVertex");
    std::memmove(FData.data() + static_cast<std::size_t>(index) * FDimension, vertex,
                 sizeof(double) * FDimension);
}

std::int32_t TPline::GetColor(int index) const {
    CheckColorIndex(index, "GetColor");
    return RoundChecked<std::int32_t>(FData[static_cast<std::size_t>(index) * FDimension + 2]);
}

void TPline::SetColor(int index, std::int32_t color) {
    CheckColorIndex(index, "SetColor");
    FData[static_cast<std::size_t>(index) * FDimension + 2] = color;
}

void TPline::SetLineColor(std::int32_t color) {
    if (color == FLineColor) return;
    if (FDimension >= 3) {
        const double old = FLineColor;
        for (std::int32_t i = 0; i < FCount; ++i) {
            double& c = FData[static_cast<std::size_t>(i) * FDimension + 2];
            // Compared after rounding, as GetColor sees it; a component that is
            // no colour at all (NaN, huge) is simply not the old line colour.
            if (std::isfinite(c) && std::nearbyint(c) == old) c = color;
        }
    }
    FLineColor = color;
}

void TPline::SetCapacity(std::int32_t capacity) {
    if (capacity < FCount || capacity >= MaxCount) Error("TPline.SetCapacity: Index out of bounds");
    if (capacity == FCapacity) return;
    Resize(capacity, FDimension);
    FCapacity = capacity;
}

void TPline::SetCount(std::int32_t count) {
    if (count < 0 || count >= MaxCount) Error("TPline.SetCount: Index out of bounds");
    if (count > FCapacity) SetCapacity(count);
    if (count > FCount)
        std::fill(FData.begin() + static_cast<std::ptrdiff_t>(FCount) * FDimension,
                  FData.begin() + static_cast<std::ptrdiff_t>(count) * FDimension, 0.0);
    FCount = count;
}

double* TPline::AppendUnfilled(std::int32_t added) {
    if (added < 0 || std::int64_t{FCount} + added >= MaxCount) Error("TPline.SetCount: Index out of bounds");
    const std::int32_t count = FCount + added;
    if (count > FCapacity) SetCapacity(count);
    double* first = FData.data() + static_cast<std::ptrdiff_t>(FCount) * FDimension;
    FCount = count;
    return first;
}

void TPline::SetDimension(std::int32_t dimension) {
    if (dimension == FDimension) return;
    if (dimension < 1) Error("TPline.SetDimension: Invalid NewDimension=" + std::to_string(dimension));
    if (FCapacity != 0) {
        const std::size_t oldDim = FDimension, newDim = dimension;
        if (newDim > oldDim) {
            Resize(FCapacity, dimension);
            // From the last vertex down, so no vertex is overwritten before it moves.
            for (std::int32_t i = FCount - 1; i >= 0; --i) {
                double* to = FData.data() + i * newDim;
                std::memmove(to, FData.data() + i * oldDim, oldDim * sizeof(double));
                std::fill(to + oldDim, to + newDim, 0.0);
            }
        } else {
            for (std::int32_t i = 1; i < FCount; ++i)
                std::memmove(FData.data() + i * newDim, FData.data() + i * oldDim, newDim * sizeof(double));
            Resize(FCapacity, dimension);
        }
    }
    FDimension = dimension;
}

void TPline::Grow(std::int32_t delta) {
    // Computed in 64 bits so a huge delta reads as out of bounds, not as a wrap.
    const std::int64_t wanted = std::int64_t{FCapacity} + delta;
    if (wanted < FCount || wanted >= MaxCount) Error("TPline.SetCapacity: Index out of bounds");
    SetCapacity(static_cast<std::int32_t>(wanted));
}

void TPline::SwapVertices(TPline& other) noexcept {
    std::swap(FCount, other.FCount);
    std::swap(FCapacity, other.FCapacity);
    std::swap(FDimension, other.FDimension);
    FData.swap(other.FData);
}

void TPline::Clear() {
    SetCount(0);
    SetCapacity(0);
    FData.clear();
    FData.shrink_to_fit();
}

void TPline::Append(std::span<const TPline* const> plines) {
    for (const TPline* p : plines) {
        if (p == nullptr || p->FDimension != FDimension || p->FCount == 0) continue;
        const std::int32_t added = p->FCount;
        const std::int32_t oldCount = FCount;
        if (std::int64_t{oldCount} + added >= MaxCount) Error("TPline.SetCapacity: Index out of bounds");
        const std::int32_t total = oldCount + added;
        if (total > FCapacity) SetCapacity(total);
        // After the resize: p may be this polyline, whose block just moved.
        std::memmove(FData.data() + static_cast<std::size_t>(oldCount) * FDimension, p->FData.data(),
                     static_cast<std::size_t>(added) * FDimension * sizeof(double));
        FCount = total;
    }
}

void TPline::Assign(const TPline* source) {
    if (source == nullptr) Error("TPline.Assign: Source not a TPline");
    if (source == this) return;  // clearing first would lose the very vertices to copy
    Clear();
    SetDimension(source->FDimension);
    const TPline* list[] = {source};
    Append(list);
}

void TPline::AssignTo(TPline* dest) const {
    if (dest == nullptr) Error("TPline.AssignTo: Dest not a TPline");
    dest->Assign(this);
}

void TPline::SaveToStream(std::ostream& stream) const {
    TComponentWriter writer(stream);
    PutToWriter(writer);
    if (!stream) Error("TPline.SaveToStream: stream write error");
}

void TPline::LoadFromStream(std::istream& stream) {
    TComponentReader reader(stream, BadFormat);
    GetFromReader(reader);
}

void TPline::PutToWriter(TComponentWriter& writer) const {
    writer.WriteString("P");
    writer.WriteString("pline begin");
    writer.WriteInteger(FTag);
    writer.WriteString(FTitle);
    writer.WriteInteger(FDimension);
    writer.WriteInteger(FCount);
    writer.WriteRaw(FData.data(), static_cast<std::size_t>(FCount) * FDimension * sizeof(double));
    writer.WriteString("pline end");
}

void TPline::GetFromReader(TComponentReader& reader) {
    // Whatever stands first, if it is not the one-letter marker this class
    // writes, the polyline is left exactly as it was.
    std::string marker;
    try {
        marker = reader.ReadString();
    } catch (const Exception&) {
        Error(ObsoleteFormat);
    }
    if (marker != "P") Error(ObsoleteFormat);
    if (reader.ReadString() != "pline begin") Error(BadFormat);

    Clear();
    FTag = reader.ReadInteger();
    FTitle = reader.ReadString();
    const std::int32_t dimension = reader.ReadInteger();
    const std::int32_t count = reader.ReadInteger();
    SetDimension(dimension);
    if (count < 0 || count >= MaxCount) Error("TPline.SetCount: Index out of bounds");

    // Dimension and Count come from the file: nothing is allocated for them
    // until the stream is known to hold that many bytes.
    const std::uint64_t bytes = std::uint64_t(count) * std::uint64_t(dimension) * sizeof(double);
    if (bytes / sizeof(double) / std::uint64_t(dimension) != std::uint64_t(count) ||
        bytes > std::numeric_limits<std::size_t>::max() / 2)
        Error(BadFormat);
    if (auto left = reader.Remaining()) {
        if (bytes > *left) Error(BadFormat);
        SetCount(count);
        try {
            reader.ReadRaw(FData.data(), bytes);
        } catch (const Exception&) {
            SetCount(0);
            throw;
        }
    } else {
        std::vector<double> block;
        const std::size_t wanted = static_cast<std::size_t>(bytes / sizeof(double));
        while (block.size() < wanted) {
            const std::size_t piece = std::min(wanted - block.size(), ChunkBytes / sizeof(double));
            const std::size_t at = block.size();
            block.resize(at + piece);
            reader.ReadRaw(block.data() + at, piece * sizeof(double));
        }
        SetCount(count);
        std::copy(block.begin(), block.end(), FData.begin());
    }
    if (reader.ReadString() != "pline end") Error(BadFormat);
}

bool IsGapVertex(const double* vertex) { return std::isnan(vertex[0]); }

void AddGapVertex(TPline& curve) {
    std::vector<double> vertex(static_cast<std::size_t>(curve.Dimension()), 0.0);
    vertex[0] = std::numeric_limits<double>::quiet_NaN();
    if (vertex.size() > 1) vertex[1] = vertex[0];
    curve.Add(vertex.data());
}

}  // namespace curvane
