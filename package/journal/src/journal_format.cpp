#include "journal_format.h"

#include <algorithm>
#include <isa-l/crc.h>
#include <utility>

namespace tessel::journal_format {

namespace {

void Put64(std::string& out, std::uint64_t value) {
    for (int i = 0; i < 8; ++i)
        out.push_back(static_cast<char>(value >> (8 * i)));
}

void Put32(std::string& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>(value >> (8 * i)));
}

void PutPieces(std::string& out, const std::vector<Piece>& pieces) {
    Put64(out, pieces.size());
    for (const Piece& piece : pieces) {
        Put64(out, static_cast<std::uint64_t>(piece.offset));
        Put64(out, piece.bytes.size());
        out += piece.bytes;
    }
}

std::vector<Piece> TakePieces(Reader& reader) {
    std::vector<Piece> pieces;
    for (std::uint64_t count = reader.u64(); count > 0; --count) {
        Piece piece;
        piece.offset = reader.i64();
        piece.bytes = reader.bytes(reader.u64());
        pieces.push_back(std::move(piece));
    }
    return pieces;
}

} // namespace

MoveLimits& Limits() {
    static MoveLimits limits;
    return limits;
}

std::uint32_t Checksum(std::string_view bytes) {
    return ChecksumMore(0, bytes);
}

std::uint32_t ChecksumMore(std::uint32_t checksum, std::string_view bytes) {
    return crc32_gzip_refl(checksum, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

std::string BaseName(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string EncodeHead(const Head& head) {
    std::string bytes(kJournalMagic);
    Put32(bytes, head.kind);
    Put64(bytes, head.inode);
    Put32(bytes, head.nameChecksum);
    Put64(bytes, static_cast<std::uint64_t>(head.originalSize));
    Put64(bytes, head.bodyLength);
    Put32(bytes, head.bodyChecksum);
    Put32(bytes, Checksum(bytes));
    return bytes;
}

Head DecodeHead(std::string_view bytes) {
    Reader reader(bytes);
    if (reader.bytes(kJournalMagic.size()) != kJournalMagic)
        throw Damaged("it is not a Tessel journal");
    Head head;
    head.kind = reader.u32();
    head.inode = reader.u64();
    head.nameChecksum = reader.u32();
    head.originalSize = reader.i64();
    head.bodyLength = reader.u64();
    head.bodyChecksum = reader.u32();
    const std::size_t length = reader.consumed(bytes);
    if (reader.u32() != Checksum(bytes.substr(0, length)))
        throw Damaged("its header is damaged");
    if (head.kind != kUndo && head.kind != kRedo)
        throw Damaged("it is of an unknown kind");
    return head;
}

std::string EncodeUndoBody(const std::vector<Piece>& originals) {
    std::string body;
    PutPieces(body, originals);
    return body;
}

std::vector<Piece> DecodeUndoBody(Reader& reader) {
    return TakePieces(reader);
}

std::string EncodeRedoBody(const RedoPlan& plan) {
    std::string body;
    Put64(body, plan.moves.size());
    for (const Move& move : plan.moves) {
        Put64(body, static_cast<std::uint64_t>(move.from));
        Put64(body, static_cast<std::uint64_t>(move.to));
        Put64(body, static_cast<std::uint64_t>(move.length));
    }
    PutPieces(body, plan.pieces);
    Put64(body, static_cast<std::uint64_t>(plan.finalSize));
    return body;
}

RedoPlan DecodeRedoBody(Reader& reader) {
    RedoPlan plan;
    const std::uint64_t count = reader.u64();
    // Each move takes 24 bytes: a count that the body cannot hold is damage, not a size.
    if (count > reader.left() / 24)
        throw Damaged("it ends early");
    plan.moves.resize(count);
    for (Move& move : plan.moves) {
        move.from = reader.i64();
        move.to = reader.i64();
        move.length = reader.i64();
        if (move.from < 0 || move.to < 0 || move.length < 0 || move.to > move.from)
            throw Damaged("it holds an impossible move");
    }
    plan.pieces = TakePieces(reader);
    plan.finalSize = reader.i64();
    for (const Piece& piece : plan.pieces) {
        if (piece.offset < 0)
            throw Damaged("it holds bytes for a negative offset");
    }
    if (plan.finalSize < 0)
        throw Damaged("it holds a negative size");
    return plan;
}

std::string EncodeSlot(const Progress& progress) {
    std::string slot;
    Put32(slot, kSlotMagic);
    Put64(slot, progress.sequence);
    Put64(slot, static_cast<std::uint64_t>(progress.done));
    Put64(slot, static_cast<std::uint64_t>(progress.windowLength));
    Put32(slot, progress.windowChecksum);
    Put32(slot, Checksum(slot));
    return slot;
}

std::optional<Progress> DecodeSlot(std::string_view bytes) {
    if (bytes.size() < kSlotBytes)
        return std::nullopt;
    Reader reader(bytes);
    Progress progress;
    if (reader.u32() != kSlotMagic)
        return std::nullopt;
    progress.sequence = reader.u64();
    progress.done = reader.i64();
    progress.windowLength = reader.i64();
    progress.windowChecksum = reader.u32();
    if (reader.u32() != Checksum(bytes.substr(0, kSlotBytes - 4)))
        return std::nullopt;
    if (progress.done < 0 || progress.windowLength < 0)
        return std::nullopt;
    return progress;
}

// The newer of the two progress slots that holds a whole record: a slot torn by a crash
// while it was written leaves the other one, written and synced before.
Progress LatestProgress(PackageFile& journal) {
    std::optional<Progress> best;
    for (const std::int64_t offset : kSlotOffsets) {
        std::string slot(kSlotBytes, '\0');
        journal.seek(offset);
        const std::optional<Progress> progress =
            journal.read(slot.data(), slot.size()) == slot.size() ? DecodeSlot(slot) : std::nullopt;
        if (progress && (!best || progress->sequence > best->sequence))
            best = progress;
    }
    if (!best)
        throw Damaged("its progress record is unreadable");
    return *best;
}

} // namespace tessel::journal_format
