#include "held_lock.h"

#include "package_error.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <sstream>
#include <vector>

namespace tessel {

namespace {

struct Hold {
    dev_t device;
    ino_t inode;
    bool exclusive;
};

std::mutex holdsMutex;
std::vector<Hold>& Holds() {
    static std::vector<Hold> holds;
    return holds;
}

// A field of the mount table, with the octal escapes ("\040" for a space) undone.
std::string Unescaped(const std::string& field) {
    std::string text;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const std::string digits = field.substr(i + 1, 3);
            if (digits.find_first_not_of("01234567") == std::string::npos) {
                text += static_cast<char>(std::strtol(digits.c_str(), nullptr, 8));
                i += 3;
                continue;
            }
        }
        text += field[i];
    }
    return text;
}

} // namespace

HeldLock::HeldLock(const std::string& path, FileSharing sharing)
    : file_(PackageFile::Open(path, FileAccess::Read, sharing)), stamp_(file_.stamp()),
      exclusive_(sharing == FileSharing::Exclusive) {
    const std::lock_guard lock(holdsMutex);
    Holds().push_back({stamp_.device, stamp_.inode, exclusive_});
}

HeldLock::~HeldLock() {
    const std::lock_guard lock(holdsMutex);
    auto& holds = Holds();
    const auto found = std::find_if(holds.begin(), holds.end(), [&](const Hold& hold) {
        return hold.device == stamp_.device && hold.inode == stamp_.inode && hold.exclusive == exclusive_;
    });
    if (found != holds.end())
        holds.erase(found);
}

bool HeldHere(const FileStamp& file, FileSharing sharing) {
    const std::lock_guard lock(holdsMutex);
    return std::any_of(Holds().begin(), Holds().end(), [&](const Hold& hold) {
        return hold.device == file.device && hold.inode == file.inode &&
               (hold.exclusive || sharing != FileSharing::Exclusive);
    });
}

std::string MountPointOf(const std::string& path) {
    const std::string real = RealPath(path);
    std::ifstream table("/proc/self/mounts");
    std::string line;
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string source, point, type;
        if (fields >> source >> point >> type && type == "fuse.tessel-vp" && Unescaped(source) == real)
            return Unescaped(point);
    }
    return {};
}

} // namespace tessel
