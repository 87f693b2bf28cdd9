#include "byte_copy.h"
#include "package_builder.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <tuple>
#include <unistd.h>

namespace tessel {
namespace {

class ByteCopy : public ::testing::Test {
protected:
    testing::TempDir dir;
    std::string source = dir.file("source");
    std::string target = dir.file("target");
    std::string bytes;

    void SetUp() override {
        // Larger than the threshold of the two-thread copy, and not a whole number of buffers.
        bytes.resize(9 * 1024 * 1024 + 12345);
        for (std::size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<char>((i * 131 + i / 4099) & 0xFF);
        testing::WriteFileBytes(source, bytes);
    }
    CopyResult copy(std::int64_t from, std::int64_t to, std::int64_t count, bool writeback) {
        const int in = open(source.c_str(), O_RDONLY);
        const int out = open(target.c_str(), O_RDWR | O_CREAT, 0600);
        WriteBehind behind;
        const CopyResult result = CopyBytes(in, from, out, to, count, writeback ? &behind : nullptr);
        close(in);
        close(out);
        return result;
    }
};

// Each way of copying, with the disk told to write behind it (in pieces) and without.
TEST_F(ByteCopy, CopiesExactlyTheRangeWhateverTheOffsets) {
    for (const auto& [from, to, writeback] : std::vector<std::tuple<std::int64_t, std::int64_t, bool>>{
             {16, 0, false}, {0, 16, false}, {4096, 0, true}, {7, 7, true}, {16, 0, true}}) {
        unlink(target.c_str());
        const std::int64_t count = static_cast<std::int64_t>(bytes.size()) - from - 100;
        const CopyResult result = copy(from, to, count, writeback);
        EXPECT_EQ(result.copied, count);
        EXPECT_FALSE(result.sourceEnded || result.readFailed || result.writeError);
        EXPECT_EQ(testing::ReadFileBytes(target),
                  std::string(std::size_t(to), '\0') + bytes.substr(std::size_t(from), std::size_t(count)))
            << from << " to " << to;
    }
}

TEST_F(ByteCopy, ReportsASourceThatEndsEarlyWithWhatWasCopied) {
    for (const std::int64_t from : {16, 0}) {
        unlink(target.c_str());
        const std::int64_t available = static_cast<std::int64_t>(bytes.size()) - from;
        const CopyResult result = copy(from, 0, available + 5000, from == 0);
        EXPECT_TRUE(result.sourceEnded);
        EXPECT_EQ(result.copied, available);
        EXPECT_EQ(testing::ReadFileBytes(target), bytes.substr(std::size_t(from)));
    }
}

} // namespace
} // namespace tessel
