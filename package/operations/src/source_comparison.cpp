#include "source_comparison.h"

#include "entry_name.h"
#include "package_error.h"
#include "path_places.h"
#include "positioned_io.h"
#include "worker_pool.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <exception>
#include <mutex>
#include <optional>
#include <unordered_map>

namespace tessel {

namespace {

using ByKey = std::unordered_map<std::string_view, std::vector<const SourceFile*>, FoldedHash, FoldedEqual>;

ByKey FilesByKey(const FileSource& source) {
    ByKey files;
    files.reserve(source.files().size());
    for (const SourceFile& file : source.files())
        files[file.path].push_back(&file);
    return files;
}

// Two files of one path, or one of them on the side that has it.
struct Pair {
    EntryChange::Kind kind;
    const SourceFile* before;
    const SourceFile* after;
};

std::optional<EntryRecord> RecordOf(const SourceFile* file) {
    if (!file)
        return std::nullopt;
    EntryRecord record;
    record.Size = static_cast<std::int32_t>(std::min<std::int64_t>(file->size, INT32_MAX));
    record.Timestamp = static_cast<std::int32_t>(file->time);
    return record;
}

// Copies of a path larger than this are compared a chunk at a time instead.
constexpr std::int64_t kHeldWinner = 1 << 20;

// Reads the file's bytes into the buffer, which keeps its room from call to call: a merged
// tree compares hundreds of thousands of small files.
void ReadWhole(const FileSource& source, const SourceFile& file, std::string& bytes) {
    bytes.resize(std::size_t(file.size));
    const FileSource::Bytes at = source.open(file);
    const IoResult got = ReadAt(at.fd, bytes.data(), bytes.size(), at.offset);
    if (got.done != bytes.size())
        throw PackageError(
            "Cannot read \"" + file.path + "\" of \"" + source.given() + "\"" +
            (got.error ? std::string(": ") + std::strerror(got.error) : ": the file ended early"));
}

// The bytes of a batch's files, read a run of neighbours at a time: the paths of a batch are
// neighbours by name, and a package keeps a folder's files together, so one read of a run
// stands for dozens of reads of small files.
class BatchWindows {
public:
    void fill(const std::vector<FileSource>& sources, const std::vector<MergedPath>& paths, std::size_t begin,
              std::size_t end) {
        windows_.resize(sources.size());
        for (Window& window : windows_) {
            window.wanted.clear();
            window.runs.clear();
        }
        const auto note = [&](const Layer& layer) {
            if (sources[layer.source].isPackage())
                windows_[layer.source].wanted.push_back(layer.file);
        };
        for (std::size_t p = begin; p < end; ++p) {
            const std::vector<Layer>& layers = paths[p].layers;
            const std::int64_t size = layers[0].file->size;
            if (size == 0 || size > kHeldWinner)
                continue;
            bool compared = false;
            for (std::size_t i = 1; i < layers.size(); ++i) {
                if (layers[i].file->size == size) {
                    note(layers[i]);
                    compared = true;
                }
            }
            if (compared)
                note(layers[0]);
        }
        std::int64_t room = kMostRead;
        for (std::size_t source = 0; source < windows_.size() && room > 0; ++source)
            room -= windows_[source].read(sources[source], room);
    }

    // The file's bytes when a run read holds them; null otherwise.
    const char* bytes(std::size_t source, const SourceFile& file) const {
        const std::vector<Run>& runs = windows_[source].runs;
        auto run = std::upper_bound(runs.begin(), runs.end(), file.offset,
                                    [](std::int64_t offset, const Run& r) { return offset < r.low; });
        if (run == runs.begin())
            return nullptr;
        --run;
        if (file.offset + file.size > run->high)
            return nullptr;
        return windows_[source].bytes.data() + run->at + (file.offset - run->low);
    }

private:
    // Files closer than this are read as one run, the bytes between them with them.
    static constexpr std::int64_t kGap = 4096;
    static constexpr std::int64_t kLongestRun = 1 << 20;
    // What one batch reads ahead in all, for each thread comparing.
    static constexpr std::int64_t kMostRead = 4 << 20;

    struct Run {
        std::int64_t low, high;
        std::size_t at; // where its bytes start in the window's
    };
    struct Window {
        std::vector<const SourceFile*> wanted;
        std::vector<Run> runs;
        std::string bytes;

        // Reads the runs of more than one file, within the room; returns the bytes read.
        std::int64_t read(const FileSource& source, std::int64_t room) {
            std::sort(wanted.begin(), wanted.end(),
                      [](const SourceFile* a, const SourceFile* b) { return a->offset < b->offset; });
            std::vector<Run> found;
            std::size_t files = 0;
            std::int64_t total = 0;
            const auto close = [&] {
                if (files > 1 && total + (found.back().high - found.back().low) <= room)
                    total += found.back().high - found.back().low;
                else if (!found.empty())
                    found.pop_back();
            };
            for (const SourceFile* file : wanted) {
                const std::int64_t high = file->offset + file->size;
                if (!found.empty() && file->offset <= found.back().high + kGap &&
                    std::max(high, found.back().high) - found.back().low <= kLongestRun) {
                    found.back().high = std::max(high, found.back().high);
                    ++files;
                    continue;
                }
                close();
                found.push_back({file->offset, high, 0});
                files = 1;
            }
            close();
            bytes.resize(std::size_t(total));
            std::size_t at = 0;
            const int fd = found.empty() ? -1 : source.open(*wanted.front()).fd;
            for (Run& run : found) {
                const std::size_t length = std::size_t(run.high - run.low);
                // A run cut short is left to the reads of its files, which say why.
                if (ReadAt(fd, bytes.data() + at, length, run.low).done != length)
                    continue;
                run.at = at;
                runs.push_back(run);
                at += length;
            }
            return std::int64_t(at);
        }
    };
    std::vector<Window> windows_;
};

// Whether each copy of the path holds the winner's bytes, the answers written from `same` on.
void ComparePath(const std::vector<FileSource>& sources, const std::vector<Layer>& layers,
                 const BatchWindows& windows, char* same) {
    const FileSource& winner = sources[layers[0].source];
    const SourceFile& won = *layers[0].file;
    if (won.size > kHeldWinner) {
        for (std::size_t i = 1; i < layers.size(); ++i)
            same[i - 1] = SameBytes(winner, won, sources[layers[i].source], *layers[i].file);
        return;
    }
    // The winner's bytes are found once for all its copies.
    thread_local std::string held, copy;
    const char* wonBytes = nullptr;
    for (std::size_t i = 1; i < layers.size(); ++i) {
        const SourceFile& file = *layers[i].file;
        if (file.size != won.size || won.size == 0) {
            same[i - 1] = file.size == won.size;
            continue;
        }
        if (!wonBytes && !(wonBytes = windows.bytes(layers[0].source, won))) {
            ReadWhole(winner, won, held);
            wonBytes = held.data();
        }
        const char* bytes = windows.bytes(layers[i].source, file);
        if (!bytes) {
            ReadWhole(sources[layers[i].source], file, copy);
            bytes = copy.data();
        }
        same[i - 1] = std::memcmp(wonBytes, bytes, std::size_t(won.size)) == 0;
    }
}

} // namespace

std::vector<EntryChange> CompareSources(const FileSource& before, const FileSource& after, bool times) {
    const ByKey old = FilesByKey(before);
    const ByKey now = FilesByKey(after);
    std::vector<Pair> changes;
    std::vector<Pair> sameSize;
    const auto pairUp = [&](const std::vector<const SourceFile*>& was,
                            const std::vector<const SourceFile*>& is) {
        for (std::size_t i = 0; i < std::max(was.size(), is.size()); ++i) {
            const SourceFile* a = i < was.size() ? was[i] : nullptr;
            const SourceFile* b = i < is.size() ? is[i] : nullptr;
            if (!a)
                changes.push_back({EntryChange::Added, nullptr, b});
            else if (!b)
                changes.push_back({EntryChange::Removed, a, nullptr});
            else if (a->size != b->size)
                changes.push_back({EntryChange::Changed, a, b});
            else
                sameSize.push_back({EntryChange::Changed, a, b});
        }
    };
    static const std::vector<const SourceFile*> none;
    for (const auto& [key, files] : old) {
        const auto found = now.find(key);
        pairUp(files, found == now.end() ? none : found->second);
    }
    for (const auto& [key, files] : now) {
        if (!old.count(key))
            pairUp(none, files);
    }
    // The contents are read in the order they lie in the old package, so that a package
    // not in the cache is read from start to end once.
    std::sort(sameSize.begin(), sameSize.end(),
              [](const Pair& a, const Pair& b) { return a.before->offset < b.before->offset; });
    for (const Pair& pair : sameSize) {
        if (!SameBytes(before, *pair.before, after, *pair.after))
            changes.push_back(pair);
        else if (times && pair.before->time != pair.after->time)
            changes.push_back({EntryChange::Time, pair.before, pair.after});
    }
    std::vector<EntryChange> found;
    found.reserve(changes.size());
    for (const Pair& pair : changes)
        found.push_back({pair.kind, (pair.after ? pair.after : pair.before)->path, RecordOf(pair.before),
                         RecordOf(pair.after)});
    return found;
}

std::vector<MergedPath> MergeSources(const std::vector<FileSource>& sources, bool compare) {
    std::size_t total = 0;
    for (const FileSource& source : sources)
        total += source.files().size();
    PathPlaces placeOf(total);
    // Each file's place first, and how many files each place takes, so that every path's
    // layers are made once at their size rather than grown a file at a time.
    std::vector<std::vector<std::uint32_t>> places(sources.size());
    std::vector<std::uint32_t> counts;
    for (std::size_t source = 0; source < sources.size(); ++source) {
        const std::vector<SourceFile>& files = sources[source].files();
        places[source].reserve(files.size());
        // A source's later file of a path is the one it gives.
        for (auto file = files.rbegin(); file != files.rend(); ++file) {
            const auto [place, added] = placeOf.place(file->path);
            if (added)
                counts.push_back(0);
            ++counts[place];
            places[source].push_back(place);
        }
    }
    std::vector<MergedPath> grouped(counts.size());
    for (std::size_t i = 0; i < counts.size(); ++i)
        grouped[i].layers.reserve(counts[i]);
    for (std::size_t source = 0; source < sources.size(); ++source) {
        const std::vector<SourceFile>& files = sources[source].files();
        std::size_t at = 0;
        for (auto file = files.rbegin(); file != files.rend(); ++file)
            grouped[places[source][at++]].layers.push_back({source, &*file, true});
    }
    const std::vector<std::uint32_t> order = placeOf.sorted();
    std::vector<MergedPath> paths;
    paths.reserve(grouped.size());
    for (const std::uint32_t i : order)
        paths.push_back(std::move(grouped[i]));
    if (compare)
        ApplySameness(paths, CompareShadowed(sources, paths));
    return paths;
}

std::vector<char> CompareShadowed(const std::vector<FileSource>& sources,
                                  const std::vector<MergedPath>& paths, const std::atomic<bool>* stop) {
    // Where each path's answers begin, so that batches of paths fill their parts apart.
    std::vector<std::size_t> first(paths.size() + 1, 0);
    for (std::size_t p = 0; p < paths.size(); ++p)
        first[p + 1] = first[p] + paths[p].layers.size() - 1;
    std::vector<char> same(first.back(), 1);
    constexpr std::size_t kBatch = 256;
    WorkerPool pool(4);
    std::mutex failing;
    std::exception_ptr failure;
    // The reads wait on the file system one by one: batches are shared out among threads.
    pool.forEach((paths.size() + kBatch - 1) / kBatch, [&](std::size_t batch) {
        try {
            const std::size_t begin = batch * kBatch, end = std::min(paths.size(), (batch + 1) * kBatch);
            thread_local BatchWindows windows;
            windows.fill(sources, paths, begin, end);
            for (std::size_t p = begin; p < end; ++p) {
                if (stop && stop->load(std::memory_order_relaxed))
                    return;
                ComparePath(sources, paths[p].layers, windows, same.data() + first[p]);
            }
        } catch (...) {
            const std::lock_guard<std::mutex> lock(failing);
            if (!failure)
                failure = std::current_exception();
        }
    });
    if (failure)
        std::rethrow_exception(failure);
    return same;
}

void ApplySameness(std::vector<MergedPath>& paths, const std::vector<char>& same) {
    std::size_t at = 0;
    for (MergedPath& path : paths) {
        for (std::size_t i = 1; i < path.layers.size() && at < same.size(); ++i)
            path.layers[i].same = same[at++] != 0;
    }
}

} // namespace tessel
