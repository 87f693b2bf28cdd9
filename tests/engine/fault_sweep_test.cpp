// Every edit with each of its I/O operations failing in turn: the package is as it was
// before or as the edit leaves it, byte for byte, with no journal left, and the tree in
// memory matches the file.
#include "edit_journal.h"
#include "entry_path.h"
#include "failure_sweep.h"
#include "package.h"
#include "package_builder.h"
#include "param_name.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace tessel {
namespace {

namespace fs = std::filesystem;
using testing::PackageBuilder;
using testing::ReadFileBytes;
using testing::WriteFileBytes;

// The tree as lines of path, offset and size.
std::vector<std::string> Shape(const FolderTree& tree) {
    std::vector<std::string> lines;
    for (const TreeNode* node : Subtree(tree.root())) {
        const EntryRecord* record = node->record();
        lines.push_back(
            EntryPath(node) +
            (record ? " " + std::to_string(record->Offset) + "+" + std::to_string(record->Size) : ""));
    }
    return lines;
}

PackageBuilder Sample() {
    PackageBuilder b;
    b.file("lead", std::string(70000, 'L'))
        .folder("gone")
        .file("g1", std::string(100000, 'g'))
        .folder("sub")
        .file("g2", "tiny")
        .end()
        .end()
        .file("mid", std::string(150000, 'M'))
        .file("doomed", std::string(90000, 'd'))
        .folder("keep")
        .file("k", std::string(65537, 'K'))
        .end()
        .gap(std::string(3000, 'u'))
        .file("tail", "TAIL");
    return b;
}

struct Edit {
    const char* name;
    std::function<void(Package&, const std::string& disk)> run;
};

void PrintTo(const Edit& edit, std::ostream* out) {
    *out << edit.name;
}

class FaultSweep : public ::testing::TestWithParam<Edit> {
protected:
    testing::TempDir dir;
    std::string path = dir.file("p.vp");
    std::string disk = dir.file("disk");
    Package package;

    void SetUp() override {
        fs::create_directories(disk + "/drop/inner");
        WriteFileBytes(disk + "/drop/tail", std::string(70000, '1'));
        WriteFileBytes(disk + "/drop/inner/two", std::string(300, '2'));
        WriteFileBytes(disk + "/new", std::string(80000, 'N'));
        // A file whose name keep/ has: adding it replaces the entry's bytes.
        WriteFileBytes(disk + "/k", std::string(50000, 'R'));
    }
};

TEST_P(FaultSweep, LeavesThePackageBeforeOrAfterAndTheTreeMatchingIt) {
    const Edit& edit = GetParam();
    auto prepare = [&] {
        Sample().writeTo(path);
        package.LoadPackage(path);
    };
    prepare();
    const std::string before = ReadFileBytes(path);
    edit.run(package, disk);
    // Edits that stamp the time now are matched without the timestamps.
    const std::string after = testing::WithoutTimestamps(ReadFileBytes(path));
    ASSERT_NE(testing::WithoutTimestamps(before), after);
    const int failures = testing::SweepFailures(
        prepare, [&] { edit.run(package, disk); },
        [&](const std::string& error, bool) {
            const std::string now = ReadFileBytes(path);
            // A folder that cannot be synced after the commit leaves the edit made, and says so.
            const bool madeButSaid = error.find("so a power cut now could undo it") != std::string::npos;
            EXPECT_TRUE((now == before && !error.empty() && !madeButSaid) ||
                        (testing::WithoutTimestamps(now) == after && (error.empty() || madeButSaid)));
            EXPECT_FALSE(fs::exists(JournalPath(path)));
            EXPECT_FALSE(fs::exists(NextJournalPath(path)));
            Package reloaded;
            reloaded.LoadPackage(path);
            EXPECT_EQ(Shape(reloaded.tree()), Shape(package.tree()));
        });
    EXPECT_GT(failures, 5);
}

TEST(CreateFaultSweep, LeavesNoPackageOrAWholeOneAndNothingBeside) {
    testing::TempDir dir;
    fs::create_directories(dir.file("disk/sub"));
    for (int i = 0; i < 5; ++i)
        WriteFileBytes(dir.file("disk/sub/f" + std::to_string(i)), std::string(70000 + i, char('a' + i)));
    const std::string made = dir.file("made.vp");
    Package::Create(made, {dir.file("disk")});
    const std::string whole = testing::WithoutTimestamps(ReadFileBytes(made));
    const int failures = testing::SweepFailures(
        [&] { fs::remove(made); }, [&] { Package::Create(made, {dir.file("disk")}); },
        [&](const std::string& error, bool) {
            const bool madeButSaid = error.find("so a power cut now could undo it") != std::string::npos;
            EXPECT_EQ(fs::exists(made), error.empty() || madeButSaid) << error;
            if (fs::exists(made)) {
                EXPECT_EQ(testing::WithoutTimestamps(ReadFileBytes(made)), whole);
            }
            for (const auto& entry : fs::directory_iterator(dir.path()))
                EXPECT_EQ(entry.path().filename().string().find("tessel-new"), std::string::npos);
        });
    EXPECT_GT(failures, 5);
}

const TreeNode* At(const Package& package, const std::string& entry) {
    return RequireEntry(package.tree(), entry);
}

INSTANTIATE_TEST_SUITE_P(
    Edits, FaultSweep,
    ::testing::Values(
        Edit{"Delete",
             [](Package& p, const std::string&) {
                 p.DeleteEntries({At(p, "gone/"), At(p, "doomed")});
             }},
        Edit{"Compact", [](Package& p, const std::string&) { p.Compact(); }},
        Edit{"Sync",
             [](Package& p, const std::string& disk) {
                 SyncOptions options;
                 options.removeMissing = true;
                 p.Sync(disk + "/drop", At(p, "keep/"), options);
             }},
        Edit{"Rename", [](Package& p, const std::string&) { p.RenameEntry(At(p, "mid"), "renamed"); }},
        Edit{"Replace",
             [](Package& p, const std::string& disk) { p.ReplaceEntry(At(p, "mid"), disk + "/new"); }},
        Edit{"ReplaceFromMemory",
             [](Package& p, const std::string&) {
                 p.ReplaceEntryBytes(At(p, "mid"), std::string(3000, 'M'));
             }},
        Edit{"WriteFilesByPath",
             [](Package& p, const std::string& disk) {
                 p.WriteFiles(
                     {{"keep", "k", {}, "short", 1000}, {"new/deeper", "n", disk + "/new", {}, 2000}});
             }},
        Edit{"MoveAFolderIntoAnother",
             [](Package& p, const std::string&) { p.MoveEntry(At(p, "gone/"), At(p, "keep/"), "went"); }},
        Edit{"MoveAFileOverAnother",
             [](Package& p, const std::string&) { p.MoveEntry(At(p, "tail"), p.tree().root(), "mid"); }},
        Edit{"AddAndReplace",
             [](Package& p, const std::string& disk) {
                 ProgressObserver replacing;
                 replacing.clash = [](const std::string&, const TreeNode*) { return NameClash::Replace; };
                 p.AddPaths({disk + "/drop", disk + "/k"}, At(p, "keep/"), replacing);
             }}),
    testing::RowName<Edit>);

} // namespace
} // namespace tessel
