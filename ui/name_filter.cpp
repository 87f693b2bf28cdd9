#include "name_filter.h"

#include "name_text.h"

namespace tessel::ui {

namespace {

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The length of the UTF-8 character that starts at the byte (1 for anything else).
std::size_t CharacterLength(std::string_view text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    return std::min(length, text.size() - at);
}

} // namespace

NameFilter::NameFilter(const QString& text) {
    const std::string typed = text.trimmed().toStdString();
    if (typed.empty())
        return;
    for (const char c : typed)
        pattern_ += Lower(c);
    if (pattern_.find_first_of("*?") == std::string::npos)
        pattern_ = "*" + pattern_ + "*";
}

bool NameFilter::matches(std::string_view storedName) const {
    if (empty())
        return true;
    if (IsValidUtf8(storedName))
        return matchesText(storedName);
    return matchesText(NameToUtf8(storedName));
}

// Walks the name once, going back only to the last * seen.
bool NameFilter::matchesText(std::string_view name) const {
    std::size_t p = 0, n = 0;
    std::size_t starAt = std::string::npos, starName = 0;
    while (n < name.size()) {
        if (p < pattern_.size() && pattern_[p] == '*') {
            starAt = p++;
            starName = n;
        } else if (p < pattern_.size() && pattern_[p] == '?') {
            ++p;
            n += CharacterLength(name, n);
        } else if (p < pattern_.size() && pattern_[p] == Lower(name[n])) {
            ++p;
            ++n;
        } else if (starAt != std::string::npos) {
            p = starAt + 1;
            starName += CharacterLength(name, starName);
            n = starName;
        } else {
            return false;
        }
    }
    while (p < pattern_.size() && pattern_[p] == '*')
        ++p;
    return p == pattern_.size();
}

} // namespace tessel::ui
