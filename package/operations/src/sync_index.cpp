#include "sync_index.h"

#include "file_descriptor.h"
#include "package_error.h"
#include "package_writer.h"
#include "source_folders.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace tessel {

namespace {

constexpr const char* kMagic = "tessel-sync-index 1";
// Files changed this close to the save are not remembered: a change made in the same tick of
// the file system's clock after the sync read them would leave their times as they are.
constexpr std::int64_t kSettleNanoseconds = 2'000'000'000;

std::int64_t Nanoseconds(const timespec& time) {
    return std::int64_t(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

std::string CacheFolder() {
    if (const char* cache = std::getenv("XDG_CACHE_HOME"); cache && cache[0] == '/')
        return std::string(cache) + "/tessel/sync";
    if (const char* home = std::getenv("HOME"); home && home[0] == '/')
        return std::string(home) + "/.cache/tessel/sync";
    return {};
}

// FNV-1a: a name for the index that stays the same from one build to the next.
std::string KeyOf(const std::string& text) {
    std::uint64_t hash = 14695981039346656037ull;
    for (const unsigned char byte : text)
        hash = (hash ^ byte) * 1099511628211ull;
    char name[17];
    std::snprintf(name, sizeof name, "%016llx", static_cast<unsigned long long>(hash));
    return name;
}

std::string StampLine(const FileStamp& stamp) {
    std::ostringstream line;
    line << kMagic << ' ' << stamp.device << ' ' << stamp.inode << ' ' << stamp.size << ' '
         << stamp.modifiedSeconds << ' ' << stamp.modifiedNanoseconds << ' ' << stamp.changedSeconds << ' '
         << stamp.changedNanoseconds;
    return line.str();
}

// The whole index in one read where it can: a sync with nothing to do spends much of its
// time here, and a stream reads it a character at a time.
std::string ReadIndexFile(const std::string& path, std::int64_t& written) {
    const FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat info {};
    if (!fd.valid() || ::fstat(fd.get(), &info) != 0)
        return {};
    written = info.st_mtim.tv_sec;
    std::string bytes(std::size_t(info.st_size), '\0');
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t got = ::read(fd.get(), bytes.data() + done, bytes.size() - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += std::size_t(got);
    }
    bytes.resize(done);
    return bytes;
}

// Indexes of packages and folders no longer synced would pile up for ever: one that no sync
// has written or used for this long goes when another is saved (a later sync of its pair
// just reads every byte once). A sync with nothing to do writes nothing, so one that uses an
// index older than a few weeks marks it used.
constexpr std::int64_t kStaleSeconds = 90 * 24 * 3600;
constexpr std::int64_t kRefreshSeconds = 21 * 24 * 3600;

void RemoveStale(const std::string& folder, const std::string& keep) {
    const FileDescriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd.valid())
        return;
    std::vector<FolderEntry> entries;
    try {
        entries = ListEntries(fd.get());
    } catch (const PackageError&) {
        return;
    }
    const std::int64_t before = std::int64_t(std::time(nullptr)) - kStaleSeconds;
    for (const FolderEntry& entry : entries) {
        struct stat info {};
        if (entry.name != keep && ::fstatat(fd.get(), entry.name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(info.st_mode) && info.st_mtim.tv_sec < before)
            ::unlinkat(fd.get(), entry.name.c_str(), 0);
    }
}

void MakeFolders(const std::string& path) {
    for (std::size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1))
        ::mkdir(path.substr(0, slash).c_str(), 0700);
    ::mkdir(path.c_str(), 0700);
}

} // namespace

std::string SyncIndex::FileFor(const std::string& packagePath, const std::string& diskFolder,
                               const std::string& packageFolder) {
    const std::string folder = CacheFolder();
    if (folder.empty())
        return {};
    return folder + "/" + KeyOf(RealPath(packagePath) + '\0' + RealPath(diskFolder) + '\0' + packageFolder);
}

bool SyncIndex::Kept(const std::string& file) {
    return !file.empty() && ::access(file.c_str(), F_OK) == 0;
}

SyncIndex::SyncIndex(std::string file, const FileStamp& package) : file_(std::move(file)) {
    if (file_.empty())
        return;
    loaded_ = StampLine(package);
    bytes_ = ReadIndexFile(file_, written_);
    if (bytes_.compare(0, loaded_.size() + 1, loaded_ + "\n") != 0)
        return;
    lines_ = cursor_ = bytes_.data() + loaded_.size() + 1;
    count_ = std::size_t(std::count(lines_, std::as_const(bytes_).data() + bytes_.size(), '\n'));
    // A sync meets about the files the last one did: grown a push at a time, the list copies
    // itself over and over, into fresh pages each time.
    pending_.reserve(count_);
}

// A line per file: the record, the disk file, then the path's length and the path.
bool SyncIndex::parseLine(const char* at, Line& line) const {
    const char* const end = bytes_.data() + bytes_.size();
    auto number = [&](auto& value) {
        const auto [next, error] = std::from_chars(at, end, value);
        if (error != std::errc() || next == end || *next != ' ')
            return false;
        at = next + 1;
        return true;
    };
    Known& known = line.known;
    std::size_t length = 0;
    if (!number(known.record.Offset) || !number(known.record.Size) || !number(known.record.Timestamp) ||
        !number(known.file.device) || !number(known.file.inode) || !number(known.file.size) ||
        !number(known.file.modified) || !number(known.file.changed) || !number(length) ||
        std::size_t(end - at) <= length || at[length] != '\n')
        return false;
    line.path = std::string_view(at, length);
    line.next = at + length + 1;
    return true;
}

void SyncIndex::makeMap() const {
    mapped_ = true;
    known_.reserve(count_);
    // What does not parse ends the index there.
    Line line{};
    for (const char* at = lines_; at && parseLine(at, line); at = line.next)
        known_.emplace(line.path, line.known);
}

bool SyncIndex::knownEqual(const std::string& relativePath, const EntryRecord& record,
                           const struct stat& file) const {
    if (count_ == 0)
        return false;
    Line line{};
    const Known* known = nullptr;
    if (!mapped_ && parseLine(cursor_, line) && line.path == relativePath) {
        cursor_ = line.next;
        known = &line.known;
    } else {
        if (!mapped_)
            makeMap();
        const auto found = known_.find(relativePath);
        if (found == known_.end())
            return false;
        known = &found->second;
    }
    return known->record.Offset == record.Offset && known->record.Size == record.Size &&
           known->record.Timestamp == record.Timestamp && known->file == StateOf(file);
}

SyncIndex::FileState SyncIndex::StateOf(const struct stat& file) {
    return {file.st_dev, file.st_ino, file.st_size, Nanoseconds(file.st_mtim), Nanoseconds(file.st_ctim)};
}

void SyncIndex::remember(std::string relativePath, const TreeNode* node, const struct stat& file,
                         bool known) {
    news_ = news_ || !known;
    pending_.push_back({std::move(relativePath), node, StateOf(file)});
}

void SyncIndex::save(const FileStamp& package) const {
    // Nothing learned and nothing moved: the index on disk says it all already.
    if (file_.empty())
        return;
    if (!news_ && pending_.size() == count_ && StampLine(package) == loaded_) {
        if (written_ < std::int64_t(std::time(nullptr)) - kRefreshSeconds)
            ::utimensat(AT_FDCWD, file_.c_str(), nullptr, 0);
        return;
    }
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    const std::int64_t settled = Nanoseconds(now) - kSettleNanoseconds;
    std::ostringstream out;
    out << StampLine(package) << '\n';
    for (const Pending& entry : pending_) {
        const EntryRecord* record = entry.node->record();
        if (!record || entry.file.modified > settled || entry.file.changed > settled)
            continue;
        out << record->Offset << ' ' << record->Size << ' ' << record->Timestamp << ' ' << entry.file.device
            << ' ' << entry.file.inode << ' ' << entry.file.size << ' ' << entry.file.modified << ' '
            << entry.file.changed << ' ' << entry.path.size() << ' ' << entry.path << '\n';
    }
    const std::string bytes = out.str();
    MakeFolders(file_.substr(0, file_.rfind('/')));
    // Written whole under a scratch name and renamed: a reader sees the old index or the new.
    std::string scratch = file_ + ".XXXXXX";
    const FileDescriptor fd(::mkstemp(scratch.data()));
    if (!fd.valid())
        return;
    bool whole = true;
    for (std::size_t done = 0; whole && done < bytes.size();) {
        const ssize_t wrote = ::write(fd.get(), bytes.data() + done, bytes.size() - done);
        whole = wrote > 0 || (wrote < 0 && errno == EINTR);
        done += wrote > 0 ? std::size_t(wrote) : 0;
    }
    if (!whole || ::rename(scratch.c_str(), file_.c_str()) != 0)
        ::unlink(scratch.c_str());
    RemoveStale(file_.substr(0, file_.rfind('/')), file_.substr(file_.rfind('/') + 1));
}

} // namespace tessel
