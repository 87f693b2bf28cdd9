#include "moves.h"

#include "journal_format.h"
#include "package_error.h"

#include <algorithm>
#include <cerrno>

namespace tessel {

using namespace journal_format;

std::int64_t WindowRoom(const std::vector<Move>& moves) {
    std::int64_t room = 0;
    for (const Move& move : moves) {
        if (move.from - move.to < Limits().directDistance)
            room = std::max(room, std::min(move.length, Limits().windowSize));
    }
    return room;
}

void RunMoves(PackageFile& package, EditJournal& journal, const std::vector<Move>& moves, std::int64_t done) {
    std::int64_t durable = done;
    // Sources from here on are intact: no write has reached them since the last sync.
    std::int64_t intactFrom = SourceAt(moves, done);
    auto checkpoint = [&](std::int64_t nextSource) {
        if (done != durable) {
            package.sync();
            journal.recordProgress(done);
            durable = done;
        }
        intactFrom = nextSource;
    };
    std::int64_t before = 0;
    for (const Move& move : moves) {
        const std::int64_t distance = move.from - move.to;
        for (std::int64_t offset = std::max<std::int64_t>(done - before, 0); offset < move.length;) {
            const std::int64_t source = move.from + offset;
            const std::int64_t target = move.to + offset;
            const std::int64_t left = move.length - offset;
            std::int64_t count = 0;
            if (distance >= Limits().directDistance) {
                if (target >= intactFrom)
                    checkpoint(source);
                count = std::min(left, intactFrom - target);
                package.seek(target);
                const CopyResult copied = package.copyFrom(package.descriptor(), source, count);
                if (copied.readFailed || copied.sourceEnded)
                    throw PackageError(CannotReadMessage(package.path(), EIO));
            } else {
                checkpoint(source);
                count = std::min(left, Limits().windowSize);
                std::string bytes(static_cast<std::size_t>(count), '\0');
                package.seek(source);
                package.readExact(bytes.data(), bytes.size());
                journal.saveWindow(done, bytes);
                package.seek(target);
                package.writeAll(bytes.data(), bytes.size());
                done += count;
                offset += count;
                checkpoint(source + count);
                continue;
            }
            done += count;
            offset += count;
        }
        before += move.length;
    }
    checkpoint(0);
}

} // namespace tessel
