#include "commands.h"
#include "text_format.h"

#include "folder_tree.h"
#include "name_text.h"
#include "package.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace tessel::cli {

namespace {

struct ListOptions {
    std::string package;
    bool json = false;
    bool longFormat = false;
};

// Output goes through one large buffer: a package may hold a hundred thousand entries.
class Output {
public:
    Output() { buffer_.reserve(kFlushAt + 4096); }
    ~Output() { flush(); }
    void add(const std::string& text) {
        buffer_ += text;
        if (buffer_.size() >= kFlushAt)
            flush();
    }
    void flush() {
        std::fwrite(buffer_.data(), 1, buffer_.size(), stdout);
        buffer_.clear();
    }

private:
    static constexpr std::size_t kFlushAt = 1 << 16;
    std::string buffer_;
};

// Walks the tree in directory order, handing each entry with its path to the visitor.
template <typename Visitor> void WalkEntries(const FolderTree& tree, Visitor visit) {
    std::vector<std::string> prefixes{""};
    const TreeNode* root = tree.root();
    for (const TreeNode* node = root->next(); node; node = node->next()) {
        prefixes.resize(static_cast<std::size_t>(node->level()));
        const std::string& prefix = prefixes.back();
        std::string path = prefix + NameToUtf8(node->text());
        if (node->isFolder()) {
            path += "/";
            prefixes.push_back(path);
        }
        visit(*node, path);
    }
}

std::string LongLine(const TreeNode& node, const std::string& path) {
    char line[96];
    if (node.isFolder()) {
        std::snprintf(line, sizeof line, "%15s  %-16s  ", "folder", "");
    } else {
        const EntryRecord& record = *node.record();
        const std::string when = record.Timestamp > 0 ? WallClockText(record.Timestamp) : "";
        std::snprintf(line, sizeof line, "%15s  %-16s  ", WithThousands(record.Size).c_str(), when.c_str());
    }
    return line + path + "\n";
}

std::string JsonObject(const TreeNode& node, const std::string& path) {
    nlohmann::ordered_json object;
    object["path"] = path;
    object["type"] = node.isFolder() ? "folder" : "file";
    if (const EntryRecord* record = node.record()) {
        object["size"] = record->Size;
        object["offset"] = record->Offset;
        object["timestamp"] = record->Timestamp;
    }
    return object.dump();
}

int RunList(const ListOptions& options) {
    Package package;
    LoadForCommand(package, options.package);
    const FolderTree& tree = package.tree();
    Output out;
    if (options.json) {
        bool first = true;
        out.add("[");
        WalkEntries(tree, [&](const TreeNode& node, const std::string& path) {
            out.add(first ? "\n  " : ",\n  ");
            out.add(JsonObject(node, path));
            first = false;
        });
        out.add(first ? "]\n" : "\n]\n");
    } else {
        WalkEntries(tree, [&](const TreeNode& node, const std::string& path) {
            out.add(options.longFormat ? LongLine(node, path) : path + "\n");
        });
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
    app->footer("Folders end with \"/\". Paths run from the package's top level, joined by \"/\".");
    return {app, [options] { return RunList(*options); }};
}

} // namespace tessel::cli
