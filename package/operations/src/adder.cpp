#include "adder.h"

#include "adding.h"
#include "archives.h"
#include "entry_name.h"
#include "package_error.h"
#include "vp_format.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

namespace tessel {

namespace {

// The name a disk path gets in the package: its last component, that of its resolved path
// when it is "." or ".." (which would read back as a folder's end).
std::string EntryNameOf(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    const std::size_t slash = path.rfind('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name == "." || name == "..") {
        std::error_code error;
        name = std::filesystem::canonical(path, error).filename().string();
    }
    return name;
}

} // namespace

TooLarge::TooLarge(const std::string& diskPath)
    : PackageError("Cannot add \"" + diskPath + "\": " + kTooLargeReason) {}

Adder::FolderNames::FolderNames(const TreeNode* folder) {
    for (TreeNode* child = folder->firstChild(); child; child = child->nextSibling())
        add(child);
}

void Adder::FolderNames::add(TreeNode* child) {
    byName_.emplace(EntryNameKey(child->text()), child);
}

TreeNode* Adder::FolderNames::lookup(const std::string& name, const PackageEdit& edit) const {
    TreeNode* first = nullptr;
    const auto [begin, end] = byName_.equal_range(EntryNameKey(name));
    for (auto at = begin; at != end; ++at) {
        if (!edit.removed(at->second) && (!first || first->serial() > at->second->serial()))
            first = at->second;
    }
    return first;
}

Adder::FolderNames& Adder::namesOf(const TreeNode* folder) {
    auto found = names_.find(folder);
    if (found == names_.end())
        found = names_.emplace(folder, FolderNames(folder)).first;
    return found->second;
}

void Adder::add(const std::string& diskPath, TreeNode* parent) {
    const std::string name = EntryNameOf(diskPath);
    if (const std::string why = NewNameProblem(name); !why.empty())
        return skip(diskPath, why);
    // Special files are never opened (a device may act on an open); what is opened is
    // opened without waiting and judged again by what was opened, since a FIFO put at the
    // path in between would otherwise hold the open forever.
    struct stat before {};
    if (::stat(diskPath.c_str(), &before) == 0 && !S_ISREG(before.st_mode) && !S_ISDIR(before.st_mode))
        return skip(diskPath, kNotAFileOrFolder);
    FileDescriptor fd(::open(diskPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat info {};
    if (!fd.valid() || ::fstat(fd.get(), &info) != 0)
        return skip(diskPath, errno == ENXIO ? kNotAFileOrFolder : SystemReason(errno));
    addOpened(std::move(fd), info, diskPath, name, parent, true);
}

bool Adder::open(int folderFd, const FolderEntry& entry, const std::string& shown, FileDescriptor& fd,
                 struct stat& info) {
    std::string why = NewNameProblem(entry.name);
    if (why.empty())
        why = OpenListed(folderFd, entry, fd, info);
    if (!why.empty())
        skip(shown, why);
    return why.empty();
}

void Adder::addOpened(FileDescriptor fd, const struct stat& info, const std::string& shown,
                      const std::string& name, TreeNode* parent, bool top) {
    if (S_ISDIR(info.st_mode))
        return addFolder(std::move(fd), info, shown, name, parent, top);
    if (!S_ISREG(info.st_mode))
        return skip(shown, kNotAFileOrFolder);
    switch (edit_.ownFile(info.st_dev, info.st_ino)) {
    case PackageEdit::Own::Package:
        return skip(shown, "it is the package itself");
    case PackageEdit::Own::Scratch:
        return;
    case PackageEdit::Own::None:
        break;
    }
    if (choices_.unpackArchives && IsArchivePath(name))
        return addArchive(shown, parent);
    addFile(ByteSource{fd.get()}, info.st_size, info.st_mtim.tv_sec, shown, name, parent);
}

void Adder::addFile(const ByteSource& source, std::int64_t size, std::int64_t modified,
                    const std::string& shown, const std::string& name, TreeNode* parent) {
    TreeNode* existing = namesOf(parent).lookup(name, edit_);
    if (existing && existing->isFolder())
        return skip(shown, "a folder of that name is in the package");
    const NameClash choice =
        existing && observer_.clash ? observer_.clash(shown, existing) : NameClash::KeepBoth;
    if (choice == NameClash::Skip)
        return;
    const bool replacing = choice == NameClash::Replace;
    if (!edit_.fits(size, replacing ? 0 : 1, replacing ? existing->record()->Size : 0))
        throw TooLarge(shown);
    const std::int32_t timestamp = choices_.keepTimes ? TimestampOf(modified) : LocalTimestampNow();
    TreeNode* node = existing;
    if (replacing) {
        if (!edit_.replace(existing, source, size, timestamp))
            return skip(shown, "it could not be read");
    } else {
        // Kept beside an entry of its name, it takes a name that is free in the folder.
        std::string stored = name;
        for (int number = 2; existing && namesOf(parent).lookup(stored, edit_); ++number)
            stored = NumberedName(name, number);
        node = edit_.addFile(parent, stored, source, size, timestamp);
        if (!node)
            return skip(shown, "it could not be read");
        namesOf(parent).add(node);
    }
    bytes_ += size;
    report(node, replacing);
}

void Adder::addFolder(FileDescriptor fd, const struct stat& info, const std::string& shown,
                      const std::string& name, TreeNode* parent, bool top) {
    const FileId id{info.st_dev, info.st_ino};
    TreeNode* existing = namesOf(parent).lookup(name, edit_);
    if (existing && existing->isFile())
        return skip(shown, "a file of that name is in the package");
    if (!entered_.insert(id).second)
        return skip(shown, "it was reached again through a link");
    std::vector<FolderEntry> entries;
    try {
        entries = ListEntries(fd.get());
    } catch (const PackageError& error) {
        // A folder that cannot be listed is not added empty: it would look whole.
        return skip(shown, std::string("it cannot be listed: ") + error.what());
    }
    TreeNode* node = existing;
    if (!node) {
        if (!edit_.fits(0, 2))
            throw TooLarge(shown);
        node = edit_.addFolder(parent, name);
        namesOf(parent).add(node);
        report(node, false);
    }
    if (top)
        folders_.pushTop(std::move(fd), id);
    else
        folders_.push(std::move(fd), name, id);
    for (const FolderEntry& entry : entries) {
        const std::string path = shown + "/" + entry.name;
        int folderFd = -1;
        try {
            folderFd = folders_.innermost();
        } catch (const PackageError& error) {
            skip(path, error.what());
            continue;
        }
        FileDescriptor child;
        struct stat childInfo {};
        if (open(folderFd, entry, path, child, childInfo))
            addOpened(std::move(child), childInfo, path, entry.name, node, false);
    }
    folders_.pop();
}

void Adder::skip(const std::string& diskPath, const std::string& why) {
    if (observer_.skipped)
        observer_.skipped(diskPath, why);
}

void Adder::report(const TreeNode* node, bool replaced) {
    if (observer_.progress)
        observer_.progress({kAddingCaption, node, total_, index_, bytes_, replaced});
}

} // namespace tessel
