// The subcommands of tessel-vp. Each registers itself on the application and leaves a
// runner that returns the exit status.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace tessel {
class Package;
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

// Loads the package for a command, saying on standard error when an interrupted edit of
// it had to be finished or undone first.
void LoadForCommand(Package& package, const std::string& path);
// The same for only the part of the package that the entry paths name: the whole when they
// are none or hold a pattern.
void LoadForCommand(Package& package, const std::string& path, const std::vector<std::string>& entryPaths);
// Says on standard error what opening a package had to do about an interrupted edit.
void ReportRecovery(const std::string& note);

Command AddListCommand(CLI::App& parent);
Command AddCheckCommand(CLI::App& parent);
Command AddExtractCommand(CLI::App& parent);
Command AddDeleteCommand(CLI::App& parent);
Command AddRenameCommand(CLI::App& parent);
Command AddAddCommand(CLI::App& parent);
Command AddCreateCommand(CLI::App& parent);
Command AddCatCommand(CLI::App& parent);
Command AddCompactCommand(CLI::App& parent);
Command AddSyncCommand(CLI::App& parent);
Command AddConvertCommand(CLI::App& parent);
Command AddDiffCommand(CLI::App& parent);
Command AddOverlayCommand(CLI::App& parent);
Command AddMountCommand(CLI::App& parent);

} // namespace tessel::cli
