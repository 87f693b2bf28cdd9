// What a mount shows of a package whose names a file system cannot all hold.
#include "mount_index.h"

#include "package.h"
#include "package_builder.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace tessel {
namespace {

using testing::PackageBuilder;

// Every path shown, depth first, folders ending with "/", and sizes of files.
std::string Shown(const MountIndex& index, std::uint32_t number = 0) {
    std::string lines;
    for (const std::uint32_t child : index.item(number).children) {
        const MountItem& item = index.item(child);
        EXPECT_EQ(index.find(index.pathOf(child)), &item);
        lines += index.pathOf(child) + (item.folder ? "/\n" : " " + std::to_string(item.size) + "\n");
        if (item.folder)
            lines += Shown(index, child);
    }
    return lines;
}

TEST(MountIndex, ShowsWhatAFolderCanHoldAndSaysWhatItLeavesOut) {
    const testing::TempDir dir;
    PackageBuilder()
        .folder("data")
        .file("a", "1")
        .file("a", "22")
        .file("bad/name", "x")
        .end()
        .folder(".")
        .file("inside", "hidden")
        .end()
        .folder("data")
        .file("b", "333")
        .end()
        .file("Data", "case differs")
        .raw(testing::Rec(1 << 20, 4, 1000, "outside"))
        .writeTo(dir.file("p.vp"));
    Package package;
    package.LoadPackage(dir.file("p.vp"));
    std::vector<std::string> leftOut;
    const MountIndex index(package, &leftOut);
    // Two folders of one path show as one; a name in another case is another file.
    EXPECT_EQ(Shown(index), "/data/\n/data/a 2\n/data/b 3\n/Data 12\n/outside 4\n");
    EXPECT_FALSE(index.find("/outside")->readable);
    EXPECT_EQ(index.find("/./inside"), nullptr);
    EXPECT_EQ(leftOut,
              (std::vector<std::string>{"\"data/a\" is shown, an earlier entry of that path is not",
                                        "\"data/bad/name\" is left out: its name cannot be a file name",
                                        "\"./\" is left out: its name cannot be a file name"}));
}

} // namespace
} // namespace tessel
