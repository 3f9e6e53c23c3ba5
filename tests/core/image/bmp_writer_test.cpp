#include "core/image/bmp_writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "core/core_test_helpers.h"
#include "core/support/exceptions.h"

namespace curvane {
namespace {

namespace fs = std::filesystem;

std::uint32_t U32At(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

TEST(BmpWriter, RowsArePaddedAndFilesReplacedOnlyWhenWritable) {
    // 3 pixels of 24 bits are 9 bytes, padded to 12; 4 bits give 2 bytes, padded to 4.
    const std::vector<std::uint32_t> pixels(3 * 2, 0xFF336699);
    TBmpSource source{pixels.data(), 3, 2, 3};
    const auto bytes24 = EncodeBmp(source, TBmpDepth::bd24);
    EXPECT_EQ(bytes24.size(), 54u + 2 * 12);
    EXPECT_EQ(U32At(bytes24, 2), bytes24.size());
    EXPECT_EQ(bytes24[54], 0x99);  // blue first
    EXPECT_EQ(bytes24[63], 0) << "padding is zero";
    EXPECT_EQ(EncodeBmp(source, TBmpDepth::bd4).size(), 54u + 16 * 4 + 2 * 4);
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
