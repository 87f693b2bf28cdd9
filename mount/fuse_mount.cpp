#define FUSE_USE_VERSION 312

#include "fuse_mount.h"

#include "mounted_package.h"
#include "package_error.h"
#include "package_file.h"
#include "read_only_session.h"
#include "request_loop.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <exception>
#include <fuse.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace tessel {

namespace {

MountedPackage& Mounted() {
    return *static_cast<MountedPackage*>(fuse_get_context()->private_data);
}

// A callback's failure that is not an errno of its own (memory, a fault of ours) is an
// I/O error to the caller, never the end of the mount.
template <typename Call> auto Guarded(Call&& call) -> decltype(call()) {
    try {
        return call();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tessel-vp: %s\n", error.what());
        return -EIO;
    }
}

// An open file removed from the folder is reached by its handle alone, without a path.
std::string PathOf(const char* path) {
    return path ? path : "";
}

void* Init(fuse_conn_info* connection, fuse_config* config) {
    MountedPackage& mounted = Mounted();
    // The mount changes only through itself, but edits move bytes: attributes are kept a
    // moment, file contents are read again at each open.
    config->entry_timeout = config->attr_timeout = 1.0;
    config->negative_timeout = 0.0;
    config->kernel_cache = 0;
    // A file removed while open is removed at once, not hidden under another name, and is
    // then reached by its handle.
    config->hard_remove = 1;
    connection->max_write = 1u << 20;
    // Every request in memory, not left in a pipe of the reading thread's own: a request
    // may be handed to another thread.
    connection->want &= ~FUSE_CAP_SPLICE_READ;
    mounted.start();
    return &mounted;
}

int GetAttributes(const char* path, struct stat* info, fuse_file_info* file) {
    return Guarded([&] {
        MountAttributes attributes;
        const int error = !path && file ? Mounted().attributes(file->fh, attributes)
                                        : Mounted().attributes(PathOf(path), attributes);
        if (error == 0)
            *info = StatusOf(attributes, true);
        return error;
    });
}

int ReadFolder(const char* path, void* buffer, fuse_fill_dir_t fill, off_t, fuse_file_info*,
               fuse_readdir_flags) {
    return Guarded([&] {
        fill(buffer, ".", nullptr, 0, fuse_fill_dir_flags(0));
        fill(buffer, "..", nullptr, 0, fuse_fill_dir_flags(0));
        struct stat info {};
        return Mounted().list(PathOf(path), [&](const std::string& name, const MountAttributes& attributes) {
            info = StatusOf(attributes, true);
            fill(buffer, name.c_str(), &info, 0, FUSE_FILL_DIR_PLUS);
        });
    });
}

int Open(const char* path, fuse_file_info* file) {
    return Guarded([&] {
        std::uint64_t handle = 0;
        const int error = Mounted().open(path, file->flags, handle);
        file->fh = handle;
        return error;
    });
}

int Create(const char* path, mode_t mode, fuse_file_info* file) {
    if (!S_ISREG(mode) && (mode & S_IFMT) != 0)
        return -ENOTSUP;
    return Guarded([&] {
        std::uint64_t handle = 0;
        const int error = Mounted().create(path, handle);
        file->fh = handle;
        return error;
    });
}

int Read(const char* path, char* buffer, size_t size, off_t offset, fuse_file_info* file) {
    return Guarded([&] { return int(Mounted().read(PathOf(path), file->fh, buffer, size, offset)); });
}

int Write(const char*, const char* buffer, size_t size, off_t offset, fuse_file_info* file) {
    return Guarded([&] { return int(Mounted().write(file->fh, buffer, size, offset)); });
}

int Truncate(const char* path, off_t size, fuse_file_info* file) {
    return Guarded([&] { return Mounted().truncate(PathOf(path), file ? file->fh : 0, size); });
}

int Release(const char*, fuse_file_info* file) {
    return Guarded([&] { return Mounted().release(file->fh); });
}

int Sync(const char*, int, fuse_file_info* file) {
    return Guarded([&] { return Mounted().sync(file->fh); });
}

int Unlink(const char* path) {
    return Guarded([&] { return Mounted().unlink(path); });
}

int MakeFolder(const char* path, mode_t) {
    return Guarded([&] { return Mounted().makeFolder(path); });
}

int RemoveFolder(const char* path) {
    return Guarded([&] { return Mounted().removeFolder(path); });
}

int Rename(const char* from, const char* to, unsigned int flags) {
    if (flags & RENAME_EXCHANGE)
        return -EINVAL;
    return Guarded([&] { return Mounted().rename(from, to, !(flags & RENAME_NOREPLACE)); });
}

// Owners and permissions are not a package's to hold: taken, and not kept.
int ChangeMode(const char* path, mode_t, fuse_file_info* file) {
    struct stat info {};
    return GetAttributes(path, &info, file);
}

int ChangeOwner(const char* path, uid_t, gid_t, fuse_file_info* file) {
    struct stat info {};
    return GetAttributes(path, &info, file);
}

int SetTimes(const char* path, const timespec times[2], fuse_file_info*) {
    return Guarded([&] {
        if (times[1].tv_nsec == UTIME_OMIT)
            return 0;
        const std::int64_t seconds = times[1].tv_nsec == UTIME_NOW ? std::time(nullptr) : times[1].tv_sec;
        return path ? Mounted().setModified(path, seconds) : 0;
    });
}

int Refused(const char*, const char*) {
    return -ENOTSUP;
}

int MakeNode(const char*, mode_t, dev_t) {
    return -ENOTSUP;
}

int FileSystemStatus(const char*, struct statvfs* status) {
    *status = {};
    status->f_bsize = status->f_frsize = 4096;
    status->f_namemax = 31;
    // A package holds up to 2 GiB: what is left of that is its free room.
    struct stat info {};
    const std::int64_t used =
        ::fstat(Mounted().packageDescriptor(), &info) == 0 ? std::int64_t(info.st_size) : 0;
    status->f_blocks = static_cast<fsblkcnt_t>(kPackageLimit / 4096);
    const std::int64_t room = used < kPackageLimit ? (kPackageLimit - used) / 4096 : 0;
    status->f_bfree = status->f_bavail = static_cast<fsblkcnt_t>(room);
    return 0;
}

fuse_operations Operations() {
    fuse_operations operations{};
    operations.init = Init;
    operations.getattr = GetAttributes;
    operations.readdir = ReadFolder;
    operations.open = Open;
    operations.create = Create;
    operations.read = Read;
    operations.write = Write;
    operations.truncate = Truncate;
    operations.release = Release;
    operations.fsync = Sync;
    operations.unlink = Unlink;
    operations.mkdir = MakeFolder;
    operations.rmdir = RemoveFolder;
    operations.rename = Rename;
    operations.chmod = ChangeMode;
    operations.chown = ChangeOwner;
    operations.utimens = SetTimes;
    operations.symlink = Refused;
    operations.link = Refused;
    operations.mknod = MakeNode;
    operations.statfs = FileSystemStatus;
    return operations;
}

// The package's path as a mount option's value: commas and backslashes escaped.
std::string OptionValue(const std::string& text) {
    std::string escaped;
    for (const char c : text) {
        if (c == ',' || c == '\\')
            escaped += '\\';
        escaped += c;
    }
    return escaped;
}

} // namespace

int ServeMount(const MountRequest& request) {
    // Entry times are local wall-clock times; without TZ the C library looks at
    // /etc/localtime again for every one it converts, thousands of times per edit.
    ::setenv("TZ", ":/etc/localtime", 0);
    MountedPackage mounted(request.package, request.writable, [](const std::string& line) {
        std::fprintf(stderr, "tessel-vp: %s\n", line.c_str());
    });
    const std::string options = "-ofsname=" + OptionValue(mounted.packagePath()) + ",subtype=tessel-vp" +
                                (request.writable ? "" : ",ro");
    // Mounted and unmounted by its full path: libfuse moves into "/" once mounted, and a
    // relative folder then names another, so that ending in the foreground left the folder
    // mounted with nobody serving it.
    const std::string folder = RealPath(request.folder);
    if (!request.writable)
        return ServeReadOnly(mounted, folder, options, request.foreground);
    const char* argv[] = {"tessel-vp", options.c_str()};
    fuse_args args = FUSE_ARGS_INIT(2, const_cast<char**>(argv));
    const fuse_operations operations = Operations();
    fuse* system = fuse_new(&args, &operations, sizeof operations, &mounted);
    // What the parse added to the arguments is theirs to free; the file system keeps its own.
    fuse_opt_free_args(&args);
    if (!system)
        throw PackageError("Cannot mount \"" + mounted.packagePath() + "\": the FUSE options were refused");
    if (fuse_mount(system, folder.c_str()) != 0) {
        fuse_destroy(system);
        throw PackageError(CannotMountMessage(mounted.packagePath(), request.folder));
    }
    fuse_session* session = fuse_get_session(system);
    fuse_set_signal_handlers(session);
    fuse_daemonize(request.foreground ? 1 : 0);
    const int status = ServeRequests(session, mounted);
    fuse_remove_signal_handlers(session);
    fuse_unmount(system);
    fuse_destroy(system);
    return status == 0 ? 0 : 1;
}

} // namespace tessel
