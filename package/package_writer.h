// What every edit of a package file shares: opening it for writing only when it is really
// a sound package and still the file that was loaded or last written, and ending with a
// directory and header that match the data and the tree, also after a failure part of the
// way.
#pragma once

#include "package.h"
#include "package_file.h"

#include <cstdint>

namespace tessel {

class PackageWriter {
public:
    // Opens the package for reading and writing, exclusively. Refuses, leaving the file
    // untouched, a file of more than 16 bytes that is not a package or whose directory is
    // damaged, and a file that changed since the package was loaded or last written.
    explicit PackageWriter(Package& package);

    PackageFile& file() { return file_; }
    FolderTree& tree() { return package_.tree_; }
    // Where the data area ends: the directory's offset, or 16 for a file of 16 bytes or
    // fewer, which counts as a package without entries.
    std::int64_t dataEnd() const { return dataEnd_; }

    // Writes the tree's directory at the offset, then the header, then cuts the file after
    // the directory. A failing step is tried again, so that one passing failure cannot
    // leave the file without its directory; the first error is raised all the same.
    void commitDirectory(std::int64_t dirOffset);

    // After a failure: writes the tree's directory at the offset, trying a few times, so
    // that the file matches the tree again. Raises nothing.
    void restoreDirectory(std::int64_t dirOffset);

private:
    void writeDirectoryOnce(std::int64_t dirOffset);

    Package& package_;
    PackageFile file_;
    std::int64_t dataEnd_ = kHeaderSize;
};

} // namespace tessel
