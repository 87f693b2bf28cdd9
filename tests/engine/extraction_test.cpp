#include "entry_bytes.h"
#include "entry_path.h"
#include "file_source.h"
#include "package.h"
#include "package_builder.h"
#include "package_error.h"
#include "package_file.h"
#include "source_comparison.h"
#include "temp_folder.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <sys/stat.h>

namespace tessel {
namespace {

namespace fs = std::filesystem;
using testing::PackageBuilder;
using testing::ReadFileBytes;
using testing::Rec;

struct Call {
    std::string caption, name;
    std::int32_t total, index;
    bool operator==(const Call&) const = default;
};

// The files and folders below a folder as "path" or "path/" lines with sizes of files.
std::vector<std::string> Listing(const std::string& root) {
    std::vector<std::string> lines;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string relative = fs::relative(entry.path(), root).string();
        if (entry.is_symlink())
            lines.push_back(relative + " -> link");
        else if (entry.is_directory())
            lines.push_back(relative + "/");
        else
            lines.push_back(relative + " " + ReadFileBytes(entry.path().string()));
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

struct Extraction : ::testing::Test {
    testing::TempDir dir;
    std::string package = dir.file("p.vp");
    std::string out = dir.file("out");
    Package vp;
    const FolderTree& tree = vp.tree();
    std::vector<Call> calls;
    std::vector<std::int64_t> bytesDone;
    ProgressObserver record{[this](const ProgressEvent& event) {
        calls.push_back({std::string(event.caption), event.node ? std::string(event.node->text()) : "",
                         event.total, event.index});
        bytesDone.push_back(event.bytes);
    }};

    // Main → data(tables(ships.tbl, weapons.tbl), empty()), readme.txt, zero
    void SetUp() override {
        PackageBuilder()
            .folder("data")
            .folder("tables")
            .file("ships.tbl", "SHIPS")
            .file("weapons.tbl", "WEAPONS")
            .end()
            .folder("empty")
            .end()
            .end()
            .file("readme.txt", "README")
            .file("zero", "")
            .writeTo(package);
        vp.LoadPackage(package);
    }
    const TreeNode* node(const std::string& path) {
        const TreeNode* found = tree.root();
        std::size_t start = 0;
        while (start < path.size()) {
            const std::size_t slash = path.find('/', start);
            const std::string part =
                path.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
            found = found->firstChild();
            while (found && found->text() != part)
                found = found->nextSibling();
            start = slash == std::string::npos ? path.size() : slash + 1;
        }
        return found;
    }
};

TEST_F(Extraction, TheWholePackageKeepsItsFoldersAndBytes) {
    vp.ExtractRange(out, tree.root(), nullptr, record);
    EXPECT_EQ(Listing(out),
              (std::vector<std::string>{"data/", "data/empty/", "data/tables/", "data/tables/ships.tbl SHIPS",
                                        "data/tables/weapons.tbl WEAPONS", "readme.txt README", "zero "}));
    // Every node once, the root included, then the end of the run; Total is the count plus one.
    ASSERT_EQ(calls.size(), 9u);
    EXPECT_EQ(calls[0], (Call{"extracting", "Main", 9, 0}));
    EXPECT_EQ(calls[3], (Call{"extracting", "ships.tbl", 9, 3}));
    EXPECT_EQ(calls[7], (Call{"extracting", "zero", 9, 7}));
    EXPECT_EQ(calls[8], (Call{"extracting", "", 9, 8}));
    // File bytes done so far: ships.tbl 5, weapons.tbl 7, readme.txt 6.
    EXPECT_EQ(bytesDone, (std::vector<std::int64_t>{0, 0, 0, 5, 12, 12, 18, 18, 18}));
}

TEST_F(Extraction, ASelectedFolderLandsByItsOwnName) {
    vp.ExtractNodes(out, {node("data/tables")}, record);
    EXPECT_EQ(Listing(out),
              (std::vector<std::string>{"tables/", "tables/ships.tbl SHIPS", "tables/weapons.tbl WEAPONS"}));
    EXPECT_EQ(calls, (std::vector<Call>{{"extracting", "tables", 3, 0},
                                        {"extracting", "ships.tbl", 3, 1},
                                        {"extracting", "weapons.tbl", 3, 2},
                                        {"extracting", "", 3, 3}}));
}

TEST_F(Extraction, SelectedFilesLandDirectlyAndNothingElseIsWritten) {
    vp.ExtractNodes(out, {node("data/tables/weapons.tbl"), node("zero")}, record);
    EXPECT_EQ(Listing(out), (std::vector<std::string>{"weapons.tbl WEAPONS", "zero "}));
    EXPECT_EQ(calls, (std::vector<Call>{{"extracting", "weapons.tbl", 2, 0},
                                        {"extracting", "zero", 2, 1},
                                        {"extracting", "", 2, 2}}));
}

TEST_F(Extraction, RangesStopBeforeTheStopNode) {
    vp.ExtractRange(out, node("data/tables"), node("readme.txt"), record);
    EXPECT_EQ(Listing(out), (std::vector<std::string>{"empty/", "tables/", "tables/ships.tbl SHIPS",
                                                      "tables/weapons.tbl WEAPONS"}));
    EXPECT_EQ(calls.size(), 5u);
    EXPECT_EQ(calls.back(), (Call{"extracting", "", 4, 4}));
    calls.clear();
    vp.ExtractRange(dir.file("none"), node("zero"), node("zero"), record);
    EXPECT_TRUE(fs::is_directory(dir.file("none")));
    EXPECT_TRUE(fs::is_empty(dir.file("none")));
    EXPECT_EQ(calls, (std::vector<Call>{{"extracting", "", 0, 0}}));
}

TEST_F(Extraction, ExistingFilesAndDuplicatesAreReplacedOrKeptAsTheCallerAnswers) {
    PackageBuilder().file("same", "first").file("same", "second").file("new", "N").writeTo(package);
    vp.LoadPackage(package);
    // The second "same" meets the file that the first wrote (a duplicate), or, when the
    // first was not written, the file that was there before.
    const struct {
        std::optional<ExistingFile> answer;
        std::string same;
        int asked;
        int duplicates;
    } cases[] = {{std::nullopt, "second", 0, 1},
                 {ExistingFile::Replace, "second", 1, 1},
                 {ExistingFile::Keep, "older", 2, 0}};
    for (const auto& c : cases) {
        fs::remove_all(out);
        fs::create_directories(out);
        testing::WriteFileBytes(out + "/same", "older");
        std::vector<std::string> asked, kept, duplicates;
        ProgressObserver observer;
        observer.duplicate = [&](const TreeNode* entry, const std::string& at) {
            duplicates.push_back(std::string(entry->text()) + " at " + at);
            return ExistingFile::Replace;
        };
        observer.skipped = [&](const std::string& at, const std::string& why) {
            kept.push_back(at + ": " + why);
        };
        if (c.answer) {
            observer.existing = [&](const TreeNode* entry, const std::string& at) {
                asked.push_back(std::string(entry->text()) + " at " + at);
                return *c.answer;
            };
        }
        vp.ExtractRange(out, tree.root(), nullptr, observer);
        EXPECT_EQ(Listing(out), (std::vector<std::string>{"new N", "same " + c.same}));
        EXPECT_EQ(asked, std::vector<std::string>(std::size_t(c.asked), "same at " + out + "/same"));
        EXPECT_EQ(duplicates,
                  std::vector<std::string>(std::size_t(c.duplicates), "same at " + out + "/same"));
        const bool keeps = c.answer == ExistingFile::Keep;
        EXPECT_EQ(kept, std::vector<std::string>(keeps ? 2 : 0, out + "/same: a file of that name was kept"));
    }
}

// Files are written on several threads, a folder's on one. Many folders (more than the
// writers hold open at once) and one of more files than a writer takes ahead come out whole,
// and of two entries of one path (here in two folders of one path, the second right after the
// first, while the first one's files are still being written) the later one is what stays.
// With an entry whose data lies outside the file, the run ends with its error and every file
// written is whole.
TEST_F(Extraction, ManyFoldersComeOutWholeAndTheLaterOfOnePathStays) {
    for (const bool broken : {false, true}) {
        PackageBuilder builder;
        std::vector<std::string> expected;
        for (int f = 0; f < 40; ++f) {
            const std::string folder = "d" + std::to_string(f);
            builder.folder(folder);
            expected.push_back(folder + "/");
            for (int i = 0; i < (f == 3 ? 700 : 12); ++i) {
                const std::string name = "f" + std::to_string(i);
                const std::string bytes(std::size_t(i % 50 * 7 + f), char('a' + f % 26));
                builder.file(name, bytes);
                expected.push_back(folder + "/" + name + " " + (f == 0 && i == 11 ? "LATER" : bytes));
            }
            if (broken && f == 20)
                builder.raw(Rec(16, 1 << 24, 5, "outside"));
            builder.end();
            if (f == 0)
                builder.folder("d0").file("f11", "LATER").end();
        }
        builder.writeTo(package);
        vp.LoadPackage(package);
        fs::remove_all(out);
        if (!broken) {
            vp.ExtractRange(out, tree.root(), nullptr);
            std::sort(expected.begin(), expected.end());
            EXPECT_EQ(Listing(out), expected);
            continue;
        }
        EXPECT_NE(testing::ErrorOf([&] {
                      vp.ExtractRange(out, tree.root(), nullptr);
                  }).find("/d20/outside\": its data at offset 16 of 16777216 bytes cannot be read"),
                  std::string::npos);
        for (const std::string& file : Listing(out))
            EXPECT_TRUE(std::find(expected.begin(), expected.end(), file) != expected.end()) << file;
    }
}

TEST_F(Extraction, DataPastTheEndStopsTheRunAndLeavesNothingHalfWritten) {
    const std::string bytes =
        PackageBuilder().file("good", "GOOD").raw(Rec(16, 200000, 5, "short")).file("after", "AFTER").bytes();
    testing::WriteFileBytes(package, bytes);
    vp.LoadPackage(package);
    fs::create_directories(out);
    testing::WriteFileBytes(out + "/short", "the file that was there");
    EXPECT_EQ(testing::ErrorOf([&] { vp.ExtractRange(out, tree.root(), nullptr, record); }),
              "Cannot extract \"" + out +
                  "/short\": its data at offset 16 of 200000 bytes cannot be read from \"" + package + "\"");
    EXPECT_EQ(ReadFileBytes(out + "/good"), "GOOD");
    // What stood at the name stays, and no temporary file is left beside it.
    EXPECT_EQ(Listing(out), (std::vector<std::string>{"good GOOD", "short the file that was there"}));
    ASSERT_FALSE(calls.empty());
    EXPECT_NE(calls.back().name, "");
}

TEST_F(Extraction, HostileNamesAreRefusedAndNothingLeavesTheDestination) {
    for (const std::string hostile : {"..", ".", "", "a/b", "../escape"}) {
        PackageBuilder builder;
        builder.file("fine", "F").folder("sub").raw(Rec(16, 1, 5, hostile)).end();
        builder.writeTo(package);
        vp.LoadPackage(package);
        const std::string target = dir.file("hostile");
        fs::remove_all(target);
        EXPECT_EQ(testing::ErrorOf([&] { vp.ExtractRange(target, tree.root(), nullptr); }),
                  "Cannot extract \"" + hostile + "\": the name is not a safe file name")
            << hostile;
        EXPECT_EQ(Listing(target), (std::vector<std::string>{"fine F", "sub/"})) << hostile;
        EXPECT_FALSE(fs::exists(dir.file("escape")));
    }
}

TEST_F(Extraction, LinksPlantedInTheDestinationAreReplacedNotFollowed) {
    const std::string outside = dir.file("outside");
    fs::create_directories(outside);
    testing::WriteFileBytes(outside + "/readme.txt", "precious");
    fs::create_directories(out);
    fs::create_directory_symlink(outside, out + "/data");
    fs::create_symlink(outside + "/readme.txt", out + "/readme.txt");
    vp.ExtractRange(out, tree.root(), nullptr);
    EXPECT_EQ(ReadFileBytes(outside + "/readme.txt"), "precious");
    EXPECT_FALSE(fs::exists(outside + "/tables"));
    EXPECT_FALSE(fs::is_symlink(out + "/data"));
    EXPECT_EQ(ReadFileBytes(out + "/data/tables/ships.tbl"), "SHIPS");
    EXPECT_EQ(ReadFileBytes(out + "/readme.txt"), "README");
}

TEST_F(Extraction, DestinationsThatCannotBeMadeAreClearErrors) {
    EXPECT_EQ(testing::ErrorOf([&] { vp.ExtractRange("", tree.root(), nullptr, record); }),
              "Unable to create directory");
    testing::WriteFileBytes(dir.file("plain"), "x");
    const std::string blocked = dir.file("plain") + "/sub";
    EXPECT_EQ(testing::ErrorOf([&] { vp.ExtractNodes(blocked, {node("zero")}, record); }),
              "Unable to create directory \"" + blocked + "\". Not a directory");
    EXPECT_TRUE(calls.empty());
    fs::rename(package, dir.file("gone.vp"));
    vp.LoadPackage(dir.file("gone.vp"));
    fs::remove(dir.file("gone.vp"));
    EXPECT_EQ(testing::ErrorOf([&] { vp.ExtractRange(out, tree.root(), nullptr); }),
              "Cannot open file \"" + dir.file("gone.vp") + "\". No such file or directory");
}

TEST_F(Extraction, ACallbackCanStopTheRunBetweenItems) {
    const ProgressObserver stopAtShips{[&](const ProgressEvent& event) {
        if (event.node && event.node->text() == "ships.tbl")
            throw RunCancelled();
    }};
    EXPECT_THROW(vp.ExtractRange(out, tree.root(), nullptr, stopAtShips), RunCancelled);
    EXPECT_EQ(Listing(out),
              (std::vector<std::string>{"data/", "data/tables/", "data/tables/ships.tbl SHIPS"}));
}

TEST_F(Extraction, SingleEntriesGoToTheGivenPath) {
    const EntryRecord& ships = *node("data/tables/ships.tbl")->record();
    vp.ExtractEntryToFile(dir.file("copy"), ships.Offset, ships.Size);
    EXPECT_EQ(ReadFileBytes(dir.file("copy")), "SHIPS");
    EXPECT_EQ(testing::ErrorOf([&] { vp.ExtractEntryToFile(dir.file("no/such/folder/x"), 16, 1); }),
              "Cannot create file \"" + dir.file("no/such/folder/x") + "\". No such file or directory");
}

TEST_F(Extraction, ARunHoldsEditsOffAndRefusesAChangedPackage) {
    {
        // What a run of extraction holds while it writes: other readers may share it, edits
        // are refused instead of moving bytes under it.
        const PackageFile reading = PackageFile::Open(package, FileAccess::Read, FileSharing::SharedRead);
        EXPECT_NE(
            testing::ErrorOf([&] { vp.DeleteEntries({node("zero")}); }).find("in use by another Tessel"),
            std::string::npos);
        vp.ExtractNodes(out, {node("readme.txt")});
        EXPECT_EQ(ReadFileBytes(out + "/readme.txt"), "README");
    }
    testing::WriteFileBytes(package, ReadFileBytes(package) + "more");
    EXPECT_EQ(testing::ErrorOf([&] { vp.ExtractNodes(out, {node("readme.txt")}); }),
              "\"" + package + "\" has changed on disk; open it again");
}

struct TempFolder : Extraction {
    std::string oldTmp;
    void SetUp() override {
        Extraction::SetUp();
        setenv("TMPDIR", dir.path().c_str(), 1);
    }
    void TearDown() override { unsetenv("TMPDIR"); }
};

TEST_F(TempFolder, IsPrivateToTheUserAndListsTheDraggedPaths) {
    EXPECT_EQ(GetTempDir(), dir.path() + "/");
    const std::string temp = TempFolderPath();
    EXPECT_EQ(temp, dir.path() + "/VPtmp-" + std::to_string(getuid()));
    // Each use gets a folder of its own: deleting one leaves the other's files.
    const OpenFolder drag = MakeScratchFolder("drag-");
    const OpenFolder open = MakeScratchFolder("drag-");
    EXPECT_EQ(fs::path(drag.path).parent_path(), temp);
    EXPECT_NE(drag.path, open.path);
    const mode_t mask = umask(022);
    const auto paths = ListTempPaths(drag, {node("data/tables"), node("readme.txt")});
    umask(mask);
    EXPECT_EQ(paths, (std::vector<std::string>{drag.path + "/tables", drag.path + "/readme.txt"}));
    EXPECT_TRUE(fs::is_directory(drag.path + "/tables"));
    EXPECT_TRUE(fs::is_empty(drag.path + "/tables"));
    EXPECT_FALSE(fs::exists(drag.path + "/readme.txt"));
    for (const std::string& folder : {temp, drag.path}) {
        struct stat info {};
        ASSERT_EQ(stat(folder.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0700u);
    }
    // What the user drags out arrives as anything else the user makes would.
    struct stat dragged {};
    ASSERT_EQ(stat((drag.path + "/tables").c_str(), &dragged), 0);
    EXPECT_EQ(dragged.st_mode & 0777, 0755u);
    // What a drag names is what extracting the same nodes into the folder writes.
    vp.ExtractNodes(drag, {node("data/tables"), node("readme.txt")});
    vp.ExtractNodes(open, {node("readme.txt")});
    EXPECT_EQ(ReadFileBytes(drag.path + "/tables/ships.tbl"), "SHIPS");
    EXPECT_EQ(ReadFileBytes(paths[1]), "README");
    EXPECT_TRUE(DeleteFolder(drag.path));
    EXPECT_EQ(ReadFileBytes(open.path + "/readme.txt"), "README");
    EXPECT_TRUE(DeleteFolder(temp));
    EXPECT_FALSE(fs::exists(temp));
}

TEST_F(TempFolder, RefusesALinkOrAFolderOthersCanReach) {
    const std::string temp = TempFolderPath();
    const std::string elsewhere = dir.file("elsewhere");
    fs::create_directories(elsewhere);
    fs::create_directory_symlink(elsewhere, temp);
    EXPECT_EQ(testing::ErrorOf([] { PrepareTempFolder(); }),
              "The temporary folder \"" + temp + "\" cannot be used safely: it is a symbolic link");
    EXPECT_THROW(MakeScratchFolder("drag-"), PackageError);
    EXPECT_TRUE(fs::is_empty(elsewhere));
    fs::remove(temp);
    fs::create_directory(temp);
    chmod(temp.c_str(), 0755);
    EXPECT_EQ(testing::ErrorOf([] { PrepareTempFolder(); }),
              "The temporary folder \"" + temp + "\" cannot be used safely: other users have access to it");
}

TEST_F(TempFolder, DeletingNeverFollowsLinks) {
    const std::string temp = PrepareTempFolder().path;
    const std::string outside = dir.file("keep");
    fs::create_directories(outside);
    testing::WriteFileBytes(outside + "/file", "kept");
    fs::create_directory_symlink(outside, temp + "/link");
    EXPECT_TRUE(DeleteFolder(temp));
    EXPECT_FALSE(fs::exists(temp));
    EXPECT_EQ(ReadFileBytes(outside + "/file"), "kept");
}

TEST_F(Extraction, AnEntrysBytesAreReadInRangesUntilThePackageChanges) {
    const EntryBytes ships(vp, node("data/tables/ships.tbl"));
    EXPECT_EQ(ships.size(), 5);
    EXPECT_EQ(ships.read(0, 5), "SHIPS");
    EXPECT_EQ(ships.read(3, 100), "PS");
    EXPECT_EQ(ships.read(9, 4), "");
    EXPECT_EQ(EntryBytes(vp, node("zero")).read(0, 10), "");
    EXPECT_THROW(EntryBytes(vp, node("data")), PackageError);

    Package other;
    other.LoadPackage(package);
    other.ReplaceEntryBytes(FindEntry(other.tree(), "readme.txt"), "read me again");
    EXPECT_THROW(ships.read(0, 5), PackageChangedError);
    EXPECT_EQ(EntryBytes(other, FindEntry(other.tree(), "readme.txt")).read(0, 100), "read me again");
    EXPECT_EQ(EntryBytes(other, FindEntry(other.tree(), "data/tables/weapons.tbl")).read(0, 100), "WEAPONS");
}

TEST_F(Extraction, DataOutsideTheFileIsNamedAndNeverRead) {
    PackageBuilder().raw(Rec(1000, 50, testing::kDefaultTimestamp, "far")).writeTo(package);
    vp.LoadPackage(package);
    const EntryBytes far(vp, node("far"));
    EXPECT_TRUE(far.outside());
    EXPECT_NE(far.outsideReason().find("offset 1000 of 50 bytes"), std::string::npos) << far.outsideReason();
    EXPECT_THROW(far.read(0, 10), PackageError);
}

// The merged view reads the copy that wins, from a package or a folder, by the same means.
TEST_F(Extraction, ASourcesFilesAreReadFromTheirPackageOrFromDiskButNeverThroughALink) {
    const auto bytesOf = [](const FileSource& source, const std::string& path) {
        for (const SourceFile& file : source.files()) {
            if (file.path == path)
                return EntryBytes(source, file);
        }
        throw PackageError("no " + path);
    };
    std::optional<EntryBytes> ships;
    {
        // The source holds its package against edits while it lives.
        const FileSource packaged = FileSource::Open(package);
        ships = bytesOf(packaged, "data/tables/ships.tbl");
        EXPECT_EQ(ships->read(1, 3), "HIP");
    }
    Package other;
    other.LoadPackage(package);
    other.ReplaceEntryBytes(FindEntry(other.tree(), "readme.txt"), "read me again");
    EXPECT_THROW(ships->read(0, 5), PackageChangedError);

    fs::create_directories(dir.file("loose/data"));
    testing::WriteFileBytes(dir.file("loose/data/a.txt"), "loose bytes");
    testing::WriteFileBytes(dir.file("secret"), "not to be shown");
    const EntryBytes loose = bytesOf(FileSource::Open(dir.file("loose")), "data/a.txt");
    EXPECT_EQ(loose.read(0, 100), "loose bytes");
    // A link planted at the file's name after the folder was read is not followed.
    fs::remove(dir.file("loose/data/a.txt"));
    fs::create_symlink(dir.file("secret"), dir.file("loose/data/a.txt"));
    EXPECT_THROW(loose.read(0, 100), PackageError);
    // Nor is a FIFO waited on: nothing would ever write into it.
    fs::remove(dir.file("loose/data/a.txt"));
    ASSERT_EQ(::mkfifo(dir.file("loose/data/a.txt").c_str(), 0600), 0);
    EXPECT_NE(testing::ErrorOf([&] { loose.read(0, 100); }).find("not an ordinary file"), std::string::npos);
}

// Copies read together a run at a time: a package cut short after it was read fails the
// comparison with the name of a copy that lies past its end, whichever way its run was read.
TEST_F(Extraction, ACopyPastTheEndOfAPackageCutShortIsNamed) {
    for (const char* name : {"a.vp", "b.vp"}) {
        PackageBuilder builder;
        for (int i = 10; i < 40; ++i)
            builder.file("f" + std::to_string(i), std::string(name) + std::to_string(i));
        builder.writeTo(dir.file(name));
    }
    // Held or walked: a walked source reads its directory again, which is cut short too.
    const std::vector<FileSource> held = OpenSources({dir.file("a.vp"), dir.file("b.vp")});
    const std::vector<FileSource> walked =
        OpenSources({dir.file("a.vp"), dir.file("b.vp")}, SourceFiles::Walked);
    fs::resize_file(dir.file("b.vp"), 16 + 6 * 15);
    for (const auto& merge : std::vector<std::function<void()>>{
             [&] { MergeSources(held, true); },
             [&] { StreamMerged(walked, true, [](const std::vector<MergedPath>&) {}); }}) {
        try {
            merge();
            ADD_FAILURE() << "the comparison went on";
        } catch (const PackageError& error) {
            const std::string message = error.what();
            EXPECT_NE(message.find("of \"" + dir.file("b.vp") + "\": the file ended early"),
                      std::string::npos)
                << message;
        }
    }
}

} // namespace
} // namespace tessel
