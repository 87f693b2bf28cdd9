// Paths as the kernel gives them to a mount: "/" for the top folder, "/data/maps/a.txt".
#pragma once

#include <string>

namespace tessel {

// "/data/maps" for "/data/maps/a.txt", "/" for "/a.txt".
inline std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == 0 ? "/" : path.substr(0, slash);
}

inline std::string NameOf(const std::string& path) {
    return path.substr(path.rfind('/') + 1);
}

// "data/maps" for "/data/maps/a.txt": the folder as the engine names it, "" for the top.
inline std::string EngineFolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == 0 ? std::string() : path.substr(1, slash - 1);
}

} // namespace tessel
