// The merged tree walked a folder at a time against the one built from every path held: the
// two must agree path for path, on sources shaped to trip the walk.
#include "file_source.h"
#include "package_builder.h"
#include "param_name.h"
#include "source_comparison.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

namespace tessel {
namespace {

namespace fs = std::filesystem;
using testing::PackageBuilder;
using testing::Rec;
using testing::TempDir;

// Each path as "path source:same source:same ...", the winner first.
std::string Line(const std::vector<FileSource>& sources, const MergedPath& path) {
    std::string line = path.winner().file->path;
    for (const Layer& layer : path.layers)
        line += " " + fs::path(sources[layer.source].given()).filename().string() +
                (layer.same ? ":same" : ":differs");
    return line;
}

struct Shape {
    const char* name;
    // Writes the sources below the folder and returns their names in order of precedence.
    std::function<std::vector<std::string>(const TempDir&)> make;
};

void WriteFile(const TempDir& dir, const std::string& path, const std::string& bytes) {
    fs::create_directories(fs::path(dir.file(path)).parent_path());
    testing::WriteFileBytes(dir.file(path), bytes);
}

const Shape kShapes[] = {
    // A file and a folder of one name, and names that sort between "x" and "x/...".
    {"FilesAndFoldersOfOneName",
     [](const TempDir& dir) {
         PackageBuilder()
             .file("x", "file x")
             .folder("x")
             .file("y", "x/y")
             .end()
             .file("x-", "dash")
             .folder("x.y")
             .file("z", "dot")
             .end()
             .writeTo(dir.file("a.vp"));
         PackageBuilder()
             .folder("X")
             .file("Y", "other")
             .end()
             .file("X", "file x")
             .file("x.Y", "a file")
             .writeTo(dir.file("b.vp"));
         return std::vector<std::string>{"a.vp", "b.vp"};
     }},
    // One folder met twice in a package, once in each case, and a name twice in one of them.
    {"OneFolderTwiceInAPackage",
     [](const TempDir& dir) {
         PackageBuilder()
             .folder("data")
             .file("a", "first a")
             .end()
             .folder("Data")
             .file("b", "b")
             .file("A", "second a")
             .file("b", "b again")
             .end()
             .writeTo(dir.file("twice.vp"));
         PackageBuilder()
             .folder("DATA")
             .file("a", "second a")
             .file("b", "b")
             .end()
             .writeTo(dir.file("once.vp"));
         return std::vector<std::string>{"once.vp", "twice.vp"};
     }},
    // An end that closes nothing, and folders never closed.
    {"StrayEndsAndFoldersLeftOpen",
     [](const TempDir& dir) {
         PackageBuilder()
             .raw(Rec(0, 0, 0, ".."))
             .file("top", "top")
             .folder("open")
             .file("in", "in")
             .folder("deeper")
             .file("in", "deeper in")
             .writeTo(dir.file("open.vp"));
         PackageBuilder()
             .folder("open")
             .file("IN", "in")
             .end()
             .file("top", "other")
             .writeTo(dir.file("shut.vp"));
         return std::vector<std::string>{"shut.vp", "open.vp"};
     }},
    // Folders on disk between packages, spelled otherwise, nested, with empty folders.
    {"FoldersOnDisk",
     [](const TempDir& dir) {
         WriteFile(dir, "loose/Data/Tables/ships.tbl", "ships");
         WriteFile(dir, "loose/data/extra.txt", "extra");
         fs::create_directories(dir.file("loose/empty/inner"));
         WriteFile(dir, "other/DATA/tables/SHIPS.TBL", "ships");
         PackageBuilder()
             .folder("data")
             .folder("tables")
             .file("ships.tbl", "old ships")
             .end()
             .file("extra.txt", "extra")
             .end()
             .writeTo(dir.file("base.vp"));
         return std::vector<std::string>{"loose", "base.vp", "other"};
     }},
    // Copies on disk spelled as the package's that shadows them are read by their own path.
    {"FoldersShadowedByAPackage",
     [](const TempDir& dir) {
         WriteFile(dir, "loose/data/same.txt", "same");
         WriteFile(dir, "loose/data/other.txt", "not the package's");
         PackageBuilder()
             .folder("data")
             .file("same.txt", "same")
             .file("other.txt", "other")
             .end()
             .writeTo(dir.file("top.vp"));
         return std::vector<std::string>{"top.vp", "loose"};
     }},
    // More paths than a batch, over folders of many sizes, some copies changed: the batches
    // and their comparisons must join up.
    {"ManyPathsInBatches",
     [](const TempDir& dir) {
         for (const char* name : {"one.vp", "two.vp"}) {
             PackageBuilder builder;
             for (int folder = 0; folder < 4; ++folder) {
                 builder.folder("f" + std::to_string(folder));
                 for (int i = 0; i < 3000 * folder + 7; ++i) {
                     const bool changed = name[1] == 'w' && i % 97 == 3;
                     builder.file("n" + std::to_string(i),
                                  changed ? "changed" + std::to_string(i) : "bytes of " + std::to_string(i));
                 }
                 builder.end();
             }
             builder.writeTo(dir.file(name));
         }
         return std::vector<std::string>{"two.vp", "one.vp"};
     }},
};

void PrintTo(const Shape& shape, std::ostream* out) {
    *out << shape.name;
}

class MergeWalk : public ::testing::TestWithParam<Shape> {};

TEST_P(MergeWalk, GivesTheTreeThatHoldingEveryPathGives) {
    TempDir dir;
    std::vector<std::string> paths;
    for (const std::string& name : GetParam().make(dir))
        paths.push_back(dir.file(name));
    const std::vector<FileSource> held = OpenSources(paths);
    std::vector<std::string> expected;
    for (const MergedPath& path : MergeSources(held, true))
        expected.push_back(Line(held, path));
    const std::vector<FileSource> walked = OpenSources(paths, SourceFiles::Walked);
    std::vector<std::string> found;
    StreamMerged(walked, true, [&](const std::vector<MergedPath>& batch) {
        for (const MergedPath& path : batch)
            found.push_back(Line(walked, path));
    });
    EXPECT_EQ(found, expected);
    EXPECT_FALSE(expected.empty());
}

INSTANTIATE_TEST_SUITE_P(Shapes, MergeWalk, ::testing::ValuesIn(kShapes), testing::RowName<Shape>);

// Folders nested far deeper than a thread's stack could recurse.
TEST(MergeWalkDepth, FollowsFoldersAsDeepAsAPackageNestsThem) {
    TempDir dir;
    constexpr int kDepth = 50000;
    PackageBuilder builder;
    for (int i = 0; i < kDepth; ++i)
        builder.folder("d");
    builder.file("bottom", "bottom");
    for (int i = 0; i < kDepth; ++i)
        builder.end();
    builder.writeTo(dir.file("deep.vp"));
    const std::vector<FileSource> sources = OpenSources({dir.file("deep.vp")}, SourceFiles::Walked);
    std::vector<std::size_t> lengths;
    StreamMerged(sources, false, [&](const std::vector<MergedPath>& batch) {
        for (const MergedPath& path : batch)
            lengths.push_back(path.winner().file->path.size());
    });
    EXPECT_EQ(lengths, std::vector<std::size_t>{2 * kDepth + 6});
}

} // namespace
} // namespace tessel
