#include "commands.h"

#include "fuse_mount.h"

#include <CLI/CLI.hpp>
#include <memory>

namespace tessel::cli {

Command AddMountCommand(CLI::App& parent) {
    auto request = std::make_shared<MountRequest>();
    CLI::App* app =
        parent.add_subcommand("mount", "Show a package as a folder, for every other program to use");
    app->add_option("PACKAGE", request->package, "The package file")->required();
    app->add_option("DIR", request->folder, "An existing folder to show it in")->required();
    app->add_flag("--writable", request->writable,
                  "Let programs change the package through the folder, each file closed one atomic edit");
    app->add_flag("--foreground", request->foreground, "Stay in the foreground; Ctrl+C unmounts");
    app->footer(
        "Read-only unless --writable. Unmount with: fusermount3 -u DIR. While mounted, the package is held: "
        "other edits of it are refused. In a writable mount a file written and closed is added or replaced "
        "as "
        "one edit (files closed close together may share one); fsync writes it at once. A kill at any moment "
        "leaves the package as it was before or after each edit.");
    return {app, [request] { return ServeMount(*request); }};
}

} // namespace tessel::cli
