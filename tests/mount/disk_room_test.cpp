// The writable mount's question of free room, asked of the file system only as often as the
// answer could change.
#include "disk_room.h"

#include "package_builder.h"
#include "privileges.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/mount.h>

namespace tessel {
namespace {

TEST(DiskRoom, AsksAgainOnceHalfTheRoomItSawMayBeUsed) {
    const testing::TempDir dir;
    const std::string disk = dir.file("disk");
    std::filesystem::create_directories(disk);
    if (const std::string why = testing::MountSmallDisk(disk, "8m"); !why.empty())
        GTEST_SKIP() << "no small disk can be made here: " << why;
    constexpr std::int64_t kMiB = 1 << 20;
    DiskRoom room(disk);
    EXPECT_FALSE(room.takes(9 * kMiB, 0));
    EXPECT_FALSE(room.takes(3 * kMiB, 6 * kMiB)) << "what edits still owe counts";
    EXPECT_TRUE(room.takes(kMiB, 0));
    // Another program fills the disk. Writes that could not yet have used half the room last
    // seen are let through on that answer; the one that could is asked about again, and the
    // fresh answer refuses it.
    testing::WriteFileBytes(disk + "/filler", std::string(std::size_t(6 * kMiB), 'f'));
    EXPECT_TRUE(room.takes(kMiB / 2, 0));
    EXPECT_FALSE(room.takes(3 * kMiB, 0));
    EXPECT_TRUE(room.takes(kMiB, 0));
    ::umount(disk.c_str());
}

} // namespace
} // namespace tessel
