#include "adding.h"
#include "entry_name.h"
#include "entry_path.h"
#include "package.h"
#include "package_builder.h"
#include "package_error.h"

#include <ctime>
#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace tessel {
namespace {

namespace fs = std::filesystem;
using testing::HeaderBytes;
using testing::PackageBuilder;
using testing::ReadFileBytes;
using testing::RecordBytes;
using testing::WriteFileBytes;

struct Adding : ::testing::Test {
    testing::TempDir dir;
    std::string path = dir.file("p.vp");
    std::string disk = dir.file("disk");
    Package package;
    const FolderTree& tree = package.tree();
    std::vector<std::string> added, skipped;
    std::vector<std::int64_t> bytesDone;
    ProgressObserver events{[this](const ProgressEvent& event) {
                                added.push_back(EntryPath(event.node));
                                bytesDone.push_back(event.bytes);
                            },
                            [this](const std::string& at, const std::string& why) {
                                skipped.push_back(fs::path(at).filename().string() + ": " + why);
                            }};

    void SetUp() override { fs::create_directories(disk); }
    void load(const PackageBuilder& builder) {
        builder.writeTo(path);
        package.LoadPackage(path);
    }
    void add(const std::string& diskPath, const TreeNode* parent = nullptr) {
        package.AddPath(diskPath, parent ? parent : tree.root(), events);
    }
    // The package as entries with their bytes, read back from the file.
    std::vector<std::string> Reloaded() {
        Package reloadedPackage;
        reloadedPackage.LoadPackage(path);
        const FolderTree& reloaded = reloadedPackage.tree();
        const std::string bytes = ReadFileBytes(path);
        std::vector<std::string> lines;
        for (const TreeNode* node = reloaded.root()->next(); node; node = node->next()) {
            std::string line = EntryPath(node);
            if (const EntryRecord* record = node->record())
                line += "=" + bytes.substr(std::size_t(record->Offset), std::size_t(record->Size));
            lines.push_back(line);
        }
        return lines;
    }
};

TEST_F(Adding, AFileGoesWhereTheDirectoryWasAndTheDirectoryFollows) {
    load(PackageBuilder()
             .file("a", std::string(100, 'a'))
             .file("b", std::string(50, 'b'))
             .file("c", std::string(30, 'c')));
    WriteFileBytes(disk + "/d", "0123456789");
    const std::int32_t before = LocalTimestampNow();
    add(disk + "/d");
    const std::int32_t after = LocalTimestampNow();
    const std::string bytes = ReadFileBytes(path);
    ASSERT_EQ(bytes.size(), 382u);
    const EntryRecord& d = *tree.root()->lastChild()->record();
    EXPECT_EQ(d.Offset, 196);
    EXPECT_EQ(d.Size, 10);
    EXPECT_GE(d.Timestamp, before);
    EXPECT_LE(d.Timestamp, after);
    const std::string expected = PackageBuilder()
                                     .file("a", std::string(100, 'a'))
                                     .file("b", std::string(50, 'b'))
                                     .file("c", std::string(30, 'c'))
                                     .file("d", "0123456789", d.Timestamp)
                                     .bytes();
    EXPECT_EQ(bytes, expected);
    EXPECT_EQ(added, std::vector<std::string>{"d"});
}

TEST_F(Adding, TheTimestampIsTheLocalWallClock) {
    const char* oldZone = std::getenv("TZ");
    const std::string saved = oldZone ? oldZone : "";
    // Two hours east of UTC all year round: the stored seconds run two hours ahead.
    setenv("TZ", "XST-2", 1);
    tzset();
    const std::int32_t stamped = LocalTimestampNow();
    const auto utc = static_cast<double>(std::time(nullptr));
    if (oldZone)
        setenv("TZ", saved.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
    EXPECT_NEAR(double(stamped), utc + 7200, 2.0);
}

TEST_F(Adding, AnEmptyFileBecomesAPackageAndEmptyFilesGetTheEndOfTheData) {
    WriteFileBytes(path, "");
    package.LoadPackage(path);
    WriteFileBytes(disk + "/first", "XY");
    WriteFileBytes(disk + "/zero", "");
    add(disk + "/first");
    add(disk + "/zero");
    EXPECT_EQ(ReadFileBytes(path).substr(0, 16), HeaderBytes(18, 2));
    EXPECT_EQ(tree.root()->firstChild()->record()->Offset, 16);
    EXPECT_EQ(tree.root()->lastChild()->record()->Offset, 18);
    EXPECT_EQ(tree.root()->lastChild()->record()->Size, 0);
    EXPECT_EQ(Reloaded(), (std::vector<std::string>{"first=XY", "zero="}));
}

TEST_F(Adding, FolderTreesArriveWholeWithHiddenFilesAndEmptyFolders) {
    load(PackageBuilder().folder("target").end());
    fs::create_directories(disk + "/tree/sub/deeper");
    fs::create_directories(disk + "/tree/empty");
    WriteFileBytes(disk + "/tree/.hidden", "H");
    WriteFileBytes(disk + "/tree/sub/one", "1");
    WriteFileBytes(disk + "/tree/sub/deeper/two", "22");
    add(disk + "/tree", tree.root()->firstChild());
    std::vector<std::string> lines = Reloaded();
    std::sort(lines.begin(), lines.end());
    EXPECT_EQ(lines,
              (std::vector<std::string>{"target/", "target/tree/", "target/tree/.hidden=H",
                                        "target/tree/empty/", "target/tree/sub/", "target/tree/sub/deeper/",
                                        "target/tree/sub/deeper/two=22", "target/tree/sub/one=1"}));
    EXPECT_EQ(added.size(), 7u);
    EXPECT_EQ(added.front(), "target/tree/");
    // Bytes done grow with each file and end at the three files' four bytes.
    EXPECT_TRUE(std::is_sorted(bytesDone.begin(), bytesDone.end()));
    EXPECT_EQ(bytesDone.back(), 4);
}

TEST_F(Adding, AnEmptyFolderIsAFolderRecordAndItsEnd) {
    load(PackageBuilder().file("a", "A"));
    fs::create_directories(disk + "/empty");
    add(disk + "/empty");
    EXPECT_EQ(ReadFileBytes(path), PackageBuilder().file("a", "A").folder("empty").end().bytes());
}

TEST(NumberedNames, FitTheRecordAndKeepTheExtension) {
    const struct {
        std::string name;
        int number;
        std::string numbered;
    } cases[] = {
        {"ships.tbl", 2, "ships (2).tbl"},
        {"readme", 10, "readme (10)"},
        {".hidden", 2, ".hidden (2)"},
        {std::string(27, 'n') + ".tbl", 2, std::string(23, 'n') + " (2).tbl"},
        // A character of several bytes is never cut in two.
        {std::string(25, 'n') + "\xC3\xA9\xC3\xA9.tbl", 3, std::string(23, 'n') + " (3).tbl"},
        {"x." + std::string(29, 'e'), 2, "x (2)"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NumberedName(c.name, c.number), c.numbered) << c.name;
        EXPECT_LE(NumberedName(c.name, c.number).size(), 31u);
    }
}

TEST_F(Adding, AFileKeptBesideTakesTheFirstNameFreeIgnoringCase) {
    load(PackageBuilder().file("ships.tbl", "1").file("SHIPS (2).tbl", "2"));
    WriteFileBytes(disk + "/ships.tbl", "3");
    add(disk + "/ships.tbl");
    EXPECT_EQ(Reloaded(), (std::vector<std::string>{"ships.tbl=1", "SHIPS (2).tbl=2", "ships (3).tbl=3"}));
}

TEST_F(Adding, NamesThatExistAreKeptBesideReplacedOrSkippedAndFoldersAreMergedInto) {
    const PackageBuilder start = PackageBuilder().file("Same", "old").folder("art").file("a", "1").end();
    fs::create_directories(disk + "/ART");
    WriteFileBytes(disk + "/ART/A", "2");
    WriteFileBytes(disk + "/same", "new!");
    WriteFileBytes(disk + "/" + std::string(32, 'x'), "L");
    const std::string longSkip =
        std::string(32, 'x') + ": the name is 32 bytes long; a package entry's name holds at most 31";
    const struct {
        std::optional<NameClash> answer;
        std::vector<std::string> entries;
        std::int64_t size;
    } cases[] = {
        // Kept beside, a file takes a free name: one name twice would be one entry to a game.
        {std::nullopt, {"Same=old", "art/", "art/a=1", "art/A (2)=2", "same (2)=new!"}, 16 + 9 + 6 * 44},
        {NameClash::KeepBoth,
         {"Same=old", "art/", "art/a=1", "art/A (2)=2", "same (2)=new!"},
         16 + 9 + 6 * 44},
        {NameClash::Replace, {"Same=new!", "art/", "art/a=2"}, 16 + 5 + 4 * 44},
        {NameClash::Skip, {"Same=old", "art/", "art/a=1"}, 16 + 4 + 4 * 44},
    };
    for (const auto& c : cases) {
        load(start);
        skipped.clear();
        std::vector<std::string> asked;
        if (c.answer) {
            events.clash = [&](const std::string& diskPath, const TreeNode* existing) {
                asked.push_back(fs::path(diskPath).filename().string() + " -> " + EntryPath(existing));
                return *c.answer;
            };
        }
        package.AddPaths({disk + "/ART", disk + "/same", disk + "/" + std::string(32, 'x')}, tree.root(),
                         events);
        events.clash = nullptr;
        EXPECT_EQ(Reloaded(), c.entries);
        EXPECT_EQ(std::int64_t(ReadFileBytes(path).size()), c.size);
        EXPECT_EQ(skipped, std::vector<std::string>{longSkip});
        const std::vector<std::string> bothAsked{"A -> art/a", "same -> Same"};
        EXPECT_EQ(asked, c.answer ? bothAsked : std::vector<std::string>());
    }
    // A file and a folder cannot share a name.
    WriteFileBytes(dir.file("ART"), "F");
    skipped.clear();
    add(dir.file("ART"));
    fs::create_directories(dir.file("folders/SAME"));
    add(dir.file("folders/SAME"));
    EXPECT_EQ(skipped, (std::vector<std::string>{"ART: a folder of that name is in the package",
                                                 "SAME: a file of that name is in the package"}));
}

TEST_F(Adding, SpecialFilesLoopsAndThePackageItselfArePassedOver) {
    load(PackageBuilder().file("a", "A"));
    fs::create_directories(disk + "/mixed");
    WriteFileBytes(disk + "/mixed/plain", "P");
    ASSERT_EQ(mkfifo((disk + "/mixed/pipe").c_str(), 0600), 0);
    const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketPath = disk + "/mixed/sock";
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", socketPath.c_str());
    ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    fs::create_directory_symlink(disk + "/mixed", disk + "/mixed/loop");
    fs::create_symlink(path, disk + "/mixed/package.vp");
    add(disk + "/mixed");
    close(sock);
    std::vector<std::string> lines = Reloaded();
    EXPECT_EQ(lines, (std::vector<std::string>{"a=A", "mixed/", "mixed/plain=P"}));
    std::sort(skipped.begin(), skipped.end());
    EXPECT_EQ(skipped, (std::vector<std::string>{"loop: it was reached again through a link",
                                                 "package.vp: it is the package itself",
                                                 "pipe: it is neither a regular file nor a folder",
                                                 "sock: it is neither a regular file nor a folder"}));
    add(dir.file("missing"));
    EXPECT_EQ(skipped.back(), "missing: No such file or directory");
}

TEST_F(Adding, AFileThatWouldPassTwoGibibytesIsRefusedAndEarlierAdditionsStay) {
    load(PackageBuilder().file("a", "A"));
    fs::create_directories(disk + "/batch");
    WriteFileBytes(disk + "/batch/aa-small", "S");
    WriteFileBytes(disk + "/huge", "");
    ASSERT_EQ(truncate((disk + "/huge").c_str(), 2147483600), 0);
    add(disk + "/batch");
    try {
        add(disk + "/huge");
        FAIL();
    } catch (const PackageError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Cannot add \"" + disk +
                      "/huge\": the package would grow beyond 2 GiB, the largest a VP package can be");
    }
    EXPECT_EQ(Reloaded(), (std::vector<std::string>{"a=A", "batch/", "batch/aa-small=S"}));
    EXPECT_EQ(tree.count(), 4u);
}

TEST_F(Adding, APackageThatCannotBeOpenedStopsTheAddingWithoutANewNode) {
    load(PackageBuilder().file("a", "A"));
    WriteFileBytes(disk + "/x", "X");
    const PackageFile holder = PackageFile::Open(path, FileAccess::Read, FileSharing::Exclusive);
    EXPECT_THROW(add(disk + "/x"), PackageError);
    EXPECT_EQ(tree.count(), 2u);
}

} // namespace
} // namespace tessel
