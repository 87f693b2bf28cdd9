// A full look at a package file for everything that would make it unsafe to read, extract
// or rewrite.
#pragma once

#include <string>
#include <vector>

namespace tessel {

// One line per problem found; empty for a sound package. Throws only when the file
// cannot be opened or read.
std::vector<std::string> CheckPackage(const std::string& path);

} // namespace tessel
