// A package or a folder on disk, read as a game reads it: its files by path, with their
// sizes and times and a way to their bytes. Paths are the shown text of package names (or
// the bytes of disk names), folders joined by "/"; the key of a path folds ASCII case, as
// the game matches names.
#pragma once

#include "file_descriptor.h"
#include "package_file.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessel {

struct SourceFile {
    std::string path;
    std::int64_t size = 0;
    // A package's timestamp as stored; a disk file's modification time as the same wall
    // clock seconds.
    std::int64_t time = 0;
    // Where the bytes are: the offset in the package.
    std::int64_t offset = 0;
};

class FileSource {
public:
    // A regular file is read as a package, a folder as a tree of files; links inside a
    // folder are not followed. A name inside a folder that a package cannot hold is an
    // error naming the source and the path.
    static FileSource Open(const std::string& path);

    const std::string& given() const { return given_; }
    bool isPackage() const { return package_.has_value(); }
    // The package's stamp as it was read; invalid for a folder.
    const FileStamp& stamp() const { return stamp_; }
    // Where the file is: the package, or the file's own path below the folder.
    std::string pathOf(const SourceFile& file) const { return package_ ? given_ : folder_ + "/" + file.path; }
    // The files in directory order (a folder's in name order, folders first walked).
    const std::vector<SourceFile>& files() const { return files_; }
    // Where the file's bytes can be read: a descriptor (owned when it was opened for the
    // file) and the offset of its first byte.
    struct Bytes {
        FileDescriptor owned;
        int fd = -1;
        std::int64_t offset = 0;
    };
    Bytes open(const SourceFile& file) const;

    FileSource(FileSource&&) noexcept = default;
    FileSource& operator=(FileSource&&) noexcept = default;

private:
    FileSource() = default;
    void readPackage(const std::string& path);
    void readFolder(const std::string& path);

    std::string given_;
    std::string folder_;
    std::optional<PackageFile> package_;
    FileStamp stamp_;
    std::vector<SourceFile> files_;
};

// Each source opened, a few at once: a merged tree reads several packages of a hundred
// thousand entries. When any cannot be read, the reason of the first of them in the order
// given is raised.
std::vector<FileSource> OpenSources(const std::vector<std::string>& paths);

// The path as the key under which sources match it.
std::string SourceKey(std::string_view path);
// Whether the two files hold the same bytes: sizes first, then the contents, streamed.
bool SameBytes(const FileSource& a, const SourceFile& fa, const FileSource& b, const SourceFile& fb);

} // namespace tessel
