// Opening a package for an edit: an interrupted edit finished first; the file opened by its
// real path (so that its journal lies beside it whatever name reaches it), exclusively,
// and only when it is a sound package that the edit cannot damage and still the file that
// was loaded or last written.
#pragma once

#include "package.h"
#include "package_file.h"

#include <cstdint>
#include <string>

namespace tessel {

class PackageWriter {
public:
    // Refuses, leaving the file untouched: anything but a regular file; a file with more
    // than one name (hard links), whose interrupted edit another name would not find; a
    // short file that is neither empty nor the start of a package; a file that is not a
    // package, whose directory is damaged, does not end the file, or whose entries reach
    // outside the data area; and a file that changed since it was loaded or last written.
    explicit PackageWriter(Package& package);
    // A new file under a scratch name, which is not the package until it takes its name:
    // nothing to check and no journal needed.
    PackageWriter(Package& package, PackageFile scratch);

    Package& package() { return package_; }
    PackageFile& file() { return file_; }
    // Whether the file is a new one that needs no journal.
    bool fresh() const { return fresh_; }
    // Where the data area ends: the directory's offset, or 16 for a file of 16 bytes or
    // fewer, which counts as a package without entries.
    std::int64_t dataEnd() const { return dataEnd_; }
    // The size of the file when it was opened.
    std::int64_t sizeAtOpen() const { return sizeAtOpen_; }
    // The header's bytes and everything from the data end on, as the file was opened.
    const std::string& header() const { return header_; }
    const std::string& tail() const { return tail_; }

    // The file as it is now is the package's, in the tree's eyes too.
    void written();

private:
    void refuseWhatWouldBeDamaged();

    Package& package_;
    PackageFile file_;
    bool fresh_ = false;
    std::int64_t dataEnd_ = 16;
    std::int64_t sizeAtOpen_ = 0;
    std::string header_;
    std::string tail_;
};

} // namespace tessel
