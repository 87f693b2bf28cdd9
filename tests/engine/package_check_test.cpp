#include "package_builder.h"
#include "package_check.h"

#include <gtest/gtest.h>

namespace tessel {
namespace {

using testing::HeaderBytes;
using testing::PackageBuilder;
using testing::Rec;
using testing::RecordBytes;
using Problems = std::vector<std::string>;

struct Check : ::testing::Test {
    testing::TempDir dir;
    Problems check(const std::string& bytes) {
        const std::string path = dir.file("c.vp");
        testing::WriteFileBytes(path, bytes);
        return CheckPackage(path);
    }
};

TEST_F(Check, SoundPackagesHaveNoProblems) {
    EXPECT_EQ(
        check(PackageBuilder().folder("a").folder("b").file("x", "12").end().end().file("y", "").bytes()),
        Problems{});
    EXPECT_EQ(check(""), Problems{});
    EXPECT_EQ(check(HeaderBytes(16, 0)), Problems{});
}

TEST_F(Check, ReportsHeaderAndBounds) {
    EXPECT_EQ(check("VPVP\x02"), Problems{"header: the file has 5 bytes, fewer than the header's 16"});
    EXPECT_EQ(check(HeaderBytes(16, 0, "PK\x03\x04", 3)),
              (Problems{"header: magic is \"PK\\x03\\x04\", not \"VPVP\"", "header: version is 3, not 2"}));
    EXPECT_EQ(check(HeaderBytes(100, 1)),
              Problems{"directory at offset 100 lies past the end of the file (16 bytes)"});
    EXPECT_EQ(check(HeaderBytes(16, 2) + std::string(50, '\0')),
              Problems{"directory of 2 records at offset 16 runs past the end of the file (66 bytes)"});
    EXPECT_EQ(
        check(PackageBuilder().file("a", "x").bytes() + "junk"),
        Problems{"4 bytes follow the directory; Tessel's edits refuse the package, which would lose them"});
}

TEST_F(Check, ReportsEntriesThatCannotBeReadOrWrittenSafely) {
    PackageBuilder builder;
    builder.folder("..."); // a legal, if odd, folder name
    builder.file("ok", "abcdef");
    builder.raw(Rec(18, 4, 5, "overlap"));
    builder.raw(Rec(8, 4, 5, "inheader"));
    builder.raw(Rec(20, 100, 5, "pastdata"));
    builder.raw(Rec(16, 0, 5, "."));
    builder.raw(Rec(16, 0, 5, "a/b"));
    builder.folder("open");
    EXPECT_EQ(
        check(builder.bytes()),
        (Problems{
            "entry \".../inheader\": data at offset 8 of 4 bytes lies outside the data area (16 to 22)",
            "entry \".../pastdata\": data at offset 20 of 100 bytes lies outside the data area (16 to 22)",
            "entry \".../.\": the name \".\" cannot be extracted safely",
            "entry \".../a/b\": the name \"a/b\" cannot be extracted safely",
            "2 folders are left open at the end of the directory",
            "entries \".../ok\" and \".../overlap\" share data (bytes 18 to 21)"}));
}

} // namespace
} // namespace tessel
