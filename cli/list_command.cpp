#include "commands.h"
#include "text_format.h"

#include "name_pattern.h"
#include "name_text.h"
#include "package_error.h"
#include "package_reader.h"

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace tessel::cli {

namespace {

struct ListOptions {
    std::string package;
    std::vector<std::string> entries;
    bool json = false;
    bool longFormat = false;
};

// Output goes through one large buffer: a package may hold a hundred thousand entries.
class Output {
public:
    Output() { buffer_.reserve(kFlushAt + 4096); }
    ~Output() {
        if (!buffer_.empty())
            std::fwrite(buffer_.data(), 1, buffer_.size(), stdout);
    }
    void add(const std::string& text) {
        buffer_ += text;
        if (buffer_.size() >= kFlushAt)
            flush();
    }
    void flush() {
        const std::size_t put = std::fwrite(buffer_.data(), 1, buffer_.size(), stdout);
        const bool whole = put == buffer_.size();
        buffer_.clear();
        if (!whole)
            throw PackageError("Cannot write the listing: " + SystemReason(errno));
    }

private:
    static constexpr std::size_t kFlushAt = 1 << 16;
    std::string buffer_;
};

// Which entries a listing shows: every one, or those the paths name (by their shown path,
// or as patterns) with everything inside the folders among them.
class Selection {
public:
    explicit Selection(const std::vector<std::string>& paths) : paths_(paths), used_(paths.size(), false) {
        for (const std::string& path : paths)
            patterns_.emplace_back(path);
    }

    // Whether the record, whose folders are open around it, is shown; called for every
    // record in directory order.
    bool shows(const DirectoryStream& records) {
        const std::size_t depth = records.folders().depth();
        if (insideFrom_ != kNone && depth > insideFrom_)
            return true;
        insideFrom_ = kNone;
        if (paths_.empty())
            return true;
        const std::string path = records.path();
        std::vector<std::string_view> parts;
        for (std::size_t i = 0; i < depth; ++i)
            parts.push_back(records.folders().segment(i));
        const std::string name = NameToUtf8(records.record().nameView());
        parts.push_back(name);
        bool shown = false;
        for (std::size_t i = 0; i < paths_.size(); ++i) {
            const std::string& wanted = paths_[i];
            const bool exact = path == wanted || (records.record().isFolder() && path == wanted + "/");
            if (exact || (IsPattern(wanted) && patterns_[i].matches(parts, records.record().isFolder()))) {
                used_[i] = true;
                shown = true;
            }
        }
        if (shown && records.record().isFolder())
            insideFrom_ = depth;
        return shown;
    }

    // Raises for a path or pattern that named nothing, as tar does.
    void requireAllUsed() const {
        for (std::size_t i = 0; i < paths_.size(); ++i) {
            if (!used_[i])
                throw PackageError(IsPattern(paths_[i]) ? "no entry matches \"" + paths_[i] + "\""
                                                        : "no entry \"" + paths_[i] + "\" in the package");
        }
    }

private:
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    std::vector<std::string> paths_;
    std::vector<PathPattern> patterns_;
    std::vector<bool> used_;
    std::size_t insideFrom_ = kNone;
};

// Hands each entry shown with its path to the visitor, in directory order, straight from the
// directory: no tree is built, so memory stays with the depth of the folders.
template <typename Visitor> void WalkEntries(PackageReader& reader, Selection& selection, Visitor visit) {
    DirectoryStream records = reader.records();
    while (records.next()) {
        if (!records.record().isFolderEnd() && selection.shows(records))
            visit(records.record(), records.path());
    }
    selection.requireAllUsed();
}

// A path as a terminal can show it: control characters and backslashes escaped as C does,
// as GNU ls does for names that hold them.
std::string Escaped(const std::string& path) {
    std::string out;
    out.reserve(path.size());
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (byte < 0x20 || byte == 0x7F) {
                char code[5];
                std::snprintf(code, sizeof code, "\\%03o", byte);
                out += code;
            } else {
                out.push_back(c);
            }
        }
    }
    return out;
}

std::string LongLine(const DirEntry& record, const std::string& path) {
    char line[96];
    if (record.isFolder()) {
        std::snprintf(line, sizeof line, "%15s  %-16s  ", "folder", "");
    } else {
        const std::string when = record.Timestamp > 0 ? WallClockText(record.Timestamp) : "";
        std::snprintf(line, sizeof line, "%15s  %-16s  ", WithThousands(record.Size).c_str(), when.c_str());
    }
    return line + Escaped(path) + "\n";
}

std::string JsonObject(const DirEntry& record, const std::string& path) {
    nlohmann::ordered_json object;
    object["path"] = path;
    object["type"] = record.isFolder() ? "folder" : "file";
    if (record.isFile()) {
        object["size"] = record.Size;
        object["offset"] = record.Offset;
        object["timestamp"] = record.Timestamp;
    }
    return object.dump();
}

int RunList(const ListOptions& options) {
    PackageReader reader(options.package);
    ReportRecovery(reader.recoveryNote());
    Selection selection(options.entries);
    Output out;
    if (options.json) {
        bool first = true;
        out.add("[");
        WalkEntries(reader, selection, [&](const DirEntry& record, const std::string& path) {
            out.add(first ? "\n  " : ",\n  ");
            out.add(JsonObject(record, path));
            first = false;
        });
        out.add(first ? "]\n" : "\n]\n");
        out.flush();
    } else {
        WalkEntries(reader, selection, [&](const DirEntry& record, const std::string& path) {
            out.add(options.longFormat ? LongLine(record, path) : Escaped(path) + "\n");
        });
        out.flush();
    }
    return kExitSuccess;
}

} // namespace

Command AddListCommand(CLI::App& parent) {
    auto options = std::make_shared<ListOptions>();
    CLI::App* app = parent.add_subcommand("list", "List every entry of a package in directory order");
    app->add_option("PACKAGE", options->package, "The package file")->required();
    app->add_flag("--json", options->json, "Write a JSON array with path, type, size, offset and timestamp");
    app->add_flag("-l,--long", options->longFormat, "Show sizes and dates");
    app->add_option("ENTRY", options->entries,
                    "Entries to list, folders with everything inside, or patterns (*, ?, [...], **; case "
                    "ignored); default: all");
    app->footer("Folders end with \"/\". Paths run from the package's top level, joined by \"/\".");
    return {app, [options] { return RunList(*options); }};
}

} // namespace tessel::cli
