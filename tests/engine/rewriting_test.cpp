#include "directory_buffer.h"
#include "edit_journal.h"
#include "entry_path.h"
#include "package.h"
#include "package_builder.h"
#include "package_error.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <map>

namespace tessel {
namespace {

using testing::HeaderBytes;
using testing::PackageBuilder;
using testing::ReadFileBytes;
using testing::Rec;
using testing::RecordBytes;

constexpr std::int32_t kTime = testing::kDefaultTimestamp;

// Every file of the tree by its path, with the bytes its record points at in the file.
std::map<std::string, std::string> Contents(const FolderTree& tree, const std::string& bytes) {
    std::map<std::string, std::string> contents;
    for (const TreeNode* node = tree.root(); node; node = node->next()) {
        if (const EntryRecord* record = node->record())
            contents[EntryPath(node)] +=
                bytes.substr(std::size_t(record->Offset), std::size_t(record->Size)) + "|";
    }
    return contents;
}

// The tree as lines of path, offset, size, timestamp and the raw name field.
std::vector<std::string> Shape(const FolderTree& tree) {
    std::vector<std::string> lines;
    for (const TreeNode* node = tree.root(); node; node = node->next()) {
        std::string line = EntryPath(node) + "@" + std::to_string(node->level());
        if (const EntryRecord* record = node->record())
            line += " " + std::to_string(record->Offset) + " " + std::to_string(record->Size) + " " +
                    std::to_string(record->Timestamp) + " " +
                    std::string(record->Name.data(), kEntryNameSize);
        lines.push_back(line);
    }
    return lines;
}

struct Rewriting : ::testing::Test {
    testing::TempDir dir;
    std::string path = dir.file("p.vp");
    Package package;
    const FolderTree& tree = package.tree();

    void write(const PackageBuilder& builder) {
        builder.writeTo(path);
        package.LoadPackage(path);
    }
    const TreeNode* at(const std::string& entry) {
        const TreeNode* node = FindEntry(tree, entry);
        EXPECT_TRUE(node) << entry;
        return node;
    }
    // The file reloads into the same tree that memory holds.
    void expectFileMatchesTree() {
        Package reloadedPackage;
        reloadedPackage.LoadPackage(path);
        const FolderTree& reloaded = reloadedPackage.tree();
        EXPECT_EQ(Shape(reloaded), Shape(tree));
    }
};

TEST_F(Rewriting, TheDirectoryIsRegeneratedWithFolderEndOffsets) {
    FolderTree built;
    TreeNode* root = built.addRoot();
    TreeNode* a = built.appendChild(root, "A");
    built.appendChild(a, "f1", MakeDirEntry(16, 1, kTime, "f1"));
    TreeNode* b = built.appendChild(a, "B");
    built.appendChild(b, "f2", MakeDirEntry(17, 1, kTime, "f2"));
    built.appendChild(root, "f3", MakeDirEntry(18, 1, kTime, "f3"));
    DirectoryBuffer buffer;
    EXPECT_EQ(WriteDirectory(built, buffer), 7);
    EXPECT_EQ(DirectoryRecordCount(built), 7);
    const std::string expected = RecordBytes(Rec(16, 0, 0, "A")) + RecordBytes(Rec(16, 1, kTime, "f1")) +
                                 RecordBytes(Rec(16, 0, 0, "B")) + RecordBytes(Rec(17, 1, kTime, "f2")) +
                                 RecordBytes(Rec(1, 0, 0, "..")) + RecordBytes(Rec(1, 0, 0, "..")) +
                                 RecordBytes(Rec(18, 1, kTime, "f3"));
    EXPECT_EQ(std::string(buffer.bytes.begin(), buffer.bytes.end()), expected);

    FolderTree onlyEmpty;
    onlyEmpty.appendChild(onlyEmpty.addRoot(), std::string(32, 'C'));
    DirectoryBuffer second;
    EXPECT_EQ(WriteDirectory(onlyEmpty, second), 2);
    EXPECT_EQ(DirectoryRecordCount(onlyEmpty), 2);
    EXPECT_EQ(std::string(second.bytes.begin(), second.bytes.end()),
              RecordBytes(Rec(16, 0, 0, std::string(32, 'C'))) + RecordBytes(Rec(16, 0, 0, "..")));

    FolderTree rootOnly;
    rootOnly.addRoot();
    DirectoryBuffer none;
    EXPECT_EQ(WriteDirectory(rootOnly, none), 0);
    EXPECT_TRUE(none.bytes.empty());
}

TEST_F(Rewriting, DeletingTheMiddleFileMovesTheRestDown) {
    write(PackageBuilder()
              .file("a", std::string(100, 'a'))
              .file("b", std::string(50, 'b'))
              .file("c", std::string(30, 'c')));
    ASSERT_EQ(ReadFileBytes(path).size(), 328u);
    package.DeleteEntries({at("b")});
    const std::string expected =
        PackageBuilder().file("a", std::string(100, 'a')).file("c", std::string(30, 'c')).bytes();
    EXPECT_EQ(ReadFileBytes(path), expected);
    EXPECT_EQ(expected.size(), 234u);
    EXPECT_EQ(at("c")->record()->Offset, 116);
    expectFileMatchesTree();
}

TEST_F(Rewriting, DeletingTheLastDataOrAnEmptyFileOnlyCutsOrRewrites) {
    write(PackageBuilder().file("a", "AAAA").file("z", "").file("b", "BB"));
    package.DeleteEntries({at("b")});
    EXPECT_EQ(ReadFileBytes(path), PackageBuilder().file("a", "AAAA").file("z", "").bytes());
    package.DeleteEntries({at("z")});
    EXPECT_EQ(ReadFileBytes(path), PackageBuilder().file("a", "AAAA").bytes());
}

TEST_F(Rewriting, DeletingFoldersTakesEverythingInside) {
    write(PackageBuilder()
              .file("first", "11")
              .folder("gone")
              .file("x", "XXX")
              .folder("deeper")
              .file("y", "YYYY")
              .end()
              .end()
              .folder("keep")
              .file("z", "ZZ")
              .end());
    package.DeleteEntries({at("gone/")});
    EXPECT_EQ(ReadFileBytes(path),
              PackageBuilder().file("first", "11").folder("keep").file("z", "ZZ").end().bytes());
    // Emptying a folder leaves it, written as a folder record and its end.
    package.DeleteEntries({at("keep/z")});
    EXPECT_EQ(ReadFileBytes(path), PackageBuilder().file("first", "11").folder("keep").end().bytes());
    expectFileMatchesTree();
    // Folders without files: the directory stays where it was.
    const auto before = ReadFileBytes(path);
    package.DeleteEntries({at("keep/")});
    EXPECT_EQ(ReadFileBytes(path), PackageBuilder().file("first", "11").bytes());
    // The directory's offset in the header is the one it had.
    EXPECT_EQ(ReadFileBytes(path).substr(8, 4), before.substr(8, 4));
}

TEST_F(Rewriting, OnePassLeavesWhatDeletingOneByOneLeaves) {
    PackageBuilder builder;
    for (int i = 0; i < 12; ++i) {
        if (i % 4 == 0)
            builder.folder("d" + std::to_string(i));
        builder.file("f" + std::to_string(i), std::string(std::size_t(10 + i * 7), char('a' + i)));
        if (i % 4 == 3)
            builder.end();
    }
    write(builder);
    const std::vector<std::string> victims = {"d0/f1", "d4/", "d8/f11", "d0/f3"};
    for (const std::string& victim : victims)
        package.DeleteEntries({at(victim)});
    const std::string oneByOne = ReadFileBytes(path);
    write(builder);
    std::vector<const TreeNode*> nodes;
    for (const std::string& victim : victims)
        nodes.push_back(at(victim));
    package.DeleteEntries(nodes);
    EXPECT_EQ(ReadFileBytes(path), oneByOne);
    expectFileMatchesTree();
}

// However the moves are cut (straight copies, journal windows of every length, in one step
// or many), a delete leaves the same file, every entry's bytes kept.
TEST_F(Rewriting, EveryWayOfMovingLeavesTheSameFile) {
    PackageBuilder builder;
    for (int i = 0; i < 24; ++i)
        builder.file("f" + std::to_string(i), std::string(std::size_t(5 + (i * 37) % 90), char('A' + i)));
    write(builder);
    std::map<std::string, std::string> kept = Contents(tree, ReadFileBytes(path));
    const std::vector<std::string> victims = {"f1", "f2", "f9", "f15", "f16", "f17", "f22"};
    for (const std::string& victim : victims)
        kept.erase(victim);
    std::string first;
    for (const MoveLimits limits : {MoveLimits{}, MoveLimits{64, 96}, MoveLimits{40, 7}, MoveLimits{1000, 33},
                                    MoveLimits{1000, 300, 16}, MoveLimits{64, 96, 5}}) {
        SetMoveLimits(limits);
        write(builder);
        std::vector<const TreeNode*> nodes;
        for (const std::string& victim : victims)
            nodes.push_back(at(victim));
        package.DeleteEntries(nodes);
        SetMoveLimits({});
        const std::string bytes = ReadFileBytes(path);
        EXPECT_EQ(Contents(tree, bytes), kept) << limits.directDistance << "/" << limits.windowSize;
        EXPECT_EQ(bytes, first.empty() ? (first = bytes) : first);
    }
}

TEST_F(Rewriting, BytesThatARemainingEntryUsesAreNeverRemoved) {
    PackageBuilder builder;
    builder.file("a", "AAAA").file("shared", "SSSSSS").raw(Rec(20, 6, kTime, "alias")).file("b", "BB");
    write(builder);
    package.DeleteEntries({at("shared")});
    const auto contents = Contents(tree, ReadFileBytes(path));
    EXPECT_EQ(contents.at("alias"), "SSSSSS|");
    EXPECT_EQ(contents.at("b"), "BB|");
    EXPECT_EQ(contents.at("a"), "AAAA|");
    expectFileMatchesTree();
    package.DeleteEntries({at("alias")});
    EXPECT_EQ(ReadFileBytes(path), PackageBuilder().file("a", "AAAA").file("b", "BB").bytes());
}

TEST_F(Rewriting, StoredNamesThatFillTheFieldSurviveRewritesOfOtherRecords) {
    const testing::Record longName = Rec(16, 2, kTime, std::string(32, 'L'));
    const testing::Record longFolder = Rec(16, 0, 0, std::string(32, 'F'));
    const std::string tail = RecordBytes(Rec(16, 0, 0, ".."));
    testing::WriteFileBytes(path, HeaderBytes(20, 4) + "ll" + "xy" + RecordBytes(longName) +
                                      RecordBytes(Rec(18, 2, kTime, "other")) + RecordBytes(longFolder) +
                                      tail);
    package.LoadPackage(path);
    package.RenameEntry(at("other"), std::string(31, 'n'));
    EXPECT_EQ(ReadFileBytes(path), HeaderBytes(20, 4) + "llxy" + RecordBytes(longName) +
                                       RecordBytes(Rec(18, 2, kTime, std::string(31, 'n'))) +
                                       RecordBytes(longFolder) + tail);
    expectFileMatchesTree();
}

TEST_F(Rewriting, NewNamesThatCannotBeStoredOrClashInTheirFolderAreRefused) {
    write(
        PackageBuilder().folder("fonts").end().folder("cache").file("Readme.txt", "1").file("b", "2").end());
    const std::string before = ReadFileBytes(path);
    const std::string nul("a\0b", 3);
    const struct {
        const char* entry;
        std::string name;
        std::string error;
    } cases[] = {
        {"cache/", "", "Cannot name an entry \"\": a name cannot be empty"},
        {"cache/", ".", "Cannot name an entry \".\": a name cannot be \".\" or \"..\""},
        {"cache/b", "..", "Cannot name an entry \"..\": a name cannot be \".\" or \"..\""},
        {"cache/b", "a/b", "Cannot name an entry \"a/b\": a name cannot hold \"/\""},
        {"cache/b", nul, "Cannot name an entry \"a\\0b\": a name cannot hold a NUL character"},
        {"cache/b", std::string(32, 'x'),
         "Cannot name an entry \"" + std::string(32, 'x') +
             "\": the name is 32 bytes long; a package entry's name holds at most 31"},
        {"cache/", "FONTS", "Cannot rename \"cache\" to \"FONTS\": \"fonts/\" already exists"},
        {"cache/b", "readme.TXT",
         "Cannot rename \"b\" to \"readme.TXT\": \"cache/Readme.txt\" already exists"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(testing::ErrorOf([&] { package.RenameEntry(at(c.entry), c.name); }), c.error) << c.name;
        EXPECT_EQ(ReadFileBytes(path), before);
    }
    // A change of case of the entry's own name is no clash; a full 31-byte name fits.
    package.RenameEntry(at("cache/Readme.txt"), "README.TXT");
    package.RenameEntry(at("cache/b"), std::string(31, 'b'));
    EXPECT_EQ(ReadFileBytes(path), PackageBuilder()
                                       .folder("fonts")
                                       .end()
                                       .folder("cache")
                                       .file("README.TXT", "1")
                                       .file(std::string(31, 'b'), "2")
                                       .end()
                                       .bytes());
}

TEST_F(Rewriting, FoldersCanBeRenamed) {
    write(PackageBuilder().folder("old").file("x", "1").end());
    package.RenameEntry(at("old/"), "new");
    EXPECT_EQ(ReadFileBytes(path), PackageBuilder().folder("new").file("x", "1").end().bytes());
}

TEST_F(Rewriting, RenamingFixesTheCountOfADirectoryLeftOpen) {
    write(PackageBuilder().folder("open").file("x", "1"));
    package.RenameEntry(at("open/x"), "y");
    EXPECT_EQ(ReadFileBytes(path), PackageBuilder().folder("open").file("y", "1").end().bytes());
}

TEST_F(Rewriting, ARewriteOfATinyFileWritesAFreshHeaderFirst) {
    testing::WriteFileBytes(path, "");
    package.LoadPackage(path);
    package.RewriteDirectory();
    EXPECT_EQ(ReadFileBytes(path), HeaderBytes(16, 0));
}

TEST_F(Rewriting, WritersLeaveForeignDamagedAndChangedFilesUntouched) {
    write(PackageBuilder().file("a", "AAAA"));
    std::string foreign = ReadFileBytes(path);
    foreign.replace(0, 4, "PK\x03\x04");
    testing::WriteFileBytes(path, foreign);
    EXPECT_EQ(testing::ErrorOf([&] { package.DeleteEntries({at("a")}); }),
              "\"" + path + "\" is not a VP package; it was left untouched");
    EXPECT_EQ(ReadFileBytes(path), foreign);

    const std::string damaged = HeaderBytes(9000, 1) + "AAAA";
    testing::WriteFileBytes(path, damaged);
    EXPECT_EQ(testing::ErrorOf([&] { package.RewriteDirectory(); }),
              "\"" + path +
                  "\" is damaged: directory at offset 9000 lies past the end of the file (20 bytes); it was "
                  "left untouched");
    EXPECT_EQ(ReadFileBytes(path), damaged);

    write(PackageBuilder().file("a", "AAAA"));
    const std::string changed = PackageBuilder().file("a", "AAAA").file("b", "B").bytes();
    testing::WriteFileBytes(path, changed);
    EXPECT_EQ(testing::ErrorOf([&] { package.RenameEntry(at("a"), "c"); }),
              "\"" + path + "\" has changed on disk; open it again");
    EXPECT_EQ(ReadFileBytes(path), changed);
    EXPECT_EQ(at("a")->text(), "a");
}

// Makes each I/O operation of an edit fail in turn, once: the package must end as it was
// before the edit (and the failure be reported) or as the edit leaves it (the edit
// finished after the passing failure), byte for byte, and reload into the tree that memory
// holds.
} // namespace
} // namespace tessel
