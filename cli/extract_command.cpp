#include "commands.h"
#include "progress_bar.h"

#include "entry_path.h"
#include "package.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace tessel::cli {

namespace {

struct ExtractOptions {
    std::string package;
    std::string destination;
    std::vector<std::string> entries;
    bool keepOldFiles = false;
};

// Entries and file bytes in the subtrees of the nodes, for the progress bar's totals.
void CountSubtrees(const std::vector<const TreeNode*>& nodes, std::int64_t& items, std::int64_t& bytes) {
    for (const TreeNode* node : nodes) {
        for (const TreeNode* walk : Subtree(node)) {
            ++items;
            bytes += walk->record() ? walk->record()->Size : 0;
        }
    }
}

int RunExtract(const ExtractOptions& options) {
    Package package;
    LoadForCommand(package, options.package);
    std::vector<const TreeNode*> nodes;
    for (const std::string& path : options.entries)
        nodes.push_back(RequireEntry(package.tree(), path));
    const bool whole = nodes.empty();
    std::int64_t items = 0, bytes = 0;
    CountSubtrees(whole ? std::vector<const TreeNode*>{package.tree().root()} : nodes, items, bytes);

    ProgressBar bar("extracting", items, bytes);
    ProgressObserver observer;
    observer.progress = [&](const ProgressEvent& event) {
        if (event.node)
            bar.advance(1, event.node->record() ? event.node->record()->Size : 0);
    };
    if (options.keepOldFiles) {
        observer.existing = [](const TreeNode*, const std::string&) { return ExistingFile::Keep; };
        observer.skipped = [&](const std::string& path, const std::string&) {
            bar.clearLine();
            std::fprintf(stderr, "tessel-vp: kept the existing \"%s\"\n", path.c_str());
        };
    }
    if (whole)
        package.ExtractRange(options.destination, package.tree().root(), nullptr, observer);
    else
        package.ExtractNodes(options.destination, nodes, observer);
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
    app->add_flag("-k,--keep-old-files", options->keepOldFiles,
                  "Keep files that already exist in DEST instead of replacing them");
    app->footer(
        "The whole package keeps its folders below DEST; a named entry lands in DEST by its own name. "
        "Existing files are replaced unless -k is given.");
    return {app, [options] { return RunExtract(*options); }};
}

} // namespace tessel::cli
