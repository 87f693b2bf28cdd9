#include "commands.h"
#include "progress_bar.h"

#include "entry_path.h"
#include "extraction.h"
#include "package_loader.h"

#include <CLI/CLI.hpp>
#include <memory>
#include <string>
#include <vector>

namespace tessel::cli {

namespace {

struct ExtractOptions {
    std::string package;
    std::string destination;
    std::vector<std::string> entries;
};

// The nodes in the order the engine walks them, so that each progress call can be
// matched with its node's size.
std::vector<const TreeNode*> WalkOrder(const TreeNode* start, const TreeNode* end) {
    std::vector<const TreeNode*> order;
    for (const TreeNode* node = start; node != end; node = node->next())
        order.push_back(node);
    return order;
}

std::int64_t Bytes(const std::vector<const TreeNode*>& nodes) {
    std::int64_t bytes = 0;
    for (const TreeNode* node : nodes)
        bytes += node->record() ? node->record()->Size : 0;
    return bytes;
}

int RunExtract(const ExtractOptions& options) {
    FolderTree tree;
    LoadPackage(options.package, tree);
    std::vector<TreeNode*> nodes;
    std::vector<const TreeNode*> order;
    for (const std::string& path : options.entries) {
        TreeNode* node = RequireEntry(tree, path);
        nodes.push_back(node);
        const auto subtree = WalkOrder(node, node->nextAfterSubtree());
        order.insert(order.end(), subtree.begin(), subtree.end());
    }
    if (nodes.empty())
        order = WalkOrder(tree.root(), nullptr);

    ProgressBar bar("extracting", static_cast<std::int64_t>(order.size()), Bytes(order));
    const ProgressCallback progress = [&](const std::string&, const std::string& name, std::int32_t,
                                          std::int32_t index) {
        if (name.empty() || index < 0 || static_cast<std::size_t>(index) >= order.size())
            return;
        const EntryRecord* record = order[static_cast<std::size_t>(index)]->record();
        bar.advance(1, record ? record->Size : 0);
    };
    if (nodes.empty())
        ExtractRange(options.package, options.destination, tree.root(), nullptr, progress);
    else
        ExtractNodes(options.package, options.destination, nodes, progress);
    bar.finish();
    return kExitSuccess;
}

} // namespace

Command AddExtractCommand(CLI::App& parent) {
    auto options = std::make_shared<ExtractOptions>();
    CLI::App* app =
        parent.add_subcommand("extract", "Extract the whole package, or the named entries, into a folder");
    app->add_option("PACKAGE", options->package, "The package file")->required();
    app->add_option("DEST", options->destination, "The folder to write into (made when missing)")->required();
    app->add_option("ENTRY", options->entries,
                    "Entries to extract, with everything inside the folders among them (default: all)");
    app->footer(
        "The whole package keeps its folders below DEST; a named entry lands in DEST by its own name.");
    return {app, [options] { return RunExtract(*options); }};
}

} // namespace tessel::cli
