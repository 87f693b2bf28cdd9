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

// One entry of a source's folder, as the folder is read: its shown name, a file's size,
// time and offset, or the records inside a package's folder.
struct SourceEntry {
    std::string name;
    bool folder = false;
    SourceFile file;
    std::int64_t begin = 0, end = 0;
};

// A folder of a source, as a walk folder by folder reaches it: the records inside it in a
// package, its name below a folder the walk holds open on disk.
struct SourceFolder {
    std::size_t source = 0;
    std::int64_t begin = 0, end = 0;
    int within = -1;
    // Its name as the source spells it, and the folder that holds it (null at the top),
    // which the walk keeps while it is inside: each folder keeps only its own name, so that
    // a crafted package of folders a million deep costs the walk its depth, not its square.
    std::string name;
    const SourceFolder* outer = nullptr;

    // "data/tables/" as the source spells it; "" at the top.
    std::string path() const;
};

// Whether a source keeps the list of all its files, or is read a folder at a time and keeps
// only what a walk needs: a hundred thousand paths each cost a string when held.
enum class SourceFiles { Held, Walked };

class FileSource {
public:
    // A regular file is read as a package, a folder as a tree of files; links inside a
    // folder are not followed. A name inside a folder that a package cannot hold, or a file
    // whose data lies outside the package, is an error naming the source and the path,
    // whether the files are held or walked.
    static FileSource Open(const std::string& path, SourceFiles files = SourceFiles::Held);

    const std::string& given() const { return given_; }
    bool isPackage() const { return package_.has_value(); }
    // The package's stamp as it was read; invalid for a folder.
    const FileStamp& stamp() const { return stamp_; }
    // Where the file is: the package, or the file's own path below the folder.
    std::string pathOf(const SourceFile& file) const { return package_ ? given_ : folder_ + "/" + file.path; }
    // The files in directory order (a folder's in name order, folders first walked); none
    // when the source is walked.
    const std::vector<SourceFile>& files() const { return files_; }
    // The top folder, and the entries of a folder in directory order. A disk folder is
    // opened into `held`, below which its inner folders are opened: the walk keeps it open
    // while it is inside.
    SourceFolder top(std::size_t source) const;
    void list(const SourceFolder& folder, FileDescriptor& held, std::vector<SourceEntry>& entries) const;
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
    void readPackage(const std::string& path, SourceFiles files);
    void readFolder(const std::string& path, SourceFiles files);
    void listPackage(const SourceFolder& folder, std::vector<SourceEntry>& entries) const;
    void listFolder(const SourceFolder& folder, FileDescriptor& held,
                    std::vector<SourceEntry>& entries) const;
    // A folder record's place and the place of the record that ends it (the directory's
    // end when none does), in the order of the records.
    struct FolderSpan {
        std::int64_t at, end;
    };

    std::string given_;
    std::string folder_;
    std::optional<PackageFile> package_;
    FileStamp stamp_;
    std::vector<SourceFile> files_;
    std::int64_t records_ = 0;
    std::int64_t directoryAt_ = 0;
    std::vector<FolderSpan> spans_;
    // The last chunk of records read while listing; listing is one thread's at a time.
    mutable std::vector<unsigned char> chunk_;
    mutable std::int64_t chunkFrom_ = 0;
};

// Each source opened, a few at once: a merged tree reads several packages of a hundred
// thousand entries. When any cannot be read, the reason of the first of them in the order
// given is raised.
std::vector<FileSource> OpenSources(const std::vector<std::string>& paths,
                                    SourceFiles files = SourceFiles::Held);

// The path as the key under which sources match it.
std::string SourceKey(std::string_view path);
// Whether the two files hold the same bytes: sizes first, then the contents, streamed.
bool SameBytes(const FileSource& a, const SourceFile& fa, const FileSource& b, const SourceFile& fb);

} // namespace tessel
