// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/image/bmp_writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "core/core_test_helpers.h"
#include "core/support/exceptions.h"

namespace curvane {
namespace {

namespace fs = std::filesystem;

// Encoding is checked against Qt's reader in the render tests; here, the file.
TEST(BmpWriter, FilesAreReplacedWholeAndOnlyWhenWritable) {
    const std::vector<std::uint32_t> pixels(3 * 2, 0xFF336699);
    const TBmpSource source{pixels.data(), 3, 2, 3};
    const auto bytes24 = EncodeBmp(source, TBmpDepth::bd24);
    EXPECT_THROW(EncodeBmp(TBmpSource{pixels.data(), 0, 2, 3}, TBmpDepth::bd8), Exception);

    test::TTempDir dir;
    const std::string path = dir.File("a.bmp");
    test::WriteAll(path, "old");
    WriteBmpFile(path, source, TBmpDepth::bd24);
    EXPECT_EQ(fs::file_size(path), bytes24.size());
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path), fs::directory_iterator()), 1) << "no temporary left";

    fs::permissions(path, fs::perms::owner_read);
    try {
        WriteFileAtomically(path, {1, 2, 3});
        ADD_FAILURE() << "a read-only file was replaced";
    } catch (const EFileError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Unable to write to " + path + ": ", 0), 0u) << e.what();
    }
    EXPECT_EQ(fs::file_size(path), bytes24.size());
    EXPECT_THROW(WriteFileAtomically(dir.File("missing/b.bmp"), {1}), EFileError);
}

}  // namespace
}  // namespace curvane
