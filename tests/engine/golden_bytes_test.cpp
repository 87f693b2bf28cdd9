// One package written out byte by byte, by hand, from the format's table: a header and every
// kind of record (files, folders, a folder end between entries and one that ends the
// directory). The test builder, the loader and the writer must all agree with it.
#include "directory_buffer.h"
#include "entry_path.h"
#include "package.h"
#include "package_builder.h"

#include <gtest/gtest.h>

namespace tessel {
namespace {

std::string Hex(const char* text) {
    std::string bytes;
    for (const char* at = text; at[0] && at[1];) {
        if (*at == ' ' || *at == '\n') {
            ++at;
            continue;
        }
        bytes.push_back(static_cast<char>(std::stoi(std::string(at, 2), nullptr, 16)));
        at += 2;
    }
    return bytes;
}

// P/ { x = "abc" at 16, Q/ {} }, y = "z" at 19 (timestamp -1), R/ {}: eight records from 20.
const std::string kGolden = Hex(
    "56505650 02000000 14000000 08000000" // VPVP, 2, 20, 8
    "616263 7a"                           // abc z
    "10000000 00000000 50000000000000000000000000000000000000000000000000000000000000 00 00000000" // P
    "10000000 03000000 78000000000000000000000000000000000000000000000000000000000000 00 78563412" // x
    "10000000 00000000 51000000000000000000000000000000000000000000000000000000000000 00 00000000" // Q
    "01000000 00000000 2e2e0000000000000000000000000000000000000000000000000000000000 00 00000000" // .. (1)
    "01000000 00000000 2e2e0000000000000000000000000000000000000000000000000000000000 00 00000000" // .. (1)
    "13000000 01000000 79000000000000000000000000000000000000000000000000000000000000 00 ffffffff" // y
    "10000000 00000000 52000000000000000000000000000000000000000000000000000000000000 00 00000000" // R
    "10000000 00000000 2e2e0000000000000000000000000000000000000000000000000000000000 00 00000000" // .. (16)
);

TEST(GoldenBytes, TheBuilderTheLoaderAndTheWriterAllAgreeWithThem) {
    ASSERT_EQ(kGolden.size(), 16u + 4u + 8u * 44u);
    const std::string built = testing::PackageBuilder()
                                  .folder("P")
                                  .file("x", "abc", 0x12345678)
                                  .folder("Q")
                                  .end()
                                  .end()
                                  .file("y", "z", -1)
                                  .folder("R")
                                  .end()
                                  .bytes();
    EXPECT_EQ(built, kGolden);

    testing::TempDir dir;
    const std::string path = dir.file("golden.vp");
    testing::WriteFileBytes(path, kGolden);
    Package package;
    package.LoadPackage(path);
    std::vector<std::string> shape;
    for (const TreeNode* node : Subtree(package.tree().root())) {
        const EntryRecord* record = node->record();
        shape.push_back(EntryPath(node) +
                        (record ? " " + std::to_string(record->Offset) + "+" + std::to_string(record->Size) +
                                      "@" + std::to_string(record->Timestamp)
                                : ""));
    }
    EXPECT_EQ(shape, (std::vector<std::string>{"", "P/", "P/x 16+3@305419896", "P/Q/", "y 19+1@-1", "R/"}));

    DirectoryBuffer directory;
    EXPECT_EQ(WriteDirectory(package.tree(), directory), 8);
    EXPECT_EQ(std::string(directory.bytes.begin(), directory.bytes.end()), kGolden.substr(20));
    package.RewriteDirectory();
    EXPECT_EQ(testing::ReadFileBytes(path), kGolden);
}

} // namespace
} // namespace tessel
