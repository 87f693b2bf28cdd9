// A package's directory read record by record, in chunks, without building a tree: the
// record, its place in the directory, and the path of the folders around it. Memory grows
// with the depth of the folders only, so that commands which need no tree stay small on
// packages of any size.
#pragma once

#include "folder_path.h"
#include "package_file.h"
#include "package_layout.h"
#include "vp_format.h"

#include <cstdint>
#include <vector>

namespace tessel {

class DirectoryStream {
public:
    // The directory where the header places it; the caller has checked that it lies inside
    // the file.
    DirectoryStream(PackageFile& file, const DirectoryPlace& place);

    // Steps to the next record; false at the end of the directory.
    bool next();
    const DirEntry& record() const { return record_; }
    // The record's place in the directory, from 0.
    std::int64_t index() const { return index_; }
    // The folders around the record, outermost first; a folder end is inside the folder it
    // closes.
    const FolderPath& folders() const { return folders_; }
    // The record is a folder end outside every folder, which closes nothing.
    bool strayEnd() const { return record_.isFolderEnd() && folders_.depth() == 0; }
    // The record's path: "data/ships.tbl", "data/" for a folder.
    std::string path() const { return folders_.entry(record_.name(), record_.isFolder()); }

private:
    PackageFile& file_;
    DirectoryPlace place_;
    std::vector<unsigned char> chunk_;
    std::size_t inChunk_ = 0;
    std::int64_t index_ = -1;
    DirEntry record_;
    FolderPath folders_;
};

} // namespace tessel
