#include "commands.h"
#include "entry_arguments.h"

#include "package.h"

#include <cstdio>

namespace tessel::cli {

void ReportRecovery(const std::string& note) {
    if (!note.empty())
        std::fprintf(stderr, "tessel-vp: %s\n", note.c_str());
}

void LoadForCommand(Package& package, const std::string& path) {
    package.LoadPackage(path);
    ReportRecovery(package.recoveryNote());
}

void LoadForCommand(Package& package, const std::string& path, const std::vector<std::string>& entryPaths) {
    // Patterns are matched against every path, and no entries means them all.
    if (entryPaths.empty() || AnyPattern(entryPaths))
        return LoadForCommand(package, path);
    package.LoadEntries(path, entryPaths);
    ReportRecovery(package.recoveryNote());
}

} // namespace tessel::cli
