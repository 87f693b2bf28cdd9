#include "destination.h"

#include "package_error.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace tessel {

namespace {

constexpr mode_t kFolderMode = 0777;
constexpr mode_t kFileMode = 0666;
// Folders of the first levels stay open for their siblings; deeper ones are opened again
// from the deepest open one when needed, so that descriptors stay bounded at any depth.
constexpr std::size_t kLevelsKeptOpen = 32;
constexpr std::size_t kLongestShownPath = 240;

[[noreturn]] void CannotMakeFolder(const std::string& path, int error) {
    throw PackageError(CannotMakeFolderMessage(ShortPath(path), SystemReason(error)));
}

bool IsLink(int parentFd, const std::string& name) {
    struct stat info {};
    return ::fstatat(parentFd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(info.st_mode);
}

FileDescriptor OpenFolderAt(int parentFd, const std::string& name, const std::string& shownPath) {
    if (::mkdirat(parentFd, name.c_str(), kFolderMode) != 0 && errno != EEXIST)
        CannotMakeFolder(shownPath, errno);
    int fd = ::openat(parentFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0 && (errno == ELOOP || errno == ENOTDIR) && IsLink(parentFd, name)) {
        ::unlinkat(parentFd, name.c_str(), 0);
        if (::mkdirat(parentFd, name.c_str(), kFolderMode) != 0 && errno != EEXIST)
            CannotMakeFolder(shownPath, errno);
        fd = ::openat(parentFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    }
    if (fd < 0)
        CannotMakeFolder(shownPath, errno);
    return FileDescriptor(fd);
}

} // namespace

std::string ShortPath(const std::string& path) {
    if (path.size() <= kLongestShownPath)
        return path;
    return path.substr(0, kLongestShownPath / 3) + "..." +
           path.substr(path.size() - kLongestShownPath * 2 / 3);
}

Destination::Destination(std::string path) : path_(std::move(path)), shown_(path_) {
    rootHash_ = std::hash<std::string>()(path_);
    if (path_.empty())
        throw PackageError(kUnableToCreateDirectory);
    std::error_code error;
    std::filesystem::create_directories(path_, error);
    root_.reset(::open(path_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!root_.valid())
        CannotMakeFolder(path_, error ? error.value() : errno);
}

Destination::Destination(const OpenFolder& folder)
    : path_(folder.path), shown_(path_), root_(::dup(folder.fd.get())) {
    rootHash_ = std::hash<std::string>()(path_);
    if (!root_.valid())
        CannotMakeFolder(path_, errno);
}

void Destination::keep(std::size_t depth) {
    if (depth >= levels_.size())
        return;
    shown_.resize(levels_[depth].shownLength);
    levels_.resize(depth);
}

void Destination::enter(const std::string& name) {
    const int parent = fd();
    const std::size_t length = shown_.size();
    shown_ += "/" + name;
    FileDescriptor opened = OpenFolderAt(parent, name, shown_);
    const std::size_t hash = (this->hash() * 1099511628211ULL) ^ std::hash<std::string>()(name);
    levels_.push_back({name, length, std::move(opened), hash});
    // Below the first levels only the innermost folder stays open.
    if (levels_.size() >= kLevelsKeptOpen + 2)
        levels_[levels_.size() - 2].fd.reset();
}

int Destination::fd() {
    if (levels_.empty())
        return root_.get();
    std::size_t open = levels_.size();
    while (open > 0 && !levels_[open - 1].fd.valid())
        --open;
    for (std::size_t i = open; i < levels_.size(); ++i) {
        const int parent = i == 0 ? root_.get() : levels_[i - 1].fd.get();
        levels_[i].fd = OpenFolderAt(parent, levels_[i].name, shown_);
        if (i >= kLevelsKeptOpen + 1)
            levels_[i - 1].fd.reset();
    }
    return levels_.back().fd.get();
}

NewFileAt::NewFileAt(int folderFd, std::string name, std::string_view shownFolder)
    : folderFd_(folderFd), name_(std::move(name)), shownFolder_(shownFolder) {
    fd_.reset(
        ::openat(folderFd_, name_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kFileMode));
    if (fd_.valid()) {
        writing_ = name_;
        return;
    }
    if (errno != EEXIST)
        throw PackageError(CannotCreateMessage(ShortPath(shown()), SystemReason(errno)));
    static std::mt19937_64 random{std::random_device{}()};
    for (int attempt = 0; attempt < 100 && !fd_.valid(); ++attempt) {
        char suffix[20];
        std::snprintf(suffix, sizeof suffix, "%012llx",
                      static_cast<unsigned long long>(random() & 0xffffffffffffULL));
        writing_ = ".tessel-" + std::string(suffix);
        fd_.reset(::openat(folderFd_, writing_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                           kFileMode));
        if (!fd_.valid() && errno != EEXIST)
            break;
    }
    if (!fd_.valid())
        throw PackageError(CannotCreateMessage(ShortPath(shown()), SystemReason(errno)));
}

NewFileAt::~NewFileAt() {
    if (!placed_ && fd_.valid()) {
        fd_.reset();
        ::unlinkat(folderFd_, writing_.c_str(), 0);
    }
}

std::string NewFileAt::shown() const {
    return std::string(shownFolder_) + "/" + name_;
}

void NewFileAt::place() {
    if (replaces() && ::renameat(folderFd_, writing_.c_str(), folderFd_, name_.c_str()) != 0)
        throw PackageError(CannotCreateMessage(ShortPath(shown()), SystemReason(errno)));
    fd_.reset();
    placed_ = true;
}

} // namespace tessel
