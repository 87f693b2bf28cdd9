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

namespace {

struct CommandMaker {
    const char* name;
    tessel::cli::Command (*add)(CLI::App&);
};

// By the names the commands give themselves, so that a run builds only the command it names:
// building all of them, options and all, is most of what a short command spends before it
// starts its work.
constexpr CommandMaker kCommands[] = {
    {"list", tessel::cli::AddListCommand},       {"check", tessel::cli::AddCheckCommand},
    {"extract", tessel::cli::AddExtractCommand}, {"add", tessel::cli::AddAddCommand},
    {"create", tessel::cli::AddCreateCommand},   {"delete", tessel::cli::AddDeleteCommand},
    {"rename", tessel::cli::AddRenameCommand},   {"cat", tessel::cli::AddCatCommand},
    {"compact", tessel::cli::AddCompactCommand}, {"sync", tessel::cli::AddSyncCommand},
    {"convert", tessel::cli::AddConvertCommand}, {"diff", tessel::cli::AddDiffCommand},
    {"overlay", tessel::cli::AddOverlayCommand}, {"mount", tessel::cli::AddMountCommand}};

} // namespace

int main(int argc, char** argv) {
    using namespace tessel::cli;
    CLI::App app{"Browse, check and edit VP packages from the command line.", "tessel-vp"};
    app.set_version_flag("--version", std::string("tessel-vp ") + tessel::kProgramVersion);
    app.require_subcommand(1);
    // A first word that names no command is the likeliest mistake: say so plainly.
    if (argc > 1 && argv[1][0] == '-' && std::strcmp(argv[1], "--help") != 0 &&
        std::strcmp(argv[1], "-h") != 0 && std::strcmp(argv[1], "--version") != 0) {
        std::fprintf(stderr, "tessel-vp: unknown option %s; a command comes first\n%s\n", argv[1],
                     UsageLine(nullptr).c_str());
        return kExitUsage;
    }
    std::vector<Command> commands;
    for (const CommandMaker& maker : kCommands) {
        if (argc < 2 || argv[1][0] == '-' || std::strcmp(argv[1], maker.name) == 0)
            commands.push_back(maker.add(app));
    }
    if (commands.empty()) {
        std::string names;
        for (const CommandMaker& maker : kCommands)
            names += (names.empty() ? "" : ", ") + std::string(maker.name);
        std::fprintf(stderr, "tessel-vp: unknown command '%s'; the commands are %s\n%s\n", argv[1],
                     names.c_str(), UsageLine(nullptr).c_str());
        return kExitUsage;
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
