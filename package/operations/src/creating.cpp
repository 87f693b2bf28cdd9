// Making a new package: written once under a scratch name beside its own, with no journal
// (the file is not the package until its final rename, which is the commit).
#include "package.h"

#include "adder.h"
#include "file_descriptor.h"
#include "package_edit.h"
#include "package_error.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tessel {

namespace {

constexpr const char* kScratchMark = ".tessel-new-";

struct Place {
    std::string folder; // "" or ending with "/"
    std::string name;
};

Place PlaceOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return {"", path};
    return {path.substr(0, slash + 1), path.substr(slash + 1)};
}

// Scratch files of creates of this name that died: no live process holds their lock.
// Their journals, left by older versions, go with them.
void RemoveDeadScratchFiles(const Place& place) {
    const std::string folderPath = place.folder.empty() ? "." : place.folder;
    const FileDescriptor folder(::open(folderPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.valid())
        return;
    const std::string prefix = "." + place.name + kScratchMark;
    std::vector<std::string> dead;
    {
        const int listing = ::dup(folder.get());
        const std::unique_ptr<DIR, int (*)(DIR*)> entries(listing >= 0 ? ::fdopendir(listing) : nullptr,
                                                          &::closedir);
        if (!entries)
            return;
        while (const dirent* entry = ::readdir(entries.get())) {
            const std::string name = entry->d_name;
            if (name.compare(0, prefix.size(), prefix) == 0)
                dead.push_back(name);
        }
    }
    for (const std::string& name : dead) {
        const bool journal = name.size() > 8 && name.compare(name.size() - 8, 8, "-journal") == 0;
        const FileDescriptor scratch(
            ::openat(folder.get(), name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        struct stat info {};
        if (!scratch.valid() || ::fstat(scratch.get(), &info) != 0 || !S_ISREG(info.st_mode))
            continue;
        if (!journal && ::flock(scratch.get(), LOCK_EX | LOCK_NB) != 0)
            continue; // a create under way
        if (journal) {
            const std::string base = name.substr(0, name.size() - 8);
            struct stat there {};
            if (::fstatat(folder.get(), base.c_str(), &there, AT_SYMLINK_NOFOLLOW) == 0)
                continue; // its scratch file decides, when its turn comes
        }
        ::unlinkat(folder.get(), name.c_str(), 0);
    }
}

// The scratch file of this create, locked for as long as the create lives, removed unless
// it took the package's name.
class ScratchFile {
public:
    explicit ScratchFile(const Place& place)
        : path_(place.folder + "." + place.name + kScratchMark + "XXXXXX") {
        fd_.reset(::mkstemp(path_.data()));
        if (!fd_.valid())
            throw PackageError(CannotCreateMessage(place.folder + place.name, SystemReason(errno)));
        ::flock(fd_.get(), LOCK_EX | LOCK_NB);
        // mkstemp makes the file private; a package gets the usual permissions.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd_.get(), 0666 & ~mask);
    }
    ~ScratchFile() {
        if (!placed_)
            ::unlink(path_.c_str());
    }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    const std::string& path() const { return path_; }
    // A descriptor of the file for writing; the lock stays with this one.
    PackageFile open() const {
        FileDescriptor fd(::dup(fd_.get()));
        if (!fd.valid())
            throw PackageError(CannotCreateMessage(path_, SystemReason(errno)));
        return PackageFile::Adopt(std::move(fd), path_);
    }
    void placed() { placed_ = true; }

private:
    std::string path_;
    FileDescriptor fd_;
    bool placed_ = false;
};

} // namespace

void Package::Create(const std::string& path, const std::vector<std::string>& diskPaths,
                     const ProgressObserver& observer, const RunChoices& times) {
    struct stat existing {};
    if (::lstat(path.c_str(), &existing) == 0)
        throw PackageError("\"" + path + "\" already exists; it was left as it is");
    const Place place = PlaceOf(path);
    RemoveDeadScratchFiles(place);
    ScratchFile scratch(place);
    {
        Package package;
        package.path_ = scratch.path();
        package.tree_.addRoot();
        PackageEdit edit(package, scratch.open());
        Adder adder(edit, observer, times);
        const auto total = static_cast<std::int32_t>(diskPaths.size());
        for (std::int32_t i = 0; i < total; ++i) {
            adder.setPath(i, total);
            adder.add(diskPaths[std::size_t(i)], edit.root());
        }
        // A package without entries is its header alone.
        edit.touch();
        edit.commit();
    }
    try {
        RenameDurably(scratch.path(), path);
    } catch (const FolderNotSynced& error) {
        scratch.placed();
        throw PackageError("\"" + FullPath(path) +
                           "\" was created; the folder could not be synced, so a power "
                           "cut now could undo it (" +
                           std::string(error.what()) + ")");
    }
    scratch.placed();
}

} // namespace tessel
