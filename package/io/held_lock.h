// A package kept locked for as long as a long-lived holder (a mount of it) wants: the lock is
// the process's own, so that the process's own opens of the file go through it while every
// other program's are refused.
#pragma once

#include "package_file.h"

#include <string>

namespace tessel {

class HeldLock {
public:
    // Opens the file and locks it as the sharing says; raises FileInUse when another
    // program holds it.
    HeldLock(const std::string& path, FileSharing sharing);
    ~HeldLock();
    HeldLock(const HeldLock&) = delete;
    HeldLock& operator=(const HeldLock&) = delete;

    // The file as opened, read-only: reads of the package can go through it.
    int descriptor() const { return file_.descriptor(); }

private:
    PackageFile file_;
    FileStamp stamp_;
    bool exclusive_;
};

// Whether this process holds the file (by its stamp's device and inode) with a lock at least
// as strong as the sharing asks for.
bool HeldHere(const FileStamp& file, FileSharing sharing);

// Where the package at the path is mounted as a folder, as the system's mount table says;
// empty when it is not (or cannot be known).
std::string MountPointOf(const std::string& path);

} // namespace tessel
