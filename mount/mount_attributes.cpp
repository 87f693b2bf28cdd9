#include "mount_attributes.h"

#include "package_error.h"

#include <unistd.h>

namespace tessel {

struct stat StatusOf(const MountAttributes& attributes, bool writable) {
    struct stat info {};
    const mode_t access = writable ? 0644 : 0444;
    info.st_mode = attributes.folder ? S_IFDIR | access | 0111 : S_IFREG | access;
    info.st_nlink = attributes.folder ? 2 : 1;
    // Asked once: a copy into the mount asks for attributes several times a file.
    static const uid_t owner = ::getuid();
    static const gid_t group = ::getgid();
    info.st_uid = owner;
    info.st_gid = group;
    info.st_size = attributes.size;
    info.st_blksize = 4096;
    info.st_blocks = (attributes.size + 511) / 512;
    info.st_mtim.tv_sec = info.st_atim.tv_sec = info.st_ctim.tv_sec = attributes.modified;
    return info;
}

std::string CannotMountMessage(const std::string& package, const std::string& folder) {
    return "Cannot mount \"" + package + "\" on \"" + FullPath(folder) +
           "\": the folder must exist, and FUSE (/dev/fuse, fusermount3) must be there";
}

} // namespace tessel
