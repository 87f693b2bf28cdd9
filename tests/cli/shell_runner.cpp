#include "shell_runner.h"

#include "package_builder.h"

#include <cstdlib>
#include <filesystem>
#include <sys/wait.h>

namespace tessel::testing {

Outcome Shell(const std::string& folder, const std::string& line) {
    const std::string script = folder + "/.run.sh", out = folder + "/.out", err = folder + "/.err";
    WriteFileBytes(script, "tessel() { timeout 20 " + std::string(TESSEL_VP_PATH) + " \"$@\"; }\ncd '" +
                               folder + "'\n" + line + "\n");
    const int status = std::system(("bash '" + script + "' >'" + out + "' 2>'" + err + "'").c_str());
    Outcome outcome{WEXITSTATUS(status), ReadFileBytes(out), ReadFileBytes(err)};
    for (const std::string& scratch : {script, out, err})
        std::filesystem::remove(scratch);
    return outcome;
}

} // namespace tessel::testing
