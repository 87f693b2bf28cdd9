#include "edit_journal.h"

#include "package_error.h"

#include <algorithm>
#include <cerrno>
#include <optional>
#include <stdexcept>
#include <sys/stat.h>
#include <zlib.h>

namespace tessel {

namespace {

constexpr std::string_view kJournalMagic = "TSLJRNL1";
constexpr std::uint32_t kSlotMagic = 0x474f5250; // "PROG"
constexpr std::int64_t kHeaderBytes = 128;
constexpr std::int64_t kSlotOffsets[2] = {128, 192};
constexpr std::int64_t kBodyOffset = 4096;
constexpr std::uint32_t kUndo = 1;
constexpr std::uint32_t kRedo = 2;

// Stretches that move down far are copied straight inside the package, with a sync each
// time the writing reaches bytes not yet copied durably; shorter distances would need a
// sync every few bytes, so their stretches go through the journal instead.
MoveLimits gLimits;

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

struct Damaged : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Reads the fields of a journal in order; running out of bytes means it is damaged.
class Reader {
public:
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}
    std::uint64_t u64() { return take(8); }
    std::uint32_t u32() { return static_cast<std::uint32_t>(take(4)); }
    std::int64_t i64() { return static_cast<std::int64_t>(u64()); }
    std::string bytes(std::uint64_t count) {
        if (count > bytes_.size())
            throw Damaged("it ends early");
        std::string out(bytes_.substr(0, count));
        bytes_.remove_prefix(count);
        return out;
    }
    std::size_t consumed(std::string_view whole) const { return whole.size() - bytes_.size(); }

private:
    std::uint64_t take(int count) {
        if (bytes_.size() < std::size_t(count))
            throw Damaged("it ends early");
        std::uint64_t value = 0;
        for (int i = 0; i < count; ++i)
            value |= std::uint64_t(static_cast<unsigned char>(bytes_[std::size_t(i)])) << (8 * i);
        bytes_.remove_prefix(std::size_t(count));
        return value;
    }
    std::string_view bytes_;
};

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

struct Progress {
    std::uint64_t sequence = 0;
    std::int64_t done = 0;
    std::int64_t windowLength = 0;
    std::uint32_t windowChecksum = 0;
};

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

std::int64_t SourceAt(const std::vector<Move>& moves, std::int64_t done) {
    for (const Move& move : moves) {
        if (done < move.length)
            return move.from + done;
        done -= move.length;
    }
    return 0;
}

} // namespace

void SetMoveLimits(const MoveLimits& limits) {
    gLimits = limits;
}

std::string JournalPath(const std::string& packagePath) {
    return packagePath + "-journal";
}

EditJournal EditJournal::Arm(std::uint32_t kind, const PackageFile& package, std::int64_t originalSize,
                             const std::string& body, bool withProgress, std::int64_t windowRoom) {
    const std::string path = JournalPath(package.path());
    PackageFile file = PackageFile::Create(path);
    const std::int64_t windowOffset = kBodyOffset + static_cast<std::int64_t>(body.size());
    try {
        file.reserve(windowOffset + windowRoom);
        file.seek(kBodyOffset);
        file.writeAll(body.data(), body.size());
        if (withProgress) {
            const std::string slot = Slot(1, 0, 0, 0);
            file.seek(kSlotOffsets[1]);
            file.writeAll(slot.data(), slot.size());
        }
        file.sync();
        // The header goes last: a journal without one was never armed, and the package
        // was not touched.
        std::string header(kJournalMagic);
        Put32(header, kind);
        Put64(header, static_cast<std::uint64_t>(package.stamp().inode));
        Put32(header, Checksum(BaseName(package.path())));
        Put64(header, static_cast<std::uint64_t>(originalSize));
        Put64(header, body.size());
        Put32(header, Checksum(body));
        Put32(header, Checksum(header));
        file.seek(0);
        file.writeAll(header.data(), header.size());
        file.sync();
        SyncFolderOf(path);
    } catch (...) {
        file.close();
        try {
            RemoveFileDurably(path);
        } catch (const PackageError&) {
            // A journal that was never armed is removed when the package is next opened.
        }
        throw;
    }
    return EditJournal(std::move(file), windowOffset, 1);
}

EditJournal EditJournal::ArmUndo(const PackageFile& package, std::int64_t originalSize,
                                 const std::vector<Piece>& originals) {
    return Arm(kUndo, package, originalSize, PiecesBody(originals), false, 0);
}

EditJournal EditJournal::ArmRedo(PackageFile& package, const RedoPlan& plan) {
    std::int64_t windowRoom = 0;
    for (const Move& move : plan.moves) {
        if (move.from - move.to < gLimits.directDistance)
            windowRoom = std::max(windowRoom, std::min(move.length, gLimits.windowSize));
    }
    std::int64_t reach = plan.finalSize;
    for (const Piece& piece : plan.pieces)
        reach = std::max(reach, piece.offset + static_cast<std::int64_t>(piece.bytes.size()));
    package.reserve(reach);
    std::string body;
    Put64(body, plan.moves.size());
    for (const Move& move : plan.moves) {
        Put64(body, static_cast<std::uint64_t>(move.from));
        Put64(body, static_cast<std::uint64_t>(move.to));
        Put64(body, static_cast<std::uint64_t>(move.length));
    }
    body += PiecesBody(plan.pieces);
    Put64(body, static_cast<std::uint64_t>(plan.finalSize));
    return Arm(kRedo, package, package.size(), body, true, windowRoom);
}

void EditJournal::writeSlot(std::int64_t done, std::int64_t windowLength, std::uint32_t windowChecksum) {
    ++sequence_;
    const std::string slot = Slot(sequence_, done, windowLength, windowChecksum);
    file_.seek(kSlotOffsets[sequence_ % 2]);
    file_.writeAll(slot.data(), slot.size());
    file_.sync();
}

void EditJournal::recordProgress(std::int64_t done) {
    writeSlot(done, 0, 0);
}

void EditJournal::saveWindow(std::int64_t done, const std::string& source) {
    file_.seek(windowOffset_);
    file_.writeAll(source.data(), source.size());
    file_.sync();
    writeSlot(done, static_cast<std::int64_t>(source.size()), Checksum(source));
}

void EditJournal::remove() {
    const std::string path = file_.path();
    file_.close();
    RemoveFileDurably(path);
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
            if (distance >= gLimits.directDistance) {
                if (target >= intactFrom)
                    checkpoint(source);
                count = std::min(left, intactFrom - target);
                package.seek(target);
                const CopyResult copied = package.copyFrom(package.descriptor(), source, count);
                if (copied.readFailed || copied.sourceEnded)
                    throw PackageError(CannotReadMessage(package.path(), EIO));
            } else {
                checkpoint(source);
                count = std::min(left, gLimits.windowSize);
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

namespace {

[[noreturn]] void RefuseJournal(const std::string& packagePath, const std::string& why) {
    throw PackageError("\"" + FullPath(JournalPath(packagePath)) + "\" " + why +
                       "; it was not applied and \"" + FullPath(packagePath) + "\" was left as it is");
}

Recovery Undo(PackageFile& package, Reader& body, std::int64_t originalSize) {
    for (const Piece& piece : ReadPieces(body)) {
        package.seek(piece.offset);
        package.writeAll(piece.bytes.data(), piece.bytes.size());
    }
    package.seek(originalSize);
    package.truncate();
    package.sync();
    return Recovery::Undone;
}

Recovery Redo(PackageFile& package, PackageFile journalFile, Reader& body, std::int64_t windowOffset) {
    std::vector<Move> moves(body.u64());
    for (Move& move : moves) {
        move.from = body.i64();
        move.to = body.i64();
        move.length = body.i64();
    }
    const std::vector<Piece> pieces = ReadPieces(body);
    const std::int64_t finalSize = body.i64();
    const Progress progress = LatestProgress(journalFile);
    std::string window;
    if (progress.windowLength > 0) {
        window.resize(static_cast<std::size_t>(progress.windowLength));
        journalFile.seek(windowOffset);
        if (journalFile.read(window.data(), window.size()) != window.size() ||
            Checksum(window) != progress.windowChecksum)
            throw Damaged("its saved window is unreadable");
    }
    EditJournal journal(std::move(journalFile), windowOffset, progress.sequence);
    std::int64_t done = progress.done;
    if (!window.empty()) {
        // The stretch was being written over its own source: put the saved copy in place.
        std::int64_t before = 0;
        for (const Move& move : moves) {
            if (done < before + move.length) {
                package.seek(move.to + (done - before));
                break;
            }
            before += move.length;
        }
        package.writeAll(window.data(), window.size());
        package.sync();
        done += static_cast<std::int64_t>(window.size());
        journal.recordProgress(done);
    }
    RunMoves(package, journal, moves, done);
    for (const Piece& piece : pieces) {
        package.seek(piece.offset);
        package.writeAll(piece.bytes.data(), piece.bytes.size());
    }
    package.seek(finalSize);
    package.truncate();
    package.sync();
    journal.remove();
    return Recovery::Completed;
}

} // namespace

Recovery RecoverInterruptedEdit(const std::string& packagePath) {
    const std::string path = JournalPath(packagePath);
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0)
        return Recovery::None;
    if (!S_ISREG(info.st_mode))
        RefuseJournal(packagePath, "is not a regular file");
    PackageFile package = [&] {
        try {
            return PackageFile::Open(packagePath, FileAccess::ReadWrite, FileSharing::Exclusive);
        } catch (const PackageError& error) {
            throw PackageError(
                "\"" + FullPath(packagePath) + "\" has an unfinished edit, kept in \"" + FullPath(path) +
                "\". Open it where it can be written, and Tessel will finish or undo that edit "
                "first. (" +
                error.what() + ")");
        }
    }();
    PackageFile journalFile = PackageFile::Open(path, FileAccess::ReadWrite, FileSharing::Shared);
    std::string header(static_cast<std::size_t>(kHeaderBytes), '\0');
    journalFile.seek(0);
    const std::size_t got = journalFile.read(header.data(), header.size());
    if (header.find_first_not_of('\0') == std::string::npos) {
        // Never armed: the edit stopped before it touched the package.
        journalFile.close();
        RemoveFileDurably(path);
        return Recovery::Discarded;
    }
    try {
        Reader reader(std::string_view(header).substr(0, got));
        if (reader.bytes(kJournalMagic.size()) != kJournalMagic)
            throw Damaged("it is not a Tessel journal");
        const std::uint32_t kind = reader.u32();
        const std::uint64_t inode = reader.u64();
        const std::uint32_t nameChecksum = reader.u32();
        const std::int64_t originalSize = reader.i64();
        const std::uint64_t bodyLength = reader.u64();
        const std::uint32_t bodyChecksum = reader.u32();
        const std::size_t headerLength = reader.consumed(header);
        if (reader.u32() != Checksum(std::string_view(header).substr(0, headerLength)))
            throw Damaged("its header is damaged");
        if (inode != static_cast<std::uint64_t>(package.stamp().inode) ||
            nameChecksum != Checksum(BaseName(packagePath)))
            RefuseJournal(packagePath, "belongs to another file");
        if (bodyLength > static_cast<std::uint64_t>(journalFile.size()))
            throw Damaged("it ends early");
        std::string body(static_cast<std::size_t>(bodyLength), '\0');
        journalFile.seek(kBodyOffset);
        journalFile.readExact(body.data(), body.size());
        if (Checksum(body) != bodyChecksum)
            throw Damaged("its contents are damaged");
        Reader bodyReader(body);
        if (kind == kRedo)
            return Redo(package, std::move(journalFile), bodyReader,
                        kBodyOffset + static_cast<std::int64_t>(bodyLength));
        if (kind != kUndo)
            throw Damaged("it is of an unknown kind");
        Undo(package, bodyReader, originalSize);
        journalFile.close();
        RemoveFileDurably(path);
        return Recovery::Undone;
    } catch (const Damaged& damaged) {
        RefuseJournal(packagePath, std::string("is damaged: ") + damaged.what());
    }
}

std::string RecoveryNote(const std::string& packagePath, Recovery recovery) {
    const std::string name = "\"" + FullPath(packagePath) + "\"";
    switch (recovery) {
    case Recovery::Undone:
        return "an interrupted edit of " + name + " was undone; the package is as it was before that edit";
    case Recovery::Completed:
        return "an interrupted edit of " + name + " was finished; the package is as that edit left it";
    default:
        return {};
    }
}

} // namespace tessel
