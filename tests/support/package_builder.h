// Builds package bytes record by record, the way a writer of the format lays them out:
// header, the files' data back to back from offset 16, then the directory. It encodes the
// bytes itself, from the format's table, and shares no code or constant with the engine,
// so that a fault in the engine's encoding cannot hide in both.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tessel::testing {

inline constexpr std::int32_t kDefaultTimestamp = 1117627200; // 2005-06-01 12:00:00

// One directory record as the file holds it: the name is the 32-byte field's contents (up
// to 32 bytes; shorter ones are padded with NUL bytes).
struct Record {
    std::int32_t offset = 0;
    std::int32_t size = 0;
    std::string name;
    std::int32_t timestamp = 0;
};

// The record with the fields in the order the format lays them out in the file.
Record Rec(std::int32_t offset, std::int32_t size, std::int32_t timestamp, const std::string& name);

class PackageBuilder {
public:
    PackageBuilder& folder(const std::string& name);
    // Closes the innermost folder: Offset 1 when more records follow, 16 at the end.
    PackageBuilder& end();
    PackageBuilder& file(const std::string& name, const std::string& data,
                         std::int32_t timestamp = kDefaultTimestamp);
    // A record taken as it is, with no data of its own.
    PackageBuilder& raw(const Record& record);
    // Bytes in the data area that no record names.
    PackageBuilder& gap(const std::string& bytes);

    std::int32_t dirOffset() const { return 16 + static_cast<std::int32_t>(data_.size()); }
    std::int32_t recordCount() const { return static_cast<std::int32_t>(records_.size()); }
    std::string bytes() const;
    void writeTo(const std::string& path) const;

private:
    std::string data_;
    std::vector<Record> records_;
    std::vector<bool> isEnd_;
};

// Header bytes with the given fields.
std::string HeaderBytes(std::int32_t dirOffset, std::int32_t entryCount, const std::string& magic = "VPVP",
                        std::int32_t version = 2);
std::string RecordBytes(const Record& record);
// The bytes of a little-endian 32-bit integer.
std::string Int32Bytes(std::int32_t value);
std::int32_t Int32At(const std::string& bytes, std::size_t at);

std::string ReadFileBytes(const std::string& path);
// Package bytes with the timestamps of the directory's records zeroed (only of the records
// of that name, when one is given): an edit that stamps the time now cannot be matched to
// the second by another run.
std::string WithoutTimestamps(std::string bytes, const std::string& onlyName = {});
// The message of the error that the work raises, or "no error".
std::string ErrorOf(const std::function<void()>& work);
void WriteFileBytes(const std::string& path, const std::string& bytes);

// A fresh folder below the system's temporary directory, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

} // namespace tessel::testing
