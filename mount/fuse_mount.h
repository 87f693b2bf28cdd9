// A package mounted as a folder through FUSE, for as long as the call runs.
#pragma once

#include <string>

namespace tessel {

struct MountRequest {
    std::string package;
    std::string folder;
    bool writable = false;
    // Stays in the foreground until unmounted or interrupted, instead of going into the
    // background once the folder shows the package.
    bool foreground = false;
};

// Mounts, serves until the folder is unmounted (or, in the foreground, Ctrl+C), writes what
// is still waiting and returns 0; raises PackageError, with nothing mounted, when the
// package or the folder cannot be used.
int ServeMount(const MountRequest& request);

} // namespace tessel
