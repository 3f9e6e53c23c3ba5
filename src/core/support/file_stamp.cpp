// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/support/file_stamp.h"

#include <fstream>
#include <system_error>

namespace curvane {

std::uint64_t ContentHash(std::string_view bytes, std::uint64_t hash) {
    constexpr std::uint64_t Prime = 1099511628211ull;
    for (const char c : bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= Prime;
    }
    return hash;
}

TFileStamp ReadFileStamp(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    TFileStamp stamp;
    const fs::file_status status = fs::status(path, ec);
    if (ec || !fs::exists(status)) return stamp;
    stamp.Exists = true;
    stamp.Modified = fs::last_write_time(path, ec);
    if (!fs::is_regular_file(status)) return stamp;
    stamp.Size = fs::file_size(path, ec);
    if (ec) stamp.Size = 0;
    // In pieces: whatever has been put at the path since, however large, is
    // hashed without being held in memory.
    stamp.Hash = ContentHashStart;
    std::ifstream in(path, std::ios::binary);
    char buffer[64 * 1024];
    while (in) {
        in.read(buffer, sizeof buffer);
        stamp.Hash = ContentHash(std::string_view(buffer, static_cast<std::size_t>(in.gcount())), stamp.Hash);
    }
    return stamp;
}

}  // namespace curvane
