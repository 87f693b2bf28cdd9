// Which names a filter or a search keeps: the text typed, compared ignoring ASCII case,
// anywhere in the name; with *, ? or [...] it is a pattern for the whole name, as the
// command line's patterns are.
#pragma once

#include <QString>
#include <memory>
#include <string>
#include <string_view>

namespace tessel {
class NamePattern;
}

namespace tessel::ui {

class NameFilter {
public:
    NameFilter() = default;
    explicit NameFilter(const QString& text);

    bool empty() const { return !pattern_; }
    // Whether the stored name (shown as UTF-8, else as Windows-1252) is kept.
    bool matches(std::string_view storedName) const;

private:
    std::shared_ptr<const NamePattern> pattern_;
};

} // namespace tessel::ui
