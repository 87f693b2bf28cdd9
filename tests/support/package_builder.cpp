#include "package_builder.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace tessel::testing {

PackageBuilder& PackageBuilder::folder(const std::string& name) {
    records_.push_back(MakeDirEntry(kFolderRecordOffset, 0, 0, name));
    isEnd_.push_back(false);
    return *this;
}

PackageBuilder& PackageBuilder::end() {
    records_.push_back(MakeDirEntry(kInnerFolderEndOffset, 0, 0, kFolderEndName));
    isEnd_.push_back(true);
    return *this;
}

PackageBuilder& PackageBuilder::file(const std::string& name, const std::string& data,
                                     std::int32_t timestamp) {
    records_.push_back(MakeDirEntry(dirOffset(), static_cast<std::int32_t>(data.size()), timestamp, name));
    isEnd_.push_back(false);
    data_ += data;
    return *this;
}

PackageBuilder& PackageBuilder::raw(const DirEntry& record) {
    records_.push_back(record);
    isEnd_.push_back(false);
    return *this;
}

std::string PackageBuilder::bytes() const {
    std::vector<DirEntry> records = records_;
    for (std::size_t i = records.size(); i-- > 0 && isEnd_[i];)
        records[i].Offset = kFolderRecordOffset;
    std::string out = HeaderBytes(dirOffset(), recordCount());
    out += data_;
    for (const DirEntry& record : records)
        out += RecordBytes(record);
    return out;
}

void PackageBuilder::writeTo(const std::string& path) const {
    WriteFileBytes(path, bytes());
}

std::string HeaderBytes(std::int32_t dirOffset, std::int32_t entryCount, const std::string& magic,
                        std::int32_t version) {
    unsigned char bytes[kHeaderSize] = {};
    for (std::size_t i = 0; i < 4 && i < magic.size(); ++i)
        bytes[i] = static_cast<unsigned char>(magic[i]);
    WriteInt32LE(bytes + kVersionOffset, version);
    WriteInt32LE(bytes + kDirOffsetOffset, dirOffset);
    WriteInt32LE(bytes + kEntryCountOffset, entryCount);
    return std::string(reinterpret_cast<const char*>(bytes), kHeaderSize);
}

std::string RecordBytes(const DirEntry& record) {
    unsigned char bytes[kDirEntrySize];
    EncodeDirEntry(record, bytes);
    return std::string(reinterpret_cast<const char*>(bytes), kDirEntrySize);
}

std::string ErrorOf(const std::function<void()>& work) {
    try {
        work();
    } catch (const std::exception& error) {
        return error.what();
    }
    return "no error";
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tessel-test-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot make a temporary folder");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add,
                                 ignored);
    std::filesystem::remove_all(path_, ignored);
}

std::string WithoutTimestamps(std::string bytes, const std::string& onlyName) {
    if (bytes.size() < std::size_t(kHeaderSize))
        return bytes;
    const PackageHeader header = DecodeHeader(reinterpret_cast<const unsigned char*>(bytes.data()));
    for (std::int64_t i = 0; i < header.EntryCount; ++i) {
        const std::size_t at = std::size_t(header.DirOffset + i * kDirEntrySize);
        if (at + kDirEntrySize > bytes.size())
            break;
        const DirEntry record = DecodeDirEntry(reinterpret_cast<const unsigned char*>(bytes.data() + at));
        if (onlyName.empty() || record.name() == onlyName)
            std::fill_n(bytes.begin() + long(at + kEntryTimestampOffset), 4, '\0');
    }
    return bytes;
}

} // namespace tessel::testing
