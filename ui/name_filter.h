// Which names a filter or a search keeps: the text typed, compared ignoring ASCII case,
// anywhere in the name; with * (any characters) or ? (any one character) it is a pattern
// for the whole name. Names are matched as bytes, so a folder of a hundred thousand
// entries filters in a few milliseconds.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace tessel::ui {

class NameFilter {
public:
    NameFilter() = default;
    explicit NameFilter(const QString& text);

    bool empty() const { return pattern_.empty(); }
    // Whether the stored name (shown as UTF-8, else as Windows-1252) is kept.
    bool matches(std::string_view storedName) const;

private:
    bool matchesText(std::string_view name) const;

    // Lower-case UTF-8, with * around plain text.
    std::string pattern_;
};

} // namespace tessel::ui
