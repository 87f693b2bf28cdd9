// Reading a package's header and directory into the folder tree.
#pragma once

#include "folder_tree.h"
#include "package_file.h"

#include <string>

namespace tessel {

// Rebuilds the tree from the header and directory of the file. A file shorter than the
// header is an empty package. A directory that does not lie whole inside the file is
// refused with a PackageError before the tree is touched.
void ReadDirectory(PackageFile& file, FolderTree& tree);

// Opens the file read-only and exclusively, and replaces the tree with its contents. On
// any error the tree keeps the package it held.
void LoadPackage(const std::string& path, FolderTree& tree);

} // namespace tessel
