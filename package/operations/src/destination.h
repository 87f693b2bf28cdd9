// Writes folders and files strictly below one destination folder. Every step descends
// through folder descriptors that were opened without following links, so neither a
// hostile entry name nor a link planted inside the destination can send a write outside.
#pragma once

#include "file_descriptor.h"
#include "temp_folder.h"

#include <string>
#include <string_view>
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
    // The folders below the destination that are entered, outermost first.
    std::size_t depth() const { return levels_.size(); }
    // "<destination>/a/b" for the folders entered.
    const std::string& shown() const { return shown_; }
    // A hash of the folders entered, as shown: equal for folders that land on one path.
    std::size_t hash() const { return levels_.empty() ? rootHash_ : levels_.back().hash; }

    // Goes back out to the outermost folders, as many as given.
    void keep(std::size_t depth);
    // Makes the folder of that safe name inside the innermost one and goes into it. A link
    // in the way is replaced by a folder.
    void enter(const std::string& name);
    // The descriptor of the innermost folder, owned by the destination. However deep the
    // folders, only a bounded number of them stay open: a closed one is opened again by
    // its name from the deepest open one.
    int fd();

private:
    struct Level {
        std::string name;
        std::size_t shownLength; // of shown_ before this level's name
        FileDescriptor fd;
        std::size_t hash;
    };

    std::string path_;
    std::string shown_;
    FileDescriptor root_;
    std::size_t rootHash_ = 0;
    std::vector<Level> levels_;
};

// A new file of a folder. Where nothing stands at its name it is made there at once (and
// removed again if it cannot be written whole); where something does, it is written under a
// temporary name beside and renamed over it only when whole: whatever stood at the name (a
// file, a link, a hard link, a FIFO, a device) is replaced, never opened or written through,
// and a failure leaves it as it was.
class NewFileAt {
public:
    NewFileAt(int folderFd, std::string name, std::string_view shownFolder);
    ~NewFileAt();
    NewFileAt(const NewFileAt&) = delete;
    NewFileAt& operator=(const NewFileAt&) = delete;

    int fd() const { return fd_.get(); }
    // Whether something stood at the name: the file is written under another until placed.
    bool replaces() const { return writing_ != name_; }
    // Gives the file its name.
    void place();

private:
    std::string shown() const;

    int folderFd_;
    std::string name_;
    std::string_view shownFolder_;
    // The name the file is written under until it is placed; the name itself when it was
    // made there.
    std::string writing_;
    FileDescriptor fd_;
    bool placed_ = false;
};

// A path cut in its middle when it is longer than a message should carry.
std::string ShortPath(const std::string& path);

} // namespace tessel
