// The subcommands of tessel-vp. Each registers itself on the application and leaves a
// runner that returns the exit status.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace tessel::cli {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

using Runner = std::function<int()>;

struct Command {
    CLI::App* app;
    Runner run;
};

Command AddListCommand(CLI::App& parent);
Command AddCheckCommand(CLI::App& parent);
Command AddExtractCommand(CLI::App& parent);
Command AddDeleteCommand(CLI::App& parent);
Command AddRenameCommand(CLI::App& parent);
Command AddAddCommand(CLI::App& parent);
Command AddCreateCommand(CLI::App& parent);

} // namespace tessel::cli
