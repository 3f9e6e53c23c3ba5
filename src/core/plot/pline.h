// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <initializer_list>
#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace curvane {

// Writes the tagged values of the component-stream encoding: one tag byte,
// then the value, little-endian.
class TComponentWriter {
public:
    explicit TComponentWriter(std::ostream& stream) : FStream(stream) {}
    // Smallest of the 8, 16 and 32-bit integer forms that holds the value.
    void WriteInteger(std::int32_t value);
    // Short strings (up to 255 bytes) as 0x06, longer ones as 0x0C. Text is
    // UTF-8 throughout the program, so the separate UTF-8 tag is never needed.
    void WriteString(const std::string& value);
    // Untagged raw bytes (the vertex block of a polyline).
    void WriteRaw(const void* data, std::size_t size);

private:
    std::ostream& FStream;
};

// Reads what TComponentWriter writes, plus the wide (0x12) and UTF-8 (0x14)
// string forms. Every malformed or truncated value raises Exception with the
// message given to the constructor, so the owner decides how the failure reads.
class TComponentReader {
public:
    TComponentReader(std::istream& stream, std::string errorMessage);
    std::int32_t ReadInteger();
    std::string ReadString();
    void ReadRaw(void* data, std::size_t size);
    // Bytes between the read position and the end, when the stream can tell.
    std::optional<std::uint64_t> Remaining();
    [[noreturn]] void Fail() const;

private:
    std::uint8_t ReadByte();
    std::uint32_t ReadU32();
    std::istream& FStream;
    std::string FErrorMessage;
};

// Growable array of vertices of Dimension doubles each: 2D curves, axis marks,
// strokes and the rows of 3D meshes. Component 0 is x, 1 is y, 2 a colour
// (0x00BBGGRR stored as a double) where the polyline carries colours.
class TPline {
public:
    // Count and Capacity stay strictly below this.
    static constexpr std::int32_t MaxCount = 0x0FFFFFFF;
    // Vertices added by one automatic growth step.
    static constexpr std::int32_t GrowBy = 128;

    explicit TPline(std::int32_t dimension = 2);

    std::int32_t Count() const { return FCount; }
    std::int32_t Capacity() const { return FCapacity; }
    std::int32_t Dimension() const { return FDimension; }
    std::int32_t Tag() const { return FTag; }
    void SetTag(std::int32_t tag) { FTag = tag; }
    const std::string& Title() const { return FTitle; }
    void SetTitle(std::string title) { FTitle = std::move(title); }
    std::int32_t LineColor() const { return FLineColor; }
    // Recolours the vertices that still carry the old line colour; vertices with
    // a colour of their own keep it.
    void SetLineColor(std::int32_t color);

    // vertex points to Dimension doubles. Returns the new vertex's index.
    int Add(const double* vertex);
    // Takes the first Dimension values; fewer than Dimension is an error.
    int AddVertex(std::initializer_list<double> values);
    int AddVertex(std::span<const double> values);

    const double* GetVertex(int index) const;
    double* GetVertex(int index);
    void SetVertex(int index, const double* vertex);
    // Component 2 rounded to the nearest integer (ties to even); ERangeError when
    // it does not fit 32 bits. Needs Dimension >= 3.
    std::int32_t GetColor(int index) const;
    void SetColor(int index, std::int32_t color);

    void SetCapacity(std::int32_t capacity);
    // Growing fills the new vertices with zeros; storage grows to exactly n.
    void SetCount(std::int32_t count);
    // Re-lays the vertices in place; each keeps its first min(old, new) values.
    void SetDimension(std::int32_t dimension);
    void Grow(std::int32_t delta);
    // Adds `added` vertices after the last and returns the first of them, for
    // the caller to write whole: unlike SetCount it does not fill them first
    // (within the capacity they hold whatever the storage held).
    double* AppendUnfilled(std::int32_t added);
    void Clear();

    // Appends, in order, every polyline of the list that has this Dimension and
    // at least one vertex; others are skipped silently. The list may hold this
    // polyline itself.
    void Append(std::span<const TPline* const> plines);
    // Takes source's Dimension and vertices; LineColor, Title and Tag stay.
    // A null source is refused; assigning a polyline to itself changes nothing.
    void Assign(const TPline* source);
    void AssignTo(TPline* dest) const;
    // Exchanges Dimension and vertices with other, without copying them;
    // LineColor, Title and Tag stay with each.
    void SwapVertices(TPline& other) noexcept;

    [[noreturn]] void Error(const std::string& message) const;

    void SaveToStream(std::ostream& stream) const;
    void LoadFromStream(std::istream& stream);
    void PutToWriter(TComponentWriter& writer) const;
    void GetFromReader(TComponentReader& reader);

    // Count() * Dimension() doubles, vertex after vertex.
    const double* Data() const { return FData.data(); }
    double* Data() { return FData.data(); }

private:
    void CheckIndex(int index, const char* operation) const;
    void CheckColorIndex(int index, const char* operation) const;
    void Resize(std::int32_t capacity, std::int32_t dimension);

    std::int32_t FCount = 0;
    std::int32_t FCapacity = 0;
    std::int32_t FLineColor = 0;
    std::string FTitle;
    std::vector<double> FData;  // FCapacity * FDimension doubles
    std::int32_t FDimension = 1;
    std::int32_t FTag = 0;
};

// A 2D curve is broken where a vertex's x and y are NaN (a gap vertex, its
// colour 0): no segment joins the vertices on either side. Samplers never put
// two in a row, nor one at either end of a curve. The test reads x only, so
// it also holds for polylines of one component.
bool IsGapVertex(const double* vertex);
// Appends a gap vertex: NaN in x and y, zeros after them.
void AddGapVertex(TPline& curve);

}  // namespace curvane
