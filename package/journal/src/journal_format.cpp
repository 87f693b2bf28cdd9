#include "journal_format.h"

#include <algorithm>
#include <optional>
#include <utility>
#include <zlib.h>

namespace tessel::journal_format {

MoveLimits& Limits() {
    static MoveLimits limits;
    return limits;
}

std::uint32_t Checksum(std::string_view bytes) {
    uLong crc = crc32(0L, Z_NULL, 0);
    while (!bytes.empty()) {
        const auto piece = static_cast<uInt>(std::min<std::size_t>(bytes.size(), 1u << 30));
        crc = crc32(crc, reinterpret_cast<const Bytef*>(bytes.data()), piece);
        bytes.remove_prefix(piece);
    }
    return static_cast<std::uint32_t>(crc);
}

void Put64(std::string& out, std::uint64_t value) {
    for (int i = 0; i < 8; ++i)
        out.push_back(static_cast<char>(value >> (8 * i)));
}
void Put32(std::string& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>(value >> (8 * i)));
}

std::string BaseName(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string PiecesBody(const std::vector<Piece>& pieces) {
    std::string body;
    Put64(body, pieces.size());
    for (const Piece& piece : pieces) {
        Put64(body, static_cast<std::uint64_t>(piece.offset));
        Put64(body, piece.bytes.size());
        body += piece.bytes;
    }
    return body;
}

std::vector<Piece> ReadPieces(Reader& reader) {
    std::vector<Piece> pieces;
    for (std::uint64_t count = reader.u64(); count > 0; --count) {
        Piece piece;
        piece.offset = reader.i64();
        piece.bytes = reader.bytes(reader.u64());
        pieces.push_back(std::move(piece));
    }
    return pieces;
}

std::string Slot(std::uint64_t sequence, std::int64_t done, std::int64_t windowLength,
                 std::uint32_t windowChecksum) {
    std::string slot;
    Put32(slot, kSlotMagic);
    Put64(slot, sequence);
    Put64(slot, static_cast<std::uint64_t>(done));
    Put64(slot, static_cast<std::uint64_t>(windowLength));
    Put32(slot, windowChecksum);
    Put32(slot, Checksum(slot));
    return slot;
}

// The newer of the two progress slots that holds a whole record: a slot torn by a crash
// while it was written leaves the other one, written and synced before.
Progress LatestProgress(PackageFile& journal) {
    std::optional<Progress> best;
    for (const std::int64_t offset : kSlotOffsets) {
        std::string slot(36, '\0');
        journal.seek(offset);
        if (journal.read(slot.data(), slot.size()) != slot.size())
            continue;
        Reader reader(slot);
        Progress progress;
        if (reader.u32() != kSlotMagic)
            continue;
        progress.sequence = reader.u64();
        progress.done = reader.i64();
        progress.windowLength = reader.i64();
        progress.windowChecksum = reader.u32();
        if (reader.u32() != Checksum(std::string_view(slot).substr(0, 32)))
            continue;
        if (!best || progress.sequence > best->sequence)
            best = progress;
    }
    if (!best)
        throw Damaged("its progress record is unreadable");
    return *best;
}

namespace {

// The move that the byte `done` of the moves belongs to, and the offset within it.
std::pair<const Move*, std::int64_t> Locate(const std::vector<Move>& moves, std::int64_t done) {
    for (const Move& move : moves) {
        if (done < move.length)
            return {&move, done};
        done -= move.length;
    }
    return {nullptr, 0};
}

} // namespace

std::int64_t SourceAt(const std::vector<Move>& moves, std::int64_t done) {
    const auto [move, offset] = Locate(moves, done);
    return move ? move->from + offset : 0;
}

std::int64_t TargetAt(const std::vector<Move>& moves, std::int64_t done) {
    const auto [move, offset] = Locate(moves, done);
    return move ? move->to + offset : 0;
}

} // namespace tessel::journal_format
