// Adding files and folder trees from disk: one edit per run, whatever its size.
#include "adding.h"

#include "adder.h"
#include "package.h"
#include "package_edit.h"

#include <ctime>
#include <dirent.h>
#include <memory>
#include <set>
#include <sys/stat.h>

namespace tessel {

namespace {

constexpr const char* kAdded = "The files were added";

void Tally(const std::string& path, DiskTally& tally, std::set<FileId>& seen) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return;
    if (S_ISREG(info.st_mode)) {
        ++tally.items;
        tally.bytes += info.st_size;
    } else if (S_ISDIR(info.st_mode) && seen.insert({info.st_dev, info.st_ino}).second) {
        ++tally.items;
        for (const std::string& entry : ListFolderEntries(path))
            Tally(entry, tally, seen);
    }
}

} // namespace

std::int32_t TimestampOf(std::int64_t utcSeconds) {
    const std::time_t moment = utcSeconds;
    std::tm local{};
    localtime_r(&moment, &local);
    return static_cast<std::int32_t>(utcSeconds + local.tm_gmtoff);
}

std::int64_t UtcSecondsOf(std::int32_t timestamp) {
    // The stored seconds are the wall clock's fields: read them as such, then as local time.
    const std::time_t wall = timestamp;
    std::tm fields{};
    gmtime_r(&wall, &fields);
    fields.tm_isdst = -1;
    return static_cast<std::int64_t>(std::mktime(&fields));
}

std::int32_t LocalTimestampNow() {
    return TimestampOf(static_cast<std::int64_t>(std::time(nullptr)));
}

std::vector<std::string> ListFolderEntries(const std::string& folderPath) {
    std::vector<std::string> entries;
    const std::string base = folderPath.empty() || folderPath.back() != '/' ? folderPath + "/" : folderPath;
    const std::unique_ptr<DIR, int (*)(DIR*)> folder(::opendir(folderPath.c_str()), &::closedir);
    if (!folder)
        return entries;
    while (const dirent* entry = ::readdir(folder.get())) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
            entries.push_back(base + name);
    }
    return entries;
}

DiskTally TallyDiskPaths(const std::vector<std::string>& paths) {
    DiskTally tally;
    std::set<FileId> seen;
    for (const std::string& path : paths)
        Tally(path, tally, seen);
    return tally;
}

void Package::AddPaths(const std::vector<std::string>& diskPaths, const TreeNode* parent,
                       const ProgressObserver& observer, const RunChoices& times, const std::string& into) {
    PackageEdit edit(*this);
    edit.onMoved(observer.moved);
    Adder adder(edit, observer, times);
    const auto total = static_cast<std::int32_t>(diskPaths.size());
    try {
        if (!into.empty())
            parent = adder.folderAt(Own(parent), into);
        for (std::int32_t i = 0; i < total; ++i) {
            adder.setPath(i, total);
            adder.add(diskPaths[std::size_t(i)], Own(parent));
        }
    } catch (const RunCancelled&) {
        // What was added before the stop is kept: the run ends as a commit of it.
        edit.commit(kAdded);
        throw;
    } catch (const TooLarge&) {
        edit.commit(kAdded);
        throw;
    }
    edit.commit(kAdded);
}

void Package::AddPath(const std::string& diskPath, const TreeNode* parent, const ProgressObserver& observer) {
    AddPaths({diskPath}, parent, observer, {});
}

} // namespace tessel
