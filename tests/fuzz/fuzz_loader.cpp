// Loading any bytes must give a tree or a clear PackageError: never a crash, a hang, an
// unbounded allocation or another kind of exception. What a mount of it would show must
// find every item it shows by its path. The merged tree walked a folder at a time must be
// the one built from every path held.
#include "entry_path.h"
#include "file_source.h"
#include "mount_index.h"
#include "package.h"
#include "package_check.h"
#include "package_error.h"
#include "source_comparison.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

// Whether a record's name holds a "/": shown as it is, such a name reads as a path of
// folders, and the two ways of merging may place it apart.
bool HoldsSlashedName(const std::uint8_t* data, std::size_t size) {
    if (size < 16)
        return false;
    const auto at = [&](std::size_t i) {
        return std::uint32_t(data[i]) | std::uint32_t(data[i + 1]) << 8 | std::uint32_t(data[i + 2]) << 16 |
               std::uint32_t(data[i + 3]) << 24;
    };
    for (std::size_t record = at(8), n = 0; n < at(12) && record + 44 <= size; ++n, record += 44) {
        for (std::size_t i = record + 8; i < record + 40 && data[i] != 0; ++i) {
            if (data[i] == '/')
                return true;
        }
    }
    return false;
}

} // namespace

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
        const std::vector<tessel::FileSource> held = tessel::OpenSources({path, path});
        std::vector<std::string> expected, found;
        for (const tessel::MergedPath& merged : tessel::MergeSources(held, true))
            expected.push_back(merged.winner().file->path + std::to_string(merged.layers.size()));
        const std::vector<tessel::FileSource> walked =
            tessel::OpenSources({path, path}, tessel::SourceFiles::Walked);
        tessel::StreamMerged(walked, true, [&](const std::vector<tessel::MergedPath>& batch) {
            for (const tessel::MergedPath& merged : batch)
                found.push_back(merged.winner().file->path + std::to_string(merged.layers.size()));
        });
        if (found != expected && !HoldsSlashedName(data, size))
            std::abort();
    } catch (const tessel::PackageError&) {
    }
    try {
        (void)tessel::CheckPackage(path);
    } catch (const tessel::PackageError&) {
    }
    close(fd);
    return 0;
}
