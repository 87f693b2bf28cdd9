#include "usage_error.h"

#include <CLI/CLI.hpp>
#include <regex>

namespace tessel::cli {

namespace {

// The parser's own sentence, with the parts it names: the only place its wording is read.
std::string Match(const std::string& text, const char* pattern, int part) {
    std::smatch found;
    if (!std::regex_search(text, found, std::regex(pattern)))
        return {};
    return found[part].str();
}

std::string Unexpected(const std::string& text) {
    const std::string what = Match(text, "not expected: (.*)$", 1);
    if (what.empty())
        return "too many arguments";
    if (what[0] == '-')
        return "unknown option " + what.substr(0, what.find(' '));
    return "unexpected argument" + std::string(what.find(' ') == std::string::npos ? " " : "s ") + what;
}

} // namespace

std::string UsageErrorText(const CLI::ParseError& error) {
    const std::string text = error.what();
    if (dynamic_cast<const CLI::ExtrasError*>(&error))
        return Unexpected(text);
    if (dynamic_cast<const CLI::ArgumentMismatch*>(&error)) {
        const std::string name = Match(text, "^([^:]+):", 1);
        return name.empty() ? "an option lacks its value" : name + " needs a value";
    }
    if (dynamic_cast<const CLI::ExcludesError*>(&error)) {
        const std::string first = Match(text, "^(\\S+) excludes (\\S+)", 1);
        const std::string second = Match(text, "^(\\S+) excludes (\\S+)", 2);
        if (!first.empty())
            return first + " and " + second + " cannot be given together";
    }
    if (dynamic_cast<const CLI::RequiresError*>(&error)) {
        const std::string first = Match(text, "^(\\S+) requires (\\S+)", 1);
        if (!first.empty())
            return first + " needs " + Match(text, "^(\\S+) requires (\\S+)", 2);
    }
    if (dynamic_cast<const CLI::RequiredError*>(&error)) {
        if (text.find("subcommand") != std::string::npos)
            return "no command given";
        const std::string name = Match(text, "^(\\S+) is required", 1);
        if (!name.empty())
            return "missing " + name;
    }
    if (dynamic_cast<const CLI::ConversionError*>(&error)) {
        const std::string option = Match(text, "convert: (\\S+) = (.*)$", 1);
        if (!option.empty())
            return option + " takes a number, not \"" + Match(text, "convert: (\\S+) = (.*)$", 2) + "\"";
    }
    if (dynamic_cast<const CLI::ValidationError*>(&error)) {
        const std::string option = Match(text, "^(\\S+): (.*)$", 1);
        if (!option.empty())
            return option + ": " + Match(text, "^(\\S+): (.*)$", 2);
    }
    return "the arguments cannot be read";
}

std::string UsageLine(const CLI::App* command) {
    if (!command)
        return "usage: tessel-vp COMMAND [OPTIONS] ARGS   (tessel-vp --help)";
    std::string line = "usage: tessel-vp " + command->get_name() + " [OPTIONS]";
    for (const CLI::Option* option : command->get_options()) {
        if (!option->get_positional())
            continue;
        const std::string name = option->get_name();
        const bool many = option->get_expected_max() > 1;
        line += " " + std::string(option->get_required() ? "" : "[") + name + (many ? "..." : "") +
                (option->get_required() ? "" : "]");
    }
    return line + "   (tessel-vp " + command->get_name() + " --help)";
}

} // namespace tessel::cli
