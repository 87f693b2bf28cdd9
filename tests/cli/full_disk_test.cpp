// Edits on a file system that is full: on a 1 MiB tmpfs (mounted in a namespace of the
// test's own where it may not mount otherwise) each edit either completes or fails with
// the system's reason, and the package is as it was before or as the edit leaves it, byte
// for byte, with nothing of the edit left beside it.
#include "package_builder.h"
#include "param_name.h"
#include "privileges.h"
#include "tool_runner.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/mount.h>
#include <sys/statvfs.h>

namespace tessel {
namespace {

namespace fs = std::filesystem;
using testing::Outcome;
using testing::PackageBuilder;
using testing::ReadFileBytes;
using testing::Shell;
using testing::WriteFileBytes;

struct Edit {
    const char* name;
    // The arguments after "tessel", with P for the package and S for the folder beside the
    // small disk.
    std::string arguments;
};

void PrintTo(const Edit& edit, std::ostream* out) {
    *out << edit.name;
}

class FullDisk : public ::testing::TestWithParam<Edit> {
protected:
    testing::TempDir dir;
    std::string disk = dir.file("disk");
    std::string package = disk + "/p.vp";
    bool mounted = false;

    void SetUp() override {
        fs::create_directories(disk);
        if (const std::string why = testing::MountSmallDisk(disk, "1m"); !why.empty())
            GTEST_SKIP() << "no small disk can be made here: " << why;
        mounted = true;
        fs::create_directories(dir.file("new/more"));
        WriteFileBytes(dir.file("new/f7"), std::string(70000, 'N'));
        WriteFileBytes(dir.file("new/more/m"), std::string(30000, 'M'));
    }
    void TearDown() override {
        if (mounted)
            ::umount(disk.c_str());
    }

    void writePackage() const {
        PackageBuilder builder;
        for (int i = 0; i < 100; ++i)
            builder.file("f" + std::to_string(i), std::string(2000 + i, char('a' + i % 26)));
        builder.writeTo(package);
    }
    // tessel-vp with the arguments, run from outside the small disk: the words P and S
    // stand for the package and the folder of new files.
    Outcome run(const std::string& arguments) const {
        std::string line = "tessel";
        std::istringstream words(arguments);
        for (std::string word; words >> word;)
            line += " " + (word == "P" ? package : word == "S" ? dir.file("new") : word);
        return Shell(dir.path(), line);
    }
    // Fills the file system until only `left` bytes are free.
    void fillLeaving(std::uint64_t left) const {
        struct statvfs info {};
        ASSERT_EQ(statvfs(disk.c_str(), &info), 0);
        const std::uint64_t free = std::uint64_t(info.f_bavail) * info.f_frsize;
        if (free > left)
            WriteFileBytes(disk + "/filler", std::string(free - left, 'z'));
    }
    // What stands on the small disk but the package and the filler: nothing, after any edit.
    std::vector<std::string> leftovers() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(disk)) {
            const std::string name = entry.path().filename().string();
            if (name != "p.vp" && name != "filler")
                names.push_back(name);
        }
        return names;
    }
};

TEST_P(FullDisk, EndsBeforeOrAfterWithTheReason) {
    const Edit& edit = GetParam();
    const bool creates = edit.arguments.rfind("create", 0) == 0;
    writePackage();
    if (creates)
        fs::remove(package);
    const std::string before = creates ? std::string() : ReadFileBytes(package);
    ASSERT_EQ(run(edit.arguments).status, 0);
    const std::string after = testing::WithoutTimestamps(ReadFileBytes(package));
    int failed = 0;
    for (const std::uint64_t left : {0u, 2048u, 8192u, 20000u, 65536u, 120000u, 200000u}) {
        fs::remove(disk + "/filler");
        writePackage();
        if (creates)
            fs::remove(package);
        fillLeaving(left);
        SCOPED_TRACE(std::to_string(left) + " bytes free");
        const Outcome outcome = run(edit.arguments);
        fs::remove(disk + "/filler");
        // Any command finishes an edit that was left to the next open.
        run("list P");
        const bool exists = fs::exists(package);
        const std::string now = exists ? ReadFileBytes(package) : std::string();
        if (outcome.status == 0) {
            EXPECT_EQ(testing::WithoutTimestamps(now), after);
        } else {
            ++failed;
            EXPECT_NE(outcome.err.find("No space left on device"), std::string::npos) << outcome.err;
            EXPECT_TRUE(now == before || testing::WithoutTimestamps(now) == after) << outcome.err;
        }
        EXPECT_EQ(leftovers(), std::vector<std::string>{});
    }
    EXPECT_GT(failed, 0);
}

INSTANTIATE_TEST_SUITE_P(Edits, FullDisk,
                         ::testing::Values(Edit{"Add", "add P S"}, Edit{"AddReplacing", "add --replace P S"},
                                           Edit{"Delete", "delete P f3 f50"}, Edit{"Create", "create P S"}),
                         testing::RowName<Edit>);

} // namespace
} // namespace tessel
