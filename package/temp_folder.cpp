#include "temp_folder.h"

#include "entry_name.h"
#include "name_text.h"
#include "package_error.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace tessel {

namespace {

constexpr mode_t kPrivateFolderMode = 0700;

[[noreturn]] void Unsafe(const std::string& path, const std::string& why) {
    throw PackageError("The temporary folder \"" + path + "\" cannot be used safely: " + why);
}

} // namespace

std::string GetTempDir() {
    const char* fromEnvironment = std::getenv("TMPDIR");
    std::string dir = fromEnvironment && *fromEnvironment ? fromEnvironment : "/tmp";
    if (dir.back() != '/')
        dir += '/';
    return dir;
}

std::string TempFolderPath() {
    return GetTempDir() + "VPtmp-" + std::to_string(::getuid());
}

std::string PrepareTempFolder() {
    const std::string path = TempFolderPath();
    if (::mkdir(path.c_str(), kPrivateFolderMode) != 0 && errno != EEXIST)
        throw PackageError(CannotMakeFolderMessage(path, SystemReason(errno)));
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0)
        throw PackageError(CannotMakeFolderMessage(path, SystemReason(errno)));
    if (S_ISLNK(info.st_mode))
        Unsafe(path, "it is a symbolic link");
    if (!S_ISDIR(info.st_mode))
        Unsafe(path, "it is not a folder");
    if (info.st_uid != ::getuid())
        Unsafe(path, "it belongs to another user");
    if ((info.st_mode & 077) != 0)
        Unsafe(path, "other users have access to it");
    return path;
}

std::vector<std::string> ListTempPaths(const std::vector<TreeNode*>& nodes) {
    const std::string base = PrepareTempFolder() + "/";
    std::vector<std::string> paths;
    paths.reserve(nodes.size());
    for (const TreeNode* node : nodes) {
        RequireSafeName(node);
        const std::string path = base + NameToUtf8(node->text());
        if (node->isFolder())
            ::mkdir(path.c_str(), kPrivateFolderMode);
        paths.push_back(path);
    }
    return paths;
}

bool DeleteFolder(const std::string& path) {
    std::error_code error;
    std::filesystem::remove_all(path, error);
    return !error;
}

} // namespace tessel
