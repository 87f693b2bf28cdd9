// Runs command lines in which `tessel` stands for the tessel-vp under test, each stopped
// after 20 seconds (status 124), so that a hang fails a test instead of holding it.
#pragma once

#include <string>

namespace tessel::testing {

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

// Runs the bash line in the folder and gathers its exit status and output.
Outcome Shell(const std::string& folder, const std::string& line);

} // namespace tessel::testing
