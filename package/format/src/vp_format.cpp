#include "vp_format.h"

#include "package_file.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace tessel {

std::string_view DirEntry::nameView() const {
    const auto end = std::find(Name.begin(), Name.end(), '\0');
    return std::string_view(Name.data(), static_cast<std::size_t>(end - Name.begin()));
}

void DirEntry::setName(std::string_view name) {
    Name.fill('\0');
    const auto length = std::min<std::size_t>(name.size(), kEntryNameSize);
    std::memcpy(Name.data(), name.data(), length);
}

std::int32_t ReadInt32LE(const unsigned char* bytes) {
    const std::uint32_t value = std::uint32_t(bytes[0]) | std::uint32_t(bytes[1]) << 8 |
                                std::uint32_t(bytes[2]) << 16 | std::uint32_t(bytes[3]) << 24;
    return static_cast<std::int32_t>(value);
}

void WriteInt32LE(unsigned char* bytes, std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    bytes[0] = static_cast<unsigned char>(bits);
    bytes[1] = static_cast<unsigned char>(bits >> 8);
    bytes[2] = static_cast<unsigned char>(bits >> 16);
    bytes[3] = static_cast<unsigned char>(bits >> 24);
}

PackageHeader DecodeHeader(const unsigned char* bytes) {
    PackageHeader header;
    std::memcpy(header.Magic.data(), bytes + kMagicOffset, kMagicSize);
    header.Version = ReadInt32LE(bytes + kVersionOffset);
    header.DirOffset = ReadInt32LE(bytes + kDirOffsetOffset);
    header.EntryCount = ReadInt32LE(bytes + kEntryCountOffset);
    return header;
}

void EncodeHeader(const PackageHeader& header, unsigned char* bytes) {
    std::memcpy(bytes + kMagicOffset, header.Magic.data(), kMagicSize);
    WriteInt32LE(bytes + kVersionOffset, header.Version);
    WriteInt32LE(bytes + kDirOffsetOffset, header.DirOffset);
    WriteInt32LE(bytes + kEntryCountOffset, header.EntryCount);
}

DirEntry DecodeDirEntry(const unsigned char* bytes) {
    DirEntry entry;
    entry.Offset = ReadInt32LE(bytes + kEntryOffsetOffset);
    entry.Size = ReadInt32LE(bytes + kEntrySizeOffset);
    std::memcpy(entry.Name.data(), bytes + kEntryNameOffset, kEntryNameSize);
    entry.Timestamp = ReadInt32LE(bytes + kEntryTimestampOffset);
    return entry;
}

void EncodeDirEntry(const DirEntry& entry, unsigned char* bytes) {
    WriteInt32LE(bytes + kEntryOffsetOffset, entry.Offset);
    WriteInt32LE(bytes + kEntrySizeOffset, entry.Size);
    std::memcpy(bytes + kEntryNameOffset, entry.Name.data(), kEntryNameSize);
    WriteInt32LE(bytes + kEntryTimestampOffset, entry.Timestamp);
}

PackageHeader ReadHeader(PackageFile& file) {
    unsigned char bytes[kHeaderSize];
    file.seek(0);
    file.readExact(bytes, kHeaderSize);
    return DecodeHeader(bytes);
}

std::string HeaderBytes(std::int32_t dirOffset, std::int32_t entryCount) {
    PackageHeader header;
    std::memcpy(header.Magic.data(), kMagic.data(), kMagicSize);
    header.Version = kVersion;
    header.DirOffset = dirOffset;
    header.EntryCount = entryCount;
    unsigned char bytes[kHeaderSize];
    EncodeHeader(header, bytes);
    return std::string(reinterpret_cast<const char*>(bytes), kHeaderSize);
}

void WriteHeader(PackageFile& file, std::int32_t dirOffset, std::int32_t entryCount) {
    const std::string bytes = HeaderBytes(dirOffset, entryCount);
    file.seek(0);
    file.writeAll(bytes.data(), bytes.size());
}

DirEntry MakeDirEntry(std::int32_t offset, std::int32_t size, std::int32_t timestamp, std::string_view name) {
    DirEntry entry;
    entry.Offset = offset;
    entry.Size = size;
    entry.Timestamp = timestamp;
    entry.setName(name);
    return entry;
}

double UnixToDateTime(std::int64_t seconds) {
    return static_cast<double>(seconds) / static_cast<double>(kSecondsPerDay) + kUnixEpochDays;
}

std::int64_t DateTimeToUnix(double dayCount) {
    // nearbyint rounds halves to even under the default rounding mode.
    return static_cast<std::int64_t>(
        std::nearbyint((dayCount - kUnixEpochDays) * static_cast<double>(kSecondsPerDay)));
}

} // namespace tessel
