#include "package.h"
#include "package_builder.h"
#include "package_error.h"

#include <gtest/gtest.h>
#include <vector>

namespace tessel {
namespace {

using testing::HeaderBytes;
using testing::PackageBuilder;
using testing::Rec;
using testing::RecordBytes;
using testing::TempDir;
using testing::WriteFileBytes;

// The tree as "text" for files and "text(...)" for folders, below the root.
std::string Shape(const TreeNode* folder) {
    std::string out;
    for (const TreeNode* child = folder->firstChild(); child; child = child->nextSibling()) {
        if (!out.empty())
            out += " ";
        out += child->text();
        if (child->isFolder())
            out += "(" + Shape(child) + ")";
    }
    return out;
}

struct Loader : ::testing::Test {
    TempDir dir;
    std::string path = dir.file("p.vp");
    Package package;
    const FolderTree& tree = package.tree();

    std::string load(const std::string& bytes) {
        WriteFileBytes(path, bytes);
        package.LoadPackage(path);
        return Shape(tree.root());
    }
    std::string loadError(const std::string& bytes) {
        WriteFileBytes(path, bytes);
        try {
            package.LoadPackage(path);
        } catch (const PackageError& error) {
            return error.what();
        }
        return "no error";
    }
};

TEST_F(Loader, RebuildsFolderNestingFromMarkerRecords) {
    EXPECT_EQ(load(PackageBuilder().folder("P").file("x", "1").end().file("y", "2").bytes()), "P(x) y");
    EXPECT_EQ(load(PackageBuilder().folder("P").end().end().file("x", "1").bytes()), "P() x");
    EXPECT_EQ(load(PackageBuilder().folder("A").folder("B").file("x", "1").file("y", "22").bytes()),
              "A(B(x y))");
    EXPECT_EQ(load(PackageBuilder().file("d", "1").file("d", "2").bytes()), "d d");
    EXPECT_EQ(tree.root()->text(), "Main");
    EXPECT_EQ(tree.root()->firstChild()->record()->Size, 1);
}

TEST_F(Loader, KeepsEachFileRecordByteForByte) {
    const testing::Record odd = Rec(16, 0, -7, std::string(32, 'Q'));
    const testing::Record folderWithValues = Rec(12345, 678, 0, "F");
    std::string bytes = HeaderBytes(16, 2) + RecordBytes(odd) + RecordBytes(folderWithValues);
    EXPECT_EQ(load(bytes), std::string(32, 'Q') + " F()");
    const EntryRecord& kept = *tree.root()->firstChild()->record();
    EXPECT_EQ(std::string(kept.Name.begin(), kept.Name.end()), odd.name);
    EXPECT_EQ(kept.Offset, 16);
    EXPECT_EQ(kept.Timestamp, -7);
    EXPECT_FALSE(tree.root()->lastChild()->record());
}

TEST_F(Loader, ReadsAFileWithTimestampZeroAsAFolderThatHoldsWhatFollows) {
    std::string bytes =
        PackageBuilder().raw(Rec(16, 0, 0, "notafile")).file("a", "x").end().file("b", "y").bytes();
    EXPECT_EQ(load(bytes), "notafile(a) b");
}

TEST_F(Loader, IgnoresMagicAndVersionAndTreatsEmptyOrNegativeCountsAsEmpty) {
    EXPECT_EQ(load(HeaderBytes(16, 0, "ABCD", 9)), "");
    EXPECT_EQ(load(HeaderBytes(16, -3)), "");
    std::string foreign = PackageBuilder().file("a", "x").bytes();
    foreign.replace(0, 4, "ZZZZ");
    EXPECT_EQ(load(foreign), "a");
    EXPECT_EQ(tree.count(), 2u);
}

TEST_F(Loader, FilesShorterThanTheHeaderAreEmptyPackages) {
    EXPECT_EQ(load(""), "");
    EXPECT_EQ(load("VPVP"), "");
    EXPECT_EQ(tree.count(), 1u);
}

TEST_F(Loader, RefusesDirectoriesOutsideTheFileAndKeepsThePreviousPackage) {
    load(PackageBuilder().file("kept", "x").bytes());
    const std::string full = FullPath(path);
    EXPECT_EQ(loadError(HeaderBytes(9000, 1) + std::string(8176, '\0')),
              "\"" + full +
                  "\" is damaged: directory at offset 9000 lies past the end of the file (8192 bytes)");
    EXPECT_EQ(loadError(HeaderBytes(-4, 1)),
              "\"" + full + "\" is damaged: directory at offset -4 lies past the end of the file (16 bytes)");
    EXPECT_EQ(
        loadError(HeaderBytes(16, 3) + std::string(100, '\0')),
        "\"" + full +
            "\" is damaged: directory of 3 records at offset 16 runs past the end of the file (116 bytes)");
    EXPECT_EQ(loadError(HeaderBytes(16, 0x7fffffff) + std::string(44, '\0')),
              "\"" + full +
                  "\" is damaged: directory of 2147483647 records at offset 16 runs past the end of the file "
                  "(60 bytes)");
    EXPECT_EQ(loadError(HeaderBytes(4, 1) + std::string(44, '\0')),
              "\"" + full + "\" is damaged: directory at offset 4 overlaps the header");
    EXPECT_EQ(Shape(tree.root()), "kept");
}

TEST_F(Loader, ReplacesThePreviousPackageWhole) {
    load(PackageBuilder().folder("old").file("o", "1").end().bytes());
    EXPECT_EQ(load(PackageBuilder().file("new", "2").bytes()), "new");
    EXPECT_EQ(tree.count(), 2u);
}

TEST_F(Loader, MissingFilesFailWithTheSystemsReason) {
    const std::string missing = dir.file("none.vp");
    try {
        package.LoadPackage(missing);
        FAIL();
    } catch (const PackageError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Cannot open file \"" + missing + "\". No such file or directory");
    }
    EXPECT_TRUE(tree.empty());
}

TEST_F(Loader, AnExclusiveHolderBlocksTheLoad) {
    WriteFileBytes(path, PackageBuilder().file("a", "x").bytes());
    PackageFile holder = PackageFile::Open(path, FileAccess::Read, FileSharing::Exclusive);
    EXPECT_THROW(package.LoadPackage(path), PackageError);
    holder.close();
    package.LoadPackage(path);
    EXPECT_EQ(Shape(tree.root()), "a");
}

TEST_F(Loader, LargeDirectoriesLoadAcrossReadBatches) {
    PackageBuilder builder;
    for (int i = 0; i < 10000; ++i)
        builder.file("f" + std::to_string(i), "");
    load(builder.bytes());
    EXPECT_EQ(tree.count(), 10001u);
    EXPECT_EQ(tree.root()->lastChild()->text(), "f9999");
}

} // namespace
} // namespace tessel

namespace tessel {
namespace {

TEST(PartLoader, KeepsWhatThePathsNameAndTheFoldersAroundIt) {
    TempDir dir;
    const std::string path = dir.file("p.vp");
    PackageBuilder()
        .folder("data")
        .file("a", "1")
        .folder("sub")
        .file("b", "2")
        .end()
        .end()
        .folder("data")
        .file("caf\xE9", "3")
        .end()
        .file("top", "4")
        .writeTo(path);
    const struct {
        std::vector<std::string> paths;
        std::string shape;
    } cases[] = {
        {{"data/a"}, "data(a)"},
        {{"data/sub/"}, "data(sub(b))"},
        {{"data/sub"}, "data(sub(b))"},
        {{"data/a/"}, ""},
        {{"top", "data/caf\xC3\xA9"}, "data(caf\xE9) top"},
        {{"nothing/at/all"}, ""},
    };
    for (const auto& c : cases) {
        Package package;
        package.LoadEntries(path, c.paths);
        // Folders on the way are kept only where something inside them is.
        std::string shape = Shape(package.tree().root());
        EXPECT_EQ(shape, c.shape) << c.paths.front();
    }
    Package part;
    part.LoadEntries(path, {"top"});
    EXPECT_THROW(part.RenameEntry(part.tree().root()->firstChild(), "x"), std::logic_error);
}

} // namespace
} // namespace tessel
