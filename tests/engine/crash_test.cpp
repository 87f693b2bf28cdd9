// Crashes every edit at each of its changes to the files, keeps of the unsynced changes
// none, all of them in order, or a random half of their pages, as a power cut or kill -9
// could, then opens the package: it must be as it was before the edit or as the edit
// leaves it, byte for byte, with no journal left.
#include "adding.h"
#include "edit_journal.h"
#include "entry_path.h"
#include "package.h"
#include "package_builder.h"
#include "package_error.h"
#include "test_hooks.h"

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <random>
#include <unistd.h>

namespace tessel {
namespace {

namespace fs = std::filesystem;
using testing::PackageBuilder;
using testing::ReadFileBytes;
using testing::Rec;
using testing::WriteFileBytes;

struct Crash {};

enum class Kept { SyncedOnly, All, RandomPages };

using Files = std::map<std::string, std::string>;

std::string FolderOf(const std::string& path) {
    return fs::path(path).parent_path().string();
}

// Which changes of the log reached the disk before the crash.
std::vector<bool> Survivors(const std::vector<IoTrace::Change>& log, Kept kept) {
    std::vector<bool> survives(log.size(), kept == Kept::All);
    if (kept == Kept::All)
        return survives;
    for (std::size_t i = 0; i < log.size(); ++i) {
        const IoTrace::Change& change = log[i];
        const bool onData = change.kind == IoTrace::Change::Write || change.kind == IoTrace::Change::Truncate;
        for (std::size_t later = i + 1; later < log.size() && !survives[i]; ++later) {
            const IoTrace::Change& sync = log[later];
            if (onData)
                survives[i] = sync.kind == IoTrace::Change::Sync && sync.path == change.path;
            else
                survives[i] = sync.kind == IoTrace::Change::SyncFolder && sync.path == FolderOf(change.path);
        }
    }
    return survives;
}

// The files as the disk holds them after the crash.
Files Image(Files files, const std::vector<IoTrace::Change>& log, Kept kept, std::mt19937& random) {
    const std::vector<bool> survives = Survivors(log, kept);
    for (std::size_t i = 0; i < log.size(); ++i) {
        const IoTrace::Change& change = log[i];
        const bool partly =
            !survives[i] && kept == Kept::RandomPages && change.kind == IoTrace::Change::Write;
        if (!survives[i] && !partly)
            continue;
        switch (change.kind) {
        case IoTrace::Change::Create:
            files[change.path];
            break;
        case IoTrace::Change::Remove:
            files.erase(change.path);
            break;
        case IoTrace::Change::Rename:
            if (files.count(change.path)) {
                files[change.target] = files[change.path];
                files.erase(change.path);
            }
            break;
        case IoTrace::Change::Truncate:
            if (files.count(change.path))
                files[change.path].resize(std::size_t(change.offset));
            break;
        case IoTrace::Change::Write: {
            auto file = files.find(change.path);
            if (file == files.end())
                break;
            std::string& bytes = file->second;
            const auto end = std::size_t(change.offset) + change.bytes.size();
            if (bytes.size() < end)
                bytes.resize(end);
            for (std::size_t at = 0; at < change.bytes.size();) {
                const std::size_t page = std::size_t(change.offset) + at;
                const std::size_t length = std::min(change.bytes.size() - at, 4096 - page % 4096);
                if (!partly || random() % 2 == 0)
                    std::copy_n(change.bytes.begin() + long(at), length, bytes.begin() + long(page));
                at += length;
            }
            break;
        }
        default:
            break;
        }
    }
    return files;
}

// Puts the image on disk, rewriting files in place so that they keep their identity.
void Lay(const Files& image, const std::vector<std::string>& names) {
    for (const std::string& name : names) {
        const auto file = image.find(name);
        if (file == image.end()) {
            fs::remove(name);
            continue;
        }
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, file->second.data(), file->second.size()), ssize_t(file->second.size()));
        ::close(fd);
    }
}

struct CrashSweep : ::testing::Test {
    testing::TempDir dir;
    std::string path = dir.file("p.vp");
    Package package;
    std::mt19937 random{20261208};
    int crashPoints = 0;

    void SetUp() override { SetMoveLimits({64, 96, 40}); }
    void TearDown() override {
        IoTrace::Stop();
        SetMoveLimits({});
    }

    const TreeNode* at(const std::string& entry) { return RequireEntry(package.tree(), entry); }

    // Runs the edit on the package made by the builder, crashing at every change in turn.
    void sweep(const PackageBuilder& builder, const std::function<void()>& edit,
               const std::string& stamped = {}) {
        // Adding and replacing stamp the time now, which two runs need not share to the
        // second: those timestamps ("*": all of them) are left out of the match.
        auto normal = [&](const std::string& bytes, const std::string& name) {
            return name.empty() ? bytes
                                : testing::WithoutTimestamps(bytes, name == "*" ? std::string() : name);
        };
        builder.writeTo(path);
        const std::string before = ReadFileBytes(path);
        package.LoadPackage(path);
        edit();
        const std::string after = normal(ReadFileBytes(path), stamped);
        ASSERT_NE(before, after);
        const std::vector<std::string> names{path, JournalPath(path), NextJournalPath(path)};
        for (long crashAt = 1;; ++crashAt) {
            WriteFileBytes(path, before);
            package.LoadPackage(path);
            std::vector<IoTrace::Change> log;
            long seen = 0;
            IoTrace::Listen([&](const IoTrace::Change& change) {
                if (++seen >= crashAt)
                    throw Crash();
                log.push_back(change);
            });
            bool crashed = false;
            try {
                edit();
            } catch (const Crash&) {
                crashed = true;
            }
            IoTrace::Stop();
            if (!crashed)
                break;
            for (const Kept kept : {Kept::SyncedOnly, Kept::All, Kept::RandomPages}) {
                SCOPED_TRACE("crash at change " + std::to_string(crashAt) + ", kept " +
                             std::to_string(int(kept)));
                Lay(Image({{path, before}}, log, kept, random), names);
                Package reopened;
                ASSERT_NO_THROW(reopened.LoadPackage(path));
                const std::string now = normal(ReadFileBytes(path), stamped);
                EXPECT_TRUE(now == normal(before, stamped) || now == after);
                EXPECT_FALSE(fs::exists(JournalPath(path)));
                EXPECT_FALSE(fs::exists(NextJournalPath(path)));
                ++crashPoints;
            }
            ASSERT_LT(crashAt, 400);
        }
        RecordProperty("crash_images", crashPoints);
        std::printf("%d crash images, all before or after\n", crashPoints);
    }

    static PackageBuilder Sample() {
        PackageBuilder b;
        b.file("lead", std::string(300, 'L'))
            .folder("gone")
            .file("g1", std::string(500, 'g'))
            .folder("sub")
            .file("g2", "tiny")
            .end()
            .end()
            .file("mid", std::string(700, 'M'))
            .file("doomed", std::string(40, 'd'))
            .folder("keep")
            .file("k", std::string(260, 'K'))
            .end()
            .file("tail", "TAIL");
        return b;
    }
};

TEST_F(CrashSweep, DeletingOneEntry) {
    sweep(Sample(), [&] { package.DeleteEntries({at("doomed")}); });
}

TEST_F(CrashSweep, DeletingManyEntriesAndFolders) {
    sweep(Sample(), [&] { package.DeleteEntries({at("lead"), at("gone/"), at("doomed")}); });
}

// Windows through the journal first, a straight copy last.
TEST_F(CrashSweep, DeletingWithShortMovesThenALongOne) {
    sweep(Sample(), [&] { package.DeleteEntries({at("gone/sub/g2"), at("keep/k")}); });
}

TEST_F(CrashSweep, DeletingAnEntryWhoseBytesAnotherShares) {
    PackageBuilder builder = Sample();
    builder.raw(Rec(16 + 300 + 500 + 4, 100, 5, "shares-mid"));
    sweep(builder, [&] { package.DeleteEntries({at("mid"), at("lead")}); });
}

TEST_F(CrashSweep, Renaming) {
    sweep(Sample(), [&] { package.RenameEntry(at("gone/"), "went"); });
}

TEST_F(CrashSweep, AddingFilesAndFolders) {
    fs::create_directories(dir.file("disk/tree/inner"));
    WriteFileBytes(dir.file("disk/tree/a"), std::string(5000, 'a'));
    WriteFileBytes(dir.file("disk/tree/inner/b"), "bb");
    WriteFileBytes(dir.file("disk/c"), std::string(9000, 'c'));
    sweep(
        Sample(),
        [&] {
            package.AddPaths({dir.file("disk/tree"), dir.file("disk/c")}, at("keep/"));
        },
        "*");
}

TEST_F(CrashSweep, AddingThatReplacesBytes) {
    fs::create_directories(dir.file("disk/keep"));
    WriteFileBytes(dir.file("disk/keep/k"), std::string(400, 'R'));
    WriteFileBytes(dir.file("disk/keep/new"), std::string(120, 'n'));
    ProgressObserver replacing;
    replacing.clash = [](const std::string&, const TreeNode*) { return NameClash::Replace; };
    sweep(
        Sample(), [&] { package.AddPaths({dir.file("disk/keep")}, package.tree().root(), replacing); }, "*");
}

// What a mount writes: files by path from memory and disk (one replacing, one in a new
// folder), and a folder moved into another over nothing, then a file moved over another.
TEST_F(CrashSweep, WritingFilesByPath) {
    WriteFileBytes(dir.file("big"), std::string(900, 'B'));
    const std::string small(200, 's');
    sweep(
        Sample(),
        [&] {
            package.WriteFiles({{"keep", "k", {}, small, 1000},
                                {"made/deep", "big", dir.file("big"), {}, 2000},
                                {"", "top", {}, "t", 3000}});
        },
        "*");
}

TEST_F(CrashSweep, MovingEntries) {
    sweep(Sample(), [&] { package.MoveEntry(at("gone/"), at("keep/"), "moved"); });
    sweep(Sample(), [&] { package.MoveEntry(at("doomed"), package.tree().root(), "mid"); });
}

TEST_F(CrashSweep, CreatingLeavesNoPackageOrAWholeOne) {
    fs::create_directories(dir.file("disk/sub"));
    for (int i = 0; i < 6; ++i)
        WriteFileBytes(dir.file("disk/sub/f" + std::to_string(i)), std::string(300 + i, char('a' + i)));
    const std::string made = dir.file("made.vp");
    Package::Create(made, {dir.file("disk")});
    const std::string whole = testing::WithoutTimestamps(ReadFileBytes(made));
    int images = 0;
    int withPackage = 0;
    for (long crashAt = 1;; ++crashAt) {
        fs::remove(made);
        std::vector<IoTrace::Change> log;
        long seen = 0;
        IoTrace::Listen([&](const IoTrace::Change& change) {
            if (++seen >= crashAt)
                throw Crash();
            log.push_back(change);
        });
        bool crashed = false;
        try {
            Package::Create(made, {dir.file("disk")});
        } catch (const Crash&) {
            crashed = true;
        }
        IoTrace::Stop();
        if (!crashed)
            break;
        // The scratch file's name is the create's own: the log says what it was.
        std::vector<std::string> names{made};
        for (const IoTrace::Change& change : log) {
            if (std::find(names.begin(), names.end(), change.path) == names.end() &&
                change.path != dir.path())
                names.push_back(change.path);
        }
        for (const Kept kept : {Kept::SyncedOnly, Kept::All, Kept::RandomPages}) {
            SCOPED_TRACE("crash at change " + std::to_string(crashAt));
            // The scratch file was made empty (by mkstemp, before the first change).
            Files start;
            for (const std::string& name : names) {
                if (name != made)
                    start[name] = "";
            }
            Lay(Image(start, log, kept, random), names);
            if (fs::exists(made)) {
                EXPECT_EQ(testing::WithoutTimestamps(ReadFileBytes(made)), whole);
                fs::remove(made);
                ++withPackage;
            }
            ++images;
        }
        // The next create clears what the crashed one left.
        Package::Create(made, {dir.file("disk")});
        for (const auto& entry : fs::directory_iterator(dir.path()))
            EXPECT_EQ(entry.path().filename().string().find("tessel-new"), std::string::npos);
    }
    EXPECT_GT(images, 10);
    // Some crash images hold the new package, whole; the others none.
    EXPECT_GT(withPackage, 0);
}

TEST_F(CrashSweep, Compacting) {
    PackageBuilder builder = Sample();
    builder.gap(std::string(200, 'u')).file("after", std::string(90, 'a'));
    sweep(builder, [&] { package.Compact(); });
}

TEST_F(CrashSweep, Syncing) {
    fs::create_directories(dir.file("work/sub"));
    WriteFileBytes(dir.file("work/k"), std::string(150, 'K'));
    WriteFileBytes(dir.file("work/sub/new"), std::string(80, 'n'));
    SyncOptions options;
    options.removeMissing = true;
    sweep(
        Sample(), [&] { package.Sync(dir.file("work"), at("gone/"), options); }, "*");
}

TEST_F(CrashSweep, Replacing) {
    WriteFileBytes(dir.file("new"), std::string(1000, 'N'));
    sweep(
        Sample(), [&] { package.ReplaceEntry(at("lead"), dir.file("new")); }, "lead");
    sweep(
        Sample(), [&] { package.ReplaceEntryBytes(at("lead"), std::string(20, 'n')); }, "lead");
}

} // namespace
} // namespace tessel
