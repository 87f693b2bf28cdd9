// The rules for entry names: which stored names can be written out as files, which new
// names an entry may be given, and the bytes a new name is stored as.
#pragma once

#include "folder_tree.h"

#include <string>
#include <string_view>

namespace tessel {

// Whether a name can become a file name inside a destination folder without escaping it:
// not empty, not "." or "..", and holding no "/" or NUL.
bool IsSafeEntryName(std::string_view name);

// Refuses, naming the entry, a node whose name could leave the folder it is written into.
void RequireSafeName(const TreeNode* node);

// Refuses a new name that could never be written out as a file: ".", "..", or a name
// holding "/" or NUL. An empty name is kept as typed.
void RequireNewName(const std::string& name);

// The bytes a new name is stored as: at most 31, and a UTF-8 name is not cut inside a
// character.
std::string StoredName(const std::string& name);

} // namespace tessel
