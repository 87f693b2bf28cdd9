#include "package_builder.h"
#include "package_file.h"
#include "vp_format.h"

#include <cstring>
#include <gtest/gtest.h>

namespace tessel {
namespace {

using testing::TempDir;

TEST(VpFormat, RecordNameReadsUpToFirstNulOrAll32Bytes) {
    DirEntry entry;
    entry.Name.fill('x');
    EXPECT_EQ(entry.name(), std::string(32, 'x'));
    entry.Name[5] = '\0';
    EXPECT_EQ(entry.name(), "xxxxx");
}

TEST(VpFormat, MakeDirEntryFillsAtMostTheFieldAndZeroesTheRest) {
    const DirEntry entry = MakeDirEntry(16, 7, 99, std::string(40, 'n'));
    EXPECT_EQ(entry.name(), std::string(32, 'n'));
    const DirEntry shortName = MakeDirEntry(1, 2, 3, "ab");
    for (int i = 2; i < kEntryNameSize; ++i)
        EXPECT_EQ(shortName.Name[i], '\0') << i;
    unsigned char bytes[kDirEntrySize];
    EncodeDirEntry(shortName, bytes);
    const unsigned char expected[kDirEntrySize] = {1, 0, 0, 0, 2, 0, 0, 0, 'a', 'b', 0, 0, 0, 0, 0,
                                                   0, 0, 0, 0, 0, 0, 0, 0, 0,   0,   0, 0, 0, 0, 0,
                                                   0, 0, 0, 0, 0, 0, 0, 0, 0,   0,   3, 0, 0, 0};
    EXPECT_EQ(0, std::memcmp(bytes, expected, kDirEntrySize));
}

TEST(VpFormat, IntegersAreSignedLittleEndian) {
    unsigned char bytes[4];
    WriteInt32LE(bytes, -2);
    EXPECT_EQ(bytes[0], 0xFE);
    EXPECT_EQ(bytes[3], 0xFF);
    EXPECT_EQ(ReadInt32LE(bytes), -2);
    const unsigned char big[4] = {0, 0, 0, 0x80};
    EXPECT_EQ(ReadInt32LE(big), INT32_MIN);
}

TEST(VpFormat, RecordKindsFollowTimestampAndName) {
    EXPECT_TRUE(MakeDirEntry(0, 0, -5, "f").isFile());
    EXPECT_TRUE(MakeDirEntry(0, 0, 0, "f").isFolder());
    EXPECT_TRUE(MakeDirEntry(99, 5, 0, "..").isFolderEnd());
    EXPECT_TRUE(MakeDirEntry(0, 0, 7, "..").isFile());
}

TEST(VpFormat, HeaderIsWrittenAndReadByteForByte) {
    TempDir dir;
    const std::string path = dir.file("h.vp");
    testing::WriteFileBytes(path, std::string(20, 'z'));
    auto file = PackageFile::Open(path, FileAccess::ReadWrite, FileSharing::Exclusive);
    WriteHeader(file, 300, 7);
    EXPECT_EQ(file.position(), 16);
    file.close();
    EXPECT_EQ(testing::ReadFileBytes(path), testing::HeaderBytes(300, 7) + "zzzz");
    auto again = PackageFile::Open(path, FileAccess::Read, FileSharing::Unlocked);
    const PackageHeader header = ReadHeader(again);
    EXPECT_TRUE(header.hasMagic());
    EXPECT_EQ(header.Version, 2);
    EXPECT_EQ(header.DirOffset, 300);
    EXPECT_EQ(header.EntryCount, 7);
}

TEST(VpFormat, TimeConversionsUseDayCountsWithoutZones) {
    EXPECT_DOUBLE_EQ(UnixToDateTime(0), 25569.0);
    EXPECT_DOUBLE_EQ(UnixToDateTime(86400), 25570.0);
    EXPECT_DOUBLE_EQ(UnixToDateTime(43200), 25569.5);
    EXPECT_EQ(DateTimeToUnix(25570.0), 86400);
    EXPECT_EQ(DateTimeToUnix(UnixToDateTime(1117627200)), 1117627200);
    EXPECT_EQ(DateTimeToUnix(25569.0 + 0.4 / 86400), 0);
    EXPECT_EQ(DateTimeToUnix(25569.0 + 1.6 / 86400), 2);
    EXPECT_EQ(DateTimeToUnix(25568.0), -86400);
}

} // namespace
} // namespace tessel
