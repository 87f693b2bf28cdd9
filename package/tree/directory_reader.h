// Reading a package's header and directory into a folder tree.
#pragma once

#include "folder_tree.h"
#include "package_file.h"

namespace tessel {

// Rebuilds the tree from the header and directory of the file. A file shorter than the
// header is an empty package. A directory that does not lie whole inside the file is
// refused with a PackageError before the tree is touched.
void ReadDirectory(PackageFile& file, FolderTree& tree);

} // namespace tessel
