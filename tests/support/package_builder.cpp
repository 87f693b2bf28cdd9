#include "package_builder.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace tessel::testing {

namespace {

// The format, written out from its table: a header of magic, version, directory offset and
// record count; records of offset, size, a 32-byte name and timestamp.
constexpr std::size_t kHeaderLength = 16;
constexpr std::size_t kRecordLength = 44;
constexpr std::size_t kNameLength = 32;
constexpr std::size_t kTimestampAt = 40;
constexpr std::int32_t kFolderOffset = 16;
constexpr std::int32_t kInnerEndOffset = 1;

} // namespace

Record Rec(std::int32_t offset, std::int32_t size, std::int32_t timestamp, const std::string& name) {
    return {offset, size, name, timestamp};
}

PackageBuilder& PackageBuilder::folder(const std::string& name) {
    records_.push_back(Rec(kFolderOffset, 0, 0, name));
    isEnd_.push_back(false);
    return *this;
}

PackageBuilder& PackageBuilder::end() {
    records_.push_back(Rec(kInnerEndOffset, 0, 0, ".."));
    isEnd_.push_back(true);
    return *this;
}

PackageBuilder& PackageBuilder::file(const std::string& name, const std::string& data,
                                     std::int32_t timestamp) {
    records_.push_back(Rec(dirOffset(), static_cast<std::int32_t>(data.size()), timestamp, name));
    isEnd_.push_back(false);
    data_ += data;
    return *this;
}

PackageBuilder& PackageBuilder::raw(const Record& record) {
    records_.push_back(record);
    isEnd_.push_back(false);
    return *this;
}

PackageBuilder& PackageBuilder::gap(const std::string& bytes) {
    data_ += bytes;
    return *this;
}

std::string PackageBuilder::bytes() const {
    std::vector<Record> records = records_;
    // The folder ends after the last entry say so with their offset.
    for (std::size_t i = records.size(); i-- > 0 && isEnd_[i];)
        records[i].offset = kFolderOffset;
    std::string out = HeaderBytes(dirOffset(), recordCount());
    out += data_;
    for (const Record& record : records)
        out += RecordBytes(record);
    return out;
}

void PackageBuilder::writeTo(const std::string& path) const {
    WriteFileBytes(path, bytes());
}

std::string Int32Bytes(std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    std::string out(4, '\0');
    for (int i = 0; i < 4; ++i)
        out[std::size_t(i)] = static_cast<char>((bits >> (8 * i)) & 0xFF);
    return out;
}

std::int32_t Int32At(const std::string& bytes, std::size_t at) {
    std::uint32_t bits = 0;
    for (int i = 3; i >= 0; --i)
        bits = bits << 8 | static_cast<unsigned char>(bytes.at(at + std::size_t(i)));
    return static_cast<std::int32_t>(bits);
}

std::string HeaderBytes(std::int32_t dirOffset, std::int32_t entryCount, const std::string& magic,
                        std::int32_t version) {
    std::string out = magic.substr(0, 4);
    out.resize(4, '\0');
    return out + Int32Bytes(version) + Int32Bytes(dirOffset) + Int32Bytes(entryCount);
}

std::string RecordBytes(const Record& record) {
    if (record.name.size() > kNameLength)
        throw std::logic_error("a record's name field holds at most 32 bytes");
    std::string name = record.name;
    name.resize(kNameLength, '\0');
    return Int32Bytes(record.offset) + Int32Bytes(record.size) + name + Int32Bytes(record.timestamp);
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
    if (bytes.size() < kHeaderLength)
        return bytes;
    const std::int64_t dirOffset = Int32At(bytes, 8);
    const std::int64_t count = Int32At(bytes, 12);
    for (std::int64_t i = 0; i < count; ++i) {
        const std::size_t at = std::size_t(dirOffset + i * std::int64_t(kRecordLength));
        if (dirOffset < 0 || at + kRecordLength > bytes.size())
            break;
        const std::string field = bytes.substr(at + 8, kNameLength);
        const std::string name = field.substr(0, field.find('\0'));
        if (onlyName.empty() || name == onlyName)
            std::fill_n(bytes.begin() + long(at + kTimestampAt), 4, '\0');
    }
    return bytes;
}

} // namespace tessel::testing
