// Reading a package's header and directory.
#pragma once

#include "folder_tree.h"
#include "package_file.h"
#include "package_layout.h"

namespace tessel {

// Where the file's directory lies, as its header says: none for a file shorter than the
// header, which is an empty package. A directory that does not lie whole inside the file is
// refused with a PackageError that says what is wrong.
DirectoryPlace ReadablePlace(PackageFile& file);

// Rebuilds the tree from the header and directory of the file. A directory that cannot be
// read is refused before the tree is touched.
void ReadDirectory(PackageFile& file, FolderTree& tree);

} // namespace tessel
