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

// hostile.tar: a good file beside entries that climb out, are absolute, or are links and
// devices; made by Python's tarfile, as a hostile archive would be.
const char* const kHostileTar =
    "python3 - <<'PY'\n"
    "import io, tarfile\n"
    "with tarfile.open('hostile.tar', 'w') as tar:\n"
    "    def add(name, data=b'x', kind=tarfile.REGTYPE, link=''):\n"
    "        info = tarfile.TarInfo(name); info.type = kind; info.linkname = link; info.size = len(data) if "
    "kind == tarfile.REGTYPE else 0\n"
    "        tar.addfile(info, io.BytesIO(data) if kind == tarfile.REGTYPE else None)\n"
    "    add('good/a.txt', b'fine')\n"
    "    add('../evil.txt'); add('/abs.txt'); add('good/../../up.txt')\n"
    "    add('good/link', kind=tarfile.SYMTYPE, link='/etc/passwd')\n"
    "    add('good/hard', kind=tarfile.LNKTYPE, link='good/a.txt')\n"
    "    add('good/dev', kind=tarfile.CHRTYPE)\n"
    "    add('good/' + 'n' * 40)\n"
    "PY\n";

// What bash completion offers for the words, the last being completed, one a line.
std::string Completing(const std::string& words) {
    return std::string("export LC_ALL=C PATH=$(dirname \"$TESSEL_VP\"):$PATH; compopt() { :; }; source '") +
           TESSEL_COMPLETION_PATH + "'; COMP_WORDS=(" + words +
           "); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _tessel_vp; printf '%s\\n' \"${COMPREPLY[@]}\"";
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
    {"AnArchiveBecomesAPackageAndBack", Nested,
     "tessel convert p.vp p.zip && tessel convert p.zip back.vp && tessel convert back.vp back.tar.xz && "
     "tessel convert back.tar.xz again.vp",
     0, "", "tessel list again.vp && tessel cat again.vp data/deep/c.tbl && tessel list -l again.vp top.tbl",
     "data/\ndata/a.tbl\ndata/B.TBL\ndata/deep/\ndata/deep/c.tbl\ndata/deep/x.txt\ntop.tbl\nC"
     "              1  2005-06-01 12:00  top.tbl\n"},
    {"AHostileArchiveGivesOnlyWhatIsSafe", nullptr,
     std::string(kHostileTar) + "tessel convert hostile.tar p.vp", 1,
     "skipped \"hostile.tar: ../evil.txt\": its path holds \"..\"",
     "tessel list p.vp; ls ..  | grep -c evil || true", "good/\ngood/a.txt\n0\n"},
    {"EveryHostileEntryIsNamed", nullptr, std::string(kHostileTar) + "tessel convert hostile.tar p.vp 2> err",
     1, "", "grep -c 'skipped' err; grep -c 'it is a link' err", "7\n2\n"},
    {"ATruncatedArchiveMakesNoPackage", Nested,
     "tessel convert p.vp p.zip && head -c 200 p.zip > cut.zip && tessel convert cut.zip cut.vp", 1,
     "Cannot read", "ls -A | grep -c 'cut.vp' || true", "0\n"},
    {"AnEntryLargerThanAPackageStopsTheConvert", nullptr,
     "python3 -c \"import tarfile; i = tarfile.TarInfo('big'); i.size = 3 << 30; "
     "open('big.tar', 'wb').write(i.tobuf() + b'x' * 4096)\" && tessel convert big.tar big.vp",
     1, "2 GiB", "ls -A | grep -c '\\.vp' || true", "0\n"},
    {"AddUnpacksAnArchiveIntoAFolder", Nested,
     "tessel convert p.vp p.zip && tessel add --unpack --to data/deep p.vp p.zip && tessel check p.vp", 0, "",
     "tessel list p.vp 'data/deep/data/**'",
     "data/deep/data/\ndata/deep/data/a.tbl\ndata/deep/data/B.TBL\n"
     "data/deep/data/deep/\ndata/deep/data/deep/c.tbl\ndata/deep/data/deep/x.txt\n"},
    {"CompactSaysHowManyBytes", WithAGap, "tessel compact p.vp > out && tessel compact p.vp >> out", 0, "",
     "cat out", "3 bytes reclaimed\n0 bytes reclaimed\n"},
    // A file rewritten with its size and modification time kept is still seen: its change
    // time moved.
    {"ASyncTrustsOnlyFilesAsItLeftThem", PackageAndWork,
     "tessel sync --to data p.vp work/data > out && sleep 2.1 && tessel sync --to data p.vp work/data >> out "
     "&& "
     "printf 'NEW SHIPS!' > x && touch -r work/data/ships.tbl x && cat x > work/data/ships.tbl && "
     "touch -r x work/data/ships.tbl && tessel sync --to data p.vp work/data >> out && "
     "tail -n +2 \"$XDG_CACHE_HOME\"/tessel/sync/* | cut -d' ' -f10- | sort > known",
     0, "", "sort out; cat known",
     "A data/new.tbl\nM data/ships.tbl\nM data/ships.tbl\ncolors.TBL\nnew.tbl\n"},
    // The index is met in the order of the walk; lines in another order are looked up.
    {"ASyncFindsItsIndexInAnyOrder", PackageAndWork,
     "tessel sync --to data p.vp work/data > out && sleep 2.1 && tessel sync --to data p.vp work/data >> out "
     "&& "
     "i=$(echo \"$XDG_CACHE_HOME\"/tessel/sync/*) && (head -n 1 $i; tail -n +2 $i | tac) > r && cat r > $i "
     "&& "
     "printf X | dd of=work/data/colors.TBL conv=notrunc status=none && "
     "tessel sync --to data p.vp work/data >> out",
     0, "", "sort out", "A data/new.tbl\nM data/Colors.tbl\nM data/ships.tbl\n"},
    // Another program changed bytes of the package in place: the index kept for it no longer
    // vouches for anything.
    {"ASyncReadsAgainWhenThePackageChangedBehindItsIndex", PackageAndWork,
     "tessel sync --to data p.vp work/data > out && sleep 2.1 && tessel sync --to data p.vp work/data >> out "
     "&& o=$(tessel list --json p.vp data/Colors.tbl | grep -o '\"offset\":[0-9]*' | cut -d: -f2) && "
     "printf X | dd of=p.vp bs=1 seek=$o conv=notrunc status=none && "
     "tessel sync --to data p.vp work/data >> out",
     0, "", "sort out; tessel cat p.vp data/Colors.tbl",
     "A data/new.tbl\nM data/Colors.tbl\nM data/ships.tbl\ncolors"},
    // Indexes that no sync wrote or used for months go; one in use is kept fresh even by
    // syncs that write nothing.
    {"StaleIndexesGoAndUsedOnesStay", PackageAndWork,
     "c=\"$XDG_CACHE_HOME\"/tessel/sync && mkdir -p $c && touch -d '100 days ago' $c/0123456789abcdef && "
     "touch $c/fedcba9876543210 && tessel sync --to data p.vp work/data > /dev/null && sleep 2.1 && "
     "tessel sync --to data p.vp work/data > /dev/null && touch -d '30 days ago' $(ls -t $c | head -1 | "
     "sed \"s|^|$c/|\") && tessel sync --to data p.vp work/data && ls $c | wc -l > out && "
     "find $c -type f -mtime -1 | wc -l >> out",
     0, "", "cat out", "2\n2\n"},
    // Folders are listed ahead of the walk: what it is told of each must be that folder's, at
    // every depth, through a link to a folder and beside folders that came or went.
    {"ASyncWithAnIndexSeesChangesAtEveryDepth", Nested,
     "tessel extract p.vp work && tessel sync --delete p.vp work && sleep 2.1 && "
     "tessel sync --delete p.vp work > out && printf Z > work/data/deep/c.tbl && "
     "mkdir -p work/data/deep/more work/e && printf N > work/data/deep/more/n.txt && "
     "mv work/data/deep work/data/real && ln -s real work/data/deep && rm work/data/a.tbl && "
     "tessel sync --delete p.vp work >> out",
     1, "\"work/data/deep/more\": it was reached again through a link",
     "sort out; tessel cat p.vp data/deep/c.tbl data/real/x.txt",
     "A data/deep/more/\nA data/deep/more/n.txt\nA data/real/\nA data/real/c.tbl\nA data/real/more/\n"
     "A data/real/more/n.txt\nA data/real/x.txt\nA e/\nD data/a.tbl\nM data/deep/c.tbl\nZX"},
    // More files of their entries' sizes than are compared at once, some of them changed: the
    // first sync tells them by their bytes, the next by its index, through a wide tree.
    {"SyncsTellEveryChangedFileOfAWideTree", nullptr,
     "for d in $(seq 10 49); do mkdir -p w/d$d/in; printf \"A$d\" > w/d$d/a; printf \"B$d\" > w/d$d/in/b; "
     "done && "
     "tessel create p.vp w/* > /dev/null && printf A99 > w/d17/a && printf B99 > w/d41/in/b && "
     "tessel sync --delete p.vp w > out && sleep 2.1 && tessel sync --delete p.vp w >> out && "
     "printf X99 > w/d23/a && printf Y99 > w/d48/in/b && rm -r w/d30 && tessel sync --delete p.vp w >> out",
     0, "", "cat out; tessel cat p.vp d17/a d41/in/b d23/a d48/in/b",
     "M d17/a\nM d41/in/b\nM d23/a\nD d30/\nD d30/a\nD d30/in/\nD d30/in/b\nM d48/in/b\nA99B99X99Y99"},
    // Far more files than are held open while compared: every one of them is answered, in
    // the walk's order, and so remembered by the index.
    {"ASyncRemembersEveryFileItCompared", nullptr,
     "mkdir w && for i in $(seq 100 399); do printf \"F$i\" > w/f$i; done && tessel create p.vp w/* && "
     "sleep 2.1 && tessel sync p.vp w > out && tail -n +2 \"$XDG_CACHE_HOME\"/tessel/sync/* | wc -l >> out",
     0, "", "cat out", "300\n"},
    {"CompletionGoesOneFolderAtATime", Nested, "true", 0, "", Completing("tessel-vp extract p.vp out data/"),
     "data/B.TBL\ndata/a.tbl\ndata/deep/\n"},
    {"CompletionEndsAtTheNextSlash", Nested, "true", 0, "", Completing("tessel-vp cat p.vp data/d"),
     "data/deep/\n"},
    {"CompletionOffersACommandsOwnOptions", nullptr, "true", 0, "", Completing("tessel-vp sync --d"),
     "--delete\n--dry-run\n"},
    {"CompletionOffersTheCommands", nullptr, "true", 0, "", Completing("tessel-vp c"),
     "check\ncreate\ncat\ncompact\nconvert\n"},
};

INSTANTIATE_TEST_SUITE_P(Commands, Workflow, ::testing::ValuesIn(kScenarios), testing::RowName<Scenario>);

} // namespace
} // namespace tessel
