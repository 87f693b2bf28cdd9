#include "entry_name.h"
#include "entry_path.h"
#include "name_text.h"

#include <gtest/gtest.h>
#include <vector>

namespace tessel {
namespace {

TEST(NameText, Utf8StaysAndOtherBytesAreReadAsWindows1252) {
    EXPECT_EQ(NameToUtf8("plain.tbl"), "plain.tbl");
    EXPECT_EQ(NameToUtf8("caf\xC3\xA9"), "caf\xC3\xA9");
    EXPECT_EQ(NameToUtf8("caf\xE9"), "caf\xC3\xA9");
    EXPECT_EQ(NameToUtf8("\x80"), "\xE2\x82\xAC");
    EXPECT_EQ(NameToUtf8("\x81"), "\xEF\xBF\xBD");
    EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));        // overlong
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));    // surrogate
    EXPECT_TRUE(IsValidUtf8("\xF0\x9F\x98\x80")); // emoji
}

TEST(NameText, UnsafeNamesAreRecognised) {
    EXPECT_TRUE(IsSafeEntryName("ships.tbl"));
    EXPECT_TRUE(IsSafeEntryName("..."));
    for (const std::string& name :
         std::vector<std::string>{"", ".", "..", "a/b", "/", std::string("a\0b", 3)})
        EXPECT_FALSE(IsSafeEntryName(name)) << name;
}

TEST(EntryPaths, NameEntriesAndFindTheFirstInDirectoryOrder) {
    FolderTree tree;
    TreeNode* root = tree.addRoot();
    TreeNode* data1 = tree.appendChild(root, "data");
    TreeNode* data2 = tree.appendChild(root, "data");
    TreeNode* ships = tree.appendChild(data2, "ships.tbl", MakeDirEntry(16, 0, 1, "ships.tbl"));
    TreeNode* fileNamedData = tree.appendChild(root, "data", MakeDirEntry(16, 0, 1, "data"));
    TreeNode* latin = tree.appendChild(root, "caf\xE9", MakeDirEntry(16, 0, 1, "caf\xE9"));

    EXPECT_EQ(EntryPath(ships), "data/ships.tbl");
    EXPECT_EQ(EntryPath(data2), "data/");
    EXPECT_EQ(EntryPath(root), "");
    EXPECT_EQ(FindEntry(tree, "data/ships.tbl"), ships);
    EXPECT_EQ(FindEntry(tree, "data"), data1);
    EXPECT_EQ(FindEntry(tree, "data/"), data1);
    EXPECT_EQ(FindEntry(tree, "caf\xC3\xA9"), latin);
    EXPECT_EQ(FindEntry(tree, "data/none"), nullptr);
    EXPECT_EQ(FindEntry(tree, ""), nullptr);
    EXPECT_EQ(FindEntry(tree, "/"), nullptr);
    tree.remove(data1);
    tree.remove(data2);
    EXPECT_EQ(FindEntry(tree, "data/"), nullptr);
    EXPECT_EQ(FindEntry(tree, "data"), fileNamedData);
}

} // namespace
} // namespace tessel
