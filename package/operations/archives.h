// Other archive formats, read and written through libarchive: whether a path names one, and
// the package written out as one.
#pragma once

#include "package.h"

#include <string>

namespace tessel {

// Whether the name ends as an archive Tessel reads does: .zip, .7z, .tar and its compressed
// kinds (.tar.gz, .tgz, .tar.xz, .txz, .tar.zst, .tar.bz2).
bool IsArchivePath(const std::string& path);

} // namespace tessel
