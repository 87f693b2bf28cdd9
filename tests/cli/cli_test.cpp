#include "package_builder.h"
#include "tessel_version.h"
#include "tool_runner.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <regex>
#include <string>
#include <sys/wait.h>

namespace tessel {
namespace {

using testing::PackageBuilder;

using Result = testing::Outcome;
using testing::RunTool;

struct Cli : ::testing::Test {
    testing::TempDir dir;
    std::string package = dir.file("s.vp");
    void SetUp() override {
        PackageBuilder()
            .folder("data")
            .folder("tables")
            .file("ships.tbl", std::string(1234567, 's'), 1117627200)
            .end()
            .folder("empty")
            .end()
            .end()
            .file("readme.txt", "hi", -1)
            .writeTo(package);
    }
};

TEST_F(Cli, ListsEntriesInDirectoryOrder) {
    const Result result = RunTool("list " + package);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "data/\ndata/tables/\ndata/tables/ships.tbl\ndata/empty/\nreadme.txt\n");
    EXPECT_EQ(result.err, "");
}

TEST_F(Cli, ListsAsJsonWithRawValues) {
    const Result result = RunTool("list --json " + package);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out,
              "[\n"
              "  {\"path\":\"data/\",\"type\":\"folder\"},\n"
              "  {\"path\":\"data/tables/\",\"type\":\"folder\"},\n"
              "  {\"path\":\"data/tables/ships.tbl\",\"type\":\"file\",\"size\":1234567,\"offset\":16,"
              "\"timestamp\":1117627200},\n"
              "  {\"path\":\"data/empty/\",\"type\":\"folder\"},\n"
              "  {\"path\":\"readme.txt\",\"type\":\"file\",\"size\":2,\"offset\":1234583,"
              "\"timestamp\":-1}\n"
              "]\n");
}

TEST_F(Cli, ListsLongWithSizesAndDates) {
    const Result result = RunTool("list -l " + package);
    EXPECT_EQ(result.status, 0);
    EXPECT_NE(result.out.find("      1,234,567  2005-06-01 12:00  data/tables/ships.tbl\n"),
              std::string::npos);
    EXPECT_NE(result.out.find("         folder                    data/\n"), std::string::npos);
}

TEST_F(Cli, ChecksSoundAndDamagedPackages) {
    EXPECT_EQ(RunTool("check " + package).status, 0);
    testing::WriteFileBytes(package, testing::HeaderBytes(9000, 1));
    const Result damaged = RunTool("check " + package);
    EXPECT_EQ(damaged.status, 1);
    EXPECT_EQ(damaged.out, "directory at offset 9000 lies past the end of the file (16 bytes)\n");
    const Result listed = RunTool("list " + package);
    EXPECT_EQ(listed.status, 1);
    EXPECT_EQ(listed.err,
              "tessel-vp: \"" + package +
                  "\" is damaged: directory at offset 9000 lies past the end of the file (16 bytes)\n");
}

TEST_F(Cli, ExtractsTheWholePackageOrTheNamedEntries) {
    const std::string all = dir.file("all");
    const Result whole = RunTool("extract " + package + " " + all);
    EXPECT_EQ(whole.status, 0);
    EXPECT_EQ(whole.err, ""); // no progress bar when standard error is not a terminal
    EXPECT_EQ(testing::ReadFileBytes(all + "/data/tables/ships.tbl"), std::string(1234567, 's'));
    EXPECT_EQ(testing::ReadFileBytes(all + "/readme.txt"), "hi");
    EXPECT_EQ(RunTool("extract " + package + " " + all + "/../some data/tables/ readme.txt").status, 0);
    EXPECT_EQ(testing::ReadFileBytes(dir.file("some") + "/tables/ships.tbl"), std::string(1234567, 's'));
    EXPECT_EQ(testing::ReadFileBytes(dir.file("some") + "/readme.txt"), "hi");
    const Result unknown = RunTool("extract " + package + " " + dir.file("none") + " data/nothing");
    EXPECT_EQ(unknown.status, 1);
    EXPECT_EQ(unknown.err, "tessel-vp: no entry \"data/nothing\" in the package\n");
    EXPECT_EQ(RunTool("extract " + package).status, 2);
}

TEST_F(Cli, DeletesAndRenamesEntriesInPlace) {
    EXPECT_EQ(RunTool("rename " + package + " data/tables/ships.tbl vessels.tbl").status, 0);
    EXPECT_EQ(RunTool("rename " + package + " data/empty/ nothing").status, 0);
    EXPECT_EQ(RunTool("list " + package).out,
              "data/\ndata/tables/\ndata/tables/vessels.tbl\ndata/nothing/\nreadme.txt\n");
    EXPECT_EQ(RunTool("delete " + package + " data/tables/ data/nothing/").status, 0);
    EXPECT_EQ(testing::ReadFileBytes(package),
              PackageBuilder().folder("data").end().file("readme.txt", "hi", -1).bytes());
    const Result missing = RunTool("delete " + package + " data/tables/");
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "tessel-vp: no entry \"data/tables/\" in the package\n");
    const Result refused = RunTool("rename " + package + " readme.txt ..");
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, "tessel-vp: Cannot name an entry \"..\": a name cannot be \".\" or \"..\"\n");
    EXPECT_EQ(RunTool("rename " + package + " readme.txt").status, 2);
}

TEST_F(Cli, CreatesAPackageFromFolderTreesAndExtractsItBackByteForByte) {
    const std::string source = dir.file("source");
    std::filesystem::create_directories(source + "/art/ships");
    std::filesystem::create_directories(source + "/empty");
    testing::WriteFileBytes(source + "/art/ships/hull.pcx", std::string(70000, 'h'));
    testing::WriteFileBytes(source + "/art/readme", "art");
    testing::WriteFileBytes(source + "/zero", "");
    const std::string created = dir.file("new.vp");
    const Result create = RunTool("create " + created + " " + source + "/art " + source + "/empty");
    EXPECT_EQ(create.status, 0);
    EXPECT_EQ(create.err, "");
    EXPECT_EQ(RunTool("create " + created).err,
              "tessel-vp: \"" + created + "\" already exists; it was left as it is\n");
    EXPECT_EQ(RunTool("add " + created + " --to art/ships " + source + "/zero").status, 0);
    EXPECT_EQ(RunTool("check " + created).status, 0);
    const std::string back = dir.file("back");
    EXPECT_EQ(RunTool("extract " + created + " " + back).status, 0);
    EXPECT_EQ(testing::ReadFileBytes(back + "/art/ships/hull.pcx"), std::string(70000, 'h'));
    EXPECT_EQ(testing::ReadFileBytes(back + "/art/readme"), "art");
    EXPECT_EQ(testing::ReadFileBytes(back + "/art/ships/zero"), "");
    EXPECT_TRUE(std::filesystem::is_directory(back + "/empty"));
    const std::string blank = dir.file("blank.vp");
    EXPECT_EQ(RunTool("create " + blank).status, 0);
    EXPECT_EQ(testing::ReadFileBytes(blank), testing::HeaderBytes(16, 0));
    // A path that could not be added is reported, the rest is added, and the exit says so.
    const Result skipped = RunTool("add " + blank + " " + dir.file("missing") + " " + source + "/zero");
    EXPECT_EQ(skipped.status, 1);
    EXPECT_EQ(skipped.err, "tessel-vp: skipped \"" + dir.file("missing") + "\": No such file or directory\n");
    EXPECT_EQ(RunTool("list " + blank).out, "zero\n");
}

TEST_F(Cli, AddingNamesThatExistRefusesKeepsBothReplacesOrSkipsAndExtractionCanKeepOldFiles) {
    const std::string source = dir.file("source");
    std::filesystem::create_directories(source + "/data/tables");
    testing::WriteFileBytes(source + "/data/tables/SHIPS.TBL", "new ships");
    testing::WriteFileBytes(source + "/" + std::string(32, 'n'), "long");
    const struct {
        const char* flag;
        int status;
        std::string err;
        std::string ships;
        const char* list;
    } cases[] = {
        {"", 1,
         "tessel-vp: not added \"" + source +
             "/data/tables/SHIPS.TBL\": \"data/tables/ships.tbl\" is in the package already (--replace, "
             "--keep-both or --skip-existing say what to do)\n",
         "sssssssss", "data/\ndata/tables/\ndata/tables/ships.tbl\ndata/empty/\nreadme.txt\n"},
        {"--keep-both ", 0, "", "sssssssss",
         "data/\ndata/tables/\ndata/tables/ships.tbl\ndata/tables/SHIPS (2).TBL\ndata/empty/\nreadme.txt\n"},
        {"--replace ", 0, "", "new ships",
         "data/\ndata/tables/\ndata/tables/ships.tbl\ndata/empty/\nreadme.txt\n"},
        {"--skip-existing ", 0, "", "sssssssss",
         "data/\ndata/tables/\ndata/tables/ships.tbl\ndata/empty/\nreadme.txt\n"},
    };
    for (const auto& c : cases) {
        SetUp();
        const Result added = RunTool(std::string("add ") + c.flag + package + " " + source + "/data");
        EXPECT_EQ(added.status, c.status) << c.flag;
        EXPECT_EQ(added.err, c.err);
        EXPECT_EQ(RunTool("list " + package).out, c.list);
        const std::string out = dir.file("out");
        std::filesystem::remove_all(out);
        EXPECT_EQ(RunTool("extract " + package + " " + out + " data/tables/ships.tbl").status, 0);
        EXPECT_EQ(testing::ReadFileBytes(out + "/ships.tbl").substr(0, 9), c.ships);
        EXPECT_EQ(RunTool("check " + package).status, 0);
    }
    // A name too long to store is named with the limit; what else was given is added.
    const Result tooLong = RunTool("add " + package + " " + source + "/" + std::string(32, 'n') + " " +
                                   source + "/data/tables/SHIPS.TBL");
    EXPECT_EQ(tooLong.status, 1);
    EXPECT_EQ(tooLong.err.substr(0, tooLong.err.find('\n')),
              "tessel-vp: skipped \"" + source + "/" + std::string(32, 'n') +
                  "\": the name is 32 bytes long; a package entry's name holds at most 31");
    EXPECT_EQ(RunTool("list " + package).out,
              "data/\ndata/tables/\ndata/tables/ships.tbl\ndata/empty/\nreadme.txt\nSHIPS.TBL\n");
    const std::string out = dir.file("kept");
    std::filesystem::create_directories(out);
    testing::WriteFileBytes(out + "/readme.txt", "mine");
    const Result kept = RunTool("extract -k " + package + " " + out);
    EXPECT_EQ(kept.status, 0);
    EXPECT_EQ(kept.err, "tessel-vp: kept 1 existing file (--verbose names them)\n");
    const std::string said = RunTool("extract -k --verbose " + package + " " + out).err;
    EXPECT_EQ(said.substr(said.find("\"" + out + "/readme.txt")),
              "\"" + out + "/readme.txt\"\n" + "tessel-vp: kept the existing \"" + out +
                  "/SHIPS.TBL\"\ntessel-vp: kept 3 existing files\n");
    EXPECT_EQ(testing::ReadFileBytes(out + "/readme.txt"), "mine");
    EXPECT_EQ(testing::ReadFileBytes(out + "/SHIPS.TBL"), "new ships");
    EXPECT_EQ(RunTool("extract " + package + " " + out).status, 0);
    EXPECT_EQ(testing::ReadFileBytes(out + "/readme.txt"), "hi");
    // --to makes the folders the package lacks, in the same edit; a file in the way is said.
    const Result into = RunTool("add --to new/Deeper " + package + " " + source + "/data/tables/SHIPS.TBL");
    EXPECT_EQ(into.status, 0) << into.err;
    EXPECT_EQ(RunTool("cat " + package + " new/Deeper/SHIPS.TBL").out, "new ships");
    const Result file = RunTool("add --to readme.txt/x " + package + " " + source + "/data");
    EXPECT_EQ(file.status, 1);
    EXPECT_EQ(file.err, "tessel-vp: \"readme.txt\" is a file, not a folder\n");
}

TEST_F(Cli, FollowsTheExitConventions) {
    const Result missing = RunTool("list " + dir.file("none.vp"));
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err,
              "tessel-vp: Cannot open file \"" + dir.file("none.vp") + "\". No such file or directory\n");
    // Usage errors in Tessel's words, with the usage line of the command given.
    const std::pair<const char*, const char*> usages[] = {
        {"list", "tessel-vp: missing PACKAGE\nusage: tessel-vp list [OPTIONS] PACKAGE [ENTRY...]"},
        {"list --bogus x.vp", "tessel-vp: unknown option --bogus\n"},
        {"add x.vp --to", "tessel-vp: --to needs a value\n"},
        {"add --replace --skip-existing x.vp y", "tessel-vp: --replace and --skip-existing cannot be given"},
        {"frobnicate x", "tessel-vp: unknown command 'frobnicate'"},
        {"--nope", "tessel-vp: unknown option --nope"},
        {"", "tessel-vp: no command given\nusage: tessel-vp COMMAND"},
    };
    for (const auto& [arguments, said] : usages) {
        const Result usage = RunTool(arguments);
        EXPECT_EQ(usage.status, 2) << arguments;
        EXPECT_EQ(usage.err.rfind(said, 0), 0u) << usage.err;
    }
    const Result help = RunTool("--help");
    EXPECT_EQ(help.status, 0);
    // Each command the help lists answers by its name alone, as a run builds only that one.
    const std::string listed = help.out.substr(help.out.find("Subcommands:"));
    const std::regex command("\n  ([a-z]+) ");
    int commands = 0;
    for (std::sregex_iterator it(listed.begin(), listed.end(), command), end; it != end; ++it, ++commands)
        EXPECT_NE(RunTool((*it)[1].str() + " --help").out.find("Usage: tessel-vp " + (*it)[1].str() + " "),
                  std::string::npos);
    EXPECT_EQ(commands, 14);
    EXPECT_EQ(RunTool("--version").out, std::string("tessel-vp ") + kProgramVersion + "\n");
}

} // namespace
} // namespace tessel
