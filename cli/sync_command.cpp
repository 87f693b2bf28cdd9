#include "change_report.h"
#include "commands.h"
#include "run_report.h"

#include "entry_path.h"
#include "package.h"
#include "package_error.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace tessel::cli {

namespace {

struct SyncArguments {
    std::string package;
    std::string folder;
    std::string target;
    bool removeMissing = false;
    bool dryRun = false;
    bool json = false;
    bool keepTimes = false;
};

int RunSync(const SyncArguments& arguments) {
    Package package;
    LoadForCommand(package, arguments.package);
    const TreeNode* target = package.tree().root();
    if (!arguments.target.empty()) {
        target = FindEntry(package.tree(),
                           arguments.target.back() == '/' ? arguments.target : arguments.target + "/");
        if (!target)
            throw PackageError("no folder \"" + arguments.target + "\" in the package");
    }
    RunReport report("syncing");
    SyncOptions options;
    options.removeMissing = arguments.removeMissing;
    options.dryRun = arguments.dryRun;
    options.times.keepTimes = arguments.keepTimes;
    const std::vector<EntryChange> changes =
        package.Sync(arguments.folder, target, options, report.observer());
    report.finish();
    WriteChanges(changes, arguments.json);
    return report.status();
}

} // namespace

Command AddSyncCommand(CLI::App& parent) {
    auto arguments = std::make_shared<SyncArguments>();
    CLI::App* app =
        parent.add_subcommand("sync", "Make a folder of a package hold a folder's files, as one edit");
    app->add_option("PACKAGE", arguments->package, "The package file")->required();
    app->add_option("FOLDER", arguments->folder, "The folder on disk whose files the package takes")
        ->required();
    app->add_option("--to", arguments->target, "The folder of the package (default: the top level)");
    app->add_flag("--delete", arguments->removeMissing, "Remove the entries that FOLDER lacks");
    app->add_flag("-n,--dry-run", arguments->dryRun, "Say what would change, and change nothing");
    app->add_flag("--json", arguments->json, "Write the changes as a JSON array");
    app->add_flag("--keep-times", arguments->keepTimes,
                  "Give each entry added or changed the file's modification time as its timestamp");
    app->footer(
        "Files the package lacks are added (A), files whose bytes differ get the file's (M: sizes "
        "first, then contents), and with --delete entries FOLDER lacks are removed (D). Names are the "
        "same when they differ only in ASCII case. Unchanged entries keep their bytes, places and "
        "timestamps; a sync with nothing to do writes nothing. The whole sync is one atomic edit.");
    return {app, [arguments] { return RunSync(*arguments); }};
}

} // namespace tessel::cli
