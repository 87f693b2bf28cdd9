// Archives through libarchive. Reading keeps only what a package can hold safely: regular
// files and folders under relative names, each part a name the package can store; links,
// devices, absolute paths and ".." are passed over with the reason. Writing streams each
// entry, so memory stays bounded whatever the sizes.
#include "archives.h"

#include "adder.h"
#include "adding.h"
#include "archive_library.h"
#include "entry_name.h"
#include "entry_path.h"
#include "file_descriptor.h"
#include "package_error.h"
#include "package_writer.h"
#include "positioned_io.h"

#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tessel {

namespace {

bool EndsWith(const std::string& text, const char* end) {
    const std::string tail(end);
    if (text.size() < tail.size())
        return false;
    for (std::size_t i = 0; i < tail.size(); ++i) {
        if (FoldCase(text[text.size() - tail.size() + i]) != FoldCase(tail[i]))
            return false;
    }
    return true;
}

constexpr const char* kNamesNothing = "its path names nothing";

using ArchivePtr = std::unique_ptr<archive, int (*)(archive*)>;

std::string ArchiveReason(archive* handle) {
    const char* text = Archives().archive_error_string(handle);
    return text ? text : "it cannot be read";
}

// The parts of an archive entry's path; empty, with the reason, when it cannot be stored.
std::vector<std::string> SafeParts(const std::string& path, std::string& why) {
    if (!path.empty() && path.front() == '/') {
        why = "its path is absolute";
        return {};
    }
    std::vector<std::string> parts;
    for (std::size_t start = 0; start <= path.size();) {
        const std::size_t slash = path.find('/', start);
        const std::string part =
            path.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        start = slash == std::string::npos ? path.size() + 1 : slash + 1;
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            why = "its path holds \"..\"";
            return {};
        }
        if (const std::string problem = NewNameProblem(part); !problem.empty()) {
            why = problem;
            return {};
        }
        parts.push_back(part);
    }
    if (parts.empty())
        why = kNamesNothing;
    return parts;
}

} // namespace

bool IsArchivePath(const std::string& path) {
    for (const char* end :
         {".zip", ".7z", ".tar", ".tar.gz", ".tgz", ".tar.xz", ".txz", ".tar.zst", ".tar.bz2"}) {
        if (EndsWith(path, end))
            return true;
    }
    return false;
}

TreeNode* Adder::folderNamed(TreeNode* parent, const std::string& name, const std::string& shown) {
    if (TreeNode* existing = namesOf(parent).lookup(name, edit_)) {
        if (existing->isFolder())
            return existing;
        skip(shown, "a file of that name is in the package");
        return nullptr;
    }
    if (!edit_.fits(0, 2))
        throw TooLarge(shown);
    TreeNode* node = edit_.addFolder(parent, name);
    namesOf(parent).add(node);
    report(node, false);
    return node;
}

TreeNode* Adder::folderAt(TreeNode* parent, const std::string& path) {
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find('/', start), path.size());
        const std::string name = path.substr(start, end - start);
        start = end + 1;
        if (name.empty())
            continue;
        RequireNewName(name);
        TreeNode* existing = namesOf(parent).lookup(name, edit_);
        if (existing && !existing->isFolder())
            throw PackageError("\"" + EntryPath(existing) + "\" is a file, not a folder");
        parent = folderNamed(parent, name, path);
    }
    return parent;
}

void Adder::addArchive(const std::string& archivePath, TreeNode* parent) {
    const ArchivePtr reader(Archives().archive_read_new(), Archives().archive_read_free);
    Archives().archive_read_support_filter_all(reader.get());
    Archives().archive_read_support_format_all(reader.get());
    if (Archives().archive_read_open_filename(reader.get(), archivePath.c_str(), 1 << 16) != ARCHIVE_OK)
        return skip(archivePath, "it cannot be read as an archive: " + ArchiveReason(reader.get()));
    archive_entry* entry = nullptr;
    for (;;) {
        const int status = Archives().archive_read_next_header(reader.get(), &entry);
        if (status == ARCHIVE_EOF)
            break;
        if (status < ARCHIVE_WARN)
            throw PackageError("Cannot read \"" + archivePath + "\": " + ArchiveReason(reader.get()));
        const char* rawPath = Archives().archive_entry_pathname_utf8(entry);
        if (!rawPath)
            rawPath = Archives().archive_entry_pathname(entry);
        const std::string path = rawPath ? rawPath : "";
        const std::string shown = archivePath + ": " + path;
        const mode_t type = Archives().archive_entry_filetype(entry);
        if (Archives().archive_entry_hardlink(entry) || Archives().archive_entry_symlink(entry) ||
            type == AE_IFLNK) {
            skip(shown, "it is a link");
            continue;
        }
        if (type != AE_IFREG && type != AE_IFDIR) {
            skip(shown, kNotAFileOrFolder);
            continue;
        }
        std::string why;
        const std::vector<std::string> parts = SafeParts(path, why);
        if (parts.empty()) {
            // The archive's own top ("./") is no entry to pass over.
            if (type != AE_IFDIR || why != kNamesNothing)
                skip(shown, why);
            continue;
        }
        TreeNode* folder = parent;
        const std::size_t folders = type == AE_IFDIR ? parts.size() : parts.size() - 1;
        for (std::size_t i = 0; i < folders && folder; ++i)
            folder = folderNamed(folder, parts[i], shown);
        if (!folder || type == AE_IFDIR)
            continue;
        if (!Archives().archive_entry_size_is_set(entry)) {
            skip(shown, "the archive does not say its size");
            continue;
        }
        const std::int64_t size = Archives().archive_entry_size(entry);
        std::int64_t left = size;
        const ByteSource source{
            -1, [&](char* buffer, std::size_t want) -> std::size_t {
                const la_ssize_t got = Archives().archive_read_data(reader.get(), buffer, want);
                if (got < 0)
                    throw PackageError("Cannot read \"" + shown + "\": " + ArchiveReason(reader.get()));
                left -= got;
                return static_cast<std::size_t>(got);
            }};
        addFile(source, size, Archives().archive_entry_mtime(entry), shown, parts.back(), folder);
        // An entry that holds more than it says is no file to trust.
        char probe = 0;
        if (left == 0 && Archives().archive_read_data(reader.get(), &probe, 1) > 0)
            throw PackageError("Cannot read \"" + shown + "\": it holds more bytes than the archive says");
    }
}

} // namespace tessel

namespace tessel {

namespace {

// Sets the archive's format and filters by the target's name.
void ChooseFormat(archive* writer, const std::string& target) {
    int status = ARCHIVE_OK;
    if (EndsWith(target, ".zip")) {
        status = Archives().archive_write_set_format_zip(writer);
    } else if (EndsWith(target, ".7z")) {
        status = Archives().archive_write_set_format_7zip(writer);
    } else {
        status = Archives().archive_write_set_format_pax_restricted(writer);
        if (status == ARCHIVE_OK && (EndsWith(target, ".tar.gz") || EndsWith(target, ".tgz")))
            status = Archives().archive_write_add_filter_gzip(writer);
        else if (status == ARCHIVE_OK && (EndsWith(target, ".tar.xz") || EndsWith(target, ".txz")))
            status = Archives().archive_write_add_filter_xz(writer);
        else if (status == ARCHIVE_OK && EndsWith(target, ".tar.zst"))
            status = Archives().archive_write_add_filter_zstd(writer);
        else if (status == ARCHIVE_OK && EndsWith(target, ".tar.bz2"))
            status = Archives().archive_write_add_filter_bzip2(writer);
        else if (status == ARCHIVE_OK && !EndsWith(target, ".tar"))
            throw PackageError("\"" + target +
                               "\" does not name an archive Tessel writes (.zip, .7z, .tar, .tar.gz, "
                               ".tar.xz, .tar.zst)");
    }
    if (status != ARCHIVE_OK)
        throw PackageError("Cannot write \"" + target + "\": " + ArchiveReason(writer));
}

} // namespace

void Package::WriteArchive(const std::string& target, const ProgressObserver& observer) const {
    struct stat existing {};
    if (::lstat(target.c_str(), &existing) == 0)
        throw PackageError("\"" + target + "\" already exists; it was left as it is");
    const std::string scratch = target + ".tessel-new";
    const ArchivePtr writer(Archives().archive_write_new(), Archives().archive_write_free);
    ChooseFormat(writer.get(), target);
    const PackageFile package = PackageFile::Open(RealPath(path_), FileAccess::Read, FileSharing::SharedRead);
    if (stamp_.valid() && package.stamp() != stamp_)
        throw PackageChangedError("\"" + FullPath(path_) + "\" has changed on disk; open it again");
    if (Archives().archive_write_open_filename(writer.get(), scratch.c_str()) != ARCHIVE_OK)
        throw PackageError("Cannot write \"" + target + "\": " + ArchiveReason(writer.get()));
    bool placed = false;
    try {
        const std::unique_ptr<archive_entry, void (*)(archive_entry*)> entry(Archives().archive_entry_new(),
                                                                             Archives().archive_entry_free);
        std::vector<char> buffer(static_cast<std::size_t>(kCopyBufferSize));
        std::int32_t index = 0;
        std::int64_t bytes = 0;
        const auto total = static_cast<std::int32_t>(tree_.count());
        const time_t made = ::time(nullptr);
        WalkWithPaths(tree_.root(), [&](const TreeNode* node, const FolderPath& folders) {
            RequireSafeName(node);
            Archives().archive_entry_clear(entry.get());
            const std::string path = folders.entry(node->text(), false);
            Archives().archive_entry_set_pathname_utf8(entry.get(), path.c_str());
            const EntryRecord* record = node->record();
            Archives().archive_entry_set_filetype(entry.get(), record ? AE_IFREG : AE_IFDIR);
            Archives().archive_entry_set_perm(entry.get(), record ? 0644 : 0755);
            // A folder has no time of its own in a package: it is made now.
            Archives().archive_entry_set_mtime(entry.get(), made, 0);
            if (record) {
                Archives().archive_entry_set_size(entry.get(), record->Size);
                if (record->Timestamp > 0)
                    Archives().archive_entry_set_mtime(
                        entry.get(), static_cast<time_t>(UtcSecondsOf(record->Timestamp)), 0);
            }
            if (Archives().archive_write_header(writer.get(), entry.get()) < ARCHIVE_WARN)
                throw PackageError("Cannot write \"" + target + "\": " + ArchiveReason(writer.get()));
            for (std::int64_t done = 0; record && done < record->Size;) {
                const auto want =
                    static_cast<std::size_t>(std::min<std::int64_t>(record->Size - done, kCopyBufferSize));
                const IoResult got = ReadAt(package.descriptor(), buffer.data(), want, record->Offset + done);
                if (record->Offset < 0 || got.done != want)
                    throw PackageError("Cannot read \"" + EntryPath(node) + "\" from \"" + FullPath(path_) +
                                       "\": its data lies outside the file");
                if (Archives().archive_write_data(writer.get(), buffer.data(), want) < 0)
                    throw PackageError("Cannot write \"" + target + "\": " + ArchiveReason(writer.get()));
                done += static_cast<std::int64_t>(want);
            }
            bytes += record ? record->Size : 0;
            if (observer.progress)
                observer.progress({kExtractingCaption, node, total, index++, bytes});
        });
        if (Archives().archive_write_close(writer.get()) != ARCHIVE_OK)
            throw PackageError("Cannot write \"" + target + "\": " + ArchiveReason(writer.get()));
        const FileDescriptor written(::open(scratch.c_str(), O_RDONLY | O_CLOEXEC));
        if (!written.valid() || ::fdatasync(written.get()) != 0)
            throw PackageError(CannotWriteMessage(scratch, errno));
        RenameDurably(scratch, target);
        placed = true;
    } catch (...) {
        if (!placed)
            ::unlink(scratch.c_str());
        throw;
    }
}

} // namespace tessel
