// diff and overlay: packages and folders compared and layered, as a game reads them.
#include "scenario.h"

#include <gtest/gtest.h>

namespace tessel {
namespace {

using testing::PackageBuilder;
using testing::Scenario;
using testing::Write;

class Layers : public ::testing::TestWithParam<Scenario> {};

TEST_P(Layers, EndsAsItMust) {
    testing::RunScenario(GetParam());
}

// old.vp and the folder old/ hold the same files; new.vp and new/ hold one of them changed,
// one in another case, one removed and one added.
void OldAndNew(const std::string& folder) {
    PackageBuilder()
        .folder("data")
        .file("ships.tbl", "ships", 1000)
        .file("Colors.tbl", "colors", 1000)
        .file("gone.tbl", "gone", 1000)
        .end()
        .writeTo(folder + "/old.vp");
    PackageBuilder()
        .folder("Data")
        .file("ships.tbl", "SHIPS", 1000)
        .file("colors.TBL", "colors", 2000)
        .file("new.tbl", "new", 1000)
        .end()
        .writeTo(folder + "/new.vp");
    Write(folder, "old/data/ships.tbl", "ships");
    Write(folder, "old/data/Colors.tbl", "colors");
    Write(folder, "old/data/gone.tbl", "gone");
    Write(folder, "new/Data/ships.tbl", "SHIPS");
    Write(folder, "new/Data/colors.TBL", "colors");
    Write(folder, "new/Data/new.tbl", "new");
}

// mod.vp shadows base.vp; loose/ lies between them; base.vp holds one name twice.
void ModOverBase(const std::string& folder) {
    PackageBuilder().file("a.tbl", "mod a").file("B.tbl", "b").writeTo(folder + "/mod.vp");
    PackageBuilder()
        .file("a.tbl", "base a")
        .file("b.tbl", "b")
        .file("c.tbl", "first c")
        .file("c.tbl", "second c")
        .writeTo(folder + "/base.vp");
    Write(folder, "loose/A.TBL", "mod a");
}

const char* const kJsonDiff = R"([
  {
    "path": "Data/new.tbl",
    "change": "added",
    "new": {
      "size": 3,
      "timestamp": 1000
    }
  },
  {
    "path": "Data/ships.tbl",
    "change": "changed",
    "old": {
      "size": 5,
      "timestamp": 1000
    },
    "new": {
      "size": 5,
      "timestamp": 1000
    }
  },
  {
    "path": "data/gone.tbl",
    "change": "removed",
    "old": {
      "size": 4,
      "timestamp": 1000
    }
  }
]
)";

const Scenario kScenarios[] = {
    // Packages, folders and one of each: the same differences, in the new side's spelling.
    {"DiffOfTwoPackages", OldAndNew, "tessel diff old.vp new.vp > out", 1, "", "cat out",
     "A Data/new.tbl\nM Data/ships.tbl\nD data/gone.tbl\n"},
    {"DiffOfTwoFolders", OldAndNew, "tessel diff old new > out", 1, "", "cat out",
     "A Data/new.tbl\nM Data/ships.tbl\nD data/gone.tbl\n"},
    {"DiffOfAPackageAndAFolder", OldAndNew, "tessel diff old.vp new > out", 1, "", "cat out",
     "A Data/new.tbl\nM Data/ships.tbl\nD data/gone.tbl\n"},
    {"DiffWithTimesNamesTheRedatedFile", OldAndNew, "tessel diff --times old.vp new.vp > out", 1, "",
     "cat out", "T Data/colors.TBL\nA Data/new.tbl\nM Data/ships.tbl\nD data/gone.tbl\n"},
    {"DiffAsJson", OldAndNew, "tessel diff --json old.vp new.vp > out", 1, "", "cat out", kJsonDiff},
    {"DiffOfTheSameFilesIsQuiet", OldAndNew, "tessel diff old.vp old", 0, "", "tessel diff old.vp old", ""},
    // base.vp's two c.tbl pair with the folder's one: the first matches, the second is removed.
    {"DiffPairsTwoFilesOfOnePathInOrder", ModOverBase,
     "mkdir -p one && printf 'first c' > one/c.tbl && tessel diff base.vp one > out", 1, "", "cat out",
     "D a.tbl\nD b.tbl\nD c.tbl\n"},
    {"DiffOfAMissingSourceIsTrouble", OldAndNew, "tessel diff old.vp nowhere.vp", 2,
     "Cannot read \"nowhere.vp\"", "", ""},
    {"DiffOfADamagedPackageIsTrouble", OldAndNew, "head -c 20 old.vp > bad.vp && tessel diff bad.vp new.vp",
     2, "bad.vp", "", ""},
    {"DiffRefusesANameNoPackageHolds", OldAndNew,
     "mkdir -p long && echo x > long/nnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnnn && tessel diff long old", 2,
     "cannot be a package entry", "", ""},
    {"DiffDoesNotFollowLinks", OldAndNew,
     "ln -s /etc old/etc && ln -s .. old/data/loop && tessel diff old old.vp", 0, "", "", ""},
    // The first source wins; a path another source holds in another case is the same path.
    {"OverlayNamesTheSourceOfEveryPath", ModOverBase, "tessel overlay mod.vp loose base.vp > out", 0, "",
     "cat out", "a.tbl\tmod.vp\nB.tbl\tmod.vp\nc.tbl\tbase.vp\n"},
    {"OverlayInTheOtherOrder", ModOverBase, "tessel overlay base.vp loose mod.vp > out", 0, "", "cat out",
     "a.tbl\tbase.vp\nb.tbl\tbase.vp\nc.tbl\tbase.vp\n"},
    {"OverlayConflictsSayWhichCopiesDiffer", ModOverBase,
     "tessel overlay --conflicts mod.vp loose base.vp > out", 0, "", "cat out",
     "a.tbl\tmod.vp\tloose same\tbase.vp differs\nB.tbl\tmod.vp\tbase.vp same\nc.tbl\tbase.vp\tbase.vp "
     "differs\n"},
    {"OverlayAsJson", ModOverBase, "tessel overlay --json loose base.vp > out", 0, "",
     "python3 -c 'import json; print(json.load(open(\"out\")))'",
     "[{'path': 'A.TBL', 'source': 'loose', 'size': 5, 'shadowed': [{'source': 'base.vp', 'same': False}]}, "
     "{'path': 'b.tbl', 'source': 'base.vp', 'size': 1, 'shadowed': []}, {'path': 'c.tbl', 'source': "
     "'base.vp', "
     "'size': 8, 'shadowed': [{'source': 'base.vp', 'same': False}]}]\n"},
    {"OverlayExtractsWhatTheGameReads", ModOverBase, "tessel overlay mod.vp loose base.vp --extract out", 0,
     "", "cd out && find . -type f | sort | xargs tail -v -n +1",
     "==> ./B.tbl <==\nb\n==> ./a.tbl <==\nmod a\n==> ./c.tbl <==\nsecond c"},
    {"OverlayExtractNeverWritesThroughALink", ModOverBase,
     "mkdir out && ln -s /nonexistent-target out/a.tbl && tessel overlay mod.vp --extract out", 0, "",
     "test -L out/a.tbl || cat out/a.tbl", "mod a"},
    {"OverlayExtractRefusesASourceAsDestination", ModOverBase,
     "tessel overlay mod.vp loose --extract loose/sub", 1, "the source \"loose\" lies there", "", ""},
    // A disk name that is not UTF-8 is shown, not a failure of the JSON writer.
    {"JsonShowsANameThatIsNotUtf8", nullptr,
     "mkdir -p n e && printf x > \"n/$(printf 'caf\\351')\" && tessel overlay --json n > out", 0, "",
     "grep -c caf out", "1\n"},
    // Copies side by side in a package are read together, past a file that is not compared:
    // each is still judged on its own bytes.
    {"OverlayJudgesNeighbouringCopiesEachAlone", nullptr,
     "mkdir a && for i in 1 2 3 4 5; do printf \"file $i\" > a/f$i; done && cp -r a b && cp -r a c && "
     "printf 'file X' > b/f2 && printf 'file Y' > c/f4 && head -c 9000 /dev/zero > c/f3big && "
     "tessel create a.vp a/* && tessel create b.vp b/* && tessel create c.vp c/* && "
     "tessel overlay --conflicts a.vp b.vp c.vp > out",
     0, "", "cat out",
     "f1\ta.vp\tb.vp same\tc.vp same\nf2\ta.vp\tb.vp differs\tc.vp same\nf3\ta.vp\tb.vp same\tc.vp same\n"
     "f4\ta.vp\tb.vp same\tc.vp differs\nf5\ta.vp\tb.vp same\tc.vp same\n"},
    // A folder is read one folder deep at a time: its inner folders are not all held open.
    {"AFolderSourceWiderThanTheOpenFileLimit", nullptr,
     "for i in $(seq 300); do mkdir -p wide/d$i && printf $i > wide/d$i/f; done && "
     "(ulimit -n 64 && tessel overlay wide > out && tessel diff wide wide)",
     0, "", "wc -l < out", "300\n"},
    {"OverlayStopsAtASourceThatCannotBeRead", ModOverBase,
     "tessel overlay mod.vp nowhere base.vp gone.vp > out", 1, "Cannot read \"nowhere\"", "cat out", ""},
};

INSTANTIATE_TEST_SUITE_P(Commands, Layers, ::testing::ValuesIn(kScenarios), testing::RowName<Scenario>);

} // namespace
} // namespace tessel
