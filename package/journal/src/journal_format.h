// The bytes of an edit journal, shared by the code that writes journals and the code that
// recovers from them: the head, the progress slots, the bodies, and their checksums.
#pragma once

#include "journal_plan.h"
#include "package_file.h"

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tessel::journal_format {

inline constexpr std::string_view kJournalMagic = "TSLJRNL1";
inline constexpr std::uint32_t kSlotMagic = 0x474f5250; // "PROG"
inline constexpr std::int64_t kHeaderBytes = 128;
inline constexpr std::int64_t kSlotOffsets[2] = {128, 192};
inline constexpr std::size_t kSlotBytes = 36;
inline constexpr std::int64_t kBodyOffset = 4096;
inline constexpr std::uint32_t kUndo = 1;
inline constexpr std::uint32_t kRedo = 2;

struct Progress {
    std::uint64_t sequence = 0;
    std::int64_t done = 0;
    std::int64_t windowLength = 0;
    std::uint32_t windowChecksum = 0;
};

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
    std::size_t left() const { return bytes_.size(); }

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

// What a journal's head says.
struct Head {
    std::uint32_t kind = 0;
    std::uint64_t inode = 0;
    std::uint32_t nameChecksum = 0;
    std::int64_t originalSize = 0;
    std::uint64_t bodyLength = 0;
    std::uint32_t bodyChecksum = 0;
};

// CRC-32 as zlib and gzip compute it, with the processor's carry-less multiply where it has
// one: a window of the journal can be tens of megabytes, which a table-driven CRC takes as
// long to check as to copy.
std::uint32_t Checksum(std::string_view bytes);
// The checksum of bytes that follow those whose checksum is given.
std::uint32_t ChecksumMore(std::uint32_t checksum, std::string_view bytes);
// The name of the package's file, which a journal records to say whose it is.
std::string BaseName(const std::string& path);

// Each encoder beside its decoder: what one writes, the other reads back.
std::string EncodeHead(const Head& head);
// Throws Damaged when the bytes are no sound head of a Tessel journal.
Head DecodeHead(std::string_view bytes);

std::string EncodeUndoBody(const std::vector<Piece>& originals);
std::vector<Piece> DecodeUndoBody(Reader& reader);

std::string EncodeRedoBody(const RedoPlan& plan);
RedoPlan DecodeRedoBody(Reader& reader);

std::string EncodeSlot(const Progress& progress);
// Empty when the bytes hold no whole progress record.
std::optional<Progress> DecodeSlot(std::string_view bytes);
// The newer of the two progress slots that holds a whole record.
Progress LatestProgress(PackageFile& journal);
// Stretches that move down far are copied straight inside the package, with a sync each
// time the writing reaches bytes not yet copied durably; shorter distances would need a
// sync every few bytes, so their stretches go through the journal instead.
MoveLimits& Limits();

} // namespace tessel::journal_format
