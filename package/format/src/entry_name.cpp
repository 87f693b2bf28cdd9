#include "entry_name.h"

#include "name_text.h"
#include "package_error.h"
#include "vp_format.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace tessel {

namespace {

// The name for a message, a NUL shown as "\0" so that the message is not cut there.
std::string Printable(std::string_view name) {
    std::string shown;
    for (const char c : NameToUtf8(name))
        shown += c == '\0' ? std::string("\\0") : std::string(1, c);
    return shown;
}

} // namespace

char FoldCase(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool IsSafeEntryName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos &&
           name.find('\0') == std::string_view::npos;
}

std::string NewNameProblem(std::string_view name) {
    if (name.empty())
        return "a name cannot be empty";
    if (name == "." || name == "..")
        return "a name cannot be \".\" or \"..\"";
    if (name.find('/') != std::string_view::npos)
        return "a name cannot hold \"/\"";
    if (name.find('\0') != std::string_view::npos)
        return "a name cannot hold a NUL character";
    if (name.size() > std::size_t(kMaxWrittenNameLength))
        return "the name is " + std::to_string(name.size()) +
               " bytes long; a package entry's name holds at most " + std::to_string(kMaxWrittenNameLength);
    return {};
}

void RequireNewName(const std::string& name) {
    if (const std::string problem = NewNameProblem(name); !problem.empty())
        throw PackageError("Cannot name an entry \"" + Printable(name) + "\": " + problem);
}

bool SameEntryName(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (FoldCase(a[i]) != FoldCase(b[i]))
            return false;
    }
    return true;
}

namespace {

constexpr std::uint64_t kOnes = 0x0101010101010101ull;

// Eight bytes at once with ASCII lower case made upper, as FoldCase does byte by byte.
std::uint64_t Folded8(const char* bytes) {
    std::uint64_t x;
    std::memcpy(&x, bytes, 8);
    const std::uint64_t low = x & 0x7f7f7f7f7f7f7f7full;
    const std::uint64_t fromA = low + (0x80 - 'a') * kOnes;
    const std::uint64_t pastZ = low + (0x80 - 'z' - 1) * kOnes;
    const std::uint64_t lower = fromA & ~pastZ & ~x & (0x80 * kOnes);
    return x - (lower >> 2);
}

} // namespace

bool FoldedLess(std::string_view a, std::string_view b) {
    const std::size_t common = std::min(a.size(), b.size());
    std::size_t i = 0;
    for (; i + 8 <= common; i += 8) {
        const std::uint64_t x = Folded8(a.data() + i);
        const std::uint64_t y = Folded8(b.data() + i);
        if (x != y) {
            // The first byte that differs is the lowest one that does.
            const int at = __builtin_ctzll(x ^ y) / 8;
            return ((x >> (8 * at)) & 0xff) < ((y >> (8 * at)) & 0xff);
        }
    }
    for (; i < common; ++i) {
        const auto x = static_cast<unsigned char>(FoldCase(a[i]));
        const auto y = static_cast<unsigned char>(FoldCase(b[i]));
        if (x != y)
            return x < y;
    }
    return a.size() < b.size();
}

std::size_t FoldedHash::operator()(std::string_view text) const {
    std::uint64_t hash = 0x9e3779b97f4a7c15ull ^ text.size();
    std::size_t i = 0;
    for (; i + 8 <= text.size(); i += 8)
        hash = (hash ^ Folded8(text.data() + i)) * 0xff51afd7ed558ccdull;
    for (; i < text.size(); ++i)
        hash = (hash ^ static_cast<unsigned char>(FoldCase(text[i]))) * 0x100000001b3ull;
    // Mixed through, so that names alike but for their last characters spread over every
    // bit: tables take their slot from the low ones.
    hash = (hash ^ (hash >> 33)) * 0xc4ceb9fe1a85ec53ull;
    return std::size_t(hash ^ (hash >> 33));
}

bool FoldedEqual::operator()(std::string_view a, std::string_view b) const {
    if (a.size() != b.size())
        return false;
    std::size_t i = 0;
    for (; i + 8 <= a.size(); i += 8) {
        if (Folded8(a.data() + i) != Folded8(b.data() + i))
            return false;
    }
    for (; i < a.size(); ++i) {
        if (FoldCase(a[i]) != FoldCase(b[i]))
            return false;
    }
    return true;
}

std::string EntryNameKey(std::string_view name) {
    std::string key(name);
    for (char& c : key)
        c = FoldCase(c);
    return key;
}

std::string NumberedName(std::string_view name, int number) {
    const std::size_t dot = name.rfind('.');
    // A name that starts with its only dot (".hidden") has no extension.
    const bool hasExtension = dot != std::string_view::npos && dot > 0;
    std::string_view stem = hasExtension ? name.substr(0, dot) : name;
    std::string_view extension = hasExtension ? name.substr(dot) : std::string_view();
    const std::string mark = " (" + std::to_string(number) + ")";
    const std::size_t room = std::size_t(kMaxWrittenNameLength);
    if (mark.size() + extension.size() > room)
        extension = {};
    std::size_t keep = std::min(stem.size(), room - mark.size() - extension.size());
    // Cut before a continuation byte would split a character.
    while (keep > 0 && keep < stem.size() && (static_cast<unsigned char>(stem[keep]) & 0xC0) == 0x80)
        --keep;
    return std::string(stem.substr(0, keep)) + mark + std::string(extension);
}

} // namespace tessel
