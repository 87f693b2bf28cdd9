// A read-only mount served through FUSE's low-level interface: the package cannot change
// while it is mounted, so its items keep their numbers as inode numbers, the kernel may keep
// every answer, and files need not be opened at all (no open or release round trip per file).
#pragma once

#include <string>

namespace tessel {

class MountedPackage;

// Mounts on the folder with the options ("-o..."), serves until unmounted and returns 0;
// raises PackageError when the folder cannot be mounted on.
int ServeReadOnly(MountedPackage& mounted, const std::string& folder, const std::string& options,
                  bool foreground);

} // namespace tessel
