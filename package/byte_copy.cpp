#include "byte_copy.h"

#include <algorithm>
#include <cerrno>
#include <unistd.h>
#include <vector>

namespace tessel {

namespace {

// Falls back to a plain buffer for the rest of the copy.
void BufferedCopy(int fromFd, std::int64_t fromOffset, int toFd, std::int64_t toOffset, std::int64_t count,
                  CopyResult& result) {
    std::vector<char> buffer(static_cast<std::size_t>(std::min(count - result.copied, kCopyBufferSize)));
    while (result.copied < count) {
        const auto want =
            static_cast<std::size_t>(std::min<std::int64_t>(count - result.copied, kCopyBufferSize));
        const ssize_t got = ::pread(fromFd, buffer.data(), want, fromOffset + result.copied);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            result.readFailed = true;
            return;
        }
        if (got == 0) {
            result.sourceEnded = true;
            return;
        }
        std::size_t written = 0;
        while (written < static_cast<std::size_t>(got)) {
            const ssize_t put =
                ::pwrite(toFd, buffer.data() + written, static_cast<std::size_t>(got) - written,
                         toOffset + result.copied + static_cast<std::int64_t>(written));
            if (put < 0) {
                if (errno == EINTR)
                    continue;
                result.writeError = errno;
                result.copied += static_cast<std::int64_t>(written);
                return;
            }
            written += static_cast<std::size_t>(put);
        }
        result.copied += got;
    }
}

} // namespace

CopyResult CopyBytes(int fromFd, std::int64_t fromOffset, int toFd, std::int64_t toOffset,
                     std::int64_t count) {
    CopyResult result;
    while (result.copied < count) {
        loff_t in = fromOffset + result.copied;
        loff_t out = toOffset + result.copied;
        const auto want = static_cast<std::size_t>(std::min<std::int64_t>(count - result.copied, 1 << 30));
        const ssize_t moved = ::copy_file_range(fromFd, &in, toFd, &out, want, 0);
        if (moved > 0) {
            result.copied += moved;
            continue;
        }
        if (moved == 0) {
            result.sourceEnded = true;
            return result;
        }
        if (errno == EINTR)
            continue;
        if (errno == ENOSPC || errno == EDQUOT || errno == EFBIG) {
            result.writeError = errno;
            return result;
        }
        // The file systems cannot do it in the kernel (EXDEV, EINVAL, ENOSYS, ...).
        break;
    }
    BufferedCopy(fromFd, fromOffset, toFd, toOffset, count, result);
    return result;
}

} // namespace tessel
