#include "commands.h"
#include "run_report.h"

#include "entry_arguments.h"
#include "package.h"

#include <CLI/CLI.hpp>
#include <memory>
#include <string>
#include <vector>

namespace tessel::cli {

namespace {

struct DeleteOptions {
    std::string package;
    std::vector<std::string> entries;
    bool all = false;
};

struct RenameOptions {
    std::string package;
    std::string entry;
    std::string newName;
};

int RunDelete(const DeleteOptions& options) {
    Package package;
    LoadForCommand(package, options.package);
    RunReport report("deleting");
    package.DeleteEntries(EntriesNamed(package.tree(), options.entries,
                                       options.all ? Several::Taken : Several::RefusedButAllowed),
                          report.observer());
    report.finish();
    return kExitSuccess;
}

int RunRename(const RenameOptions& options) {
    Package package;
    LoadForCommand(package, options.package);
    package.RenameEntry(EntriesNamed(package.tree(), {options.entry}, Several::Refused).front(),
                        options.newName);
    return kExitSuccess;
}

} // namespace

Command AddDeleteCommand(CLI::App& parent) {
    auto options = std::make_shared<DeleteOptions>();
    CLI::App* app =
        parent.add_subcommand("delete", "Delete entries, folders with everything inside, from a package");
    app->add_option("PACKAGE", options->package, "The package file")->required();
    app->add_option("ENTRY", options->entries,
                    "Entries to delete, folders with everything inside, or patterns (*, ?, [...], **)")
        ->required();
    app->add_flag("--all", options->all, "Delete every entry that a path names (two entries of one name)");
    app->footer("The package is rewritten in place; the data behind the deleted entries moves down.");
    return {app, [options] { return RunDelete(*options); }};
}

Command AddRenameCommand(CLI::App& parent) {
    auto options = std::make_shared<RenameOptions>();
    CLI::App* app = parent.add_subcommand("rename", "Give an entry (a file or a folder) a new name");
    app->add_option("PACKAGE", options->package, "The package file")->required();
    app->add_option("ENTRY", options->entry, "The entry to rename")->required();
    app->add_option("NEWNAME", options->newName,
                    "Its new name: at most 31 bytes, not the name of another entry of its folder; longer "
                    "names are refused")
        ->required();
    return {app, [options] { return RunRename(*options); }};
}

} // namespace tessel::cli
