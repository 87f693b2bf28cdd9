#define FUSE_USE_VERSION 312

#include "read_only_session.h"

#include "mounted_package.h"
#include "package_error.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fuse_lowlevel.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <vector>

namespace tessel {

namespace {

// Nothing changes while mounted: the kernel may keep what it is told for as long as it likes.
constexpr double kForever = 86400.0 * 365;

MountedPackage& Mounted(fuse_req_t request) {
    return *static_cast<MountedPackage*>(fuse_req_userdata(request));
}

const MountIndex& Shown(fuse_req_t request) {
    return Mounted(request).shown();
}

// Inode numbers are item numbers, shifted past 0: the top folder is FUSE's root, 1.
fuse_ino_t InodeOf(std::uint32_t number) {
    return fuse_ino_t(number) + 1;
}

const MountItem* ItemOf(fuse_req_t request, fuse_ino_t inode) {
    const MountIndex& shown = Shown(request);
    return inode >= 1 && inode <= shown.size() ? &shown.item(std::uint32_t(inode - 1)) : nullptr;
}

struct stat StatOf(const MountIndex& shown, const MountItem& item) {
    struct stat info = StatusOf(AttributesOf(item), false);
    info.st_ino = InodeOf(shown.numberOf(item));
    return info;
}

void Init(void*, fuse_conn_info* connection) {
    connection->want |= FUSE_CAP_SPLICE_WRITE | FUSE_CAP_SPLICE_MOVE;
    if (connection->capable & FUSE_CAP_READDIRPLUS)
        connection->want |= FUSE_CAP_READDIRPLUS;
    connection->want &= ~FUSE_CAP_READDIRPLUS_AUTO;
    connection->max_readahead = std::max(connection->max_readahead, 1u << 20);
}

void Lookup(fuse_req_t request, fuse_ino_t parent, const char* name) {
    const MountIndex& shown = Shown(request);
    const MountItem* folder = ItemOf(request, parent);
    if (!folder || !folder->folder)
        return void(fuse_reply_err(request, ENOENT));
    const std::string path = shown.pathOf(shown.numberOf(*folder));
    const MountItem* item = shown.find(path == "/" ? "/" + std::string(name) : path + "/" + name);
    if (!item || item->parent != shown.numberOf(*folder)) {
        // The kernel remembers that the name is not there, too.
        fuse_entry_param none{};
        none.entry_timeout = kForever;
        return void(fuse_reply_entry(request, &none));
    }
    fuse_entry_param entry{};
    entry.ino = InodeOf(shown.numberOf(*item));
    entry.attr = StatOf(shown, *item);
    entry.attr_timeout = entry.entry_timeout = kForever;
    fuse_reply_entry(request, &entry);
}

void GetAttributes(fuse_req_t request, fuse_ino_t inode, fuse_file_info*) {
    const MountItem* item = ItemOf(request, inode);
    if (!item)
        return void(fuse_reply_err(request, ENOENT));
    const struct stat info = StatOf(Shown(request), *item);
    fuse_reply_attr(request, &info, kForever);
}

// Entries from the offset on, as many as fit: "." and ".." first, then the folder's items.
void List(fuse_req_t request, fuse_ino_t inode, size_t size, off_t offset, bool plus) {
    const MountIndex& shown = Shown(request);
    const MountItem* folder = ItemOf(request, inode);
    if (!folder || !folder->folder)
        return void(fuse_reply_err(request, ENOTDIR));
    std::vector<char> buffer(size);
    std::size_t used = 0;
    const std::size_t count = folder->children.size() + 2;
    for (std::size_t at = std::size_t(std::max<off_t>(offset, 0)); at < count; ++at) {
        const MountItem& item = at == 0   ? *folder
                                : at == 1 ? shown.item(folder->parent)
                                          : shown.item(folder->children[at - 2]);
        const char* name = at == 0 ? "." : at == 1 ? ".." : item.name.c_str();
        fuse_entry_param entry{};
        entry.attr = StatOf(shown, item);
        const std::size_t room = buffer.size() - used;
        std::size_t needed;
        if (plus) {
            // "." and ".." carry no entry: the kernel would count a lookup it never made.
            if (at >= 2) {
                entry.ino = entry.attr.st_ino;
                entry.attr_timeout = entry.entry_timeout = kForever;
            }
            needed = fuse_add_direntry_plus(request, buffer.data() + used, room, name, &entry, off_t(at + 1));
        } else {
            needed = fuse_add_direntry(request, buffer.data() + used, room, name, &entry.attr, off_t(at + 1));
        }
        if (needed > room)
            break;
        used += needed;
    }
    fuse_reply_buf(request, buffer.data(), used);
}

void ReadFolder(fuse_req_t request, fuse_ino_t inode, size_t size, off_t offset, fuse_file_info*) {
    List(request, inode, size, offset, false);
}

void ReadFolderPlus(fuse_req_t request, fuse_ino_t inode, size_t size, off_t offset, fuse_file_info*) {
    List(request, inode, size, offset, true);
}

// Without opens the kernel neither opens nor releases each file it reads.
void Open(fuse_req_t request, fuse_ino_t, fuse_file_info*) {
    fuse_reply_err(request, ENOSYS);
}

void Read(fuse_req_t request, fuse_ino_t inode, size_t size, off_t offset, fuse_file_info*) {
    const MountItem* item = ItemOf(request, inode);
    if (!item || item->folder)
        return void(fuse_reply_err(request, item ? EISDIR : ENOENT));
    if (!item->readable)
        return void(fuse_reply_err(request, EIO));
    const std::size_t count =
        offset >= item->size ? 0
                             : std::size_t(std::min<std::int64_t>(std::int64_t(size), item->size - offset));
    fuse_bufvec buffers = FUSE_BUFVEC_INIT(count);
    buffers.buf[0].flags = fuse_buf_flags(FUSE_BUF_IS_FD | FUSE_BUF_FD_SEEK);
    buffers.buf[0].fd = Mounted(request).packageDescriptor();
    buffers.buf[0].pos = item->offset + offset;
    fuse_reply_data(request, &buffers, FUSE_BUF_SPLICE_MOVE);
}

void FileSystemStatus(fuse_req_t request, fuse_ino_t) {
    struct statvfs status {};
    status.f_bsize = status.f_frsize = 4096;
    status.f_namemax = 31;
    // Full: a read-only mount has no room, and its size is the package's.
    struct stat package {};
    ::fstat(Mounted(request).packageDescriptor(), &package);
    status.f_blocks = fsblkcnt_t((package.st_size + 4095) / 4096);
    status.f_files = Shown(request).size();
    fuse_reply_statfs(request, &status);
}

} // namespace

int ServeReadOnly(MountedPackage& mounted, const std::string& folder, const std::string& options,
                  bool foreground) {
    fuse_lowlevel_ops operations{};
    operations.init = Init;
    operations.lookup = Lookup;
    operations.getattr = GetAttributes;
    operations.readdir = ReadFolder;
    operations.readdirplus = ReadFolderPlus;
    operations.open = Open;
    operations.opendir = Open;
    operations.read = Read;
    operations.statfs = FileSystemStatus;
    const char* argv[] = {"tessel-vp", options.c_str()};
    fuse_args args = FUSE_ARGS_INIT(2, const_cast<char**>(argv));
    fuse_session* session = fuse_session_new(&args, &operations, sizeof operations, &mounted);
    // What the parse added to the arguments is theirs to free; the session keeps its own.
    fuse_opt_free_args(&args);
    if (!session)
        throw PackageError("Cannot mount \"" + mounted.packagePath() + "\": the FUSE options were refused");
    if (fuse_session_mount(session, folder.c_str()) != 0) {
        fuse_session_destroy(session);
        throw PackageError(CannotMountMessage(mounted.packagePath(), folder));
    }
    fuse_set_signal_handlers(session);
    fuse_daemonize(foreground ? 1 : 0);
    fuse_loop_config* config = fuse_loop_cfg_create();
    const int status = fuse_session_loop_mt(session, config);
    fuse_loop_cfg_destroy(config);
    fuse_remove_signal_handlers(session);
    fuse_session_unmount(session);
    fuse_session_destroy(session);
    return status == 0 ? 0 : 1;
}

} // namespace tessel
