// Real tessel-vp edits killed with SIGKILL, at their n-th change to a file and at random
// instants: the next command must find the package as it was before the edit or as the
// edit leaves it, byte for byte.
#include "package_builder.h"
#include "tool_runner.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <random>
#include <signal.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace tessel {
namespace {

namespace fs = std::filesystem;
using testing::PackageBuilder;
using testing::ReadFileBytes;
using testing::WriteFileBytes;

using testing::StartTool;
using testing::WaitKilled;

struct KillNine : ::testing::Test {
    testing::TempDir dir;
    std::string package = dir.file("p.vp");
    std::string before, after;
    std::vector<std::string> edit;

    void prepare(const std::vector<std::string>& arguments, const PackageBuilder& builder) {
        edit = arguments;
        builder.writeTo(package);
        before = ReadFileBytes(package);
        ASSERT_FALSE(WaitKilled(StartTool(edit, 0)));
        after = testing::WithoutTimestamps(ReadFileBytes(package));
        ASSERT_NE(before, after);
    }

    // After a kill, any command finishes or undoes the edit first.
    void expectBeforeOrAfter() {
        int status = 0;
        WaitKilled(StartTool({"list", package}, 0), &status);
        ASSERT_EQ(status, 0);
        const std::string now = ReadFileBytes(package);
        EXPECT_TRUE(now == before || testing::WithoutTimestamps(now) == after);
        EXPECT_FALSE(fs::exists(package + "-journal"));
    }

    static PackageBuilder Many(int files, std::size_t size) {
        PackageBuilder builder;
        for (int i = 0; i < files; ++i) {
            if (i % 20 == 0)
                builder.folder("f" + std::to_string(i / 20));
            builder.file("file" + std::to_string(i),
                         std::string(size + std::size_t(i) * 37, char('a' + i % 26)));
            if (i % 20 == 19)
                builder.end();
        }
        return builder;
    }
};

TEST_F(KillNine, AtEveryChangeOfADeleteAndAnAdd) {
    fs::create_directories(dir.file("disk"));
    for (int i = 0; i < 30; ++i)
        WriteFileBytes(dir.file("disk/n" + std::to_string(i)), std::string(3000 + i, 'n'));
    // A file whose name f2/ has: adding it with --replace replaces the entry's bytes.
    WriteFileBytes(dir.file("file45"), std::string(9000, 'R'));
    const std::vector<std::vector<std::string>> edits{
        {"delete", package, "f0/file3", "f2/", "f4/file99"},
        {"add", package, "--to", "f1/", dir.file("disk")},
        {"add", package, "--replace", "--to", "f2/", dir.file("file45"), dir.file("disk")},
        {"rename", package, "f3/", "renamed"},
    };
    int trials = 0;
    for (const auto& arguments : edits) {
        prepare(arguments, Many(100, 2000));
        const int trialsBefore = trials;
        for (long killAt = 1;; ++killAt) {
            testing::WriteFileBytes(package, before);
            SCOPED_TRACE(arguments[0] + " killed at change " + std::to_string(killAt));
            if (!WaitKilled(StartTool(edit, killAt)))
                break;
            expectBeforeOrAfter();
            ++trials;
            ASSERT_LT(killAt, 2000);
        }
        // A kill switch that never struck would prove nothing.
        ASSERT_GT(trials - trialsBefore, 10) << arguments[0];
    }
    std::printf("%d kill -9 trials at the n-th change, all before or after\n", trials);
}

TEST_F(KillNine, ACreateKilledAnywhereLeavesNoPackageOrAWholeOne) {
    fs::create_directories(dir.file("disk/sub"));
    for (int i = 0; i < 20; ++i)
        WriteFileBytes(dir.file("disk/sub/n" + std::to_string(i)), std::string(1000 + i, 'n'));
    const std::vector<std::string> create{"create", package, dir.file("disk")};
    ASSERT_FALSE(WaitKilled(StartTool(create, 0)));
    const std::string whole = testing::WithoutTimestamps(ReadFileBytes(package));
    int trials = 0;
    for (long killAt = 1;; ++killAt) {
        fs::remove(package);
        SCOPED_TRACE("create killed at change " + std::to_string(killAt));
        if (!WaitKilled(StartTool(create, killAt)))
            break;
        if (fs::exists(package)) {
            EXPECT_EQ(testing::WithoutTimestamps(ReadFileBytes(package)), whole);
        }
        ++trials;
        ASSERT_LT(killAt, 1000);
    }
    ASSERT_GT(trials, 10);
    // The next create removes the scratch files that the killed ones left.
    fs::remove(package);
    ASSERT_FALSE(WaitKilled(StartTool(create, 0)));
    for (const auto& entry : fs::directory_iterator(dir.path()))
        EXPECT_EQ(entry.path().filename().string().find(".p.vp.tessel-new-"), std::string::npos)
            << entry.path();
    std::printf("%d kill -9 trials of create, none left a partial package\n", trials);
}

TEST_F(KillNine, AnEditThroughALinkIsFoundThroughTheRealName) {
    // The package reached through a symbolic link from another folder: its journal must
    // lie beside the file itself, where any name of it finds it.
    fs::create_directories(dir.file("other"));
    fs::create_symlink("../p.vp", dir.file("other/s.vp"));
    prepare({"delete", dir.file("other/s.vp"), "f0/", "f3/file70"}, Many(100, 3000));
    int pending = 0;
    for (long killAt = 1;; ++killAt) {
        WriteFileBytes(package, before);
        SCOPED_TRACE("killed at change " + std::to_string(killAt));
        if (!WaitKilled(StartTool(edit, killAt)))
            break;
        EXPECT_FALSE(fs::exists(dir.file("other/s.vp-journal")));
        int status = 0;
        WaitKilled(StartTool({"check", package}), &status);
        if (fs::exists(package + "-journal")) {
            EXPECT_EQ(status, 1);
            ++pending;
        }
        expectBeforeOrAfter();
        ASSERT_LT(killAt, 1000);
    }
    EXPECT_GT(pending, 0);
}

TEST_F(KillNine, AtRandomInstantsOfADelete) {
    prepare({"delete", package, "f0/", "f3/file70", "f6/file120"}, Many(200, 60000));
    std::mt19937 random(8122026);
    int killed = 0;
    for (int trial = 0; trial < 40; ++trial) {
        testing::WriteFileBytes(package, before);
        const pid_t child = StartTool(edit, 0);
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 80000));
        kill(child, SIGKILL);
        killed += WaitKilled(child);
        SCOPED_TRACE("trial " + std::to_string(trial));
        expectBeforeOrAfter();
    }
    EXPECT_GT(killed, 0);
    std::printf("40 kill -9 trials at random instants (%d killed before the end), all before or after\n",
                killed);
}

} // namespace
} // namespace tessel
