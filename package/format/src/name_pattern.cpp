#include "name_pattern.h"

#include "entry_name.h"

namespace tessel {

namespace {

// The length of the UTF-8 character that starts at the byte (1 for anything else).
std::size_t CharacterLength(std::string_view text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    return std::min(length, text.size() - at);
}

// Whether the set that starts at pattern[at] ("[" ... "]") holds the character; `end` gets
// the position after the set. A set without its "]" is a plain "[".
bool InSet(std::string_view pattern, std::size_t at, std::string_view character, std::size_t& end) {
    std::size_t p = at + 1;
    const bool negated = p < pattern.size() && (pattern[p] == '!' || pattern[p] == '^');
    if (negated)
        ++p;
    bool found = false;
    for (bool first = true; p < pattern.size() && (pattern[p] != ']' || first); first = false) {
        const std::size_t length = CharacterLength(pattern, p);
        const std::string_view low = pattern.substr(p, length);
        p += length;
        if (p + 1 < pattern.size() && pattern[p] == '-' && pattern[p + 1] != ']') {
            const std::size_t highLength = CharacterLength(pattern, p + 1);
            const std::string_view high = pattern.substr(p + 1, highLength);
            p += 1 + highLength;
            if (character.size() == 1 && low.size() == 1 && high.size() == 1) {
                const char c = FoldCase(character[0]);
                found = found || (FoldCase(low[0]) <= c && c <= FoldCase(high[0]));
            }
            continue;
        }
        found =
            found || (low.size() == 1 && character.size() == 1 ? FoldCase(low[0]) == FoldCase(character[0])
                                                               : low == character);
    }
    if (p >= pattern.size()) {
        end = std::string_view::npos;
        return false;
    }
    end = p + 1;
    return found != negated;
}

} // namespace

bool IsPattern(std::string_view text) {
    return text.find_first_of("*?[") != std::string_view::npos;
}

NamePattern::NamePattern(std::string_view pattern) : pattern_(pattern) {}

// Walks the name once, going back only to the last "*" seen.
bool NamePattern::matches(std::string_view name) const {
    const std::string_view pattern = pattern_;
    std::size_t p = 0, n = 0;
    std::size_t starAt = std::string_view::npos, starName = 0;
    while (n < name.size()) {
        const std::size_t length = CharacterLength(name, n);
        std::size_t setEnd = 0;
        if (p < pattern.size() && pattern[p] == '*') {
            starAt = p++;
            starName = n;
        } else if (p < pattern.size() && pattern[p] == '?') {
            ++p;
            n += length;
        } else if (p < pattern.size() && pattern[p] == '[' &&
                   InSet(pattern, p, name.substr(n, length), setEnd)) {
            p = setEnd;
            n += length;
        } else if (p < pattern.size() && (pattern[p] != '[' || setEnd == std::string_view::npos) &&
                   FoldCase(pattern[p]) == FoldCase(name[n])) {
            ++p;
            ++n;
        } else if (starAt != std::string_view::npos) {
            p = starAt + 1;
            starName += CharacterLength(name, starName);
            n = starName;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

PathPattern::PathPattern(std::string_view pattern) {
    folderOnly_ = !pattern.empty() && pattern.back() == '/';
    if (folderOnly_)
        pattern.remove_suffix(1);
    for (std::size_t start = 0;;) {
        const std::size_t slash = pattern.find('/', start);
        raw_.emplace_back(
            pattern.substr(start, slash == std::string_view::npos ? std::string_view::npos : slash - start));
        parts_.emplace_back(raw_.back());
        if (slash == std::string_view::npos)
            break;
        start = slash + 1;
    }
}

bool PathPattern::matchFrom(const std::vector<std::string_view>& parts, std::size_t part,
                            std::size_t from) const {
    if (part == raw_.size())
        return from == parts.size();
    if (raw_[part] == "**") {
        // Any number of folders, none included.
        for (std::size_t skip = from; skip <= parts.size(); ++skip) {
            if (matchFrom(parts, part + 1, skip))
                return true;
        }
        return false;
    }
    return from < parts.size() && parts_[part].matches(parts[from]) && matchFrom(parts, part + 1, from + 1);
}

bool PathPattern::matches(const std::vector<std::string_view>& parts, bool folder) const {
    if (folderOnly_ && !folder)
        return false;
    return matchFrom(parts, 0, 0);
}

bool PathPattern::matches(std::string_view path) const {
    const bool folder = !path.empty() && path.back() == '/';
    if (folder)
        path.remove_suffix(1);
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const std::size_t slash = path.find('/', start);
        parts.push_back(
            path.substr(start, slash == std::string_view::npos ? std::string_view::npos : slash - start));
        if (slash == std::string_view::npos)
            break;
        start = slash + 1;
    }
    return matches(parts, folder);
}

} // namespace tessel
