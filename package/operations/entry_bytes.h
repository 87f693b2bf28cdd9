// The bytes of one file entry, read in ranges straight from the package. It holds what it
// needs by value (the package's path and stamp, the entry's place), so that it can be copied
// to another thread while the window goes on; each read opens the package under the shared
// lock for its own length and refuses a file that changed since it was loaded, so that a
// viewer never shows bytes an edit is moving and never keeps an edit waiting.
#pragma once

#include "package_file.h"

#include <cstdint>
#include <string>

namespace tessel {

class FileSource;
class Package;
class TreeNode;
struct SourceFile;

class EntryBytes {
public:
    EntryBytes() = default;
    // The file entry of the open package; a folder is refused.
    EntryBytes(const Package& package, const TreeNode* entry);
    // A file of a package or folder read as a source; a folder's file is read as it is on
    // disk, never through a link.
    EntryBytes(const FileSource& source, const SourceFile& file);

    std::int64_t size() const { return size_; }
    // Whether the entry's data does not lie whole inside the file as it was loaded: then no
    // byte of it is read.
    bool outside() const { return outside_; }
    // Why the data cannot be read, for the user; empty when it can.
    std::string outsideReason() const;
    // Up to count bytes from the entry's byte at `from`; fewer only at the entry's end.
    std::string read(std::int64_t from, std::int64_t count) const;

private:
    std::string packagePath_;
    FileStamp stamp_;
    std::string entryPath_;
    std::int64_t offset_ = 0;
    std::int64_t size_ = 0;
    bool outside_ = false;
    bool loose_ = false;
};

} // namespace tessel
