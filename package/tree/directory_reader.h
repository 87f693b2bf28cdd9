// Reading a package's header and directory.
#pragma once

#include "folder_tree.h"
#include "package_file.h"
#include "package_layout.h"

#include <string>
#include <vector>

namespace tessel {

// Where the file's directory lies, as its header says: none for a file shorter than the
// header, which is an empty package. A directory that does not lie whole inside the file is
// refused with a PackageError that says what is wrong.
DirectoryPlace ReadablePlace(PackageFile& file);

// Rebuilds the tree from the header and directory of the file. A directory that cannot be
// read is refused before the tree is touched.
void ReadDirectory(PackageFile& file, FolderTree& tree);

// Builds only the part of the tree that the entry paths can name ("data/ships.tbl", or
// "data/" for a folder): the entries whose stored or shown path they are, with everything
// inside the folders among them and the folders that hold them. Memory grows with that
// part and the depth, not with the package.
void ReadDirectoryPart(PackageFile& file, FolderTree& tree, const std::vector<std::string>& paths);

} // namespace tessel
