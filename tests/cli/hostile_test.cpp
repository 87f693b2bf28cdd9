// What a hostile package, a planted file or an unlucky disk can try: every case must end
// in a clear error or a sound result, within a time limit (a hang fails the test).
#include "package_builder.h"
#include "tool_runner.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace tessel {
namespace {

namespace fs = std::filesystem;
using testing::Outcome;
using testing::PackageBuilder;
using testing::ReadFileBytes;
using testing::Shell;
using testing::WriteFileBytes;

// A limit on address space, but for AddressSanitizer, which reserves terabytes of it.
#if defined(__SANITIZE_ADDRESS__)
const std::string kMemoryLimit = "true";
#else
const std::string kMemoryLimit = "ulimit -v 300000";
#endif

struct Hostile : ::testing::Test {
    testing::TempDir dir;
    std::string at(const std::string& name) const { return dir.file(name); }
};

TEST_F(Hostile, ExtractionNeverWritesThroughWhatStandsAtAName) {
    WriteFileBytes(at("a.txt"), "AAAA");
    ASSERT_EQ(Shell(dir.path(), "tessel create p.vp a.txt").status, 0);
    struct Planted {
        const char* what;
        std::function<void(const std::string&)> plant;
    };
    const Planted cases[] = {
        {"a hard link to a precious file",
         [&](const std::string& name) {
             WriteFileBytes(at("precious"), "PRECIOUS");
             fs::create_hard_link(at("precious"), name);
         }},
        {"a symbolic link", [&](const std::string& name) { fs::create_symlink(at("precious"), name); }},
        {"a FIFO", [&](const std::string& name) { ASSERT_EQ(mkfifo(name.c_str(), 0600), 0); }},
        {"a device", [&](const std::string& name) { mknod(name.c_str(), S_IFCHR | 0600, makedev(1, 3)); }},
    };
    for (const Planted& planted : cases) {
        SCOPED_TRACE(planted.what);
        fs::remove_all(at("dest"));
        fs::create_directories(at("dest"));
        planted.plant(at("dest/a.txt"));
        EXPECT_EQ(Shell(dir.path(), "tessel extract p.vp dest").status, 0);
        EXPECT_EQ(ReadFileBytes(at("dest/a.txt")), "AAAA");
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(at("dest/a.txt"))));
        if (fs::exists(at("precious"))) {
            EXPECT_EQ(ReadFileBytes(at("precious")), "PRECIOUS");
        }
    }
}

TEST_F(Hostile, AnEntryThatWouldLandOnThePackageIsRefused) {
    fs::create_directories(at("old"));
    WriteFileBytes(at("old/data.vp"), "x\n");
    WriteFileBytes(at("readme.bin"), std::string(5000, 'r'));
    ASSERT_EQ(Shell(dir.path(), "tessel create data.vp readme.bin old/data.vp").status, 0);
    const std::string package = ReadFileBytes(at("data.vp"));
    for (const std::string how :
         {"tessel extract data.vp .", "ln data.vp here.vp && tessel extract here.vp ."}) {
        const Outcome extract = Shell(dir.path(), how);
        EXPECT_EQ(extract.status, 1) << how;
        EXPECT_NE(extract.err.find("it would replace the package itself"), std::string::npos) << extract.err;
        EXPECT_EQ(ReadFileBytes(at("data.vp")), package) << how;
    }
}

TEST_F(Hostile, APackageThatIsNotARegularFileIsRefusedAtOnce) {
    ASSERT_EQ(mkfifo(at("fifo.vp").c_str(), 0600), 0);
    WriteFileBytes(at("x"), "x");
    for (const std::string command : {"list fifo.vp", "check fifo.vp", "delete fifo.vp a", "add fifo.vp x",
                                      "extract fifo.vp out", "rename fifo.vp a b"}) {
        const Outcome outcome = Shell(dir.path(), "tessel " + command);
        EXPECT_EQ(outcome.status, 1) << command;
        EXPECT_NE(outcome.err.find("It is not a regular file"), std::string::npos) << command << outcome.err;
    }
}

TEST_F(Hostile, AddingDotOrDotDotNamesTheResolvedFolder) {
    fs::create_directories(at("up/sub"));
    WriteFileBytes(at("up/sub/f"), "F");
    ASSERT_EQ(Shell(dir.path(),
                    "tessel create p.vp && cd up/sub && tessel add ../../p.vp .. && tessel add ../../p.vp .")
                  .status,
              0);
    EXPECT_EQ(Shell(dir.path(), "tessel list p.vp").out, "up/\nup/sub/\nup/sub/f\nsub/\nsub/f\n");
    EXPECT_EQ(Shell(dir.path(), "tessel check p.vp").status, 0);
}

TEST_F(Hostile, NamesThatLookAlikeAreAddressedByTheirBytesOrRefused) {
    PackageBuilder()
        .file("caf\xE9", "latin")
        .file("caf\xC3\xA9", "utf8")
        .file("\x81", "one")
        .file("\x8D", "other")
        .file("Case", "C")
        .file("case", "c")
        .writeTo(at("p.vp"));
    // The bytes the code page leaves undefined show as controls of their own: each is one
    // entry, by its shown name too.
    EXPECT_EQ(Shell(dir.path(), "tessel extract p.vp one $'\\xC2\\x81' && cat one/$'\\xC2\\x81'").out, "one");
    // The shown name of the Windows-1252 café is the UTF-8 one's stored name: the bytes win.
    const Outcome check = Shell(dir.path(), "tessel check p.vp");
    EXPECT_EQ(check.status, 0) << check.out;
    EXPECT_NE(check.out.find("warning: entries \"Case\" and \"case\""), std::string::npos) << check.out;
    EXPECT_NE(check.out.find("warning: entries \"caf\xC3\xA9\" and \"caf\xC3\xA9\""), std::string::npos)
        << check.out;
    ASSERT_EQ(Shell(dir.path(), "tessel delete p.vp $'caf\\xC3\\xA9'").status, 0);
    EXPECT_EQ(Shell(dir.path(), "tessel extract p.vp out").status, 0);
    EXPECT_EQ(ReadFileBytes(at("out/caf\xC3\xA9")), "latin");
}

TEST_F(Hostile, DeepNestingStaysWithinMemoryAndDescriptors) {
    PackageBuilder builder;
    for (int i = 0; i < 1000; ++i)
        builder.folder("d");
    builder.file("leaf", "LEAF");
    for (int i = 0; i < 1000; ++i)
        builder.end();
    builder.writeTo(at("deep.vp"));
    // 64 descriptors and 300 MB of address space are plenty.
    const Outcome extract =
        Shell(dir.path(), "ulimit -n 64 && " + kMemoryLimit + " && tessel extract deep.vp out");
    EXPECT_EQ(extract.status, 0) << extract.err;
    std::string leaf = at("out");
    for (int i = 0; i < 1000; ++i)
        leaf += "/d";
    EXPECT_EQ(ReadFileBytes(leaf + "/leaf"), "LEAF");
    EXPECT_EQ(Shell(dir.path(), kMemoryLimit + " && tessel check deep.vp && tessel list deep.vp | wc -l").out,
              "1001\n");
    // An error about a file that deep names its start and its end, not all of it.
    fs::remove_all(at("out"));
    WriteFileBytes(at("out"), "a file where the folder would go");
    const Outcome blocked = Shell(dir.path(), "tessel extract deep.vp out/x");
    EXPECT_EQ(blocked.status, 1);
    EXPECT_LT(blocked.err.size(), 400u);
}

TEST_F(Hostile, APackageNested100000DeepIsCheckedAndRefusedInLinearTime) {
    PackageBuilder builder;
    for (int i = 0; i < 100000; ++i)
        builder.folder("d");
    builder.file("leaf", "LEAF");
    for (int i = 0; i < 100000; ++i)
        builder.end();
    builder.writeTo(at("deep.vp"));
    // Each command gets the runner's 20 seconds; quadratic work would take hours.
    const Outcome check = Shell(dir.path(), kMemoryLimit + " && tessel check deep.vp");
    EXPECT_EQ(check.status, 0) << check.out << check.err;
    const Outcome extract = Shell(dir.path(), kMemoryLimit + " && tessel extract deep.vp out");
    EXPECT_EQ(extract.status, 1);
    EXPECT_NE(extract.err.find("folders deep, and Tessel extracts at most 1024"), std::string::npos)
        << extract.err;
    EXPECT_FALSE(fs::exists(at("out/d")));
}

TEST_F(Hostile, ListingEscapesControlCharacters) {
    PackageBuilder().file("a\nb", "1").file("tab\there", "2").file("esc\x1b[31m", "3").writeTo(at("p.vp"));
    EXPECT_EQ(Shell(dir.path(), "tessel list p.vp").out, "a\\nb\ntab\\there\nesc\\033[31m\n");
}

} // namespace
} // namespace tessel
