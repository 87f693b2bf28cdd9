#include "commands.h"
#include "progress_bar.h"

#include "entry_arguments.h"
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
    bool overwriteDuplicates = false;
    bool keepTimes = false;
    bool all = false;
    bool verbose = false;
};

int RunExtract(const ExtractOptions& options) {
    Package package;
    // Named entries need only their part of the tree: memory stays with what is used.
    LoadForCommand(package, options.package, options.entries);
    const std::vector<const TreeNode*> nodes = EntriesNamed(
        package.tree(), options.entries, options.all ? Several::Taken : Several::RefusedButAllowed);
    const bool whole = nodes.empty();
    ProgressBar bar("extracting",
                    TallyEntries(whole ? std::vector<const TreeNode*>{package.tree().root()} : nodes));
    ProgressObserver observer;
    observer.progress = [&](const ProgressEvent& event) {
        if (event.node)
            bar.advance(1, event.node->record() ? event.node->record()->Size : 0);
    };
    // Files kept are counted; naming a thousand of them would bury what else is said.
    long kept = 0;
    if (options.keepOldFiles) {
        observer.existing = [](const TreeNode*, const std::string&) { return ExistingFile::Keep; };
        observer.skipped = [&](const std::string& path, const std::string&) {
            ++kept;
            if (!options.verbose)
                return;
            bar.clearLine();
            std::fprintf(stderr, "tessel-vp: kept the existing \"%s\"\n", path.c_str());
        };
    }
    // Two entries that land on one path: the later is written, as the format's order says,
    // and each such path is named.
    int duplicates = 0;
    observer.duplicate = [&](const TreeNode* entry, const std::string& path) {
        ++duplicates;
        if (!options.overwriteDuplicates) {
            bar.clearLine();
            std::fprintf(stderr,
                         "tessel-vp: \"%s\" lands where an earlier entry was written: \"%s\"; the later "
                         "was kept\n",
                         EntryPath(entry).c_str(), path.c_str());
        }
        return ExistingFile::Replace;
    };
    if (whole)
        package.ExtractRange(options.destination, package.tree().root(), nullptr, observer,
                             {options.keepTimes});
    else
        package.ExtractNodes(options.destination, nodes, observer, {options.keepTimes});
    bar.finish();
    if (kept > 0)
        std::fprintf(stderr, "tessel-vp: kept %ld existing file%s%s\n", kept, kept == 1 ? "" : "s",
                     options.verbose ? "" : " (--verbose names them)");
    if (duplicates > 0 && !options.overwriteDuplicates) {
        std::fprintf(
            stderr,
            "tessel-vp: %d entr%s landed where others were written; --overwrite-duplicates allows it\n",
            duplicates, duplicates == 1 ? "y" : "ies");
        return kExitFailure;
    }
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
                    "Entries to extract, with everything inside the folders among them, or patterns "
                    "(*, ?, [...], **); default: all");
    app->add_flag("-k,--keep-old-files", options->keepOldFiles,
                  "Keep files that already exist in DEST instead of replacing them");
    app->add_flag("--overwrite-duplicates", options->overwriteDuplicates,
                  "Let a later entry replace an earlier one of the same path in silence (exit 0)");
    app->add_flag("--keep-times", options->keepTimes,
                  "Give each file written its entry's timestamp as its modification time");
    app->add_flag("-v,--verbose", options->verbose, "Name each file that -k kept");
    app->add_flag("--all", options->all, "Extract every entry that a path names (two entries of one name)");
    app->footer(
        "The whole package keeps its folders below DEST; a named entry lands in DEST by its own name. "
        "Existing files are replaced unless -k is given. Two entries that land on one path (one name twice, "
        "or "
        "names that show alike) are both written, the later last: each is named and the exit status is 1.");
    return {app, [options] { return RunExtract(*options); }};
}

} // namespace tessel::cli
