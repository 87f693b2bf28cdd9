// tessel-vp: the command-line companion of Tessel, over the same package engine.
#include "commands.h"
#include "tessel_version.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

namespace {

constexpr const char* kUsage = "usage: tessel-vp COMMAND [OPTIONS] ARGS (see tessel-vp --help)";

} // namespace

int main(int argc, char** argv) {
    using namespace tessel::cli;
    CLI::App app{"Browse, check and edit VP packages from the command line.", "tessel-vp"};
    app.set_version_flag("--version", std::string("tessel-vp ") + tessel::kProgramVersion);
    app.require_subcommand(1);
    const std::vector<Command> commands = {
        AddListCommand(app),   AddCheckCommand(app),  AddExtractCommand(app), AddAddCommand(app),
        AddCreateCommand(app), AddDeleteCommand(app), AddRenameCommand(app)};
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& help) {
        return app.exit(help);
    } catch (const CLI::CallForAllHelp& help) {
        return app.exit(help);
    } catch (const CLI::CallForVersion& version) {
        return app.exit(version);
    } catch (const CLI::ParseError& error) {
        std::fprintf(stderr, "tessel-vp: %s\n%s\n", error.what(), kUsage);
        return kExitUsage;
    }
    try {
        for (const Command& command : commands) {
            if (command.app->parsed())
                return command.run();
        }
    } catch (const std::exception& error) {
        std::fflush(stdout);
        std::fprintf(stderr, "tessel-vp: %s\n", error.what());
        return kExitFailure;
    }
    return kExitUsage;
}
