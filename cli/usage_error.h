// Usage errors said in Tessel's words rather than the argument parser's, with the usage
// line of the command that was given.
#pragma once

#include <string>

namespace CLI {
class App;
class ParseError;
} // namespace CLI

namespace tessel::cli {

// "missing DEST", "unknown option --bogus", "--to needs a value", ...
std::string UsageErrorText(const CLI::ParseError& error);
// "usage: tessel-vp extract PACKAGE DEST [ENTRY...]   (tessel-vp extract --help)"; the
// program's usage line when no command was given.
std::string UsageLine(const CLI::App* command);

} // namespace tessel::cli
