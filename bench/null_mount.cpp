// A FUSE file system that does no work at all, for the mount benchmark's floor: what the
// kernel's round trips alone cost a copy into a mounted folder on this machine. New names are
// not there, folders and files are made at once, writes are taken and dropped. It answers
// on one thread, as the writable mount does.
// Usage: null_mount DIR (in the foreground until DIR is unmounted).
#define FUSE_USE_VERSION 312

#include <cerrno>
#include <cstdio>
#include <fuse_lowlevel.h>
#include <sys/stat.h>

namespace {

constexpr double kForever = 86400.0;
fuse_ino_t gNext = 2;

struct stat StatOf(fuse_ino_t inode, bool folder) {
    struct stat info {};
    info.st_ino = inode;
    info.st_mode = folder ? S_IFDIR | 0755 : S_IFREG | 0644;
    info.st_nlink = folder ? 2 : 1;
    return info;
}

fuse_entry_param Made(bool folder) {
    fuse_entry_param entry{};
    entry.ino = gNext++;
    entry.attr = StatOf(entry.ino, folder);
    entry.attr_timeout = entry.entry_timeout = kForever;
    return entry;
}

void Lookup(fuse_req_t request, fuse_ino_t, const char*) {
    fuse_reply_err(request, ENOENT);
}

void GetAttributes(fuse_req_t request, fuse_ino_t inode, fuse_file_info*) {
    const struct stat info = StatOf(inode, inode == FUSE_ROOT_ID);
    fuse_reply_attr(request, &info, kForever);
}

void MakeFolder(fuse_req_t request, fuse_ino_t, const char*, mode_t) {
    const fuse_entry_param entry = Made(true);
    fuse_reply_entry(request, &entry);
}

void Create(fuse_req_t request, fuse_ino_t, const char*, mode_t, fuse_file_info* file) {
    const fuse_entry_param entry = Made(false);
    fuse_reply_create(request, &entry, file);
}

void Write(fuse_req_t request, fuse_ino_t, const char*, size_t size, off_t, fuse_file_info*) {
    fuse_reply_write(request, size);
}

void Release(fuse_req_t request, fuse_ino_t, fuse_file_info*) {
    fuse_reply_err(request, 0);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: null_mount DIR\n");
        return 2;
    }
    fuse_lowlevel_ops operations{};
    operations.lookup = Lookup;
    operations.getattr = GetAttributes;
    operations.mkdir = MakeFolder;
    operations.create = Create;
    operations.write = Write;
    operations.release = Release;
    char name[] = "null_mount";
    char* arguments[] = {name};
    fuse_args args = FUSE_ARGS_INIT(1, arguments);
    fuse_session* session = fuse_session_new(&args, &operations, sizeof operations, nullptr);
    if (!session || fuse_session_mount(session, argv[1]) != 0)
        return 1;
    const int status = fuse_session_loop(session);
    fuse_session_unmount(session);
    fuse_session_destroy(session);
    return status == 0 ? 0 : 1;
}
