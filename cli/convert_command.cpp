#include "commands.h"
#include "run_report.h"

#include "archives.h"
#include "package.h"
#include "package_error.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <memory>
#include <string>

namespace tessel::cli {

namespace {

struct ConvertArguments {
    std::string source;
    std::string target;
};

int RunConvert(const ConvertArguments& arguments) {
    const bool fromArchive = IsArchivePath(arguments.source);
    const bool toArchive = IsArchivePath(arguments.target);
    if (fromArchive == toArchive)
        throw PackageError(
            "one of \"" + arguments.source + "\" and \"" + arguments.target +
            "\" must be a package and the other an archive (.zip, .7z, .tar, .tar.gz, .tar.xz, "
            ".tar.zst)");
    if (fromArchive) {
        // An archive's files keep their dates, as its folders keep their places.
        RunChoices choices;
        choices.keepTimes = true;
        choices.unpackArchives = true;
        RunReport report("converting");
        Package::Create(arguments.target, {arguments.source}, report.observer(), choices);
        report.finish();
        return report.status();
    }
    Package package;
    LoadForCommand(package, arguments.source);
    DiskTally totals = TallyEntries({package.tree().root()});
    --totals.items; // the top level is no entry of the archive
    RunReport report("converting", totals);
    package.WriteArchive(arguments.target, report.observer());
    report.finish();
    return report.status();
}

} // namespace

Command AddConvertCommand(CLI::App& parent) {
    auto arguments = std::make_shared<ConvertArguments>();
    CLI::App* app =
        parent.add_subcommand("convert", "Turn an archive into a package, or a package into an archive");
    app->add_option("SOURCE", arguments->source, "The package or archive to read")->required();
    app->add_option("TARGET", arguments->target, "The archive or package to make; nothing may be there")
        ->required();
    app->footer(
        "Archives are .zip, .7z, .tar, .tar.gz, .tar.xz and .tar.zst (reading also what else libarchive "
        "reads). Folders, files and dates are kept. Entries that are links or devices, that are "
        "absolute or hold \"..\", and names a package cannot store are skipped with the reason (exit 1 "
        "after the rest).");
    return {app, [arguments] { return RunConvert(*arguments); }};
}

} // namespace tessel::cli
