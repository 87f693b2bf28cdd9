#include "commands.h"
#include "entry_arguments.h"

#include "package.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace tessel::cli {

namespace {

struct CatOptions {
    std::string package;
    std::vector<std::string> entries;
};

int RunCat(const CatOptions& options) {
    Package package;
    // Named entries need only their part of the tree: memory stays with what is used.
    LoadForCommand(package, options.package, options.entries);
    const std::vector<const TreeNode*> entries =
        EntriesNamed(package.tree(), options.entries, Several::Refused);
    std::fflush(stdout);
    package.SendEntries(entries, STDOUT_FILENO);
    return kExitSuccess;
}

} // namespace

Command AddCatCommand(CLI::App& parent) {
    auto options = std::make_shared<CatOptions>();
    CLI::App* app =
        parent.add_subcommand("cat", "Write the bytes of entries to standard output, one after the other");
    app->add_option("PACKAGE", options->package, "The package file")->required();
    app->add_option("ENTRY", options->entries, "Files of the package, or patterns (*, ?, [...], **)")
        ->required();
    app->footer("A folder is an error, and so is a path that names two entries (one name twice).");
    return {app, [options] { return RunCat(*options); }};
}

} // namespace tessel::cli
