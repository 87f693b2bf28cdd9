// Writes folders and files strictly below one destination folder. Every step descends
// through folder descriptors that were opened without following links, so neither a
// hostile entry name nor a link planted inside the destination can send a write outside.
#pragma once

#include "file_descriptor.h"

#include <string>
#include <utility>
#include <vector>

namespace tessel {

class Destination {
public:
    // Creates the folder with every missing parent and opens it; throws a PackageError
    // that names the folder when it cannot.
    explicit Destination(std::string path);

    const std::string& path() const { return path_; }

    // Makes the folder at the segments below the destination (each a safe name) and
    // returns its descriptor, owned by the destination. A link in the way is replaced
    // by a folder.
    int folder(const std::vector<std::string>& segments);

private:
    std::string path_;
    FileDescriptor root_;
    // The folders opened last, outermost first, so that siblings reuse their parents.
    std::vector<std::pair<std::string, FileDescriptor>> open_;
};

// Creates or empties the file in the folder and opens it for writing. A link in the way is
// replaced by the file, never written through.
FileDescriptor CreateFileAt(int folderFd, const std::string& name, const std::string& shownPath);

} // namespace tessel
