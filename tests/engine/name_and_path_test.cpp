#include "entry_name.h"
#include "entry_path.h"
#include "file_source.h"
#include "name_text.h"

#include "path_places.h"

#include <gtest/gtest.h>
#include <set>
#include <vector>

namespace tessel {
namespace {

TEST(NameText, Utf8StaysAndOtherBytesAreReadAsWindows1252) {
    EXPECT_EQ(NameToUtf8("plain.tbl"), "plain.tbl");
    EXPECT_EQ(NameToUtf8("caf\xC3\xA9"), "caf\xC3\xA9");
    EXPECT_EQ(NameToUtf8("caf\xE9"), "caf\xC3\xA9");
    EXPECT_EQ(NameToUtf8("\x80"), "\xE2\x82\xAC");
    EXPECT_EQ(NameToUtf8("\x81"), "\xC2\x81");    // undefined in the code page: its C1 control
    EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));        // overlong
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));    // surrogate
    EXPECT_TRUE(IsValidUtf8("\xF0\x9F\x98\x80")); // emoji
}

TEST(NameText, EveryByteValueShowsAsACharacterOfItsOwn) {
    // A name that is not UTF-8 shows each byte as one character: the 256 values must give
    // 256 different characters, or two stored names would show and extract alike.
    std::set<std::string> shown;
    for (int byte = 0; byte < 256; ++byte) {
        const std::string text = NameToUtf8(std::string{'\xFF', char(byte)});
        ASSERT_TRUE(IsValidUtf8(text)) << byte;
        ASSERT_EQ(text.substr(0, 2), "\xC3\xBF") << byte; // 0xFF is ÿ
        EXPECT_TRUE(shown.insert(text.substr(2)).second) << "byte " << byte << " shows as another does";
    }
    EXPECT_EQ(shown.size(), 256u);
    EXPECT_EQ(NameToUtf8("\xFF\x9D"), "\xC3\xBF\xC2\x9D");
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

// Names and paths are matched without making their folded keys: the comparisons must agree
// with comparing the folded copies, across word boundaries and the bytes beside the letters.
const std::vector<std::string> kTrickyPaths = {"",
                                               "a",
                                               "A",
                                               "data/ships.tbl",
                                               "DATA/SHIPS.TBL",
                                               "data/ships.tbl2",
                                               "data/ship",
                                               "data/ShipZ",
                                               "data/ship{",
                                               "data/ship`",
                                               "data/ship@",
                                               "data/ship[",
                                               "data_x/a",
                                               "dataX/a",
                                               "data/\xe9t\xe9",
                                               "data/\xc9T\xc9",
                                               "abcdefghijklmnopqrstuvwxyz",
                                               "ABCDEFGHIJKLMNOPQRSTUVWXYZ",
                                               "abcdefghijklmnopqrstuvwxyZ{"};

TEST(FoldedNames, CompareAsTheirFoldedCopiesDo) {
    const std::vector<std::string>& paths = kTrickyPaths;
    for (const std::string& a : paths) {
        for (const std::string& b : paths) {
            const std::string x = tessel::SourceKey(a), y = tessel::SourceKey(b);
            EXPECT_EQ(tessel::FoldedLess(a, b), x < y) << a << " / " << b;
            EXPECT_EQ(tessel::FoldedEqual()(a, b), x == y) << a << " / " << b;
            if (x == y) {
                EXPECT_EQ(tessel::FoldedHash()(a), tessel::FoldedHash()(b)) << a << " / " << b;
            }
        }
    }
}

// The merged tree's table gives paths one number per folded key and sorts the numbers as
// FoldedLess sorts the paths.
TEST(FoldedNames, PlacesNumberAndSortByKey) {
    tessel::PathPlaces places(kTrickyPaths.size());
    std::vector<std::uint32_t> numbers;
    for (const std::string& path : kTrickyPaths)
        numbers.push_back(places.place(path).first);
    for (std::size_t a = 0; a < kTrickyPaths.size(); ++a) {
        for (std::size_t b = 0; b < kTrickyPaths.size(); ++b)
            EXPECT_EQ(numbers[a] == numbers[b], tessel::FoldedEqual()(kTrickyPaths[a], kTrickyPaths[b]))
                << kTrickyPaths[a] << " / " << kTrickyPaths[b];
    }
    // The first path of each key stands for it.
    std::vector<std::string> firsts(places.size());
    for (std::size_t i = kTrickyPaths.size(); i-- > 0;)
        firsts[numbers[i]] = kTrickyPaths[i];
    const std::vector<std::uint32_t> sorted = places.sorted();
    ASSERT_EQ(sorted.size(), places.size());
    for (std::size_t i = 1; i < sorted.size(); ++i)
        EXPECT_TRUE(tessel::FoldedLess(firsts[sorted[i - 1]], firsts[sorted[i]]))
            << firsts[sorted[i - 1]] << " / " << firsts[sorted[i]];
}
