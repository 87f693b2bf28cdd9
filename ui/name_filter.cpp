#include "name_filter.h"

#include "name_pattern.h"
#include "name_text.h"

namespace tessel::ui {

NameFilter::NameFilter(const QString& text) {
    const std::string typed = text.trimmed().toStdString();
    if (typed.empty())
        return;
    // Plain text is looked for anywhere in the name; a pattern is for the whole name.
    pattern_ = std::make_shared<NamePattern>(IsPattern(typed) ? typed : "*" + typed + "*");
}

bool NameFilter::matches(std::string_view storedName) const {
    if (empty())
        return true;
    if (IsValidUtf8(storedName))
        return pattern_->matches(storedName);
    return pattern_->matches(NameToUtf8(storedName));
}

} // namespace tessel::ui
