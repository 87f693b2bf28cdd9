// Shell-style patterns for entry names and paths, matched ignoring ASCII case: "*" any run of
// characters within one name, "?" any one character, "[...]" one of a set ("[a-c]", "[!x]"),
// and in paths "**" as a whole part for any number of folders. Names are matched as the text
// they show, UTF-8, a character at a time.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tessel {

// Whether the text holds any of the characters that make a pattern.
bool IsPattern(std::string_view text);

class NamePattern {
public:
    explicit NamePattern(std::string_view pattern);
    bool matches(std::string_view name) const;

private:
    std::string pattern_;
};

// A pattern for paths joined by "/"; a trailing "/" matches folders only.
class PathPattern {
public:
    explicit PathPattern(std::string_view pattern);
    // The path's parts, the folder names outermost first and the entry's name last.
    bool matches(const std::vector<std::string_view>& parts, bool folder) const;
    bool matches(std::string_view path) const;

private:
    bool matchFrom(const std::vector<std::string_view>& parts, std::size_t part, std::size_t from) const;

    std::vector<std::string> raw_;
    std::vector<NamePattern> parts_;
    bool folderOnly_ = false;
};

} // namespace tessel
