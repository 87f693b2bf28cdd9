#include "commands.h"
#include "run_report.h"

#include "adding.h"
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

constexpr const char* kKeepTimesHelp =
    "Give each entry the file's modification time as its timestamp (default: the moment of adding)";

constexpr const char* kUnpackHelp =
    "Add the contents of archives given (.zip, .7z, .tar, .tar.gz, .tar.xz, .tar.zst) instead of the files";

struct AddOptions {
    std::string package;
    std::string folder;
    std::vector<std::string> paths;
    bool replace = false;
    bool skipExisting = false;
    bool keepBoth = false;
    bool keepTimes = false;
    bool unpack = false;
};

// The observer of an adding run: the run's report, with the clash answers of the options.
class AddingReport {
public:
    explicit AddingReport(const AddOptions& options)
        : options_(options),
          report_("adding", ProgressBar::Shown() ? TallyDiskPaths(options.paths) : DiskTally{}) {}

    ProgressObserver observer();
    int finish() {
        report_.finish();
        return report_.status();
    }

private:
    const AddOptions& options_;
    RunReport report_;
};

ProgressObserver AddingReport::observer() {
    ProgressObserver observer = report_.observer();
    observer.clash = [this](const std::string& path, const TreeNode* existing) {
        if (options_.replace)
            return NameClash::Replace;
        if (options_.skipExisting)
            return NameClash::Skip;
        if (options_.keepBoth)
            return NameClash::KeepBoth;
        // Two entries of one name would be one to the game: nothing is decided unasked.
        report_.say(
            "not added \"" + path + "\": \"" + EntryPath(existing) +
            "\" is in the package already (--replace, --keep-both or --skip-existing say what to do)");
        report_.fail();
        return NameClash::Skip;
    };
    return observer;
}

int RunAdd(const AddOptions& options) {
    Package package;
    LoadForCommand(package, options.package);
    AddingReport report(options);
    // The folders of --to that the package lacks are made in the same edit.
    package.AddPaths(options.paths, package.tree().root(), report.observer(),
                     {options.keepTimes, options.unpack}, options.folder);
    return report.finish();
}

int RunCreate(const AddOptions& options) {
    AddingReport report(options);
    Package::Create(options.package, options.paths, report.observer(), {options.keepTimes, options.unpack});
    return report.finish();
}

} // namespace

Command AddAddCommand(CLI::App& parent) {
    auto options = std::make_shared<AddOptions>();
    CLI::App* app = parent.add_subcommand("add", "Add files and folder trees to a package");
    app->add_option("PACKAGE", options->package,
                    "The package file (an empty file is a package without entries)")
        ->required();
    app->add_option("--to", options->folder,
                    "The folder of the package to add into, made when missing (default: the top level)");
    app->add_option("PATH", options->paths, "Files and folders to add")->required();
    CLI::Option* replace = app->add_flag("--replace", options->replace,
                                         "Give an entry whose name an added file has that file's bytes");
    CLI::Option* skip = app->add_flag("--skip-existing", options->skipExisting,
                                      "Leave out added files whose names the folder already has");
    CLI::Option* both =
        app->add_flag("--keep-both", options->keepBoth,
                      "Add such a file beside the entry, under a free name (\"ships (2).tbl\")");
    replace->excludes(skip)->excludes(both);
    app->add_flag("--keep-times", options->keepTimes, kKeepTimesHelp);
    app->add_flag("--unpack", options->unpack, kUnpackHelp);
    skip->excludes(both);
    app->footer(
        "Names are the same when they differ only in ASCII case. A file whose name the folder has is not "
        "added unless --replace, --keep-both or --skip-existing says what to do: it is named, the rest is "
        "added, and the exit status is 1. A folder that exists is added into.\nThe files' bytes are "
        "appended and the directory written once; a failure leaves the package as it was.");
    return {app, [options] { return RunAdd(*options); }};
}

Command AddCreateCommand(CLI::App& parent) {
    auto options = std::make_shared<AddOptions>();
    CLI::App* app =
        parent.add_subcommand("create", "Create a new package, with the given files and folder trees");
    app->add_option("PACKAGE", options->package,
                    "The package file to create; an existing file is not overwritten")
        ->required();
    app->add_option("PATH", options->paths, "Files and folders to put in it");
    app->add_flag("--keep-times", options->keepTimes, kKeepTimesHelp);
    app->add_flag("--unpack", options->unpack, kUnpackHelp);
    return {app, [options] { return RunCreate(*options); }};
}

} // namespace tessel::cli
