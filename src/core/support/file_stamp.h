// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace curvane {

// What a file looked like when it was last read or written: enough to tell
// that someone else has written it since. The content hash catches a rewrite
// within the clock's resolution; the time catches a rewrite of the same
// bytes, which is still someone else's save. A stamp of a missing file has
// Exists false and nothing else set, so any two of them are equal.
struct TFileStamp {
    bool Exists = false;
    std::uintmax_t Size = 0;
    std::filesystem::file_time_type Modified{};
    std::uint64_t Hash = 0;

    bool operator==(const TFileStamp&) const = default;
};

// 64-bit FNV-1a: fast and spread enough to tell one version of a text file
// from another; it is no defence against someone who wants a collision. A
// hash is continued over more bytes by passing it back as `hash`.
inline constexpr std::uint64_t ContentHashStart = 14695981039346656037ull;
std::uint64_t ContentHash(std::string_view bytes, std::uint64_t hash = ContentHashStart);

// The stamp of path as it is now. Anything at the path counts as existing:
// something other than a file has only its time, and a file that cannot be
// read hashes as empty, so either still differs from the readable file that
// was stamped before. Never throws.
TFileStamp ReadFileStamp(const std::string& path);

}  // namespace curvane
