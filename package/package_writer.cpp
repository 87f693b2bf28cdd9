#include "package_writer.h"

#include "directory_buffer.h"
#include "package_error.h"
#include "package_layout.h"
#include "vp_format.h"

#include <algorithm>
#include <string>

namespace tessel {

namespace {

constexpr int kCommitAttempts = 3;

[[noreturn]] void Refuse(const PackageFile& file, const std::string& why) {
    throw PackageError("\"" + FullPath(file.path()) + "\" " + why + "; it was left untouched");
}

} // namespace

PackageWriter::PackageWriter(Package& package)
    : package_(package),
      file_(PackageFile::Open(package.path(), FileAccess::ReadWrite, FileSharing::Exclusive)) {
    const std::int64_t size = file_.size();
    if (size > kHeaderSize) {
        const PackageHeader header = ReadHeader(file_);
        if (!header.hasMagic())
            Refuse(file_, "is not a VP package");
        if (const std::string problem = DirectoryPlaceProblem(header, size); !problem.empty())
            Refuse(file_, "is damaged: " + problem);
        dataEnd_ = std::max<std::int64_t>(header.DirOffset, kHeaderSize);
    }
    if (package_.stamp_.valid() && file_.stamp() != package_.stamp_)
        throw PackageError("\"" + FullPath(package.path()) + "\" has changed on disk; open it again");
}

void PackageWriter::writeDirectoryOnce(std::int64_t dirOffset) {
    DirectoryBuffer buffer;
    const std::int32_t count = WriteDirectory(package_.tree_, buffer);
    const std::int64_t end = dirOffset + static_cast<std::int64_t>(buffer.bytes.size());
    if (end > kLargestPackage)
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
        package_.stamp_ = file_.stamp();
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
    package_.stamp_ = file_.stamp();
}

} // namespace tessel
