// Packages and folders as sources of files, for comparing and layering them.
#include "file_source.h"

#include "adding.h"
#include "directory_reader.h"
#include "entry_name.h"
#include "entry_path.h"
#include "package_error.h"
#include "package_layout.h"
#include "positioned_io.h"
#include "worker_pool.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <dirent.h>
#include <exception>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace tessel {

namespace {

constexpr std::size_t kCompareChunk = 1 << 20;

std::string Reason(int error) {
    return std::strerror(error);
}

} // namespace

std::string SourceKey(std::string_view path) {
    std::string key(path);
    for (char& c : key)
        c = FoldCase(c);
    return key;
}

FileSource FileSource::Open(const std::string& path) {
    FileSource source;
    source.given_ = path;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        throw PackageError("Cannot read \"" + path + "\": " + Reason(errno));
    if (S_ISDIR(info.st_mode))
        source.readFolder(path);
    else
        source.readPackage(path);
    return source;
}

void FileSource::readPackage(const std::string& path) {
    package_ = PackageFile::Open(path, FileAccess::Read, FileSharing::SharedRead);
    stamp_ = package_->stamp();
    FolderTree tree;
    ReadDirectory(*package_, tree);
    files_.reserve(tree.count());
    const std::int64_t end = package_->size();
    // The folders' path is kept as the walk goes, not made again for each of the files.
    WalkWithPaths(tree.root(), [&](const TreeNode* node, const FolderPath& folders) {
        const EntryRecord* record = node->record();
        if (!record)
            return;
        std::string shown = folders.entry(node->text(), false);
        if (DataOutside(*record, end))
            throw PackageError("\"" + path + "\": the data of \"" + shown + "\" lies outside the file");
        files_.push_back({std::move(shown), record->Size, record->Timestamp, record->Offset});
    });
}

void FileSource::readFolder(const std::string& path) {
    folder_ = path;
    // Each folder is opened below the one that holds it and never through a link, so that
    // a planted link can neither lead out nor loop.
    struct Open {
        FileDescriptor fd;
        std::string prefix;
    };
    std::vector<Open> pending;
    pending.push_back({FileDescriptor(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)), ""});
    if (pending.back().fd.get() < 0)
        throw PackageError("Cannot read the folder \"" + path + "\": " + Reason(errno));
    while (!pending.empty()) {
        Open folder = std::move(pending.back());
        pending.pop_back();
        DIR* listing = ::fdopendir(::dup(folder.fd.get()));
        if (!listing)
            throw PackageError("Cannot read the folder \"" + path + "/" + folder.prefix +
                               "\": " + Reason(errno));
        std::vector<std::string> names;
        while (const dirent* entry = ::readdir(listing)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..")
                names.push_back(name);
        }
        ::closedir(listing);
        std::sort(names.begin(), names.end());
        std::vector<Open> inner;
        for (const std::string& name : names) {
            const std::string shown = folder.prefix + name;
            struct stat info {};
            if (::fstatat(folder.fd.get(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
                throw PackageError("Cannot read \"" + path + "/" + shown + "\": " + Reason(errno));
            if (!S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode))
                continue;
            if (const std::string problem = NewNameProblem(name); !problem.empty())
                throw PackageError("\"" + path + "\": \"" + shown +
                                   "\" cannot be a package entry: " + problem);
            if (S_ISREG(info.st_mode)) {
                files_.push_back({shown, info.st_size, TimestampOf(info.st_mtime), 0});
                continue;
            }
            const int fd =
                ::openat(folder.fd.get(), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (fd < 0)
                throw PackageError("Cannot read the folder \"" + path + "/" + shown + "\": " + Reason(errno));
            inner.push_back({FileDescriptor(fd), shown + "/"});
        }
        // The folders are walked in name order, each after the files of the one above.
        for (auto next = inner.rbegin(); next != inner.rend(); ++next)
            pending.push_back(std::move(*next));
    }
}

FileSource::Bytes FileSource::open(const SourceFile& file) const {
    Bytes bytes;
    if (package_) {
        bytes.fd = package_->descriptor();
        bytes.offset = file.offset;
        return bytes;
    }
    const std::string full = pathOf(file);
    bytes.owned = FileDescriptor(::open(full.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (bytes.owned.get() < 0)
        throw PackageError("Cannot read \"" + full + "\": " + Reason(errno));
    bytes.fd = bytes.owned.get();
    return bytes;
}

std::vector<FileSource> OpenSources(const std::vector<std::string>& paths) {
    std::vector<std::optional<FileSource>> opened(paths.size());
    std::vector<std::exception_ptr> failed(paths.size());
    WorkerPool pool(4);
    pool.forEach(paths.size(), [&](std::size_t i) {
        try {
            opened[i] = FileSource::Open(paths[i]);
        } catch (...) {
            failed[i] = std::current_exception();
        }
    });
    std::vector<FileSource> sources;
    sources.reserve(paths.size());
    for (std::size_t i = 0; i < paths.size(); ++i) {
        if (failed[i])
            std::rethrow_exception(failed[i]);
        sources.push_back(std::move(*opened[i]));
    }
    return sources;
}

bool SameBytes(const FileSource& a, const SourceFile& fa, const FileSource& b, const SourceFile& fb) {
    if (fa.size != fb.size)
        return false;
    if (fa.size == 0)
        return true;
    const FileSource::Bytes x = a.open(fa);
    const FileSource::Bytes y = b.open(fb);
    const std::size_t chunk = std::min<std::int64_t>(fa.size, kCompareChunk);
    // Kept from call to call: a merged tree compares a hundred thousand small files.
    thread_local std::vector<char> left, right;
    if (left.size() < chunk) {
        left.resize(chunk);
        right.resize(chunk);
    }
    for (std::int64_t done = 0; done < fa.size;) {
        const std::size_t want = std::min<std::int64_t>(fa.size - done, std::int64_t(chunk));
        const IoResult got = ReadAt(x.fd, left.data(), want, x.offset + done);
        const IoResult other = ReadAt(y.fd, right.data(), want, y.offset + done);
        if (got.done != want || other.done != want) {
            const bool first = got.done != want;
            const int error = first ? got.error : other.error;
            throw PackageError("Cannot read \"" + (first ? fa.path : fb.path) + "\" of \"" +
                               (first ? a.given() : b.given()) +
                               "\": " + (error ? Reason(error) : "the file ended early"));
        }
        if (std::memcmp(left.data(), right.data(), want) != 0)
            return false;
        done += std::int64_t(want);
    }
    return true;
}

} // namespace tessel
