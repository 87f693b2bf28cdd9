// Loading any bytes must give a tree or a clear PackageError: never a crash, a hang, an
// unbounded allocation or another kind of exception. What a mount of it would show must
// find every item it shows by its path.
#include "entry_path.h"
#include "mount_index.h"
#include "package.h"
#include "package_check.h"
#include "package_error.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <utility>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const int fd = memfd_create("package", MFD_CLOEXEC);
    if (fd < 0)
        std::abort();
    if (size > 0 && write(fd, data, size) != static_cast<ssize_t>(size))
        std::abort();
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    tessel::Package package;
    const tessel::FolderTree& tree = package.tree();
    try {
        package.LoadPackage(path);
        std::size_t walked = 0;
        for (const tessel::TreeNode* node = tree.root(); node; node = node->next()) {
            (void)tessel::EntryPath(node);
            (void)tessel::GetFolderPath(node, 1);
            ++walked;
        }
        if (walked != tree.count())
            std::abort();
        std::vector<std::string> leftOut;
        const tessel::MountIndex shown(package, &leftOut);
        std::vector<std::pair<std::string, std::uint32_t>> folders{{"", 0}};
        while (!folders.empty()) {
            const auto [path, number] = folders.back();
            folders.pop_back();
            for (const std::uint32_t child : shown.item(number).children) {
                const std::string childPath = path + "/" + shown.item(child).name;
                if (shown.find(childPath) != &shown.item(child))
                    std::abort();
                if (shown.item(child).folder)
                    folders.push_back({childPath, child});
            }
        }
    } catch (const tessel::PackageError&) {
        if (!tree.empty())
            std::abort(); // a refused load must leave the tree as it was
    }
    try {
        (void)tessel::CheckPackage(path);
    } catch (const tessel::PackageError&) {
    }
    close(fd);
    return 0;
}
