#include "commands.h"
#include "run_report.h"
#include "text_format.h"

#include "package.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <string>

namespace tessel::cli {

namespace {

int RunCompact(const std::string& path) {
    Package package;
    LoadForCommand(package, path);
    RunReport report("compacting");
    const std::int64_t reclaimed = package.Compact(report.observer());
    report.finish();
    std::printf("%s bytes reclaimed\n", WithThousands(reclaimed).c_str());
    return kExitSuccess;
}

} // namespace

Command AddCompactCommand(CLI::App& parent) {
    auto package = std::make_shared<std::string>();
    CLI::App* app = parent.add_subcommand("compact", "Remove the bytes of a package that no entry uses");
    app->add_option("PACKAGE", *package, "The package file")->required();
    app->footer("The data keeps its order; bytes that entries share stay shared. One atomic edit; a package "
                "without unused bytes is not written.");
    return {app, [package] { return RunCompact(*package); }};
}

} // namespace tessel::cli
