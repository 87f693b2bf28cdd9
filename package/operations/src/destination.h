// Writes folders and files strictly below one destination folder. Every step descends
// through folder descriptors that were opened without following links, so neither a
// hostile entry name nor a link planted inside the destination can send a write outside.
#pragma once

#include "file_descriptor.h"
#include "temp_folder.h"

#include <string>
#include <utility>
#include <vector>

namespace tessel {

class Destination {
public:
    // Creates the folder with every missing parent and opens it; throws a PackageError
    // that names the folder when it cannot.
    explicit Destination(std::string path);
    // Works below a folder already opened and checked.
    explicit Destination(const OpenFolder& folder);

    const std::string& path() const { return path_; }

    // Makes the folder at the segments below the destination (each a safe name) and
    // returns its descriptor, owned by the destination. A link in the way is replaced
    // by a folder. However deep the folders, only a bounded number of them stay open.
    int folder(const std::vector<std::string>& segments);

private:
    int descend(std::size_t level, const std::string& shown);

    std::string path_;
    FileDescriptor root_;
    // The folders opened last, outermost first, so that siblings reuse their parents; below
    // the first few levels only the innermost stays open.
    std::vector<std::pair<std::string, FileDescriptor>> open_;
};

// A new file of a folder, written under a temporary name beside its own and renamed over it
// only when whole: whatever stood at the name (a file, a link, a hard link, a FIFO, a
// device) is replaced, never opened or written through, and a failure leaves it as it was.
class NewFileAt {
public:
    NewFileAt(int folderFd, std::string name, std::string shownPath);
    ~NewFileAt();
    NewFileAt(const NewFileAt&) = delete;
    NewFileAt& operator=(const NewFileAt&) = delete;

    int fd() const { return fd_.get(); }
    // Gives the file its name.
    void place();

private:
    int folderFd_;
    std::string name_;
    std::string shownPath_;
    std::string temporary_;
    FileDescriptor fd_;
};

// A path cut in its middle when it is longer than a message should carry.
std::string ShortPath(const std::string& path);

} // namespace tessel
