#include "moves.h"

#include "journal_format.h"
#include "package_error.h"

#include <algorithm>
#include <cerrno>
#include <string_view>
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

} // namespace

std::int64_t WindowRoom(const std::vector<Move>& moves) {
    std::int64_t room = 0;
    for (std::size_t i = 0; i < moves.size(); ++i)
        room = std::max(room, WindowLength(moves, i, 0));
    return room;
}

namespace {

// Calls `piece` for each stretch of the window that starts at offset of moves[index]:
// (source, target, length, where in the window).
template <typename Piece>
void ForEachPiece(const std::vector<Move>& moves, std::size_t index, std::int64_t offset, std::int64_t length,
                  Piece piece) {
    for (std::int64_t at = 0; at < length; ++index, offset = 0) {
        const Move& move = moves[index];
        const std::int64_t count = std::min(move.length - offset, length - at);
        piece(move.from + offset, move.to + offset, count, at);
        at += count;
    }
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

} // namespace

void WriteWindow(PackageFile& package, const std::vector<Move>& moves, std::int64_t done,
                 std::string_view bytes) {
    const auto [index, before] = MoveOf(moves, done);
    ForEachPiece(moves, index, done - before, std::int64_t(bytes.size()),
                 [&](std::int64_t, std::int64_t target, std::int64_t count, std::int64_t at) {
                     package.seek(target);
                     package.writeAll(bytes.data() + at, std::size_t(count));
                 });
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
    // One buffer for every window: made for each, its pages are faulted in and zeroed again.
    std::string bytes;
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
    while (index < moves.size()) {
        const Move& move = moves[index];
        const std::int64_t offset = done - before;
        const std::int64_t source = move.from + offset;
        const std::int64_t target = move.to + offset;
        if (Short(move)) {
            // One window takes this stretch and the short moves after it: its sources are kept
            // in the journal before any of them is written over, so the syncs count windows,
            // not moves.
            checkpoint(source);
            const std::int64_t length = WindowLength(moves, index, offset);
            bytes.resize(static_cast<std::size_t>(length));
            ForEachPiece(moves, index, offset, length,
                         [&](std::int64_t from, std::int64_t, std::int64_t count, std::int64_t at) {
                             package.seek(from);
                             package.readExact(bytes.data() + at, std::size_t(count));
                         });
            journal.saveWindow(done, bytes);
            ForEachPiece(moves, index, offset, length,
                         [&](std::int64_t, std::int64_t to, std::int64_t count, std::int64_t at) {
                             package.seek(to);
                             package.writeAll(bytes.data() + at, std::size_t(count));
                         });
            done += length;
            locate();
            checkpoint(sourceNow());
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
        locate();
    }
    checkpoint(0);
}

} // namespace tessel
