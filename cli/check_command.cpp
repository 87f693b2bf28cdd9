#include "commands.h"

#include "package_check.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <string>

namespace tessel::cli {

namespace {

int RunCheck(const std::string& package) {
    bool sound = true;
    for (const auto& problem : CheckPackage(package)) {
        std::printf("%s\n", problem.c_str());
        sound = sound && problem.rfind(kWarning, 0) == 0;
    }
    return sound ? kExitSuccess : kExitFailure;
}

} // namespace

Command AddCheckCommand(CLI::App& parent) {
    auto package = std::make_shared<std::string>();
    CLI::App* app =
        parent.add_subcommand("check", "Check a package for damage; exit 1 and list each problem");
    app->add_option("PACKAGE", *package, "The package file")->required();
    return {app, [package] { return RunCheck(*package); }};
}

} // namespace tessel::cli
