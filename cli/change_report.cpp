#include "change_report.h"

#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>

namespace tessel::cli {

namespace {

const char* Code(EntryChange::Kind kind) {
    switch (kind) {
    case EntryChange::Added:
        return "A";
    case EntryChange::Removed:
        return "D";
    case EntryChange::Changed:
        return "M";
    case EntryChange::Time:
        return "T";
    }
    return "?";
}

const char* Word(EntryChange::Kind kind) {
    switch (kind) {
    case EntryChange::Added:
        return "added";
    case EntryChange::Removed:
        return "removed";
    case EntryChange::Changed:
        return "changed";
    case EntryChange::Time:
        return "time";
    }
    return "?";
}

nlohmann::ordered_json Side(const EntryRecord& record) {
    nlohmann::ordered_json side;
    side["size"] = record.Size;
    side["timestamp"] = record.Timestamp;
    return side;
}

} // namespace

void WriteChanges(std::vector<EntryChange> changes, bool json) {
    std::stable_sort(changes.begin(), changes.end(),
                     [](const EntryChange& a, const EntryChange& b) { return a.path < b.path; });
    if (!json) {
        for (const EntryChange& change : changes)
            std::printf("%s %s\n", Code(change.kind), change.path.c_str());
        return;
    }
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const EntryChange& change : changes) {
        nlohmann::ordered_json object;
        object["path"] = change.path;
        object["change"] = Word(change.kind);
        if (change.before)
            object["old"] = Side(*change.before);
        if (change.after)
            object["new"] = Side(*change.after);
        list.push_back(std::move(object));
    }
    std::printf("%s\n", list.dump(2, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
}

} // namespace tessel::cli
