// Replacing an entry's bytes, what writers refuse, and how opening a package treats the
// journal of an edit that was cut short.
#include "edit_journal.h"
#include "entry_path.h"
#include "package.h"
#include "package_builder.h"
#include "package_check.h"
#include "package_error.h"
#include "privileges.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#ifdef TESSEL_TEST_HOOKS
#include "test_hooks.h"
#endif
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

namespace tessel {
namespace {

namespace fs = std::filesystem;
using testing::ErrorOf;
using testing::PackageBuilder;
using testing::ReadFileBytes;
using testing::Rec;
using testing::WriteFileBytes;

struct Journal : ::testing::Test {
    testing::TempDir dir;
    std::string path = dir.file("p.vp");
    Package package;

    void load(const PackageBuilder& builder) {
        builder.writeTo(path);
        package.LoadPackage(path);
    }
    const TreeNode* at(const std::string& entry) { return RequireEntry(package.tree(), entry); }
};

TEST_F(Journal, ReplacingKeepsTheEntrysPlaceAndRemovesItsOldBytes) {
    load(PackageBuilder().file("a", "AAAA").folder("f").file("b", "BB").end().file("c", "C"));
    WriteFileBytes(dir.file("new"), "NEWBYTES");
    package.ReplaceEntry(at("f/b"), dir.file("new"));
    const EntryRecord& b = *at("f/b")->record();
    EXPECT_NE(b.Timestamp, testing::kDefaultTimestamp);
    const std::string expected = PackageBuilder()
                                     .raw(Rec(16, 4, testing::kDefaultTimestamp, "a"))
                                     .folder("f")
                                     .raw(Rec(21, 8, b.Timestamp, "b"))
                                     .end()
                                     .raw(Rec(20, 1, testing::kDefaultTimestamp, "c"))
                                     .bytes();
    // The builder wrote no data for raw records: the data area is written here.
    EXPECT_EQ(ReadFileBytes(path), testing::HeaderBytes(29, 5) + "AAAACNEWBYTES" + expected.substr(16));
    EXPECT_EQ(ReadFileBytes(path).size(), 16u + 13u + 5u * 44u);
}

TEST_F(Journal, ReplacingKeepsBytesThatAnotherEntryShares) {
    load(PackageBuilder().file("a", "SHARED").raw(Rec(16, 6, 5, "alias")));
    WriteFileBytes(dir.file("new"), "x");
    package.ReplaceEntry(at("a"), dir.file("new"));
    const std::string bytes = ReadFileBytes(path);
    EXPECT_EQ(bytes.substr(16, 7), "SHAREDx");
    EXPECT_EQ(at("alias")->record()->Offset, 16);
    EXPECT_EQ(at("a")->record()->Offset, 22);
    EXPECT_TRUE(CheckPackage(path).empty());
}

TEST_F(Journal, WritersRefuseWhatTheyWouldDamage) {
    struct Case {
        const char* what;
        std::string bytes;
        const char* message;
    };
    const std::string header = testing::HeaderBytes(20, 2);
    const Case cases[] = {
        {"data after the directory start", PackageBuilder().file("a", "A").raw(Rec(17, 100, 5, "b")).bytes(),
         "is damaged: the data of \"b\" at offset 17 of 100 bytes lies outside the data area (16 to 17)"},
        {"data in the header", PackageBuilder().file("a", "A").raw(Rec(4, 4, 5, "b")).bytes(),
         "is damaged: the data of \"b\" at offset 4 of 4 bytes lies outside the data area (16 to 17)"},
        {"a directory that runs past the end", testing::HeaderBytes(16, 3) + std::string(50, 'x'),
         "is damaged: directory of 3 records at offset 16 runs past the end of the file (66 bytes)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFileBytes(path, c.bytes);
        try {
            package.LoadPackage(path);
        } catch (const PackageError&) {
            // A package the loader refuses is refused by the writers as well.
        }
        EXPECT_EQ(ErrorOf([&] { package.RewriteDirectory(); }),
                  "\"" + path + "\" " + c.message + "; it was left untouched");
        EXPECT_EQ(ReadFileBytes(path), c.bytes);
    }
    ASSERT_EQ(mkfifo(dir.file("fifo.vp").c_str(), 0600), 0);
    EXPECT_EQ(ErrorOf([&] { package.LoadPackage(dir.file("fifo.vp")); }),
              "Cannot open file \"" + dir.file("fifo.vp") + "\". It is not a regular file");
}

TEST_F(Journal, AChangeThatKeptTheModificationTimeIsStillNoticed) {
    load(PackageBuilder().file("a", "AAAA"));
    struct stat info {};
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    std::string bytes = ReadFileBytes(path);
    bytes[16] = 'Z';
    WriteFileBytes(path, bytes);
    const timeval times[2] = {{info.st_atim.tv_sec, info.st_atim.tv_nsec / 1000},
                              {info.st_mtim.tv_sec, info.st_mtim.tv_nsec / 1000}};
    ASSERT_EQ(utimes(path.c_str(), times), 0);
    EXPECT_EQ(ErrorOf([&] { package.RenameEntry(at("a"), "b"); }),
              "\"" + path + "\" has changed on disk; open it again");
}

#ifdef TESSEL_TEST_HOOKS
TEST_F(Journal, FailuresNameThePackageAndTheReason) {
    load(PackageBuilder().file("a", "AAAA"));
    FaultInjection::Arm(3, ENOSPC);
    const std::string error = ErrorOf([&] { package.RenameEntry(at("a"), "b"); });
    FaultInjection::Disarm();
    EXPECT_NE(error.find(". No space left on device"), std::string::npos) << error;
    EXPECT_EQ(ReadFileBytes(path), PackageBuilder().file("a", "AAAA").bytes());
}
#endif

#ifdef TESSEL_TEST_HOOKS
// Read here as written: a number of `count` bytes, least significant first, and CRC-32 a bit at
// a time, as gzip defines it.
std::uint64_t Little(const std::string& bytes, std::size_t at, int count) {
    std::uint64_t value = 0;
    for (int i = count - 1; i >= 0; --i)
        value = value << 8 | static_cast<unsigned char>(bytes.at(at + std::size_t(i)));
    return value;
}

std::uint32_t Crc32(const std::string& bytes) {
    std::uint32_t crc = 0xffffffff;
    for (const char c : bytes) {
        crc ^= static_cast<unsigned char>(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = crc >> 1 ^ (crc & 1 ? 0xedb88320 : 0);
    }
    return ~crc;
}

// A delete of a few small files: the bytes behind the first are written twice at most, once
// into the journal's window and once in their place, and the edit syncs the files three times
// and their folder twice.
TEST_F(Journal, ADeleteWritesTheMovedBytesAtMostTwiceWithFiveSyncs) {
    PackageBuilder builder;
    for (int i = 0; i < 40; ++i)
        builder.file("f" + std::to_string(i), std::string(std::size_t(3000 + i * 11), char('a' + i % 26)));
    load(builder);
    const std::string before = ReadFileBytes(path);
    const std::vector<const TreeNode*> doomed{at("f3"), at("f17"), at("f31")};
    std::int64_t moved = std::int64_t(Little(before, 8, 4)) - doomed.front()->record()->Offset;
    for (const TreeNode* node : doomed)
        moved -= node->record()->Size;
    const auto directory = std::int64_t(before.size() - Little(before, 8, 4));
    std::int64_t written = 0;
    int syncs = 0;
    int folderSyncs = 0;
    IoTrace::Listen([&](const IoTrace::Change& change) {
        written += std::int64_t(change.bytes.size());
        syncs += change.kind == IoTrace::Change::Sync;
        folderSyncs += change.kind == IoTrace::Change::SyncFolder;
    });
    package.DeleteEntries(doomed);
    IoTrace::Stop();
    // Beyond the moved bytes: the new directory, in the journal and in place, and the heads.
    EXPECT_LE(written, 2 * moved + 2 * directory + 4096);
    EXPECT_EQ(syncs, 3);
    EXPECT_EQ(folderSyncs, 2);
}

TEST_F(Journal, AJournalThatIsDamagedOrForeignIsNeverApplied) {
    load(PackageBuilder().file("a", "AAAA").file("b", "BBBB"));
    const std::string sound = ReadFileBytes(path);
    // A journal left by an edit killed after it was armed.
    std::string journal;
    {
        IoTrace::Listen([&](const IoTrace::Change& change) {
            if (change.kind == IoTrace::Change::Write && change.path == path)
                throw std::runtime_error("stop");
        });
        EXPECT_THROW(package.DeleteEntries({at("a")}), std::runtime_error);
        IoTrace::Stop();
        journal = ReadFileBytes(JournalPath(path));
    }
    // Its checksums are CRC-32 as gzip has it, as journals always were.
    const std::uint64_t bodyLength = Little(journal, 32, 8);
    EXPECT_EQ(Little(journal, 40, 4), Crc32(journal.substr(4096, bodyLength)));
    EXPECT_EQ(Little(journal, 44, 4), Crc32(journal.substr(0, 44)));
    // The body, the window saved with the arming (the move of "b"), and the journal cut short
    // in that window: damage, never applied.
    for (const auto& [damage, why] : std::vector<std::pair<std::function<void(std::string&)>, std::string>>{
             {[](std::string& bytes) { bytes[4096 + 3] ^= 1; }, "its contents are damaged"},
             {[](std::string& bytes) { bytes.back() ^= 1; }, "its saved window is unreadable"},
             {[](std::string& bytes) { bytes.pop_back(); }, "its saved window is unreadable"}}) {
        std::string damaged = journal;
        damage(damaged);
        WriteFileBytes(JournalPath(path), damaged);
        EXPECT_NE(
            ErrorOf([&] { package.LoadPackage(path); }).find("is damaged: " + why + "; it was not applied"),
            std::string::npos)
            << why;
        EXPECT_EQ(ReadFileBytes(path), sound);
    }
    EXPECT_EQ(CheckPackage(path).front().substr(0, 40),
              "an interrupted edit is pending in \"" + path.substr(0, 5));

    // The same journal beside a copy of the package (another file) is not its own.
    WriteFileBytes(JournalPath(path), journal);
    fs::rename(path, dir.file("old.vp"));
    WriteFileBytes(path, sound);
    EXPECT_NE(ErrorOf([&] { package.LoadPackage(path); }).find("belongs to another file"), std::string::npos);
    EXPECT_EQ(ReadFileBytes(path), sound);

    // Beside its own package it finishes the edit, and opening says so.
    fs::remove(path);
    fs::rename(dir.file("old.vp"), path);
    package.LoadPackage(path);
    EXPECT_NE(package.recoveryNote().find("was finished"), std::string::npos);
    EXPECT_EQ(EntryPath(package.tree().root()->firstChild()), "b");
    EXPECT_FALSE(fs::exists(JournalPath(path)));
    // A journal that was never armed (the edit stopped before touching the package) goes.
    WriteFileBytes(JournalPath(path), std::string(300, '\0'));
    package.LoadPackage(path);
    EXPECT_TRUE(package.recoveryNote().empty());
    EXPECT_FALSE(fs::exists(JournalPath(path)));
}
#endif

TEST_F(Journal, AReaderThatCannotWriteRefusesAPendingEdit) {
    load(PackageBuilder().file("a", "AAAA"));
    WriteFileBytes(JournalPath(path), "TSLJRNL1 something");
    chmod(path.c_str(), 0444);
    chmod(dir.path().c_str(), 0755);
    // Root may write any file: the check runs as a user who may not.
    EXPECT_TRUE(testing::AsUnprivilegedUser([&] {
        Package reader;
        return ErrorOf([&] { reader.LoadPackage(path); }).find("has an unfinished edit") != std::string::npos;
    }));
}

} // namespace
} // namespace tessel
