// The modder's commands: sync from a working folder, cat, compact, patterns and dates.
#include "scenario.h"

#include <gtest/gtest.h>

namespace tessel {
namespace {

using testing::PackageBuilder;
using testing::Rec;
using testing::Scenario;
using testing::Write;

class Workflow : public ::testing::TestWithParam<Scenario> {};

TEST_P(Workflow, EndsAsItMust) {
    testing::RunScenario(GetParam());
}

// p.vp holds data/ships.tbl, data/Colors.tbl, readme.txt; work/ holds a changed ships, the
// same colors (its name in another case), a new file and no readme.
void PackageAndWork(const std::string& folder) {
    PackageBuilder()
        .folder("data")
        .file("ships.tbl", "old ships")
        .file("Colors.tbl", "colors")
        .end()
        .file("readme.txt", "readme")
        .writeTo(folder + "/p.vp");
    Write(folder, "work/data/ships.tbl", "new ships!");
    Write(folder, "work/data/colors.TBL", "colors");
    Write(folder, "work/data/new.tbl", "new");
}

// p.vp with 4 bytes no entry uses between its two files.
void WithAGap(const std::string& folder) {
    testing::WriteFileBytes(folder + "/p.vp", testing::HeaderBytes(29, 2) + "AAAAgapBBBBBB" +
                                                  testing::RecordBytes(Rec(16, 4, 5, "a")) +
                                                  testing::RecordBytes(Rec(23, 6, 5, "b")));
}

void Nested(const std::string& folder) {
    PackageBuilder()
        .folder("data")
        .file("a.tbl", "A")
        .file("B.TBL", "B")
        .folder("deep")
        .file("c.tbl", "C")
        .file("x.txt", "X")
        .end()
        .end()
        .file("top.tbl", "T")
        .writeTo(folder + "/p.vp");
}

const Scenario kScenarios[] = {
    {"SyncAddsAndReplacesButRemovesOnlyWhenAsked", PackageAndWork, "tessel sync p.vp work/data --to data", 0,
     "", "tessel list p.vp; tessel cat p.vp data/ships.tbl",
     "data/\ndata/ships.tbl\ndata/Colors.tbl\ndata/new.tbl\nreadme.txt\nnew ships!"},
    {"SyncDeleteRemovesWhatTheFolderLacks", PackageAndWork, "tessel sync --delete p.vp work", 0, "",
     "tessel list p.vp", "data/\ndata/ships.tbl\ndata/Colors.tbl\ndata/new.tbl\n"},
    {"SyncPrintsWhatItDidAsDiffDoes", PackageAndWork, "tessel sync --delete p.vp work/data --to data > out",
     0, "", "cat out", "A data/new.tbl\nM data/ships.tbl\n"},
    {"ADryRunChangesNothing", PackageAndWork,
     "cp p.vp before.vp && tessel sync -n --delete p.vp work && cmp p.vp before.vp", 0, "",
     "tessel sync -n --delete p.vp work", "A data/new.tbl\nM data/ships.tbl\nD readme.txt\n"},
    {"ASyncWithNothingToDoWritesNothing", PackageAndWork,
     "tessel sync p.vp work/data --to data && cp -p p.vp before.vp && tessel sync p.vp work/data --to data",
     0, "", "cmp p.vp before.vp && tessel check p.vp && echo same", "same\n"},
    {"SyncKeepsTimesWhenAsked", PackageAndWork,
     "touch -d '2011-02-03 04:05:06' work/data/new.tbl && tessel sync --keep-times p.vp work/data --to data",
     0, "", "tessel list -l p.vp data/new.tbl", "              3  2011-02-03 04:05  data/new.tbl\n"},
    {"CatWritesEntriesInOrder", Nested, "tessel cat p.vp top.tbl data/a.tbl", 0, "", "", ""},
    {"CatRefusesAFolder", Nested, "tessel cat p.vp data", 1, "\"data/\" is a folder, not a file", "", ""},
    {"PatternsMatchIgnoringCaseWithinAName", Nested, "tessel list p.vp 'data/*.tbl'", 0, "",
     "tessel list p.vp 'data/*.tbl'", "data/a.tbl\ndata/B.TBL\n"},
    {"TwoStarsMatchAnyFolders", Nested, "tessel list p.vp '**/?.TBL'", 0, "",
     "tessel cat p.vp '**/[a-c].tbl'", "ABC"},
    {"APatternThatMatchesNothingIsAnError", Nested, "tessel extract p.vp out 'nothing*'", 1,
     "no entry matches \"nothing*\"", "", ""},
    {"DeleteTakesAPattern", Nested, "tessel delete p.vp 'data/deep/*'", 0, "",
     "tessel list p.vp deep 2>&1; tessel list p.vp",
     "tessel-vp: no entry \"deep\" in the package\ndata/\ndata/a.tbl\ndata/B.TBL\ndata/deep/\ntop.tbl\n"},
    {"ExtractKeepsTimesWhenAsked", Nested, "tessel extract --keep-times p.vp out top.tbl", 0, "",
     "date -r out/top.tbl '+%Y-%m-%d %H:%M'", "2005-06-01 12:00\n"},
    {"CompactRemovesWhatNoEntryUses", WithAGap, "tessel check p.vp > before && tessel compact p.vp", 0, "",
     "cat before; tessel check p.vp; tessel cat p.vp a b",
     "warning: 3 bytes of the data area belong to no entry (tessel-vp compact removes them)\nAAAABBBBBB"},
    {"CompactSaysHowManyBytes", WithAGap, "tessel compact p.vp > out && tessel compact p.vp >> out", 0, "",
     "cat out", "3 bytes reclaimed\n0 bytes reclaimed\n"},
};

INSTANTIATE_TEST_SUITE_P(Commands, Workflow, ::testing::ValuesIn(kScenarios), testing::RowName<Scenario>);

} // namespace
} // namespace tessel
