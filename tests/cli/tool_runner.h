// The one way the tests run tessel-vp: a bash line in which `tessel` stands for the
// tessel-vp under test, stopped after 20 seconds (status 124) so that a hang fails a test
// instead of holding it; or a process started directly, for tests that kill it.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace tessel::testing {

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

// Runs the bash line in the folder and gathers its exit status and output. Beside `tessel`,
// the line has $TESSEL_VP and `unprivileged COMMAND...`, which runs a command without root's
// rights where the tests run as root.
Outcome Shell(const std::string& folder, const std::string& line);
// tessel-vp with the arguments (quoted for the shell), run in the working folder.
Outcome RunTool(const std::string& arguments);

// Starts tessel-vp with the arguments, its output thrown away, and, when given, the change
// at which it kills itself.
pid_t StartTool(const std::vector<std::string>& arguments, long killAtChange = 0);
// Waits for it: true when SIGKILL ended it; exitStatus gets its status (-signal when a
// signal ended it).
bool WaitKilled(pid_t child, int* exitStatus = nullptr);

} // namespace tessel::testing
