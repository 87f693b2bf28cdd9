// The disk folders that an adding run descends into. Each is opened through its parent's
// descriptor, so that no file is looked up by its full path, and only a few stay open
// however deep the tree goes: a folder whose descriptor was closed is opened again from
// the nearest open one when it is needed, and must still be the folder it was.
#pragma once

#include "file_descriptor.h"

#include <string>
#include <sys/stat.h>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace tessel {

using FileId = std::pair<dev_t, ino_t>;

// A folder's entries as the system lists them: names and what the listing says they are.
struct FolderEntry {
    std::string name;
    unsigned char type; // a dirent d_type
};

class FolderChain {
public:
    // The folder opened by the path given; it stays open.
    void pushTop(FileDescriptor fd, FileId id);
    // A folder opened inside the innermost one.
    void push(FileDescriptor fd, std::string name, FileId id);
    void pop();
    // The innermost folder's descriptor, opened again if it was closed. Raises a
    // PackageError with the reason when it cannot be, or is another folder now.
    int innermost();

private:
    struct Level {
        std::string name;
        FileId id;
        FileDescriptor fd;
    };
    std::vector<Level> levels_;
};

// The entries of the open folder, "." and ".." left out; raises a PackageError with the
// system's reason when it cannot be listed.
std::vector<FolderEntry> ListEntries(int folderFd);

// Opens a listed entry of the folder for reading, judging it by what was opened: special
// files are never opened (a device may act on an open), and what is opened is opened
// without waiting. Returns why it was passed over, or "" with fd and info set.
std::string OpenListed(int folderFd, const FolderEntry& entry, FileDescriptor& fd, struct stat& info);

inline constexpr const char* kNotAFileOrFolder = "it is neither a regular file nor a folder";

} // namespace tessel
