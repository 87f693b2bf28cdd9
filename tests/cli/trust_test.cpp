// The paths that used to lose, hide or confuse data, one row each: what is set up, the
// command line, what it must answer, and what must be there afterwards.
#include "scenario.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

namespace tessel {
namespace {

namespace fs = std::filesystem;
using testing::PackageBuilder;
using testing::Rec;

using testing::Write;
using Finding = testing::Scenario;

class Trust : public ::testing::TestWithParam<Finding> {};

TEST_P(Trust, EndsAsItMust) {
    testing::RunScenario(GetParam());
}

// p.vp: the files a and b.
void TwoFiles(const std::string& folder) {
    PackageBuilder().file("a", "A").file("b", "BB").writeTo(folder + "/p.vp");
    Write(folder, "x.bin", "X");
}

// p.vp: two entries of exactly one name in data/.
void OneNameTwice(const std::string& folder) {
    PackageBuilder()
        .folder("data")
        .file("new.tbl", "first")
        .file("new.tbl", "second")
        .end()
        .writeTo(folder + "/p.vp");
}

// deep.vp: folders nested the given number of levels, a file at the bottom.
std::function<void(const std::string&)> Nested(int levels) {
    return [levels](const std::string& folder) {
        PackageBuilder builder;
        for (int i = 0; i < levels; ++i)
            builder.folder("d");
        builder.file("leaf", "LEAF");
        builder.writeTo(folder + "/deep.vp");
    };
}

const Finding kFindings[] = {
    {"AFileWithTwoNamesIsNotEdited", TwoFiles, "ln p.vp h.vp && tessel delete h.vp a", 1,
     "has 2 names (hard links)", "tessel list h.vp", "a\nb\n"},
    {"AShortFileThatIsNoPackageIsLeftAlone", nullptr,
     "printf 'hello world!' > notes.txt && printf X > x.bin && tessel add notes.txt x.bin", 1,
     "is not a VP package", "cat notes.txt", "hello world!"},
    {"AnEmptyFileIsAPackageWithoutEntries", TwoFiles, ": > e.vp && tessel add e.vp x.bin", 0, "",
     "tessel list e.vp", "x.bin\n"},
    {"AddingTheFolderThatHoldsThePackageLeavesThePackageOut",
     [](const std::string& folder) {
         Write(folder, "f/x.bin", "X");
         PackageBuilder().file("a", "A").writeTo(folder + "/f/p.vp");
     },
     "tessel add f/p.vp f", 1, "it is the package itself", "tessel list f/p.vp", "a\nf/\nf/x.bin\n"},
    {"CreatingAPackageInsideTheFolderItIsMadeFromAddsNothingOfItsOwn",
     [](const std::string& folder) { Write(folder, "g/y.bin", "Y"); }, "tessel create g/n.vp g", 0, "",
     "tessel list g/n.vp && ls -A g", "g/\ng/y.bin\nn.vp\ny.bin\n"},
    {"TwoEntriesOfOneNameAreNamedWhenExtracted", OneNameTwice, "tessel extract p.vp out", 1,
     "lands where an earlier entry was written", "cat out/data/new.tbl", "second"},
    {"OverwriteDuplicatesLetsTheLaterWin", OneNameTwice, "tessel extract --overwrite-duplicates p.vp out", 0,
     "", "cat out/data/new.tbl", "second"},
    {"NamesThatShowAlikeAreNamedWhenExtracted",
     [](const std::string& folder) {
         PackageBuilder().file("caf\xE9", "latin").file("caf\xC3\xA9", "utf8").writeTo(folder + "/p.vp");
     },
     "tessel extract p.vp out", 1, "lands where an earlier entry was written", "ls out | wc -l", "1\n"},
    {"BytesTheCodePageLeavesUndefinedStayApart",
     [](const std::string& folder) {
         PackageBuilder()
             .file("\x81", "1")
             .file("\x8D", "2")
             .file("\x8F", "3")
             .file("\x90", "4")
             .file("\x9D", "5")
             .writeTo(folder + "/p.vp");
     },
     "tessel extract p.vp out", 0, "", "ls out | wc -l", "5\n"},
    {"APathOfTwoEntriesIsRefusedNamingBoth", OneNameTwice, "tessel delete p.vp data/new.tbl", 1,
     "\"data/new.tbl\" names 2 entries: \"data/new.tbl\", 5 bytes at offset 16; \"data/new.tbl\", 6 bytes at "
     "offset 21 (--all takes every one)",
     "tessel list p.vp", "data/\ndata/new.tbl\ndata/new.tbl\n"},
    {"AllDeletesEveryEntryOfThePath", OneNameTwice, "tessel delete --all p.vp data/new.tbl", 0, "",
     "tessel list p.vp", "data/\n"},
    {"RenameRefusesAPathOfTwoEntries", OneNameTwice, "tessel rename p.vp data/new.tbl other.tbl", 1,
     "names 2 entries", "tessel list p.vp", "data/\ndata/new.tbl\ndata/new.tbl\n"},
    {"CheckCallsOneNameTwiceAProblem", OneNameTwice, "tessel check p.vp", 1, "",
     "tessel check p.vp | grep -c 'have exactly one name'", "1\n"},
    {"BytesAfterTheDirectoryAreNeverCut",
     [](const std::string& folder) {
         testing::WriteFileBytes(folder + "/p.vp",
                                 PackageBuilder().file("a", "A").bytes() + std::string(44, 'z'));
     },
     "tessel rename p.vp a b", 1, "holds 44 bytes after its directory; Tessel would lose them",
     "tessel check p.vp | head -1; tessel list p.vp",
     "44 bytes follow the directory; Tessel's edits refuse the package, which would lose them\na\n"},
    {"RecordsBeyondACountOfNoneAreNeverOverwritten",
     [](const std::string& folder) {
         testing::WriteFileBytes(folder + "/p.vp", testing::HeaderBytes(16, 0) +
                                                       testing::RecordBytes(Rec(16, 0, 5, "a")) +
                                                       testing::RecordBytes(Rec(16, 0, 5, "b")));
         Write(folder, "x.bin", "X");
     },
     "tessel add p.vp x.bin", 1, "holds 88 bytes after its directory", "tessel check p.vp | head -1",
     "88 bytes follow the directory; Tessel's edits refuse the package, which would lose them\n"},
    {"AFolderEndOutsideEveryFolderIsReported",
     [](const std::string& folder) {
         PackageBuilder().file("a", "A").raw(Rec(1, 0, 0, "..")).file("b", "B").writeTo(folder + "/p.vp");
     },
     "tessel check p.vp", 1, "", "tessel check p.vp",
     "1 folder-end record (\"..\") outside every folder close nothing\n"},
    {"AnEmptyRecordAtOffsetZeroIsNoDamage",
     [](const std::string& folder) {
         PackageBuilder().raw(Rec(0, 0, 5, "empty")).file("a", "A").writeTo(folder + "/p.vp");
         Write(folder, "x.bin", "X");
     },
     "tessel add p.vp x.bin && tessel check p.vp", 0, "", "tessel list p.vp", "empty\na\nx.bin\n"},
    {"AFolderThatCannotBeListedIsNamedNotAddedEmpty",
     [](const std::string& folder) {
         Write(folder, "src/ok/f", "F");
         fs::create_directories(folder + "/src/locked/inner");
     },
     "chmod 777 . && chmod 000 src/locked && : > u.vp && chmod 666 u.vp && unprivileged \"$TESSEL_VP\" add "
     "u.vp src",
     1, "skipped \"src/locked\": Permission denied", "tessel list u.vp", "src/\nsrc/ok/\nsrc/ok/f\n"},
    {"ADeepTreeIsAddedWholeWithFewDescriptors",
     [](const std::string& folder) {
         std::string path = "d";
         for (int i = 1; i < 40; ++i)
             path += "/d";
         Write(folder, path + "/leaf", "L");
     },
     "ulimit -n 24 && tessel create deep.vp d", 0, "", "tessel list deep.vp | wc -l", "41\n"},
    {"ACreateRemovesTheScratchFilesOfCreatesThatDied", nullptr,
     "printf junk > .n.vp.tessel-new-Ab12Cd && printf junk > .n.vp.tessel-new-Ab12Cd-journal && tessel "
     "create n.vp",
     0, "", "ls -A | grep -c tessel-new || true", "0\n"},
    {"ExtractionRefusesFoldersDeeperThan1024", Nested(1025), "tessel extract deep.vp out", 1,
     "it lies 1025 folders deep, and Tessel extracts at most 1024", "ls -A out | wc -l", "0\n"},
    {"ExtractionTakes1024Folders", Nested(1024), "tessel extract deep.vp out", 0, "",
     "find out -name leaf | wc -l", "1\n"},
    {"ANegativeOffsetIsNamedWithItsEntry",
     [](const std::string& folder) {
         testing::WriteFileBytes(folder + "/p.vp",
                                 testing::HeaderBytes(16, 1) + testing::RecordBytes(Rec(-5, 10, 5, "bad")));
     },
     "tessel extract p.vp out", 1, "Cannot extract \"out/bad\": its record gives offset -5 and size 10", "",
     ""},
    {"ATruncatedJournalIsNamed", TwoFiles, "printf 'TSLJRNL1\\1\\0' > p.vp-journal && tessel list p.vp", 1,
     "p.vp-journal\" is damaged: it ends early; it was not applied",
     "tessel list p.vp 2>&1 | grep -c damaged", "1\n"},
    {"AnEditUnderWayIsCalledSo", TwoFiles,
     "printf x > p.vp-journal && (flock p.vp sleep 2 &) && sleep 0.5 && tessel list p.vp", 1,
     "is in use by another Tessel (an edit is under way)", "", ""},
    {"RenameSaysLongNamesAreRefused", nullptr, "tessel rename --help", 0, "",
     "tessel rename --help | grep -c 'longer names are refused'", "1\n"},
};

INSTANTIATE_TEST_SUITE_P(Findings, Trust, ::testing::ValuesIn(kFindings), testing::RowName<Finding>);

} // namespace
} // namespace tessel
