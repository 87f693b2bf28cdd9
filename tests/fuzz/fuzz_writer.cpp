// Any bytes as a package, then one edit that the first byte chooses: the edit is refused or
// fails with a clear PackageError, or it succeeds; either way the package loads afterwards,
// no journal is left, and a package that check found sound is still sound.
#include "package.h"
#include "package_check.h"
#include "package_error.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// A scratch folder in memory where the machine has one: edits sync, and disks are slow.
const std::string& Scratch() {
    static const std::string folder = [] {
        std::string base = fs::exists("/dev/shm") ? "/dev/shm" : fs::temp_directory_path().string();
        std::string path = base + "/tessel-fuzz-writer-" + std::to_string(::getpid());
        fs::create_directories(path);
        std::FILE* disk = std::fopen((path + "/new.bin").c_str(), "wb");
        std::fputs("NEW BYTES", disk);
        std::fclose(disk);
        return path;
    }();
    return folder;
}

bool Sound(const std::string& path) {
    for (const std::string& problem : tessel::CheckPackage(path)) {
        if (problem.rfind(tessel::kWarning, 0) != 0)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    const std::string path = Scratch() + "/p.vp";
    fs::remove(path + "-journal");
    std::FILE* file = std::fopen(path.c_str(), "wb");
    std::fwrite(data + 1, 1, size - 1, file);
    std::fclose(file);
    tessel::Package package;
    try {
        package.LoadPackage(path);
    } catch (const tessel::PackageError&) {
        return 0;
    }
    const bool soundBefore = Sound(path);
    std::vector<const tessel::TreeNode*> nodes;
    for (const tessel::TreeNode* node = package.tree().root()->next(); node; node = node->next())
        nodes.push_back(node);
    const tessel::TreeNode* node = nodes.empty() ? nullptr : nodes[std::size_t(data[0] / 4) % nodes.size()];
    try {
        switch (data[0] % 4) {
        case 0:
            if (node)
                package.DeleteEntries({node});
            break;
        case 1:
            if (node)
                package.RenameEntry(node, "renamed");
            break;
        case 2:
            package.AddPath(Scratch() + "/new.bin", package.tree().root());
            break;
        default:
            if (node && node->isFile())
                package.ReplaceEntry(node, Scratch() + "/new.bin");
            break;
        }
    } catch (const tessel::PackageError&) {
        // Refused or failed: what follows must hold all the same.
    }
    if (fs::exists(path + "-journal"))
        std::abort();
    tessel::Package again;
    again.LoadPackage(path); // a PackageError here escapes and stops the fuzzer
    if (soundBefore && !Sound(path))
        std::abort();
    return 0;
}
