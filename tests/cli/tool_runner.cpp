#include "tool_runner.h"

#include "package_builder.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

namespace tessel::testing {

Outcome Shell(const std::string& folder, const std::string& line) {
    const std::string script = folder + "/.run.sh", out = folder + "/.out", err = folder + "/.err";
    // What syncs remember stays beside the folder, not in the user's cache.
    const std::string cache = folder + ".cache";
    // `unprivileged COMMAND...` runs a command without root's rights where the tests run as
    // root; TESSEL_VP names the tessel-vp under test for it. XDG_CACHE_HOME is a folder of the
    // run's own.
    const std::string prelude = "TESSEL_VP='" + std::string(TESSEL_VP_PATH) + "'\nexport XDG_CACHE_HOME='" +
                                cache +
                                "'\n"
                                "tessel() { timeout 20 \"$TESSEL_VP\" \"$@\"; }\n"
                                "unprivileged() { if [ \"$(id -u)\" = 0 ]; then setpriv --reuid=65534 "
                                "--regid=65534 --clear-groups \"$@\";"
                                " else \"$@\"; fi; }\n";
    WriteFileBytes(script, prelude + "cd '" + folder + "'\n" + line + "\n");
    const int status = std::system(("bash '" + script + "' >'" + out + "' 2>'" + err + "'").c_str());
    Outcome outcome{WEXITSTATUS(status), ReadFileBytes(out), ReadFileBytes(err)};
    for (const std::string& scratch : {script, out, err})
        std::filesystem::remove(scratch);
    std::filesystem::remove_all(cache);
    return outcome;
}

Outcome RunTool(const std::string& arguments) {
    const TempDir scratch;
    return Shell(scratch.path(),
                 "cd '" + std::filesystem::current_path().string() + "' && tessel " + arguments);
}

pid_t StartTool(const std::vector<std::string>& arguments, long killAtChange) {
    const pid_t child = fork();
    if (child == 0) {
        if (killAtChange > 0)
            setenv("TESSEL_TEST_KILL_AT_CHANGE", std::to_string(killAtChange).c_str(), 1);
        std::freopen("/dev/null", "w", stderr);
        std::freopen("/dev/null", "w", stdout);
        std::vector<char*> argv{const_cast<char*>(TESSEL_VP_PATH)};
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        execv(TESSEL_VP_PATH, argv.data());
        _exit(127);
    }
    return child;
}

bool WaitKilled(pid_t child, int* exitStatus) {
    int status = 0;
    waitpid(child, &status, 0);
    if (exitStatus)
        *exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

} // namespace tessel::testing
