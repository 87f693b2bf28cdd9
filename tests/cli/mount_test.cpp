// tessel-vp mount, mounted for real: what shell tools see and do through the folder, and
// what the package holds once it is unmounted, or once the mount is killed.
#include "privileges.h"
#include "scenario.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/mount.h>
#include <unistd.h>

namespace tessel {
namespace {

using testing::PackageBuilder;
using testing::Scenario;
using testing::Write;

// up [OPTIONS] mounts p.vp on mnt in the foreground, its standard error in err; down
// unmounts and waits for the mount to write what waits; killed kills it where it stands.
const std::string kMount = R"(
up() {
  mkdir -p mnt
  "$TESSEL_VP" mount p.vp mnt --foreground "$@" 2>err & pid=$!
  # A line that fails half-way leaves no mount behind.
  trap 'kill -9 $pid 2>/dev/null; fusermount3 -uz mnt 2>/dev/null' EXIT
  until mountpoint -q mnt; do kill -0 $pid 2>/dev/null || { cat err >&2; return 1; }; sleep 0.02; done
}
down() { fusermount3 -u mnt && wait $pid; }
killed() { kill -9 $pid; wait $pid 2>/dev/null; fusermount3 -u mnt 2>/dev/null || umount -l mnt; }
)";

// p.vp: two folders, a file at the top and one of every byte; src/ holds files to copy in.
void Package(const std::string& folder) {
    std::string everyByte;
    for (int i = 0; i < 256; ++i)
        everyByte += static_cast<char>(i);
    PackageBuilder()
        .folder("data")
        .file("a.txt", "alpha\n", 1000)
        .file("bytes.bin", everyByte, 2000)
        .folder("maps")
        .file("m.txt", "map\n")
        .end()
        .end()
        .file("readme.txt", "top\n")
        .writeTo(folder + "/p.vp");
    testing::WriteFileBytes(folder + "/bytes.bin", everyByte);
    for (int i = 0; i < 200; ++i)
        Write(folder, "src/f" + std::to_string(i) + ".bin",
              std::string(std::size_t(4096 + i * 97), char('a' + i % 26)));
}

// Names a folder cannot show, a path held twice and bytes past the end of the file.
void Awkward(const std::string& folder) {
    PackageBuilder()
        .file("ok.txt", "ok\n")
        .file("bad/name", "slash\n")
        .file("..", "up\n")
        .file("twice.txt", "first\n")
        .file("twice.txt", "second\n")
        .raw(testing::Rec(1 << 20, 10, 1000, "outside.bin"))
        .writeTo(folder + "/p.vp");
}

// Every entry whose path starts with src/ holds the bytes of the file of that path.
const std::string kEntriesAsOnDisk = R"(
for f in $(tessel list p.vp | grep '^src/f'); do cmp -s <(tessel cat p.vp "$f") "$f" || echo "$f differs"; done
tessel check p.vp >/dev/null && echo sound)";

const Scenario kScenarios[] = {
    {"ShowsEveryEntryByteForByte", Package,
     kMount + "up && (cd mnt && find . | sort && cat data/a.txt data/maps/m.txt readme.txt) > out && "
              "cmp mnt/data/bytes.bin bytes.bin && TZ=UTC stat -c '%s %Y' mnt/data/a.txt >> out; down",
     0, "", "cat out",
     ".\n./data\n./data/a.txt\n./data/bytes.bin\n./data/maps\n./data/maps/m.txt\n./readme.txt\nalpha\nmap\n"
     "top\n6 1000\n"},
    {"ManyReadersAtOnceReadTheSame", Package,
     kMount + "up && for r in 1 2 3 4; do (find mnt -type f | sort | xargs cat | md5sum > sum$r) & "
              "readers+=\" $!\"; "
              "done; wait $readers; down; (printf 'alpha\\n'; cat bytes.bin; printf 'map\\ntop\\n') | md5sum "
              "> sum",
     0, "", "sort -u sum sum1 sum2 sum3 sum4 | wc -l", "1\n"},
    {"ReadOnlyRefusesWritesAndHoldsThePackage", Package,
     kMount +
         "up && { echo x > mnt/new.txt; rm mnt/readme.txt; tessel delete p.vp readme.txt; } 2> out; down",
     0, "", "sed 's/.*: //; s|\"/.*/mnt\"|mnt|' out",
     "Read-only file system\nRead-only file system\nit is mounted at mnt\n"},
    {"LeavesOutWhatCannotBeShown", Awkward,
     kMount + "up && (ls mnt; cat mnt/twice.txt; cat mnt/outside.bin 2>&1 | sed 's/.*: //') > out; down; cat "
              "err >> out",
     0, "", "cat out",
     "ok.txt\noutside.bin\ntwice.txt\nsecond\nInput/output error\n"
     "tessel-vp: \"bad/name\" is left out: its name cannot be a file name\n"
     "tessel-vp: \"..\" is left out: its name cannot be a file name\n"
     "tessel-vp: \"twice.txt\" is shown, an earlier entry of that path is not\n"},
    // Reads go on while files are written and an entry's removal moves the bytes after it.
    {"CopiesInEveryFile", Package,
     kMount +
         "up --writable && (for i in $(seq 30); do cmp -s mnt/data/bytes.bin bytes.bin || echo torn; done > "
         "reads &) && cp -r src mnt/ && rm mnt/data/a.txt && sleep 0.5 && down",
     0, "", kEntriesAsOnDisk + " && cat reads", "sound\n"},
    // An editor writes a scratch file and renames it over the file: one file, in its place.
    {"SaveByRenameReplacesInPlace", Package,
     kMount +
         "up --writable && printf 'new\\n' > mnt/data/.a.txt.swp && mv mnt/data/.a.txt.swp mnt/data/a.txt && "
         "sed -i s/top/TOP/ mnt/readme.txt && down",
     0, "", "tessel list p.vp && tessel cat p.vp data/a.txt readme.txt",
     "data/\ndata/a.txt\ndata/bytes.bin\ndata/maps/\ndata/maps/m.txt\nreadme.txt\nnew\nTOP\n"},
    // A scratch file (an editor's swap file) synced, then removed while still open and written.
    {"RemovedWhileOpenGoesNowhere", Package,
     kMount + "up --writable && python3 -c \"import os; f = os.open('mnt/.swap', os.O_CREAT | os.O_RDWR); "
              "os.write(f, b'a'); os.fsync(f); os.unlink('mnt/.swap'); os.write(f, b'b'); os.fsync(f); "
              "os.close(f)\" && down",
     0, "", "tessel list p.vp | grep -c swap", "0\n"},
    // Bytes past the memory a small file may take go through a scratch file beside the package.
    {"AppendsTruncatesAndWritesLargeFiles", Package,
     kMount + "head -c 9000000 /dev/urandom > big && up --writable && echo more >> mnt/data/a.txt && "
              "truncate -s 2 mnt/readme.txt && cp big mnt/ && down",
     0, "", "tessel cat p.vp data/a.txt readme.txt && tessel cat p.vp big | cmp - big && echo same",
     "alpha\nmore\ntosame\n"},
    {"MovesRemovesAndMakesFolders", Package,
     kMount + "up --writable && mv mnt/readme.txt mnt/data/maps/ && mv mnt/data/maps mnt/maps && "
              "mkdir -p mnt/new/deep && rmdir mnt/new/deep && rm mnt/data/a.txt && "
              "{ rmdir mnt/maps; mv -T mnt/data mnt/maps; } 2> out; down",
     0, "", "tessel list p.vp && sed 's/.*: //' out && tessel cat p.vp maps/readme.txt",
     "data/\ndata/bytes.bin\nmaps/\nmaps/m.txt\nmaps/readme.txt\nnew/\nDirectory not empty\n"
     "Directory not empty\ntop\n"},
    {"RefusesWhatAPackageCannotHold", Package,
     kMount + "up --writable && { touch mnt/a-name-of-thirty-two-bytes-long.x; touch mnt/DATA; "
              "ln -s readme.txt mnt/link; mkfifo mnt/fifo; mkdir mnt/.Trash-0; chmod 600 mnt/readme.txt && "
              "echo chmod taken; } "
              "> out 2>&1; down",
     0, "", "sed 's/.*: //' out",
     "File name too long\nFile exists\nOperation not supported\nOperation not supported\nOperation not "
     "permitted\nchmod taken\n"},
    // The kill comes while files are copied in: each is in the package whole, or not at all.
    {"KilledWhileWritingLeavesEachFileBeforeOrAfter", Package,
     kMount + "up --writable && (cp -r src mnt/ 2>/dev/null &) && sleep 0.3 && killed", 0, "",
     kEntriesAsOnDisk, "sound\n"},
    // Told to end (as Ctrl+C does in a terminal; a script's background job ignores SIGINT),
    // the mount ends at once, edits and helpers running or not, and what was closed is written.
    {"ToldToEndWritesWhatWasClosed", Package,
     kMount + "up --writable && cp -r src mnt/ && rm mnt/readme.txt && kill -TERM $pid && wait $pid && "
              "! grep -q \" $PWD/mnt \" /proc/mounts",
     0, "", kEntriesAsOnDisk + " && tessel list p.vp | grep -c '^src/f'", "sound\n200\n"},
    {"FsyncWritesTheFileAtOnce", Package,
     kMount +
         "up --writable && python3 -c \"import os; f = os.open('mnt/synced.txt', os.O_CREAT | os.O_WRONLY); "
         "os.write(f, b'kept'); os.fsync(f)\" && killed",
     0, "", "tessel cat p.vp synced.txt", "kept"},
};

bool FuseUsable() {
    return ::access("/dev/fuse", R_OK | W_OK) == 0 &&
           (::access("/usr/bin/fusermount3", X_OK) == 0 || ::access("/bin/fusermount3", X_OK) == 0);
}

class Mount : public ::testing::TestWithParam<Scenario> {};

TEST_P(Mount, EndsAsItMust) {
    if (!FuseUsable())
        GTEST_SKIP() << "FUSE cannot be used here: /dev/fuse must be readable and writable, and fusermount3 "
                        "installed (Debian's fuse3)";
    testing::RunScenario(GetParam());
}

// A disk too full for a file: its writer hears it as it writes, and the package keeps what it
// held.
TEST(MountOnAFullDisk, TellsTheWriterAndKeepsThePackageSound) {
    if (!FuseUsable())
        GTEST_SKIP() << "FUSE cannot be used here";
    const testing::TempDir dir;
    const std::string disk = dir.file("disk");
    std::filesystem::create_directories(disk);
    if (const std::string why = testing::MountSmallDisk(disk, "4m"); !why.empty())
        GTEST_SKIP() << "no small disk can be made here: " << why;
    PackageBuilder().file("seed", "seed\n").writeTo(disk + "/p.vp");
    const testing::Outcome run = testing::Shell(
        disk,
        kMount +
            "up --writable && python3 -c \"import os; f = os.open('mnt/big.bin', os.O_CREAT | os.O_WRONLY); "
            "os.write(f, bytes(6000000)); os.close(f)\"; "
            "echo closed $?; echo small > mnt/s.txt; down; cat err >&2; "
            "tessel list p.vp && tessel check p.vp && echo sound");
    ::umount(disk.c_str());
    // The file was made, as on any disk, and nothing of what could not be written is in it.
    EXPECT_EQ(run.out, "closed 1\nseed\nbig.bin\ns.txt\nsound\n");
    EXPECT_NE(run.err.find("No space left on device"), std::string::npos) << run.err;
}

INSTANTIATE_TEST_SUITE_P(Cli, Mount, ::testing::ValuesIn(kScenarios), testing::RowName<Scenario>);

} // namespace
} // namespace tessel
