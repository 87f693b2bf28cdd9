#include "moves.h"

#include "journal_format.h"
#include "package_error.h"

#include <algorithm>
#include <cerrno>
#include <memory>
#include <utility>

namespace tessel {

using namespace journal_format;

namespace {

bool Short(const Move& move) {
    return move.from - move.to < Limits().directDistance;
}

// The stretch of the moves from `done` that one window takes: consecutive short moves, up
// to the window size.
std::int64_t WindowLength(const std::vector<Move>& moves, std::size_t index, std::int64_t offset) {
    std::int64_t length = 0;
    for (; index < moves.size() && Short(moves[index]) && length < Limits().windowSize; ++index, offset = 0)
        length += std::min(moves[index].length - offset, Limits().windowSize - length);
    return length;
}

// The move that the byte `done` of the moves belongs to, and where that move starts in them.
std::pair<std::size_t, std::int64_t> MoveOf(const std::vector<Move>& moves, std::int64_t done) {
    std::int64_t before = 0;
    for (std::size_t index = 0; index < moves.size(); ++index) {
        if (done < before + moves[index].length)
            return {index, before};
        before += moves[index].length;
    }
    return {moves.size(), before};
}

// Calls `piece` for each stretch of the moves' bytes from `start`, `length` of them:
// (source, target, length, where from `start`).
template <typename Piece>
void ForEachPiece(const std::vector<Move>& moves, std::int64_t start, std::int64_t length, Piece piece) {
    auto [index, before] = MoveOf(moves, start);
    std::int64_t offset = start - before;
    for (std::int64_t at = 0; at < length; ++index, offset = 0) {
        const Move& move = moves[index];
        const std::int64_t count = std::min(move.length - offset, length - at);
        piece(move.from + offset, move.to + offset, count, at);
        at += count;
    }
}

// Writes the window the journal keeps to its targets. Its moves' targets follow one another
// (what stays is packed), so this is one copy, which the kernel or two cores make at once.
void WriteSavedWindow(PackageFile& package, EditJournal& journal, const std::vector<Move>& moves) {
    const SavedWindow& window = journal.window();
    std::int64_t runAt = 0;
    std::int64_t runTarget = 0;
    std::int64_t runLength = 0;
    auto flush = [&] {
        if (runLength == 0)
            return;
        package.seek(runTarget);
        journal.copyWindowTo(package, runAt, runLength);
    };
    ForEachPiece(moves, window.done, window.length,
                 [&](std::int64_t, std::int64_t target, std::int64_t length, std::int64_t at) {
                     if (runTarget + runLength != target) {
                         flush();
                         runAt = at;
                         runTarget = target;
                         runLength = 0;
                     }
                     runLength += length;
                 });
    flush();
}

} // namespace

std::int64_t WindowRoom(const std::vector<Move>& moves) {
    std::int64_t room = 0;
    for (std::size_t i = 0; i < moves.size(); ++i)
        room = std::max(room, WindowLength(moves, i, 0));
    return room;
}

bool StartsWithWindow(const std::vector<Move>& moves) {
    return !moves.empty() && Short(moves[0]);
}

SavedWindow CopyWindowSources(PackageFile& package, EditJournal& journal, const std::vector<Move>& moves,
                              std::int64_t done) {
    SavedWindow window;
    window.done = done;
    const auto [index, before] = MoveOf(moves, done);
    window.length = WindowLength(moves, index, done - before);
    // One small buffer, used again for every step: a buffer the size of the window would
    // cost a page fault for each of its pages.
    const std::int64_t step = std::min(Limits().step, window.length);
    const auto buffer = std::make_unique_for_overwrite<char[]>(std::size_t(step));
    for (std::int64_t at = 0; at < window.length;) {
        const std::int64_t count = std::min(step, window.length - at);
        ForEachPiece(moves, done + at, count,
                     [&](std::int64_t source, std::int64_t, std::int64_t length, std::int64_t into) {
                         package.seek(source);
                         package.readExact(buffer.get() + into, std::size_t(length));
                     });
        window.checksum = ChecksumMore(window.checksum, std::string_view(buffer.get(), std::size_t(count)));
        journal.writeWindow(at, buffer.get(), std::size_t(count));
        at += count;
    }
    return window;
}

void RunMoves(PackageFile& package, EditJournal& journal, const std::vector<Move>& moves, std::int64_t done,
              const MoveProgress& moved) {
    std::int64_t durable = done;
    // Not a structured binding: lambdas below capture them, which clang 14 refuses.
    const std::pair<std::size_t, std::int64_t> start = MoveOf(moves, done);
    std::size_t index = start.first;
    std::int64_t before = start.second;
    // Steps to the move that holds `done`; done only grows, so the walk is linear.
    auto locate = [&] {
        while (index < moves.size() && done >= before + moves[index].length)
            before += moves[index++].length;
    };
    auto sourceNow = [&] { return index < moves.size() ? moves[index].from + (done - before) : 0; };
    // Sources from here on are intact: no write has reached them since the last sync.
    std::int64_t intactFrom = sourceNow();
    // Whether the last bytes written came from a window the journal keeps, named by its last
    // record: writing that window again is all recovery would do before what follows.
    bool windowLast = false;
    auto checkpoint = [&](std::int64_t nextSource) {
        if (done != durable) {
            package.sync();
            journal.recordProgress(done);
            durable = done;
            if (moved)
                moved(done);
        }
        intactFrom = nextSource;
    };
    auto writeWindow = [&] {
        WriteSavedWindow(package, journal, moves);
        done += journal.window().length;
        locate();
        // The window's own sources are kept in the journal; the ones after it are untouched.
        intactFrom = sourceNow();
        windowLast = true;
    };
    if (journal.window().length > 0 && journal.window().done == done)
        writeWindow();
    while (index < moves.size()) {
        const Move& move = moves[index];
        const std::int64_t offset = done - before;
        const std::int64_t source = move.from + offset;
        const std::int64_t target = move.to + offset;
        if (Short(move)) {
            // One window takes this stretch and the short moves after it: its sources are kept
            // in the journal before any of them is written over, so the syncs count windows,
            // not moves. The journal's window is written over only once the last one is
            // durable in the package.
            checkpoint(source);
            journal.recordWindow(CopyWindowSources(package, journal, moves, done));
            writeWindow();
            continue;
        }
        if (target >= intactFrom)
            checkpoint(source);
        const std::int64_t count = std::min(move.length - offset, intactFrom - target);
        package.seek(target);
        const CopyResult copied = package.copyFrom(package.descriptor(), source, count);
        if (copied.readFailed || copied.sourceEnded)
            throw PackageError(CannotReadMessage(package.path(), EIO));
        done += count;
        windowLast = false;
        locate();
    }
    if (!windowLast) {
        checkpoint(0);
    } else if (moved) {
        moved(done);
    }
}

} // namespace tessel
