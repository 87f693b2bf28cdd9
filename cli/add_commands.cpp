#include "commands.h"
#include "progress_bar.h"

#include "adding.h"
#include "edit_journal.h"
#include "entry_path.h"
#include "file_descriptor.h"
#include "package.h"
#include "package_error.h"
#include "vp_format.h"

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace tessel::cli {

namespace {

struct AddOptions {
    std::string package;
    std::string folder;
    std::vector<std::string> paths;
    bool replace = false;
    bool skipExisting = false;
};

struct Totals {
    std::int64_t items = 0;
    std::int64_t bytes = 0;
};

// What adding the paths will write, for the progress bar: entries and file bytes.
void Count(const std::string& path, Totals& totals, std::set<std::pair<dev_t, ino_t>>& seen) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return;
    if (S_ISREG(info.st_mode)) {
        ++totals.items;
        totals.bytes += info.st_size;
    } else if (S_ISDIR(info.st_mode) && seen.insert({info.st_dev, info.st_ino}).second) {
        ++totals.items;
        for (const std::string& entry : ListFolderEntries(path))
            Count(entry, totals, seen);
    }
}

// Adds the paths with a progress bar; returns the exit status: failure when a path was
// passed over, after everything else was added.
int AddAll(Package& package, TreeNode* folder, const AddOptions& options) {
    const std::vector<std::string>& paths = options.paths;
    Totals totals;
    std::set<std::pair<dev_t, ino_t>> seen;
    for (const std::string& path : paths)
        Count(path, totals, seen);
    ProgressBar bar("adding", totals.items, totals.bytes);
    ProgressObserver observer;
    observer.progress = [&](const ProgressEvent& event) {
        bar.advance(1, event.node->record() ? event.node->record()->Size : 0);
    };
    observer.clash = [&](const std::string& path, const TreeNode* existing) {
        if (options.replace)
            return NameClash::Replace;
        if (options.skipExisting)
            return NameClash::Skip;
        bar.clearLine();
        std::fprintf(stderr,
                     "tessel-vp: warning: \"%s\" is already in the package as \"%s\"; both are kept "
                     "(--replace or --skip-existing would not)\n",
                     path.c_str(), EntryPath(existing).c_str());
        return NameClash::KeepBoth;
    };
    bool skippedAny = false;
    observer.skipped = [&](const std::string& path, const std::string& why) {
        bar.clearLine();
        std::fprintf(stderr, "tessel-vp: skipped \"%s\": %s\n", path.c_str(), why.c_str());
        skippedAny = true;
    };
    package.AddPaths(paths, folder, observer);
    bar.finish();
    return skippedAny ? kExitFailure : kExitSuccess;
}

int RunAdd(const AddOptions& options) {
    Package package;
    LoadForCommand(package, options.package);
    TreeNode* folder = package.tree().root();
    if (!options.folder.empty()) {
        folder =
            FindEntry(package.tree(), options.folder.back() == '/' ? options.folder : options.folder + "/");
        if (!folder)
            throw PackageError("no folder \"" + options.folder + "\" in the package");
    }
    return AddAll(package, folder, options);
}

// The new package is made under a temporary name beside where it goes and takes its name
// only when complete, so that no half-made package ever stands at that name.
int RunCreate(const AddOptions& options) {
    struct stat existing {};
    if (::lstat(options.package.c_str(), &existing) == 0)
        throw PackageError("\"" + options.package + "\" already exists; it was left as it is");
    const std::size_t slash = options.package.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : options.package.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? options.package : options.package.substr(slash + 1);
    std::string temporary = folder + "." + name + ".tessel-new-XXXXXX";
    const FileDescriptor made(::mkstemp(temporary.data()));
    if (!made.valid())
        throw PackageError(CannotCreateMessage(options.package, SystemReason(errno)));
    // mkstemp makes the file private; a package gets the usual permissions.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(made.get(), 0666 & ~mask);
    int status = kExitSuccess;
    try {
        Package package;
        package.LoadPackage(temporary);
        // A package without entries is its header alone.
        package.RewriteDirectory();
        status = AddAll(package, package.tree().root(), options);
        RenameDurably(temporary, options.package);
    } catch (...) {
        ::unlink(temporary.c_str());
        ::unlink(JournalPath(temporary).c_str());
        throw;
    }
    return status;
}

} // namespace

Command AddAddCommand(CLI::App& parent) {
    auto options = std::make_shared<AddOptions>();
    CLI::App* app = parent.add_subcommand("add", "Add files and folder trees to a package");
    app->add_option("PACKAGE", options->package,
                    "The package file (an empty file is a package without entries)")
        ->required();
    app->add_option("--to", options->folder,
                    "The folder of the package to add into (default: the top level)");
    app->add_option("PATH", options->paths, "Files and folders to add")->required();
    CLI::Option* replace = app->add_flag(
        "--replace", options->replace, "Give an entry whose name an added file has that file's bytes");
    app->add_flag("--skip-existing", options->skipExisting, "Leave out added files whose names the folder already has")
        ->excludes(replace);
    app->footer("Names are the same when they differ only in ASCII case. Without --replace or "
                "--skip-existing a file whose name is taken is added beside the entry, with a warning; "
                "a folder that exists is added into.\nThe files' bytes are appended and the directory written once per batch of additions; "
                "a failure leaves the package as it was before the batch.");
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
    return {app, [options] { return RunCreate(*options); }};
}

} // namespace tessel::cli
