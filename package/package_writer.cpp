#include "package_writer.h"

#include "directory_buffer.h"
#include "package_error.h"
#include "vp_format.h"

#include <limits>
#include <string>

namespace tessel {

namespace {

constexpr int kCommitAttempts = 3;

[[noreturn]] void Refuse(const PackageFile& file, const std::string& why) {
    throw PackageError("\"" + FullPath(file.path()) + "\" " + why + "; it was left untouched");
}

} // namespace

PackageWriter::PackageWriter(const std::string& packagePath, FolderTree& tree)
    : tree_(tree), file_(PackageFile::Open(packagePath, FileAccess::ReadWrite, FileSharing::Exclusive)) {
    if (tree_.fileStamp().valid() && file_.stamp() != tree_.fileStamp())
        throw PackageError("\"" + FullPath(packagePath) + "\" has changed on disk; open it again");
    const std::int64_t size = file_.size();
    if (size <= kHeaderSize)
        return;
    const PackageHeader header = ReadHeader(file_);
    if (!header.hasMagic())
        Refuse(file_, "is not a VP package");
    const std::int64_t count = header.EntryCount > 0 ? header.EntryCount : 0;
    if (header.DirOffset < kHeaderSize || header.DirOffset > size ||
        header.DirOffset + count * kDirEntrySize > size)
        Refuse(file_, "is damaged: its directory at offset " + std::to_string(header.DirOffset) +
                          " lies outside the file (" + std::to_string(size) + " bytes)");
    dataEnd_ = header.DirOffset;
}

void PackageWriter::writeDirectoryOnce(std::int64_t dirOffset) {
    DirectoryBuffer buffer;
    const std::int32_t count = WriteDirectory(tree_, buffer);
    const std::int64_t end = dirOffset + static_cast<std::int64_t>(buffer.bytes.size());
    if (end > std::numeric_limits<std::int32_t>::max())
        throw PackageError("The package would grow beyond 2 GiB, the largest a VP package can be");
    file_.seek(dirOffset);
    file_.writeAll(buffer.bytes.data(), buffer.bytes.size());
    WriteHeader(file_, static_cast<std::int32_t>(dirOffset), count);
    file_.seek(end);
    file_.truncate();
}

void PackageWriter::commitDirectory(std::int64_t dirOffset) {
    try {
        writeDirectoryOnce(dirOffset);
        tree_.setFileStamp(file_.stamp());
        return;
    } catch (const PackageError&) {
        restoreDirectory(dirOffset);
        throw;
    }
}

void PackageWriter::restoreDirectory(std::int64_t dirOffset) {
    for (int attempt = 1; attempt < kCommitAttempts; ++attempt) {
        try {
            writeDirectoryOnce(dirOffset);
            break;
        } catch (const PackageError&) {
        }
    }
    tree_.setFileStamp(file_.stamp());
}

} // namespace tessel
