// Edits on a file system that is full: on a 1 MiB tmpfs (mounted in a namespace of the
// test's own where it may not mount otherwise) each edit either completes or fails with the system's reason,
// and the package is as it was before or as the edit leaves it, byte for byte.
#include "package_builder.h"
#include "privileges.h"
#include "tool_runner.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <sys/wait.h>

namespace tessel {
namespace {

namespace fs = std::filesystem;
using testing::Outcome;
using testing::PackageBuilder;
using testing::ReadFileBytes;
using testing::Shell;
using testing::WriteFileBytes;

struct FullDisk : ::testing::Test {
    testing::TempDir dir;
    std::string disk = dir.file("disk");
    std::string package = disk + "/p.vp";
    bool mounted = false;

    // tessel-vp with the arguments, run from outside the small disk.
    Outcome run(const std::string& arguments) { return Shell(dir.path(), "tessel " + arguments); }

    void SetUp() override {
        fs::create_directories(disk);
        if (const std::string why = testing::MountSmallDisk(disk, "1m"); !why.empty())
            GTEST_SKIP() << "no small disk can be made here: " << why;
        mounted = true;
        PackageBuilder builder;
        for (int i = 0; i < 100; ++i)
            builder.file("f" + std::to_string(i), std::string(2000 + i, char('a' + i % 26)));
        builder.writeTo(package);
    }
    void TearDown() override {
        if (mounted)
            ::umount(disk.c_str());
    }

    // Fills the file system until only `left` bytes are free.
    void fillLeaving(std::uint64_t left) {
        struct statvfs info {};
        ASSERT_EQ(statvfs(disk.c_str(), &info), 0);
        const std::uint64_t free = std::uint64_t(info.f_bavail) * info.f_frsize;
        if (free > left)
            WriteFileBytes(disk + "/filler", std::string(free - left, 'z'));
    }
};

TEST_F(FullDisk, AddingFailsWithTheReasonAndLosesNothing) {
    const std::string before = ReadFileBytes(package);
    WriteFileBytes(dir.file("new.bin"), std::string(70000, 'N'));
    for (const std::uint64_t left : {0u, 4096u, 65536u, 200000u}) {
        fs::remove(disk + "/filler");
        WriteFileBytes(package, before);
        fillLeaving(left);
        SCOPED_TRACE(std::to_string(left) + " bytes free");
        const Outcome add = run("add " + package + " " + dir.file("new.bin"));
        fs::remove(disk + "/filler");
        EXPECT_EQ(run("check " + package).status, 0);
        if (add.status == 0) {
            EXPECT_EQ(ReadFileBytes(package).substr(16, before.size() - 16 - 100 * 44),
                      before.substr(16, before.size() - 16 - 100 * 44));
        } else {
            EXPECT_NE(add.err.find("No space left on device"), std::string::npos) << add.err;
            EXPECT_EQ(ReadFileBytes(package), before);
        }
        EXPECT_FALSE(fs::exists(package + "-journal"));
    }
}

TEST_F(FullDisk, DeletingEndsBeforeOrAfter) {
    const std::string before = ReadFileBytes(package);
    run("delete " + package + " f3 f50");
    const std::string after = ReadFileBytes(package);
    for (const std::uint64_t left : {0u, 2048u, 8192u, 20000u}) {
        fs::remove(disk + "/filler");
        WriteFileBytes(package, before);
        fillLeaving(left);
        SCOPED_TRACE(std::to_string(left) + " bytes free");
        const Outcome erase = run("delete " + package + " f3 f50");
        fs::remove(disk + "/filler");
        run("list " + package);
        const std::string now = ReadFileBytes(package);
        EXPECT_TRUE((now == before && erase.status != 0) || (now == after && erase.status == 0)) << erase.err;
        EXPECT_FALSE(fs::exists(package + "-journal"));
    }
}

} // namespace
} // namespace tessel
