// The mount's calls in the file system's terms, without the kernel: the errno each refusal
// answers, and what the package holds once the mount lets it go.
#include "mounted_package.h"

#include "entry_path.h"
#include "package_builder.h"
#include "param_name.h"

#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <future>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <utility>
#ifdef TESSEL_TEST_HOOKS
#include "test_hooks.h"
#endif

namespace tessel {
namespace {

using testing::PackageBuilder;

struct Call {
    const char* name;
    bool writable;
    // The calls; what the last one answers.
    std::function<int(MountedPackage&)> run;
    int answer;
    // The package's entries afterwards, one path a line.
    std::string after;
};

void PrintTo(const Call& call, std::ostream* out) {
    *out << call.name;
}

const std::string kUntouched = "data/\ndata/a.txt\ndata/b.txt\nmaps/\nreadme.txt\n";

// Writes the text into a new file and closes it.
int Written(MountedPackage& mounted, const std::string& path, const std::string& text) {
    std::uint64_t handle = 0;
    if (const int error = mounted.create(path, handle))
        return error;
    const long done = mounted.write(handle, text.data(), text.size(), 0);
    mounted.release(handle);
    return done == long(text.size()) ? 0 : int(done);
}

// What the path reads as now, through the mount.
std::string ReadBack(MountedPackage& mounted, const std::string& path) {
    std::string bytes(std::size_t(10) << 20, '\0');
    const long done = mounted.read(path, 0, bytes.data(), bytes.size(), 0);
    return done < 0 ? "error " + std::to_string(done) : bytes.substr(0, std::size_t(done));
}

int Create(MountedPackage& mounted, const std::string& path) {
    std::uint64_t handle = 0;
    return mounted.create(path, handle);
}

const Call kCalls[] = {
    {"NameTooLong", true, [](MountedPackage& m) { return Create(m, "/" + std::string(32, 'n')); },
     -ENAMETOOLONG, kUntouched},
    {"NameOfAnotherInOtherCase", true, [](MountedPackage& m) { return Create(m, "/DATA"); }, -EEXIST,
     kUntouched},
    {"NameOfAWaitingFileInOtherCase", true,
     [](MountedPackage& m) {
         Create(m, "/maps/new");
         return Create(m, "/maps/NEW");
     },
     -EEXIST, "data/\ndata/a.txt\ndata/b.txt\nmaps/\nmaps/new\nreadme.txt\n"},
    // A name's own case may change: it is no other entry's.
    {"RenameToItsOwnNameInOtherCase", true,
     [](MountedPackage& m) { return m.rename("/data", "/DATA", false); }, 0,
     "DATA/\nDATA/a.txt\nDATA/b.txt\nmaps/\nreadme.txt\n"},
    {"FolderMissing", true, [](MountedPackage& m) { return Create(m, "/none/x"); }, -ENOENT, kUntouched},
    {"FolderIsAFile", true, [](MountedPackage& m) { return Create(m, "/readme.txt/x"); }, -ENOTDIR,
     kUntouched},
    {"ReadOnlyRefusesCreating", false, [](MountedPackage& m) { return Create(m, "/x"); }, -EROFS, kUntouched},
    {"ReadOnlyRefusesWriting", false,
     [](MountedPackage& m) {
         std::uint64_t handle = 0;
         return m.open("/readme.txt", O_WRONLY, handle);
     },
     -EROFS, kUntouched},
    {"FileOverFolder", true, [](MountedPackage& m) { return m.rename("/readme.txt", "/maps", true); },
     -EISDIR, kUntouched},
    {"FolderOverFile", true, [](MountedPackage& m) { return m.rename("/maps", "/readme.txt", true); },
     -ENOTDIR, kUntouched},
    {"FolderOverAFullOne", true, [](MountedPackage& m) { return m.rename("/maps", "/data", true); },
     -ENOTEMPTY, kUntouched},
    {"FolderIntoItself", true, [](MountedPackage& m) { return m.rename("/data", "/data/in", true); }, -EINVAL,
     kUntouched},
    {"RenameThatMayNotReplace", true,
     [](MountedPackage& m) { return m.rename("/readme.txt", "/data/a.txt", false); }, -EEXIST, kUntouched},
    {"RenameOfAFileOpenForWriting", true,
     [](MountedPackage& m) {
         std::uint64_t handle = 0;
         m.open("/readme.txt", O_RDWR, handle);
         return m.rename("/readme.txt", "/other.txt", true);
     },
     -EBUSY, kUntouched},
    {"RemoveTheTop", true, [](MountedPackage& m) { return m.removeFolder("/"); }, -EBUSY, kUntouched},
    {"UnlinkAFolder", true, [](MountedPackage& m) { return m.unlink("/data"); }, -EISDIR, kUntouched},
    {"RemoveAFullFolder", true, [](MountedPackage& m) { return m.removeFolder("/data"); }, -ENOTEMPTY,
     kUntouched},
    // A folder with a file still waiting in it is not empty either.
    {"RemoveAFolderWithAWaitingFile", true,
     [](MountedPackage& m) {
         Create(m, "/maps/new");
         return m.removeFolder("/maps");
     },
     -ENOTEMPTY, "data/\ndata/a.txt\ndata/b.txt\nmaps/\nmaps/new\nreadme.txt\n"},
    // Shown and read before its edit, and after it, with the same bytes.
    {"WrittenFileReadsTheSameBeforeAndAfterItsEdit", true,
     [](MountedPackage& m) {
         bool listed = false;
         m.list("/data", [&](const std::string& name, const MountAttributes&) { listed |= name == "c.txt"; });
         const int error = Written(m, "/data/c.txt", "new bytes");
         m.list("/data", [&](const std::string& name, const MountAttributes&) { listed |= name == "c.txt"; });
         const std::string before = ReadBack(m, "/data/c.txt");
         m.flushClosed();
         return error != 0                                                                     ? error
                : listed && before == "new bytes" && ReadBack(m, "/data/c.txt") == "new bytes" ? 0
                                                                                               : -1;
     },
     0, "data/\ndata/a.txt\ndata/b.txt\ndata/c.txt\nmaps/\nreadme.txt\n"},
    // Past what memory holds for one file, the bytes go through a scratch file.
    {"LargeFileReadsBackWhole", true,
     [](MountedPackage& m) {
         const std::string big(9 << 20, 'x');
         const int error = Written(m, "/maps/big", big);
         m.flushClosed();
         return error != 0 ? error : ReadBack(m, "/maps/big") == big ? 0 : -1;
     },
     0, "data/\ndata/a.txt\ndata/b.txt\nmaps/\nmaps/big\nreadme.txt\n"},
    {"OpenedForWritingStartsFromTheEntry", true,
     [](MountedPackage& m) {
         std::uint64_t handle = 0;
         m.open("/data/a.txt", O_RDWR, handle);
         m.write(handle, "A", 1, 0);
         m.release(handle);
         m.flushClosed();
         return ReadBack(m, "/data/a.txt") == "Alpha" ? 0 : -1;
     },
     0, kUntouched},
    {"TruncatedWithoutAnOpen", true,
     [](MountedPackage& m) {
         const int error = m.truncate("/readme.txt", 0, 2);
         return error != 0 ? error : ReadBack(m, "/readme.txt") == "to" ? 0 : -1;
     },
     0, kUntouched},
    {"FolderMadeAndMovedWithWhatItHolds", true,
     [](MountedPackage& m) {
         if (const int error = m.makeFolder("/maps/deep"); error != 0)
             return error;
         if (const int error = Written(m, "/maps/deep/f", "f"); error != 0)
             return error;
         return m.rename("/maps", "/data/maps", true);
     },
     0, "data/\ndata/a.txt\ndata/b.txt\ndata/maps/\ndata/maps/deep/\ndata/maps/deep/f\nreadme.txt\n"},
};

class MountCalls : public ::testing::TestWithParam<Call> {};

TEST_P(MountCalls, AnswerAndLeaveThePackageAsTheyMust) {
    const Call& call = GetParam();
    const testing::TempDir dir;
    const std::string path = dir.file("p.vp");
    PackageBuilder()
        .folder("data")
        .file("a.txt", "alpha")
        .file("b.txt", "beta")
        .end()
        .folder("maps")
        .end()
        .file("readme.txt", "top")
        .writeTo(path);
    {
        MountedPackage mounted(path, call.writable, [](const std::string& line) { ADD_FAILURE() << line; });
        mounted.start();
        EXPECT_EQ(call.run(mounted), call.answer);
    }
    Package package;
    package.LoadPackage(path);
    std::string entries;
    for (const TreeNode* node : Subtree(package.tree().root()))
        entries += node->parent() ? EntryPath(node) + "\n" : "";
    EXPECT_EQ(entries, call.after);
}

INSTANTIATE_TEST_SUITE_P(Mount, MountCalls, ::testing::ValuesIn(kCalls), testing::RowName<Call>);

#ifdef TESSEL_TEST_HOOKS
// The thread that reads the kernel's requests never waits on an edit: while one runs it is
// told that it cannot hold the package's bytes (and hands such calls to a helper), and the
// calls it makes itself, a listing here, go on.
TEST(MountedPackageBytes, AreHeldOnlyWhileNoEditRuns) {
    const testing::TempDir dir;
    const std::string path = dir.file("p.vp");
    PackageBuilder().file("readme.txt", "top").writeTo(path);
    MountedPackage mounted(path, true, [](const std::string& line) { ADD_FAILURE() << line; });
    ASSERT_EQ(Written(mounted, "/new.txt", "new"), 0);
    std::promise<void> editing;
    std::promise<void> goOn;
    const std::shared_future<void> mayGoOn = goOn.get_future().share();
    bool first = true;
    IoTrace::Listen([&](const IoTrace::Change&) {
        if (!std::exchange(first, false)) {
            return;
        }
        editing.set_value();
        mayGoOn.wait();
    });
    std::thread edit([&] { mounted.flushClosed(); });
    editing.get_future().wait();
    EXPECT_FALSE(mounted.holdBytes());
    std::string names;
    EXPECT_EQ(
        mounted.list("/", [&](const std::string& name, const MountAttributes&) { names += name + " "; }), 0);
    EXPECT_EQ(names, "readme.txt new.txt ");
    goOn.set_value();
    edit.join();
    IoTrace::Stop();
    ASSERT_TRUE(mounted.holdBytes());
    mounted.letGoOfBytes();
}
#endif

} // namespace
} // namespace tessel
