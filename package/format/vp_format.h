// The bytes of a VP package: the 16-byte header, the 44-byte directory record, and the
// conversions between stored Unix seconds and day-count date-times.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace tessel {

class PackageFile;

// Header layout.
inline constexpr int kHeaderSize = 16;
inline constexpr int kMagicOffset = 0;
inline constexpr int kMagicSize = 4;
inline constexpr int kVersionOffset = 4;
inline constexpr int kDirOffsetOffset = 8;
inline constexpr int kEntryCountOffset = 12;
inline constexpr std::string_view kMagic = "VPVP";
inline constexpr std::int32_t kVersion = 2;

// Directory record layout.
inline constexpr int kDirEntrySize = 44;
inline constexpr int kEntryOffsetOffset = 0;
inline constexpr int kEntrySizeOffset = 4;
inline constexpr int kEntryNameOffset = 8;
inline constexpr int kEntryNameSize = 32;
inline constexpr int kEntryTimestampOffset = 40;
// A name made anew keeps its field's last byte as NUL.
inline constexpr int kMaxWrittenNameLength = kEntryNameSize - 1;

// Offsets, sizes and the directory's offset are signed 32-bit: nothing may reach 2 GiB.
inline constexpr std::int64_t kLargestPackage = 0x7FFFFFFF;
inline constexpr const char* kTooLargeReason =
    "the package would grow beyond 2 GiB, the largest a VP package can be";

// What writers put into folder and folder-end records.
inline constexpr std::int32_t kFolderRecordOffset = 16;
inline constexpr std::int32_t kInnerFolderEndOffset = 1;
inline constexpr std::string_view kFolderEndName = "..";

// Day count of 1970-01-01 00:00:00, counted from 1899-12-30.
inline constexpr double kUnixEpochDays = 25569.0;
inline constexpr std::int64_t kSecondsPerDay = 86400;

struct PackageHeader {
    std::array<char, kMagicSize> Magic{};
    std::int32_t Version = 0;
    std::int32_t DirOffset = 0;
    std::int32_t EntryCount = 0;

    bool hasMagic() const { return std::string_view(Magic.data(), Magic.size()) == kMagic; }
};

// One directory record, in the file's byte order. An EntryRecord is the same 44 bytes.
struct DirEntry {
    std::int32_t Offset = 0;
    std::int32_t Size = 0;
    std::array<char, kEntryNameSize> Name{};
    std::int32_t Timestamp = 0;

    // The characters before the first NUL of the field, all 32 when it holds none.
    std::string name() const { return std::string(nameView()); }
    std::string_view nameView() const;
    // Puts the name into the field and zeroes the rest. A new name is checked to leave the
    // field's last byte NUL first; one read from a package may fill it and is kept whole.
    void setName(std::string_view name);
    bool isFolderEnd() const { return Timestamp == 0 && nameView() == kFolderEndName; }
    bool isFolder() const { return Timestamp == 0 && !isFolderEnd(); }
    bool isFile() const { return Timestamp != 0; }

    bool operator==(const DirEntry&) const = default;
};

using EntryRecord = DirEntry;

std::int32_t ReadInt32LE(const unsigned char* bytes);
void WriteInt32LE(unsigned char* bytes, std::int32_t value);

PackageHeader DecodeHeader(const unsigned char* bytes);
void EncodeHeader(const PackageHeader& header, unsigned char* bytes);
DirEntry DecodeDirEntry(const unsigned char* bytes);
void EncodeDirEntry(const DirEntry& entry, unsigned char* bytes);

// Positions the stream at 0 and reads 16 bytes; tests nothing.
PackageHeader ReadHeader(PackageFile& file);
// The 16 header bytes: "VPVP", 2, the offset and the count.
std::string HeaderBytes(std::int32_t dirOffset, std::int32_t entryCount);
// Positions the stream at 0 and writes "VPVP", 2, the offset and the count; leaves it at 16.
void WriteHeader(PackageFile& file, std::int32_t dirOffset, std::int32_t entryCount);

DirEntry MakeDirEntry(std::int32_t offset, std::int32_t size, std::int32_t timestamp, std::string_view name);

double UnixToDateTime(std::int64_t seconds);
std::int64_t DateTimeToUnix(double dayCount);

} // namespace tessel
