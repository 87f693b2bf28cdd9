// Packages and folders as sources of files, for comparing and layering them.
#include "file_source.h"

#include "adding.h"
#include "directory_reader.h"
#include "directory_stream.h"
#include "entry_name.h"
#include "name_text.h"
#include "package_error.h"
#include "package_layout.h"
#include "positioned_io.h"
#include "source_comparison.h"
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

FileSource FileSource::Open(const std::string& path, SourceFiles files) {
    FileSource source;
    source.given_ = path;
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        throw PackageError("Cannot read \"" + path + "\": " + Reason(errno));
    if (S_ISDIR(info.st_mode))
        source.readFolder(path, files);
    else
        source.readPackage(path, files);
    return source;
}

void FileSource::readPackage(const std::string& path, SourceFiles files) {
    package_ = PackageFile::Open(path, FileAccess::Read, FileSharing::SharedRead);
    stamp_ = package_->stamp();
    const std::int64_t end = package_->size();
    // The records are read once, held or walked: a walk then finds each folder's end without
    // reading what lies inside it, and a file whose data lies outside is named before
    // anything is shown.
    const DirectoryPlace place = ReadablePlace(*package_);
    records_ = place.count;
    directoryAt_ = place.offset;
    DirectoryStream stream(*package_, place);
    if (files == SourceFiles::Held)
        files_.reserve(std::size_t(std::max<std::int64_t>(records_, 0)));
    std::vector<std::size_t> open;
    while (stream.next()) {
        const DirEntry& record = stream.record();
        if (record.isFile()) {
            if (DataOutside(record, end))
                throw PackageError("\"" + path + "\": the data of \"" + stream.path() +
                                   "\" lies outside the file");
            if (files == SourceFiles::Held)
                files_.push_back({stream.path(), record.Size, record.Timestamp, record.Offset});
        } else if (record.isFolderEnd()) {
            if (!open.empty()) {
                spans_[open.back()].end = stream.index();
                open.pop_back();
            }
        } else {
            open.push_back(spans_.size());
            spans_.push_back({stream.index(), records_});
        }
    }
}

void FileSource::readFolder(const std::string& path, SourceFiles files) {
    folder_ = path;
    // Walked as a merge of this source alone would walk it, which checks every name and
    // folder on the way: each folder opened below the one that holds it and never through a
    // link, so that a planted link can neither lead out nor loop, and one descriptor open for
    // each folder deep.
    WalkMerged({this}, [&](std::vector<SourcedFile>& found) {
        if (files == SourceFiles::Held) {
            for (SourcedFile& file : found) {
                if (file.file.path.empty())
                    file.file.path = found.front().file.path;
                files_.push_back(std::move(file.file));
            }
        }
    });
}

FileSource::Bytes FileSource::open(const SourceFile& file) const {
    Bytes bytes;
    if (package_) {
        bytes.fd = package_->descriptor();
        bytes.offset = file.offset;
        return bytes;
    }
    bytes.owned = OpenOrdinaryFile(pathOf(file));
    bytes.fd = bytes.owned.get();
    return bytes;
}

std::string SourceFolder::path() const {
    std::vector<const SourceFolder*> chain;
    for (const SourceFolder* folder = this; folder->outer; folder = folder->outer)
        chain.push_back(folder);
    std::string path;
    for (auto folder = chain.rbegin(); folder != chain.rend(); ++folder) {
        path += (*folder)->name;
        path += '/';
    }
    return path;
}

SourceFolder FileSource::top(std::size_t source) const {
    SourceFolder folder;
    folder.source = source;
    folder.end = records_;
    return folder;
}

void FileSource::list(const SourceFolder& folder, FileDescriptor& held,
                      std::vector<SourceEntry>& entries) const {
    if (package_)
        listPackage(folder, entries);
    else
        listFolder(folder, held, entries);
}

void FileSource::listPackage(const SourceFolder& folder, std::vector<SourceEntry>& entries) const {
    constexpr std::int64_t kChunkRecords = 2048;
    for (std::int64_t at = folder.begin; at < folder.end; ++at) {
        const std::int64_t held = std::int64_t(chunk_.size() / kDirEntrySize);
        if (at < chunkFrom_ || at >= chunkFrom_ + held) {
            // No further than the folder's end: what lies past it is read by other listings.
            chunk_.resize(std::size_t(std::min(kChunkRecords, folder.end - at)) * kDirEntrySize);
            const IoResult got = ReadAt(package_->descriptor(), chunk_.data(), chunk_.size(),
                                        directoryAt_ + at * kDirEntrySize);
            if (got.done != chunk_.size()) {
                chunk_.clear();
                throw PackageError("Cannot read the directory of \"" + given_ +
                                   "\": " + (got.error ? Reason(got.error) : "the file ended early"));
            }
            chunkFrom_ = at;
        }
        const DirEntry record = DecodeDirEntry(chunk_.data() + (at - chunkFrom_) * kDirEntrySize);
        if (record.isFolderEnd())
            continue;
        SourceEntry entry;
        entry.name = NameToUtf8(record.nameView());
        if (record.isFile()) {
            entry.file = {std::string(), record.Size, record.Timestamp, record.Offset};
            entries.push_back(std::move(entry));
            continue;
        }
        // The folder's records are its own listing's: the walk goes on after its end.
        const auto span = std::lower_bound(spans_.begin(), spans_.end(), at,
                                           [](const FolderSpan& s, std::int64_t i) { return s.at < i; });
        // Every folder record was met when the source was opened; one that was not means the
        // package was rewritten since by a program that does not ask for its lock.
        if (span == spans_.end() || span->at != at)
            throw PackageError("\"" + given_ + "\" was changed by another program while it was read");
        entry.folder = true;
        entry.begin = at + 1;
        entry.end = span->end;
        at = span->end;
        entries.push_back(std::move(entry));
    }
}

void FileSource::listFolder(const SourceFolder& folder, FileDescriptor& held,
                            std::vector<SourceEntry>& entries) const {
    const std::string inside = folder.path();
    const std::string shown = inside.empty() ? folder_ : folder_ + "/" + inside.substr(0, inside.size() - 1);
    held = FileDescriptor(folder.within < 0 ? ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)
                                            : ::openat(folder.within, folder.name.c_str(),
                                                       O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (held.get() < 0)
        throw PackageError("Cannot read the folder \"" + shown + "\": " + Reason(errno));
    DIR* listing = ::fdopendir(::dup(held.get()));
    if (!listing)
        throw PackageError("Cannot read the folder \"" + shown + "\": " + Reason(errno));
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(listing)) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..")
            names.emplace_back(name);
    }
    ::closedir(listing);
    std::sort(names.begin(), names.end());
    for (std::string& name : names) {
        struct stat info {};
        if (::fstatat(held.get(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
            throw PackageError("Cannot read \"" + folder_ + "/" + inside + name + "\": " + Reason(errno));
        if (!S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode))
            continue;
        // Checked when the source was opened, and again for a name made since.
        if (const std::string problem = NewNameProblem(name); !problem.empty())
            throw PackageError("\"" + folder_ + "\": \"" + folder.path() + name +
                               "\" cannot be a package entry: " + problem);
        SourceEntry entry;
        entry.folder = S_ISDIR(info.st_mode);
        entry.file = {std::string(), info.st_size, TimestampOf(info.st_mtime), 0};
        entry.name = std::move(name);
        entries.push_back(std::move(entry));
    }
}

std::vector<FileSource> OpenSources(const std::vector<std::string>& paths, SourceFiles files) {
    std::vector<std::optional<FileSource>> opened(paths.size());
    std::vector<std::exception_ptr> failed(paths.size());
    WorkerPool pool(4);
    pool.forEach(paths.size(), [&](std::size_t i) {
        try {
            opened[i] = FileSource::Open(paths[i], files);
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
