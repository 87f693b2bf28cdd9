#include "commands.h"

#include "package.h"

#include <cstdio>

namespace tessel::cli {

void LoadForCommand(Package& package, const std::string& path) {
    package.LoadPackage(path);
    if (!package.recoveryNote().empty())
        std::fprintf(stderr, "tessel-vp: %s\n", package.recoveryNote().c_str());
}

} // namespace tessel::cli
