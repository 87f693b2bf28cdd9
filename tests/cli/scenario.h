// Command-line scenarios as rows of a table: what is set up in a fresh folder, the line run,
// what it must answer, and what must be there afterwards.
#pragma once

#include "package_builder.h"
#include "param_name.h"
#include "tool_runner.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <ostream>
#include <string>

namespace tessel::testing {

struct Scenario {
    const char* name;
    // Packages and files made in the folder before the line runs.
    std::function<void(const std::string& folder)> setup;
    std::string line;
    int status;
    // A part of what standard error must say; empty for nothing in particular.
    std::string err;
    // A line run afterwards, and its standard output.
    std::string check;
    std::string output;
};

inline void PrintTo(const Scenario& scenario, std::ostream* out) {
    *out << scenario.name;
}

// Runs the row in a fresh folder.
inline void RunScenario(const Scenario& scenario) {
    const TempDir dir;
    if (scenario.setup)
        scenario.setup(dir.path());
    const Outcome run = Shell(dir.path(), scenario.line);
    EXPECT_EQ(run.status, scenario.status) << run.err;
    EXPECT_NE(run.err.find(scenario.err), std::string::npos) << run.err;
    if (!scenario.check.empty()) {
        EXPECT_EQ(Shell(dir.path(), scenario.check).out, scenario.output);
    }
}

// A file of the folder, its folders made.
inline void Write(const std::string& folder, const std::string& name, const std::string& bytes) {
    std::filesystem::create_directories(std::filesystem::path(folder + "/" + name).parent_path());
    WriteFileBytes(folder + "/" + name, bytes);
}

} // namespace tessel::testing
