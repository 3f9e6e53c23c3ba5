// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace curvane {

struct TCodeChunk;
struct TCodeEntry;

// Executable memory for generated routines. Pages are never writable and
// executable at once:
//
// - Code is copied into the writable tail of a chunk (64 KiB, or larger for
//   a huge routine). Routines compiled one after another are packed together
//   in that tail.
// - Seal() (called before a routine first runs) flips the written part of the
//   tail to read-execute with one mprotect covering every routine written
//   since the last seal; the next routine starts on the following page.
// - Identical code (same formula, same cells) is found by content and shared,
//   sealed or not, so recompiling a formula that was compiled before, which
//   is what every resampling does, costs no system call at all.
// - Code whose last user is gone stays cached; chunks without users are given
//   back once the pool holds more than RetainBytes.
class TCodeBlock {
public:
    ~TCodeBlock();
    TCodeBlock(const TCodeBlock&) = delete;
    TCodeBlock& operator=(const TCodeBlock&) = delete;

    // Makes the code executable if it is not yet; returns its entry address.
    const void* Seal();
    std::vector<std::uint8_t> Bytes() const;
    std::size_t Size() const;

    // Pool statistics, for tests and benchmarks.
    static std::size_t SealCount();
    static std::size_t MappedBytes();

private:
    friend std::shared_ptr<TCodeBlock> AcquireCode(const std::uint8_t* bytes, std::size_t size);
    explicit TCodeBlock(TCodeEntry* entry) : FEntry(entry) {}
    TCodeEntry* FEntry;
};

// A block holding exactly these bytes (shared with any live or cached block of
// the same content). Throws std::bad_alloc if no memory can be mapped.
std::shared_ptr<TCodeBlock> AcquireCode(const std::uint8_t* bytes, std::size_t size);

constexpr std::size_t CodeChunkBytes = 64 * 1024;
// The cache is for a shared evaluator going back and forth between a
// window's formulas, which needs a few routines. The tools compile into
// evaluators of their own, whose code no later compile can share, and every
// routine sealed alone costs a page: a larger cache would only fill with their
// dead code, and stay in the resident memory of a long session.
constexpr std::size_t RetainBytes = 1024 * 1024;

}  // namespace curvane
