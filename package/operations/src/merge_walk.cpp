// The merged tree of several sources, read one folder at a time.
#include "source_comparison.h"

#include "entry_name.h"
#include "path_places.h"
#include "shadowed_copies.h"
#include "worker_pool.h"

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>

namespace tessel {

namespace {

// A folder the walk is inside: the sources' folders merged there, the disk ones held open
// while their inner folders are read, and what they hold with the place each came from, in
// the order of their keys, with how far the walk is along it.
struct Frame {
    std::vector<SourceFolder> places;
    std::vector<FileDescriptor> held;
    std::vector<SourceEntry> entries;
    std::vector<std::uint32_t> placeOf;
    // The entries in the order of their keys, those of one key together and in the order
    // listed, and each entry's key by its number.
    std::vector<std::uint32_t> order;
    std::vector<std::uint32_t> keyOf;
    std::size_t next = 0;
    std::vector<std::string> prefixes;
};

Frame Enter(const std::vector<const FileSource*>& sources, std::vector<SourceFolder> places) {
    Frame frame;
    frame.places = std::move(places);
    frame.held.resize(frame.places.size());
    // Room for all a package's records there could be, made at once.
    std::size_t most = 0;
    for (const SourceFolder& place : frame.places)
        most += std::size_t(place.end - place.begin);
    frame.entries.reserve(most);
    for (std::size_t p = 0; p < frame.places.size(); ++p) {
        sources[frame.places[p].source]->list(frame.places[p], frame.held[p], frame.entries);
        frame.placeOf.resize(frame.entries.size(), std::uint32_t(p));
    }
    // The folded names, a folder's with "/" after it: sorted so, a folder's paths come
    // where the sort of whole paths puts them. The sources mostly hold the same names, so
    // the keys are numbered first and only the distinct ones sorted.
    const std::size_t count = frame.entries.size();
    std::vector<std::string> keys(count);
    PathPlaces numbers(count);
    frame.keyOf.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        keys[i] = frame.entries[i].name;
        if (frame.entries[i].folder)
            keys[i] += '/';
        frame.keyOf[i] = numbers.place(keys[i]).first;
    }
    const std::vector<std::uint32_t> sorted = numbers.sorted();
    std::vector<std::uint32_t> rank(sorted.size());
    for (std::uint32_t r = 0; r < sorted.size(); ++r)
        rank[sorted[r]] = r;
    // Counted into place by rank, each key's entries in the order listed: the sources in the
    // order given, each one's entries in its directory order.
    std::vector<std::uint32_t> start(sorted.size() + 1, 0);
    for (std::size_t i = 0; i < count; ++i)
        ++start[rank[frame.keyOf[i]] + 1];
    for (std::size_t r = 0; r < sorted.size(); ++r)
        start[r + 1] += start[r];
    frame.order.resize(count);
    for (std::uint32_t i = 0; i < count; ++i)
        frame.order[start[rank[frame.keyOf[i]]]++] = i;
    return frame;
}

// A batch of the merged tree: a deque keeps the files where they are while the batch grows,
// and when it moves.
struct Batch {
    std::deque<SourceFile> files;
    std::vector<MergedPath> paths;
};

// Finishes one batch at a time on a thread of its own while the walk makes the next: compares
// its copies, gives it out and lets it go. The same thread serves every batch, so that its
// buffers are made once, and the batches are given out in the order handed.
class BatchFinisher {
public:
    BatchFinisher(const std::vector<FileSource>& sources, bool compare,
                  const std::function<void(const std::vector<MergedPath>&)>& batch)
        : sources_(sources), compare_(compare), batch_(batch), pool_(4) {
        threads_.emplace_back([this] { run(); });
    }
    ~BatchFinisher() { StopHelpers(mutex_, wake_, stopping_, threads_); }
    BatchFinisher(const BatchFinisher&) = delete;
    BatchFinisher& operator=(const BatchFinisher&) = delete;

    // Waits for the batch before, raising its failure, and hands this one on; the batch
    // given back is the one before, emptied, its room kept for the next.
    void hand(Batch& batch) {
        std::unique_lock<std::mutex> lock(mutex_);
        waitIdle(lock);
        std::swap(job_, batch);
        pending_ = true;
        wake_.notify_all();
    }

    // Waits for the last batch, raising its failure.
    void finish() {
        std::unique_lock<std::mutex> lock(mutex_);
        waitIdle(lock);
    }

private:
    void waitIdle(std::unique_lock<std::mutex>& lock) {
        finished_.wait(lock, [this] { return !pending_; });
        if (failure_)
            std::rethrow_exception(std::exchange(failure_, nullptr));
    }

    void run() {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            wake_.wait(lock, [this] { return stopping_ || pending_; });
            if (stopping_)
                return;
            lock.unlock();
            std::exception_ptr failure;
            try {
                if (compare_)
                    ApplySameness(job_.paths, CompareShadowedOn(pool_, sources_, job_.paths, nullptr));
                batch_(job_.paths);
            } catch (...) {
                failure = std::current_exception();
            }
            job_.paths.clear();
            job_.files.clear();
            lock.lock();
            pending_ = false;
            failure_ = failure;
            finished_.notify_all();
        }
    }

    const std::vector<FileSource>& sources_;
    const bool compare_;
    const std::function<void(const std::vector<MergedPath>&)>& batch_;
    // The comparing threads beside this one: they share the processors with the walk.
    WorkerPool pool_;
    std::vector<std::thread> threads_;
    std::mutex mutex_;
    std::condition_variable wake_, finished_;
    Batch job_;
    bool pending_ = false;
    bool stopping_ = false;
    std::exception_ptr failure_;
};

} // namespace

void WalkMerged(const std::vector<const FileSource*>& sources,
                const std::function<void(std::vector<SourcedFile>&)>& each) {
    std::vector<SourceFolder> tops;
    for (std::size_t source = 0; source < sources.size(); ++source)
        tops.push_back(sources[source]->top(source));
    // A stack, not recursion: a crafted package may nest folders a million deep. A deque
    // keeps each frame where it is, for the folders inside it point to its places.
    std::deque<Frame> stack;
    stack.push_back(Enter(sources, std::move(tops)));
    std::vector<SourcedFile> files;
    while (!stack.empty()) {
        Frame& frame = stack.back();
        if (frame.next == frame.order.size()) {
            stack.pop_back();
            continue;
        }
        const std::size_t first = frame.next;
        const std::uint32_t key = frame.keyOf[frame.order[first]];
        std::size_t last = first + 1;
        while (last < frame.order.size() && frame.keyOf[frame.order[last]] == key)
            ++last;
        frame.next = last;
        if (frame.entries[frame.order[first]].folder) {
            std::vector<SourceFolder> inner;
            for (std::size_t i = first; i < last; ++i) {
                const SourceEntry& entry = frame.entries[frame.order[i]];
                const std::uint32_t place = frame.placeOf[frame.order[i]];
                const SourceFolder& outer = frame.places[place];
                SourceFolder folder;
                folder.source = outer.source;
                folder.begin = entry.begin;
                folder.end = entry.end;
                folder.within = frame.held[place].get();
                folder.name = entry.name;
                folder.outer = &outer;
                inner.push_back(std::move(folder));
            }
            frame.prefixes.clear();
            stack.push_back(Enter(sources, std::move(inner)));
            continue;
        }
        // The folders' spelled paths are made when their first file is met, and kept while
        // the walk stays in the folder.
        if (frame.prefixes.empty()) {
            frame.prefixes.reserve(frame.places.size());
            for (const SourceFolder& place : frame.places)
                frame.prefixes.push_back(place.path());
        }
        files.clear();
        for (std::size_t i = first; i < last; ++i) {
            SourceEntry& entry = frame.entries[frame.order[i]];
            const std::uint32_t place = frame.placeOf[frame.order[i]];
            const std::string& prefix = frame.prefixes[place];
            SourceFile file = std::move(entry.file);
            const std::string& spelled = i == first ? file.path : files.front().file.path;
            const bool asFirst = i != first && spelled.size() == prefix.size() + entry.name.size() &&
                                 spelled.compare(0, prefix.size(), prefix) == 0 &&
                                 spelled.compare(prefix.size(), std::string::npos, entry.name) == 0;
            if (!asFirst) {
                file.path.reserve(prefix.size() + entry.name.size());
                file.path = prefix;
                file.path += entry.name;
            }
            files.push_back({frame.places[place].source, std::move(file)});
        }
        each(files);
    }
}

void StreamMerged(const std::vector<FileSource>& sources, bool compare,
                  const std::function<void(const std::vector<MergedPath>&)>& batch) {
    // A batch ends between folders where it can: the comparisons read a folder's files
    // together.
    constexpr std::size_t kBatch = 1024, kLongestBatch = 8192;
    std::vector<const FileSource*> walked;
    for (const FileSource& source : sources)
        walked.push_back(&source);
    Batch building;
    BatchFinisher finisher(sources, compare, batch);
    const auto hand = [&] { finisher.hand(building); };
    WalkMerged(walked, [&](std::vector<SourcedFile>& found) {
        const std::vector<MergedPath>& paths = building.paths;
        if (paths.size() >= kLongestBatch ||
            (paths.size() >= kBatch && !FoldedEqual()(FolderPart(paths.back().winner().file->path),
                                                      FolderPart(found.front().file.path))))
            hand();
        MergedPath path;
        path.layers.reserve(found.size());
        // The winner names the path; a copy in a package spelled as the winner leaves its path
        // empty. A copy on disk is opened by its path, and keeps it.
        std::size_t winner = 1;
        while (winner < found.size() && found[winner].source == found[0].source)
            ++winner;
        --winner;
        const bool asWinner =
            found[winner].file.path.empty() || found[winner].file.path == found[0].file.path;
        if (found[winner].file.path.empty())
            found[winner].file.path = found[0].file.path;
        for (std::size_t i = 1; i < found.size(); ++i) {
            if (found[i].file.path.empty() && (!asWinner || !sources[found[i].source].isPackage()))
                found[i].file.path = found[0].file.path;
        }
        // A source's later file of a path is the one it gives: each source's run reversed.
        for (std::size_t run = 0; run < found.size();) {
            std::size_t end = run + 1;
            while (end < found.size() && found[end].source == found[run].source)
                ++end;
            for (std::size_t i = end; i-- > run;) {
                building.files.push_back(std::move(found[i].file));
                path.layers.push_back({found[i].source, &building.files.back(), true});
            }
            run = end;
        }
        building.paths.push_back(std::move(path));
    });
    if (!building.paths.empty())
        hand();
    finisher.finish();
}

} // namespace tessel
