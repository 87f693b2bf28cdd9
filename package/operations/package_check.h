// A full look at a package file for everything that would make it unsafe to read, extract
// or rewrite.
#pragma once

#include <string>
#include <vector>

namespace tessel {

// Lines that start with this point at something a user may want to know but that does not
// make the package unsound.
inline constexpr const char* kWarning = "warning: ";

// One line per problem found, warnings among them; empty for a sound package. Throws only
// when the file cannot be opened or read.
std::vector<std::string> CheckPackage(const std::string& path);

} // namespace tessel
