// A package read without building its tree, for the commands that only walk its directory:
// an interrupted edit is finished or undone first, the file is held against edits for as
// long as the reader lives, and the directory's place is checked. Memory stays with the
// depth of the folders, whatever the number of entries.
#pragma once

#include "directory_stream.h"
#include "package_file.h"
#include "package_layout.h"

#include <string>

namespace tessel {

class PackageReader {
public:
    explicit PackageReader(const std::string& path);

    // What opening had to do about an interrupted edit, as a sentence; empty when nothing.
    const std::string& recoveryNote() const { return recoveryNote_; }
    PackageFile& file() { return file_; }
    std::int64_t fileSize() const { return size_; }
    // The records from the first, each time anew.
    DirectoryStream records() { return DirectoryStream(file_, place_); }

private:
    std::string recoveryNote_;
    PackageFile file_;
    std::int64_t size_ = 0;
    DirectoryPlace place_{};
};

} // namespace tessel
