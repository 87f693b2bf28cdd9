#include "source_comparison.h"

#include "entry_name.h"
#include "package_error.h"
#include "path_places.h"
#include "positioned_io.h"
#include "shadowed_copies.h"
#include "worker_pool.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <exception>
#include <mutex>
#include <optional>

namespace tessel {

namespace {

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
void ReadWhole(const FileSource& source, const SourceFile& file, const std::string& shown,
               std::string& bytes) {
    bytes.resize(std::size_t(file.size));
    const FileSource::Bytes at = source.open(file);
    const IoResult got = ReadAt(at.fd, bytes.data(), bytes.size(), at.offset);
    if (got.done != bytes.size())
        throw PackageError(
            "Cannot read \"" + shown + "\" of \"" + source.given() + "\"" +
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
            // Grown only: made smaller and larger again it would be filled with zeros each time.
            if (bytes.size() < std::size_t(total))
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
    // A copy spelled as the winner names its path by the winner's.
    const auto shownOf = [&](const SourceFile& file) -> const std::string& {
        return file.path.empty() ? won.path : file.path;
    };
    if (won.size > kHeldWinner) {
        for (std::size_t i = 1; i < layers.size(); ++i) {
            SourceFile copy = *layers[i].file;
            copy.path = shownOf(copy);
            same[i - 1] = SameBytes(winner, won, sources[layers[i].source], copy);
        }
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
            ReadWhole(winner, won, won.path, held);
            wonBytes = held.data();
        }
        const char* bytes = windows.bytes(layers[i].source, file);
        if (!bytes) {
            ReadWhole(sources[layers[i].source], file, shownOf(file), copy);
            bytes = copy.data();
        }
        same[i - 1] = std::memcmp(wonBytes, bytes, std::size_t(won.size)) == 0;
    }
}

// Where the batches of paths begin, and the end: a folder's paths in one batch where they are
// not too many, since a package keeps a folder's files together but not in the order of
// their names, and a batch of part of a folder would read the whole of it again.
std::vector<std::size_t> FolderBatches(const std::vector<MergedPath>& paths) {
    constexpr std::size_t kFewest = 64, kMost = 2048;
    const auto folderOf = [&](std::size_t p) { return FolderPart(paths[p].winner().file->path); };
    std::vector<std::size_t> begins{0};
    // The folder of the path before, once it is wanted: each path's is found once.
    std::string_view before;
    for (std::size_t p = 1; p < paths.size(); ++p) {
        const std::size_t count = p - begins.back();
        if (count < kFewest)
            continue;
        if (count == kFewest)
            before = folderOf(p - 1);
        const std::string_view folder = folderOf(p);
        if (count >= kMost || !FoldedEqual()(folder, before))
            begins.push_back(p);
        before = folder;
    }
    begins.push_back(paths.size());
    return begins;
}

} // namespace

std::vector<EntryChange> CompareSources(const FileSource& before, const FileSource& after, bool times) {
    std::vector<EntryChange> found;
    const auto report = [&](EntryChange::Kind kind, const SourceFile* was, const SourceFile* is) {
        found.push_back({kind, (is ? is : was)->path, RecordOf(was), RecordOf(is)});
    };
    std::vector<const SourceFile*> was, is;
    WalkMerged({&before, &after}, [&](std::vector<SourcedFile>& files) {
        was.clear();
        is.clear();
        // Each side's file is named by its own spelling.
        for (SourcedFile& file : files) {
            if (file.file.path.empty())
                file.file.path = files.front().file.path;
            (file.source == 0 ? was : is).push_back(&file.file);
        }
        for (std::size_t i = 0; i < std::max(was.size(), is.size()); ++i) {
            const SourceFile* a = i < was.size() ? was[i] : nullptr;
            const SourceFile* b = i < is.size() ? is[i] : nullptr;
            if (!a)
                report(EntryChange::Added, nullptr, b);
            else if (!b)
                report(EntryChange::Removed, a, nullptr);
            else if (!SameBytes(before, *a, after, *b))
                report(EntryChange::Changed, a, b);
            else if (times && a->time != b->time)
                report(EntryChange::Time, a, b);
        }
    });
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
                                  const std::vector<MergedPath>& paths, const std::atomic<bool>* stop,
                                  std::size_t helpers) {
    WorkerPool pool(helpers);
    return CompareShadowedOn(pool, sources, paths, stop);
}

std::vector<char> CompareShadowedOn(WorkerPool& pool, const std::vector<FileSource>& sources,
                                    const std::vector<MergedPath>& paths, const std::atomic<bool>* stop) {
    // Where each path's answers begin, so that batches of paths fill their parts apart.
    std::vector<std::size_t> first(paths.size() + 1, 0);
    for (std::size_t p = 0; p < paths.size(); ++p)
        first[p + 1] = first[p] + paths[p].layers.size() - 1;
    std::vector<char> same(first.back(), 1);
    const std::vector<std::size_t> batches = FolderBatches(paths);
    std::mutex failing;
    std::exception_ptr failure;
    // The reads wait on the file system one by one: batches are shared out among threads.
    pool.forEach(batches.size() - 1, [&](std::size_t batch) {
        try {
            const std::size_t begin = batches[batch], end = batches[batch + 1];
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
