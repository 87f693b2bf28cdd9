// tessel-vp: the command-line companion of Tessel, over the same package engine.
#include "commands.h"
#include "tessel_version.h"
#include "usage_error.h"

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    using namespace tessel::cli;
    CLI::App app{"Browse, check and edit VP packages from the command line.", "tessel-vp"};
    app.set_version_flag("--version", std::string("tessel-vp ") + tessel::kProgramVersion);
    app.require_subcommand(1);
    const std::vector<Command> commands = {
        AddListCommand(app),    AddCheckCommand(app),  AddExtractCommand(app), AddAddCommand(app),
        AddCreateCommand(app),  AddDeleteCommand(app), AddRenameCommand(app),  AddCatCommand(app),
        AddCompactCommand(app), AddSyncCommand(app),   AddConvertCommand(app), AddDiffCommand(app),
        AddOverlayCommand(app), AddMountCommand(app)};
    // A first word that names no command is the likeliest mistake: say so plainly.
    if (argc > 1 && argv[1][0] == '-' && std::strcmp(argv[1], "--help") != 0 &&
        std::strcmp(argv[1], "-h") != 0 && std::strcmp(argv[1], "--version") != 0) {
        std::fprintf(stderr, "tessel-vp: unknown option %s; a command comes first\n%s\n", argv[1],
                     UsageLine(nullptr).c_str());
        return kExitUsage;
    }
    if (argc > 1 && argv[1][0] != '-') {
        bool known = false;
        std::string names;
        for (const Command& command : commands) {
            known = known || command.app->get_name() == argv[1];
            names += (names.empty() ? "" : ", ") + command.app->get_name();
        }
        if (!known) {
            std::fprintf(stderr, "tessel-vp: unknown command '%s'; the commands are %s\n%s\n", argv[1],
                         names.c_str(), UsageLine(nullptr).c_str());
            return kExitUsage;
        }
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& help) {
        return app.exit(help);
    } catch (const CLI::CallForAllHelp& help) {
        return app.exit(help);
    } catch (const CLI::CallForVersion& version) {
        return app.exit(version);
    } catch (const CLI::ParseError& error) {
        const CLI::App* given = nullptr;
        for (const Command& command : commands)
            given = argc > 1 && command.app->get_name() == argv[1] ? command.app : given;
        std::fprintf(stderr, "tessel-vp: %s\n%s\n", UsageErrorText(error).c_str(), UsageLine(given).c_str());
        return kExitUsage;
    }
    try {
        for (const Command& command : commands) {
            if (!command.app->parsed())
                continue;
            const int status = command.run();
            // What could not be written to standard output is a failure too.
            if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
                std::fprintf(stderr, "tessel-vp: Cannot write to standard output: %s\n",
                             std::strerror(errno));
                return kExitFailure;
            }
            return status;
        }
    } catch (const std::exception& error) {
        std::fflush(stdout);
        std::fprintf(stderr, "tessel-vp: %s\n", error.what());
        return kExitFailure;
    }
    return kExitUsage;
}
